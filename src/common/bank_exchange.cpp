#include "common/bank_exchange.h"

#include "common/numbers.h"
#include "platform/codepage.h"

#include <QDate>
#include <QSet>

#include <algorithm>
#include <array>

namespace tavrelis {

namespace {

using F = BankOrderFields;

// A key of a payment-order section and the field it takes; a line without a field is written
// as it stands.
struct Key {
    const char16_t* text;
    QString F::*field;
};

const std::array<Key, 36> kSection{{
    {u"СекцияДокумент=Платежное поручение", nullptr},
    {u"Номер", &F::number_},
    {u"Дата", &F::payment_date},
    {u"Сумма", &F::sum},
    {u"ПлательщикСчет", &F::rs_sender},
    {u"Плательщик", &F::sender},
    {u"ПлательщикИНН", &F::inn_sender},
    {u"ПлательщикКПП", &F::kpp_sender},
    {u"Плательщик1", &F::sender},
    {u"ПлательщикРасчСчет", &F::rs_sender},
    {u"ПлательщикБанк1", &F::bank_sender},
    {u"ПлательщикБИК", &F::bik_sender},
    {u"ПлательщикКорсчет", &F::ks_sender},
    {u"ПолучательСчет", &F::rs},
    {u"Получатель", &F::receiver},
    {u"ПолучательИНН", &F::inn},
    {u"ПолучательКПП", &F::kpp},
    {u"Получатель1", &F::receiver},
    {u"ПолучательРасчСчет", &F::rs},
    {u"ПолучательБанк1", &F::bank},
    {u"ПолучательБИК", &F::bik},
    {u"ПолучательКорсчет", &F::ks},
    {u"ВидПлатежа", &F::way},
    {u"ВидОплаты=01", nullptr},
    {u"Код", &F::code},
    {u"СтатусСоставителя", &F::status},
    {u"ПоказательКБК", &F::kbk},
    {u"ОКАТО", &F::okato},
    {u"ПоказательОснования", &F::reason},
    {u"ПоказательПериода", &F::period},
    {u"ПоказательНомера=0", nullptr},
    {u"ПоказательДаты", &F::document_date},
    {u"ПоказательТипа", &F::payment_type},
    {u"Очередность", &F::priority},
    {u"НазначениеПлатежа", &F::aim},
    {u"КонецДокумента", nullptr},
}};

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

QByteArray cp1251(QStringView text) {
    return platform::to_cp1251(text.toString());
}

// A line of the file is one key=value: a line break inside a value would end it early, and a
// bank's reader may take any other control character for one.
QString one_line(const QString& value) {
    if (std::none_of(value.begin(), value.end(), control_character))
        return value;
    QString s;
    s.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (!control_character(c)) {
            s += c;
            continue;
        }
        if (c == u'\r' && i + 1 < value.size() && value.at(i + 1) == u'\n')
            ++i;
        s += u' ';
    }
    return s;
}

QString section_value(const F& o, QString F::*field) {
    if (field == &F::sum)
        return exchange_amount(o.sum);
    if ((field == &F::document_date || field == &F::code) && (o.*field).isEmpty())
        return QStringLiteral("0");
    if (field == &F::status && o.status.isEmpty())
        return payer_status(o.inn_sender);
    return o.*field;
}

class Lines {
public:
    void put(const QByteArray& line) { bytes_ += line + "\r\n"; }
    void put(const QByteArray& key, const QString& value) {
        bytes_ += key;
        bytes_ += '=';
        bytes_ += platform::to_cp1251(one_line(value));
        bytes_ += "\r\n";
    }
    void put_order(const F& o) {
        // The section's keys, converted once.
        static const std::array<QByteArray, kSection.size()> keys = [] {
            std::array<QByteArray, kSection.size()> k;
            for (size_t i = 0; i < k.size(); ++i)
                k[i] = cp1251(kSection[i].text);
            return k;
        }();
        for (size_t i = 0; i < kSection.size(); ++i)
            if (kSection[i].field)
                put(keys[i], section_value(o, kSection[i].field));
            else
                put(keys[i]);
    }
    QByteArray& bytes() { return bytes_; }

private:
    QByteArray bytes_;
};

} // namespace

QString exchange_number(const QString& shown) {
    return QString::number(clean_number(shown));
}

QString exchange_amount(const QString& sum) {
    QString out;
    out.reserve(sum.size());
    for (QChar c : sum)
        if (c != u' ' && c != u'\u00A0' && c != u'\u202F')
            out += c == u',' ? QChar(u'.') : c;
    return out;
}

QByteArray bank_exchange_file(const QList<BankOrderFields>& orders, const QDateTime& created) {
    QDate first, last;
    QStringList accounts;
    QSet<QString> seen;
    for (const BankOrderFields& o : orders) {
        const QDate d = QDate::fromString(o.payment_date, kDateFormat);
        if (d.isValid()) {
            if (!first.isValid() || d < first)
                first = d;
            if (!last.isValid() || d > last)
                last = d;
        }
        if (!o.rs_sender.isEmpty() && !seen.contains(o.rs_sender)) {
            seen.insert(o.rs_sender);
            accounts << o.rs_sender;
        }
    }
    if (!first.isValid())
        first = last = created.date();

    Lines out;
    out.bytes().reserve(qsizetype(orders.size()) * 1200 + 512);
    out.put(cp1251(u"1CClientBankExchange"));
    out.put(cp1251(u"ВерсияФормата=1.03"));
    out.put(cp1251(u"Кодировка=Windows"));
    out.put(cp1251(u"Отправитель=Вальмора-2: Фискалон"));
    out.put(cp1251(u"Получатель="));
    out.put(cp1251(u"ДатаСоздания"), created.date().toString(kDateFormat));
    out.put(cp1251(u"ВремяСоздания"), created.time().toString(QStringLiteral("hh:mm:ss")));
    out.put(cp1251(u"ДатаНачала"), first.toString(kDateFormat));
    out.put(cp1251(u"ДатаКонца"), last.toString(kDateFormat));
    for (const QString& account : accounts)
        out.put(cp1251(u"РасчСчет"), account);
    out.put(cp1251(u"Документ=Платежное поручение"));
    for (const BankOrderFields& o : orders)
        out.put_order(o);
    out.put(cp1251(u"КонецФайла"));
    return out.bytes();
}

} // namespace tavrelis
