#include "common/bank_exchange.h"

#include "common/numbers.h"
#include "platform/codepage.h"

#include <QDate>
#include <QSet>

namespace tavrelis {

namespace {

// A line of the file is one key=value: a line break inside a value would end it early.
QString one_line(QString value) {
    value.replace(QLatin1StringView("\r\n"), QLatin1StringView(" "));
    for (QChar& c : value)
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    return value;
}

class Lines {
public:
    void put(QStringView line) {
        text_ += line;
        text_ += QLatin1StringView("\r\n");
    }
    void put(QStringView key, const QString& value) {
        text_ += key;
        text_ += u'=';
        text_ += one_line(value);
        text_ += QLatin1StringView("\r\n");
    }
    QByteArray bytes() const { return platform::to_cp1251(text_); }

private:
    QString text_;
};

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

void put_order(Lines& out, const BankOrderFields& o) {
    out.put(u"СекцияДокумент=Платежное поручение");
    out.put(u"Номер", o.number_);
    out.put(u"Дата", o.payment_date);
    out.put(u"Сумма", exchange_amount(o.sum));
    out.put(u"ПлательщикСчет", o.rs_sender);
    out.put(u"Плательщик", o.sender);
    out.put(u"ПлательщикИНН", o.inn_sender);
    out.put(u"ПлательщикКПП", o.kpp_sender);
    out.put(u"Плательщик1", o.sender);
    out.put(u"ПлательщикРасчСчет", o.rs_sender);
    out.put(u"ПлательщикБанк1", o.bank_sender);
    out.put(u"ПлательщикБИК", o.bik_sender);
    out.put(u"ПлательщикКорсчет", o.ks_sender);
    out.put(u"ПолучательСчет", o.rs);
    out.put(u"Получатель", o.receiver);
    out.put(u"ПолучательИНН", o.inn);
    out.put(u"ПолучательКПП", o.kpp);
    out.put(u"Получатель1", o.receiver);
    out.put(u"ПолучательРасчСчет", o.rs);
    out.put(u"ПолучательБанк1", o.bank);
    out.put(u"ПолучательБИК", o.bik);
    out.put(u"ПолучательКорсчет", o.ks);
    out.put(u"ВидПлатежа", o.way);
    out.put(u"ВидОплаты=01");
    out.put(u"Код=0");
    out.put(u"СтатусСоставителя=01");
    out.put(u"ПоказательКБК", o.kbk);
    out.put(u"ОКАТО", o.okato);
    out.put(u"ПоказательОснования", o.reason);
    out.put(u"ПоказательПериода", o.period);
    out.put(u"ПоказательНомера=0");
    out.put(u"ПоказательДаты", o.document_date.isEmpty() ? QStringLiteral("0") : o.document_date);
    out.put(u"ПоказательТипа", o.payment_type);
    out.put(u"Очередность", o.priority);
    out.put(u"НазначениеПлатежа", o.aim);
    out.put(u"КонецДокумента");
}

} // namespace

QString exchange_number(const QString& shown) {
    return QString::number(clean_number(shown));
}

QString exchange_amount(const QString& sum) {
    return bez_razr(sum).replace(u',', u'.');
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
    out.put(u"1CClientBankExchange");
    out.put(u"ВерсияФормата=1.03");
    out.put(u"Кодировка=Windows");
    out.put(u"Отправитель=Вальмора-2: Фискалон");
    out.put(u"Получатель=");
    out.put(u"ДатаСоздания", created.date().toString(kDateFormat));
    out.put(u"ВремяСоздания", created.time().toString(QStringLiteral("hh:mm:ss")));
    out.put(u"ДатаНачала", first.toString(kDateFormat));
    out.put(u"ДатаКонца", last.toString(kDateFormat));
    for (const QString& account : accounts)
        out.put(u"РасчСчет", account);
    out.put(u"Документ=Платежное поручение");
    for (const BankOrderFields& o : orders)
        put_order(out, o);
    out.put(u"КонецФайла");
    return out.bytes();
}

} // namespace tavrelis
