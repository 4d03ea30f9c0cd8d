#include "common/session.h"
#include "output/form2.h"
#include "output/xml_export.h"
#include "platform/codepage.h"
#include "support/cases.h"
#include "support/support.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;

namespace {

// The sample order of the hand-written file, fields Number to OperId.
const QStringList kSample =
    QStringLiteral(
        "15|05.03.2024|1 234 567,80|УФК по г. Москве (ИФНС России № 1) \"Казначейство\" & Co|"
        "7701107259|770101001|18210101011011000110|45286555000|044583001|40101810800000010041||"
        "Отделение Ёлкино|ООО \"Ромашка\"|7701000001|770101001|45286560000|044525225|"
        "40702810938000000001|30101810400000000225|ПАО \"Банк\"|ЭЛЕКТРОННО|5|ТП|0|"
        "Налог на прибыль за I квартал 2024 г. &lt;аванс&gt; 'срочно'|КВ.01.2024|05.03.2024|"
        "Один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь рублей 80 копеек|1001")
        .split('|');

} // namespace

class TestXmlExport : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<Session> session_;

    // The sample order, with one field changed.
    static Order sample(Field changed = Field::Tick, const QString& text = {}) {
        Order o;
        for (int c = 1; c < kFieldCount; ++c)
            o.texts[size_t(c)] = kSample[c - 1];
        o[changed] = text;
        return o;
    }

private slots:
    void init() { session_ = std::make_unique<Session>(); }
    void cleanup() { session_.reset(); }

    // The whole document, byte for byte, against the file written by hand; an older, longer
    // file of that name is replaced.
    void sample_order() {
        const QString path = dir_.filePath(QStringLiteral("sample.xml"));
        QVERIFY(testsupport::write_file(path, QByteArray(5000, 'x')));
        out_xml(path, sample());
        const QByteArray expected =
            testsupport::read_file(testsupport::data_path("xml/7701000001_N15_20240305.xml"));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(testsupport::read_file(path), expected);
    }

    // What the sample leaves out: each line as written, the document still 31 lines.
    void treatments_data() {
        columns<Field, QString, int, QString>(); // field, text, line, written
        auto row = [](const char* tag, Field f, const char* text, int line, const char* written) {
            QTest::newRow(tag) << f << text << line << written;
        };
        row("amount blanks", Field::Sum, " 12 345,67 ", 5, "<summa_digits>12345,67</summa_digits>");
        row("bank", Field::Bank, "A&B", 14, "<bank>A&amp;B</bank>");
        row("kind unchanged", Field::Way, "A&B", 23, "<payment_vid>A&B</payment_vid>");
        row("basis", Field::Reason, "\"ТП\"", 25, "<osnov_payment>&quot;ТП&quot;</osnov_payment>");
        row("words bare", Field::SumWords, "A & B", 30, "<summa_letters>A & B</summa_letters>");
        row("no code", Field::Aim, "☺ 中 😀", 27, "<payment_aim>? ? ?</payment_aim>");
    }
    void treatments() {
        auto [field, text, line, written] = fetch<Field, QString, int, QString>();
        const QString path = dir_.filePath(QStringLiteral("t.xml"));
        out_xml(path, sample(field, text));
        const QStringList lines =
            platform::from_cp1251(testsupport::read_file(path)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 32); // 31 lines, each ended by CR LF
        QCOMPARE(lines[line - 1], written);
    }
};

QTEST_MAIN(TestXmlExport)
#include "tst_xml_export.moc"
