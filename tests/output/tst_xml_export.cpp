#include "common/session.h"
#include "output/form2.h"
#include "output/xml_export.h"
#include "platform/codepage.h"
#include "support/support.h"

#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace tavrelis;

namespace {

// The sample order of the hand-written file, list columns 1..29.
const QStringList kSample{
    "15",
    "05.03.2024",
    "1 234 567,80",
    "УФК по г. Москве (ИФНС России № 1) \"Казначейство\" & Co",
    "7701107259",
    "770101001",
    "18210101011011000110",
    "45286555000",
    "044583001",
    "40101810800000010041",
    "",
    "Отделение Ёлкино",
    "ООО \"Ромашка\"",
    "7701000001",
    "770101001",
    "45286560000",
    "044525225",
    "40702810938000000001",
    "30101810400000000225",
    "ПАО \"Банк\"",
    "ЭЛЕКТРОННО",
    "5",
    "ТП",
    "0",
    "Налог на прибыль за I квартал 2024 г. &lt;аванс&gt; 'срочно'",
    "КВ.01.2024",
    "05.03.2024",
    "Один миллион двести тридцать четыре тысячи пятьсот шестьдесят семь рублей 80 копеек",
    "1001",
};

} // namespace

class TestXmlExport : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<Session> session_;

    // Lists another order first and the sample second, with one column changed; the second
    // row is the current one.
    void list_sample(int col = 0, const QString& text = {}) {
        Form2& f = form2();
        f.add_row()->setText(1, QStringLiteral("7"));
        QTreeWidgetItem* row = f.add_row();
        for (int c = 1; c <= 29; ++c)
            row->setText(c, c == col ? text : kSample[c - 1]);
        f.current_row = 2;
    }

    QStringList written_lines(const QString& path) {
        return platform::from_cp1251(testsupport::read_file(path)).split(QStringLiteral("\r\n"));
    }

private slots:
    void init() { session_ = std::make_unique<Session>(); }
    void cleanup() { session_.reset(); }

    void escape_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("plain") << "ООО Ромашка"
                               << "ООО Ромашка";
        QTest::newRow("five") << "&<>'\""
                              << "&amp;&lt;&gt;&apos;&quot;";
        QTest::newRow("quoted name") << "ООО \"А & Б\""
                                     << "ООО &quot;А &amp; Б&quot;";
        QTest::newRow("entity again") << "&quot; &#38;"
                                      << "&amp;quot; &amp;#38;";
        QTest::newRow("less-than once") << "a<b"
                                        << "a&lt;b";
        QTest::newRow("repeated") << "&&"
                                  << "&amp;&amp;";
    }
    void escape() {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(xml_escape(text), escaped);
        QCOMPARE(text, escaped); // left in the argument too
    }

    // The whole document, byte for byte, against the file written by hand; an older, longer
    // file of that name is replaced.
    void sample_order() {
        list_sample();
        const QString path = dir_.filePath(QStringLiteral("sample.xml"));
        QVERIFY(testsupport::write_file(path, QByteArray(5000, 'x')));
        out_xml(path);
        const QByteArray expected =
            testsupport::read_file(testsupport::data_path("xml/7701000001_N15_20240305.xml"));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(testsupport::read_file(path), expected);
    }

    void treatments_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("written");
        QTest::newRow("number") << 1 << "12" << 3 << "<nomer_pp>12</nomer_pp>";
        QTest::newRow("amount blanks")
            << 3 << " 12 345,67 " << 5 << "<summa_digits>12345,67</summa_digits>";
        QTest::newRow("receiver") << 4 << "<ООО>" << 6 << "<receiver>&lt;ООО&gt;</receiver>";
        QTest::newRow("receiver okato") << 8 << "111" << 10 << "<okato>111</okato>";
        QTest::newRow("receiver bik") << 9 << "222" << 11 << "<bik2>222</bik2>";
        QTest::newRow("receiver ks") << 11 << "333" << 13 << "<schet_2>333</schet_2>";
        QTest::newRow("bank") << 12 << "A&B" << 14 << "<bank>A&amp;B</bank>";
        QTest::newRow("payer okato") << 16 << "444" << 18 << "<okato>444</okato>";
        QTest::newRow("payer bik") << 17 << "555" << 19 << "<bik1>555</bik1>";
        QTest::newRow("payer rs") << 18 << "666" << 20 << "<schet_3>666</schet_3>";
        QTest::newRow("payer bank")
            << 20 << "'Б'" << 22 << "<bank_sender>&apos;Б&apos;</bank_sender>";
        QTest::newRow("kind unchanged") << 21 << "A&B" << 23 << "<payment_vid>A&B</payment_vid>";
        QTest::newRow("basis") << 23 << "\"ТП\"" << 25
                               << "<osnov_payment>&quot;ТП&quot;</osnov_payment>";
        QTest::newRow("empty date") << 27 << "" << 29 << "<data_doc></data_doc>";
        QTest::newRow("words bare")
            << 28 << "A & B" << 30 << "<summa_letters>A & B</summa_letters>";
        QTest::newRow("no code") << 25 << "☺ 中 😀" << 27 << "<payment_aim>? ? ?</payment_aim>";
    }
    void treatments() {
        QFETCH(int, col);
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(QString, written);
        list_sample(col, text);
        const QString path = dir_.filePath(QStringLiteral("t.xml"));
        out_xml(path);
        const QStringList lines = written_lines(path);
        QCOMPARE(lines.size(), 32); // 31 lines, each ended by CR LF
        QCOMPARE(lines.last(), QString());
        QCOMPARE(lines[line - 1], written);
    }

    void cyrillic_bytes() {
        list_sample(13, QStringLiteral("АбвЁё№"));
        const QString path = dir_.filePath(QStringLiteral("c.xml"));
        out_xml(path);
        QVERIFY(testsupport::read_file(path).contains(
            "\r\n<sender>\xC0\xE1\xE2\xA8\xB8\xB9</sender>\r\n"));
    }

    void failures() {
        list_sample();
        QVERIFY_THROWS_EXCEPTION(std::exception,
                                 out_xml(dir_.filePath(QStringLiteral("missing/x.xml"))));
        // A row that is not there: the file stays as far as it was written.
        form2().current_row = 3;
        const QString path = dir_.filePath(QStringLiteral("begun.xml"));
        QVERIFY_THROWS_EXCEPTION(std::exception, out_xml(path));
        QCOMPARE(written_lines(path),
                 (QStringList{R"(<?xml version="1.0" encoding="windows-1251" standalone="no"?>)",
                              "<Document>", ""}));
    }
};

QTEST_MAIN(TestXmlExport)
#include "tst_xml_export.moc"
