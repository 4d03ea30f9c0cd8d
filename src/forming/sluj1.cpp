// "Далее >>": forms the payment orders from the matching accruals and closes the formation
// window.

#include "common/amount.h"
#include "common/date_picker.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/order_list.h"
#include "common/shared.h"
#include "common/window.h"
#include "data/connection.h"
#include "forming/compose.h"
#include "forming/form1.h"
#include "forming/forming.h"
#include "platform/errors.h"
#include "platform/ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace tavrelis {

namespace {

constexpr int kHighlight = 0xC0C000; // 0x00BBGGRR: red 0, green 192, blue 192

// Item i of a list kept beside a control; a position it does not hold is the platform's
// error for a missing collection item.
QString item_at(const QVariantList& items, int i) {
    if (i < 0 || i >= items.size())
        throw Error(QStringLiteral("Subscript out of range"));
    return items.at(i).toString();
}

QString item_at(const QStringList& items, int i) {
    if (i < 0 || i >= items.size())
        throw Error(QStringLiteral("Subscript out of range"));
    return items.at(i);
}

qint32 to_int32(double v) {
    if (!(v >= double(std::numeric_limits<qint32>::min()) &&
          v <= double(std::numeric_limits<qint32>::max())))
        throw Error(QStringLiteral("Overflow"));
    return qint32(v);
}

qint32 add_int32(qint32 a, qint32 b) {
    return to_int32(double(a) + double(b));
}

bool is_one(const data::Recordset& rs, int i) {
    return !rs.is_null(i) && rs.field(i).toDouble() == 1;
}

// The stored sum is sound when it reads as an amount; the razr form the module writes does.
std::optional<Kopecks> stored_sum(const data::Recordset& rs, int i) {
    if (rs.is_null(i))
        return std::nullopt;
    try {
        return amount_field(rs, i);
    } catch (const Error&) {
        return std::nullopt;
    }
}

// A kept order: shown from its stored columns, refreshed while unpaid (unless refresh is
// false), renumbered.
void keep_order(Order& o, const data::Recordset& stored, Kopecks amount, const FormingRun& run,
                bool refresh, bool* words_later) {
    // Fields of the select after the stored ones.
    constexpr int kPaymentDone = select_index(kLastStored) + 1;
    constexpr int kPrintDone = kPaymentDone + 1;
    Form1& f1 = form1();
    Shared& sh = shared();
    if (is_one(stored, kPrintDone)) {
        o[Field::Number] = QStringLiteral("N") + stored.text_or_empty(select_index(Field::Number));
        f1.nom = add_int32(f1.nom, -1); // a printed order keeps its number and consumes none
    }
    for (int c = column_of(kFirstStored); c <= column_of(kLastStored); ++c)
        o.texts[size_t(c)] = stored.text_or_empty(select_index(Field(c)));
    if (is_enp_kbk(o[Field::Kbk], run) && o[Field::DocumentDate].isEmpty())
        o[Field::DocumentDate] = kNoDocumentDate;
    o[Field::Sum] = razr(amount);
    set_words(o, amount, words_later);
    if (refresh && !is_one(stored, kPaymentDone))
        refresh_order(o, run);
    o.color = sh.my_color;
    sh.cnn.send(QStringLiteral("update payments set number_=? where oper_id=?"),
                {QString::number(clean_number(o[Field::Number])), o[Field::OperId].toLongLong()});
}

// In a single-tax-payment forming an accrual's stored order for one tax is replaced while it
// is neither printed nor paid; once either, it is kept as it stands.
enum class Stored { Keep, KeepAsIs, Replace };

Stored stored_fate(const data::Recordset& stored, const FormingRun& run) {
    if (!run.enp || is_enp_kbk(stored.text_or_empty(select_index(Field::Kbk)), run))
        return Stored::Keep;
    constexpr int kPaymentDone = select_index(kLastStored) + 1;
    constexpr int kPrintDone = kPaymentDone + 1;
    return is_one(stored, kPaymentDone) || is_one(stored, kPrintDone) ? Stored::KeepAsIs
                                                                      : Stored::Replace;
}

// Whether every chosen organisation has a single-payment receiver, so that a forming never
// stops half-way for want of one.
bool enp_receivers_known(const Form1& f1, const FormingRun& run) {
    if (!enp_receiver(f1.inn, f1.kpp, run))
        return false;
    for (const QString& acc : f1.acc_list.split(u',')) {
        const auto inn = f1.inn_by_acc.constFind(acc);
        const auto kpp = f1.kpp_by_acc.constFind(acc);
        if (inn != f1.inn_by_acc.constEnd() && kpp != f1.kpp_by_acc.constEnd() &&
            !enp_receiver(*inn, *kpp, run))
            return false;
    }
    return true;
}

// The accruals of a single tax payment: every accrual of the chosen organisations due on the
// day, whatever its tax, period or card part.
data::Recordset enp_accruals(const QString& acc_list, const QDate& due) {
    return shared().cnn.execute(
        QStringLiteral(
            "select summa,fsk_cardlist.accstream_id,taxcode,docum_date,oper_id from "
            "fsk_operations,fsk_cardlist where fsk_operations.card_id=fsk_cardlist.card_id and "
            "act_id in (select act_id from fsk_actions where act_prim_id=4) and "
            "fsk_operations.deleted=0 and term_day=? and fsk_operations.card_id in (select "
            "card_id from fsk_cardlist where ") +
            kInAccList + QStringLiteral(") order by fsk_operations.oper_id"),
        {stored_day(due), acc_list});
}

} // namespace

void sluj1() {
    Form1& f1 = form1();
    Shared& sh = shared();
    int step = 1;
    try {
        double start = 0;
        if (!read_number(f1.Text1->text(), start)) {
            platform::msgbox(QStringLiteral("Номер платежного поручения должен быть числом"));
            return;
        }
        if (start < 0 || start != std::floor(start)) {
            platform::msgbox(QStringLiteral(
                "Номер платежного поручения должен быть положительным, целым числом"));
            return;
        }
        f1.nom = to_int32(start);

        step = 2;
        f1.acc_list.clear();
        for (int i = 0; i < f1.List1->count(); ++i) {
            const QString id = item_at(f1.ids_acc, i);
            if (f1.List1->item(i)->isSelected() && !id.isEmpty())
                f1.acc_list += id + u',';
        }
        if (f1.acc_list.isEmpty()) {
            platform::msgbox(QStringLiteral("Необходимо выбрать хотя бы одного налоплательщика"),
                             platform::vbCritical, kTitle);
            return;
        }
        f1.acc_list.chop(1);

        step = 3;
        const bool enp = f1.Check1->isChecked();
        FormingRun run = enp ? enp_run() : FormingRun{};
        if (!enp)
            run.tax_code = item_at(f1.ids_kbk, f1.Combo1->currentIndex());
        read_window(run);

        step = 4;
        if (enp && !enp_receivers_known(f1, run)) {
            platform::msgbox(enp_missing_text(), platform::vbCritical, kTitle);
            return;
        }
        const data::Recordset check =
            enp ? data::Recordset()
                : sh.cnn.execute(
                      QStringLiteral("select receiver,okato,rs,bik,bank,ks,kbk from requisites "
                                     "where self_inn=? and self_kpp=? and (kbk=? or kbk='')"),
                      {f1.inn, f1.kpp, run.tax_code});
        if (!enp && check.empty()) {
            platform::msgbox(
                QStringLiteral("Для данного сочетания ИНН, КПП и КБК отсутствуют реквизиты "
                               "получателя"),
                platform::vbCritical, kTitle);
            return;
        }

        step = 5;
        OrdersWindow& orders = orders_window();
        OrderList& list = formed_orders();
        std::optional<OrderList::Rebuild> rebuild(std::in_place, list);
        f1.emp = true;
        run.fact_payments = table_exists(QStringLiteral("fact_payments"));

        step = 6;
        if (enp || f1.Combo4->currentIndex() != 3) {
            step = 7;
            orders.prepare_export_run();

            step = 8;
            data::Recordset accruals =
                enp ? enp_accruals(f1.acc_list, f1.DTPicker3->date())
                    : sh.cnn.execute(
                          QStringLiteral(
                              "select summa,fsk_cardlist.accstream_id,taxcode,docum_date,oper_id "
                              "from fsk_operations,fsk_cardlist where "
                              "fsk_operations.card_id=fsk_cardlist.card_id and act_id in (select "
                              "act_id from fsk_actions where act_prim_id=4 and CardPart_ID=?) "
                              "and fsk_operations.deleted=0 and term_day=? and period_name = ? "
                              "and fsk_operations.card_id in (select card_id from fsk_cardlist "
                              "where taxcode=? and ") +
                              kInAccList + u')',
                          {qlonglong(f1.Combo4->currentIndex() + 1),
                           stored_day(f1.DTPicker3->date()), f1.Combo3->currentText(),
                           tax_code_value(run.tax_code), f1.acc_list});

            // What fact_payments shows paid, for the whole run in one statement.
            if (run.fact_payments && !accruals.empty()) {
                qint64 low = accruals.field(4).toLongLong(), high = low;
                for (; !accruals.eof(); accruals.move_next()) {
                    low = std::min(low, accruals.field(4).toLongLong());
                    high = std::max(high, accruals.field(4).toLongLong());
                }
                accruals.move_first();
                data::Recordset paid = sh.cnn.execute(
                    QStringLiteral("select oper_id from fact_payments where oper_id between ? "
                                   "and ?"),
                    {low, high});
                for (; !paid.eof(); paid.move_next())
                    run.paid.insert(paid.field(0).toLongLong());
            }

            rebuild->reserve(accruals.record_count());
            for (; !accruals.eof(); accruals.move_next()) {
                f1.emp = false;
                OrderRow row(list);
                Order& o = row.order;
                o[Field::OperId] = accruals.text(4);
                o[Field::Number] = QString::number(f1.nom);

                const QVariant oper_id = accruals.field(4);
                const data::Recordset stored = sh.cnn.execute(
                    QStringLiteral(
                        "select number_,payment_date,sum,receiver,inn,kpp,kbk,okato,bik,rs,ks,"
                        "bank,sender,inn_sender,kpp_sender,okato_sender,bik_sender,rs_sender,"
                        "ks_sender,bank_sender,way,priority,reason,payment_type,aim,period,"
                        "document_date,payment_done,print_done from payments where oper_id=?"),
                    {oper_id});
                bool kept = false;
                if (!stored.empty()) {
                    const std::optional<Kopecks> amount =
                        stored_sum(stored, select_index(Field::Sum));
                    const Stored fate = stored_fate(stored, run);
                    kept = amount.has_value() && fate != Stored::Replace;
                    if (kept)
                        keep_order(o, stored, *amount, run, fate == Stored::Keep,
                                   &row.words_from_sum);
                    else
                        sh.cnn.execute(QStringLiteral("delete from payments where oper_id=?"),
                                       {oper_id});
                }
                if (!kept)
                    compose_order(o, accruals, run, &row.words_from_sum);

                o.ticked = true;
                f1.nom = add_int32(f1.nom, 1);
            }
            sh.cnn.flush();
        }
        rebuild.reset();

        step = 9;
        f1.exiter = false;
        sh.org.clear();
        for (int i = 0; i < f1.List1->count(); ++i)
            if (f1.List1->item(i)->isSelected())
                sh.org.append(i);
        sh.v_p = f1.Combo6->currentIndex();
        sh.o_p = f1.Combo7->currentIndex();
        sh.n_n = f1.Combo2->currentIndex();
        sh.kbk = f1.Combo1->currentIndex();
        sh.osnov = f1.Combo8->currentIndex();
        sh.t_p = f1.Combo9->currentIndex();
        sh.period = f1.Combo3->currentIndex();
        sh.nomer = f1.Text1->text();
        sh.naznach = f1.Text2->text();
        sh.d_o = f1.DTPicker3->date();
        sh.d_pp = f1.DTPicker1->date();
        sh.d_doc = f1.DTPicker2->date();
        const int operation = f1.Combo4->currentIndex();
        if (operation < 0 || operation > 255)
            throw Error(QStringLiteral("Overflow")); // the remembered position is one byte
        sh.t_t = quint8(operation);
    } catch (const std::exception& e) {
        report_failure(QStringLiteral("Возникла ошибка в модуле Tavrelis.Form1.sluj1"), step, e);
    }
}

void Command2_Click() {
    int step = 1;
    try {
        shared().my_color = kHighlight;
        step = 2;
        sluj1();
        step = 3;
        form1().unload();
    } catch (const std::exception& e) {
        report_failure(QStringLiteral("Возникла ошибка в модуле Tavrelis.Form1.Command2_Click"),
                       step, e);
    }
}

} // namespace tavrelis
