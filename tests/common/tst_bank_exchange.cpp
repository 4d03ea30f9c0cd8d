#include "common/bank_exchange.h"
#include "support/bank_order.h"
#include "support/cases.h"

#include <QStringDecoder>
#include <QtTest>

using namespace tavrelis;
using F = BankOrderFields;
using Pairs = QList<QPair<QString, QString>>;
using Member = QString F::*;
Q_DECLARE_METATYPE(tavrelis::BankOrderFields)

namespace {

// The file as a bank's import reads it: lines ended by CR LF, each "key=value" split at the
// first "="; "1CClientBankExchange" first, header keys, then sections from
// "СекцияДокумент=<kind>" to "КонецДокумента", and "КонецФайла" last. Gives what is wrong,
// or an empty text.
struct Exchange {
    Pairs header;
    QList<Pairs> sections;
};

QString read_exchange(const QByteArray& bytes, Exchange& out) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return "byte-order mark";
    if (!bytes.endsWith("\r\n"))
        return "last line not ended by CR LF";
    QStringDecoder cp1251("windows-1251");
    QList<QByteArray> raw = bytes.split('\n');
    raw.removeLast();
    QStringList lines;
    for (QByteArray line : raw) {
        if (!line.endsWith('\r'))
            return "LF without CR";
        line.chop(1);
        if (line.contains('\r'))
            return "CR without LF";
        lines << cp1251.decode(line);
    }
    if (lines.value(0) != "1CClientBankExchange" || lines.last() != "КонецФайла")
        return "not framed by 1CClientBankExchange and КонецФайла";
    Pairs* into = &out.header;
    for (const QString& line : lines.mid(1, lines.size() - 2)) {
        if (line == "КонецДокумента") {
            if (into == &out.header)
                return "КонецДокумента outside a section";
            into = &out.header;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 1)
            return "not a key=value line: " + line;
        const QPair<QString, QString> kv{line.left(eq), line.mid(eq + 1)};
        if (kv.first == "СекцияДокумент") {
            if (into != &out.header)
                return "section inside a section";
            out.sections.append(Pairs{});
            into = &out.sections.last();
        }
        into->append(kv);
    }
    return into == &out.header ? QString() : "section not ended";
}

// The keys of a payment-order section in their order, with the values a bank should read.
Pairs section(const F& o) {
    return {{"СекцияДокумент", "Платежное поручение"},
            {"Номер", o.number_},
            {"Дата", o.payment_date},
            {"Сумма", o.sum},
            {"ПлательщикСчет", o.rs_sender},
            {"Плательщик", o.sender},
            {"ПлательщикИНН", o.inn_sender},
            {"ПлательщикКПП", o.kpp_sender},
            {"Плательщик1", o.sender},
            {"ПлательщикРасчСчет", o.rs_sender},
            {"ПлательщикБанк1", o.bank_sender},
            {"ПлательщикБИК", o.bik_sender},
            {"ПлательщикКорсчет", o.ks_sender},
            {"ПолучательСчет", o.rs},
            {"Получатель", o.receiver},
            {"ПолучательИНН", o.inn},
            {"ПолучательКПП", o.kpp},
            {"Получатель1", o.receiver},
            {"ПолучательРасчСчет", o.rs},
            {"ПолучательБанк1", o.bank},
            {"ПолучательБИК", o.bik},
            {"ПолучательКорсчет", o.ks},
            {"ВидПлатежа", o.way},
            {"ВидОплаты", "01"},
            {"Код", "0"},
            {"СтатусСоставителя", "01"},
            {"ПоказательКБК", o.kbk},
            {"ОКАТО", o.okato},
            {"ПоказательОснования", o.reason},
            {"ПоказательПериода", o.period},
            {"ПоказательНомера", "0"},
            {"ПоказательДаты", o.document_date},
            {"ПоказательТипа", o.payment_type},
            {"Очередность", o.priority},
            {"НазначениеПлатежа", o.aim}};
}

} // namespace

class TestBankExchange : public QObject {
    Q_OBJECT
private slots:
    void round_trip() {
        QVERIFY(QStringDecoder("windows-1251").isValid());
        QList<F> orders(3, testsupport::valid_bank_order());
        orders[0].number_ = exchange_number("N15");
        orders[1].payment_date = "03.05.2026";
        orders[1].sum = "1 000 000,05";
        orders[1].rs_sender = "40702810500000000002";
        orders[1].sender = "Ёлкин Пётр Ильич";
        orders[1].aim = "Налог\r\nза май и ✓ итог 😀";
        orders[1].bank_sender = "Банк\rЮг";
        orders[1].period = "МС.05.2026\t";
        orders[1].receiver = "УФК = \"Казна\"\n& <ФНС>";
        orders[1].document_date = "";
        orders[2].number_ = exchange_number("17");
        orders[2].payment_date = "20.05.2026";
        orders[2].sum = "0,01";

        QList<F> seen = orders;
        seen[0].number_ = "15";
        seen[0].sum = "1234.50";
        seen[1].sum = "1000000.05";
        seen[1].aim = "Налог за май и ? итог ?";
        seen[1].bank_sender = "Банк Юг";
        seen[1].period = "МС.05.2026 ";
        seen[1].receiver = "УФК = \"Казна\" & <ФНС>";
        seen[1].document_date = "0";
        seen[2].sum = "0.01";

        const QByteArray bytes =
            bank_exchange_file(orders, QDateTime(QDate(2026, 5, 14), QTime(9, 5, 7)));
        Exchange file;
        QCOMPARE(read_exchange(bytes, file), QString());
        const Pairs header{{"ВерсияФормата", "1.03"},
                           {"Кодировка", "Windows"},
                           {"Отправитель", "Вальмора-2: Фискалон"},
                           {"Получатель", ""},
                           {"ДатаСоздания", "14.05.2026"},
                           {"ВремяСоздания", "09:05:07"},
                           {"ДатаНачала", "03.05.2026"},
                           {"ДатаКонца", "20.05.2026"},
                           {"РасчСчет", "40702810938000000001"},
                           {"РасчСчет", "40702810500000000002"},
                           {"Документ", "Платежное поручение"}};
        QCOMPARE(file.header, header);
        QCOMPARE(file.sections.size(), seen.size());
        for (qsizetype i = 0; i < seen.size(); ++i)
            QCOMPARE(file.sections[i], section(seen[i]));
    }

    // Values as a bank reads them back from the file: the single tax payment's fields of 2026,
    // the status derived or held, the code, amounts with no-break blanks, control characters.
    void written_data() {
        columns<F, QString, QString>(); // order, key, value
        F enp = testsupport::valid_bank_order();
        enp.kpp_sender = "0";
        const std::pair<const char*, const char*> fields[] = {
            {"СтатусСоставителя", "01"},
            {"Код", "0"},
            {"ПлательщикКПП", "0"},
            {"ПоказательКБК", "18201061201010000510"},
            {"ОКАТО", "0"},
            {"ПоказательОснования", "0"},
            {"ПоказательПериода", "0"},
            {"ПоказательНомера", "0"},
            {"ПоказательДаты", "0"},
            {"ПоказательТипа", ""},
            {"Очередность", "5"},
            {"ВидОплаты", "01"}};
        for (const auto& [key, value] : fields)
            QTest::newRow(key) << enp << QString(key) << QString(value);
        const auto changed = [&enp](Member member, const QString& value) {
            F o = enp;
            o.*member = value;
            return o;
        };
        row("status of a natural person", changed(&F::inn_sender, "500100732259"),
            "СтатусСоставителя", "13");
        row("status held", changed(&F::status, "13"), "СтатусСоставителя", "13");
        row("УИН", changed(&F::code, "18209965260349137111"), "Код", "18209965260349137111");
        row("no document date", changed(&F::document_date, ""), "ПоказательДаты", "0");
        row("no-break blanks", changed(&F::sum, "1\u00A0234\u202F567,89"), "Сумма", "1234567.89");
        row("control characters",
            changed(&F::aim, "a\u0085b\u2028c\u2029d\x01"
                             "e\r\nf\x1Fg\n\rh"),
            "НазначениеПлатежа", "a b c d e f g  h");
    }
    void written() {
        auto [order, key, value] = fetch<F, QString, QString>();
        Exchange file;
        QCOMPARE(
            read_exchange(bank_exchange_file({order}, QDateTime(QDate(2026, 5, 14), {})), file),
            QString());
        QCOMPARE(file.sections.size(), 1);
        QStringList found;
        for (const auto& [k, v] : file.sections[0])
            if (k == key)
                found << v;
        QCOMPARE(found, QStringList{value});
    }
};

QTEST_MAIN(TestBankExchange)
#include "tst_bank_exchange.moc"
