#include "common/order.h"

#include "platform/errors.h"

#include <QStringList>

namespace tavrelis {

const std::array<FieldInfo, kFieldCount>& field_table() {
    // The payer's territory code shares the element okato with the receiver's; readers of
    // the export tell them apart by position.
    static const std::array<FieldInfo, kFieldCount> table{{
        {Field::Tick, u"", 706, nullptr, nullptr, nullptr},
        {Field::Number, u"№ п/п", 1235, "nomer_pp", "nomer_pp", "number_"},
        {Field::PaymentDate, u"Дата п/п", 2117, "data_pp", "data_pp", "payment_date"},
        {Field::Sum, u"Сумма", 2469, "summa_digits", "summa_digits", "sum"},
        {Field::Receiver, u"Получатель", 2646, "receiver", "receiver", "receiver"},
        {Field::Inn, u"ИНН", 1940, "inn", "inn", "inn"},
        {Field::Kpp, u"КПП", 1940, "kpp", "kpp", "kpp"},
        {Field::Kbk, u"КБК", 3704, "kbk", "kbk", "kbk"},
        {Field::Okato, u"ОКАТО", 2117, "okato", "okato", "okato"},
        {Field::Bik, u"БИК", 2117, "bik2", "bik2", "bik"},
        {Field::Rs, u"Р/С", 3528, "schet_1", "schet_1", "rs"},
        {Field::Ks, u"Кор.Счет", 3528, "schet_2", "schet_2", "ks"},
        {Field::Bank, u"Банк", 2999, "bank", "bank", "bank"},
        {Field::Sender, u"Отправитель", 2646, "sender", "sender", "sender"},
        {Field::InnSender, u"ИНН отпр.", 1940, "inn_sender", "inn_sender", "inn_sender"},
        {Field::KppSender, u"КПП отпр.", 1940, "kpp_sender", "kpp_sender", "kpp_sender"},
        {Field::OkatoSender, u"ОКАТО отпр.", 2117, "okato", nullptr, "okato_sender"},
        {Field::BikSender, u"БИК отпр.", 2117, "bik1", "bik1", "bik_sender"},
        {Field::RsSender, u"Р/С отпр.", 3528, "schet_3", "schet_3", "rs_sender"},
        {Field::KsSender, u"Кор.Счет отпр.", 3528, "schet_4", "schet_4", "ks_sender"},
        {Field::BankSender, u"Банк отпр.", 2646, "bank_sender", "bank_sender", "bank_sender"},
        {Field::Way, u"Вид платежа", 2646, "payment_vid", "payment_vid", "way"},
        {Field::Priority, u"Очер.плат.", 1940, "prior_payment", "prior_payment", "priority"},
        {Field::Reason, u"Основание", 1940, "osnov_payment", "osnov_payment", "reason"},
        {Field::PaymentType, u"Тип плат.", 1940, "payment_type", "payment_type", "payment_type"},
        {Field::Aim, u"Назначение", 8819, "payment_aim", "payment_aim", "aim"},
        {Field::Period, u"Период", 2117, "period", "period", "period"},
        {Field::DocumentDate, u"Дата докум", 2293, "data_doc", "data_doc", "document_date"},
        {Field::SumWords, u"Сумма прописью", 12347, "summa_letters", "summa_letters", nullptr},
        {Field::OperId, u"oper_id", 0, nullptr, nullptr, "oper_id"},
    }};
    return table;
}

QString payments_column(Field f) {
    const char* name = field_table()[size_t(f)].payments;
    return name ? QLatin1String(name) : QString();
}

QString updated_columns() {
    QStringList set;
    for (const Field f : kUpdatedTexts)
        set << payments_column(f) + QStringLiteral("=?");
    return set.join(u',');
}

} // namespace tavrelis
