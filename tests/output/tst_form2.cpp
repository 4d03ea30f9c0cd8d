#include "common/form4.h"
#include "output/form2.h"
#include "support/window_fixture.h"

#include <QPushButton>
#include <QTreeView>
#include <QtTest>

using namespace tavrelis;

// Forming, ticking, the numbers after a run, the buttons and closing are checked by the
// scripted sessions; this is the list's rebuild from payments.
class TestForm2 : public QObject {
    Q_OBJECT
    testsupport::WindowFixture fx_;

private slots:
    void init() { fx_.init(); }
    void cleanup() { fx_.cleanup(); }

    // The rows keep the list's order; an order gone from payments is dropped; a printed one
    // shows "N" and its number, the others the next free numbers; stored columns come back as
    // texts (dates dd.mm.yyyy, null empty) with the amount in words, paid ones coloured, and
    // nothing ticked.
    void rebuild() {
        QVERIFY(fx_.host().settlements(
            "insert into payments values (77, '3', '2024-03-05', '1 234,50', 'УФК', '7701', "
            "'7702', '18210101011011000110', '45000', '044525000', '4010', NULL, 'ГУ', 'ООО', "
            "'7703', '7704', '45001', '044525225', '4070', '3010', 'ПАО', 'электронно', '5', 'ТП', "
            "NULL, 'Налог', 'ГД.00.2023', '2024-02-29', 1, 0);"
            "insert into payments (oper_id, number_, sum, print_done) values (78, '9', '1', 1);"
            "insert into payments (oper_id, sum) values (79, '2,00');"));
        form4().my_color = 0xC0C000;
        Form2& f = fx_.list({78, 99, 77, 79}, 14);
        f.Command5->click();
        QVERIFY(f.ticked(1) && f.ticked(3));
        f.refresh_list();
        QStringList rows;
        for (int r = 1; r <= f.row_count(); ++r)
            rows << f.cell(r, Field::Number) + ' ' + f.cell(r, Field::OperId) + ' ' +
                        qvariant_cast<QBrush>(f.orders().index(r - 1, 1).data(Qt::ForegroundRole))
                            .color()
                            .name() +
                        (f.ticked(r) ? " ticked" : "");
        QCOMPARE(rows, QStringList({"N9 78 #000000", "15 77 #00c0c0", "16 79 #000000"}));
        QStringList texts;
        for (int c = column_of(Field::PaymentDate); c <= column_of(Field::SumWords); ++c)
            texts << f.cell(2, Field(c));
        QCOMPARE(texts.join('|'),
                 "05.03.2024|1 234,50|УФК|7701|7702|18210101011011000110|45000|044525000|4010||ГУ|"
                 "ООО|7703|7704|45001|044525225|4070|3010|ПАО|электронно|5|ТП||Налог|ГД.00.2023|"
                 "29.02.2024|Одна тысяча двести тридцать четыре рубля 50 копеек");
        QVERIFY(fx_.ui().boxes.isEmpty());
    }

    void refresh_failure_data() {
        QTest::addColumn<QString>("id_text");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("rows_left");
        auto row = [](const char* tag, const char* id, const char* sql, const char* message,
                      int rows) { QTest::newRow(tag) << id << sql << message << rows; };
        row("oper_id not a number", "abc", "", "1): Type mismatch", 2);
        row("payments dropped", "2", "drop table payments", "4): no such table: payments", 0);
        row("null sum", "2", "update payments set sum=NULL where oper_id=2",
            "4): Invalid use of Null", 2);
        row("sum not a number", "2", "update payments set sum='много' where oper_id=2",
            "4): Type mismatch", 2);
    }
    // Reported in the module's error box; the list stays as far as the rebuild got.
    void refresh_failure() {
        QFETCH(QString, id_text);
        QFETCH(QString, sql);
        QFETCH(QString, message);
        QFETCH(int, rows_left);
        QVERIFY(fx_.host().settlements("insert into payments (oper_id, sum) values (1, '1,00'), "
                                       "(2, '2,00');"));
        Form2& f = fx_.list({1});
        Order o;
        o[Field::OperId] = id_text;
        f.orders().append(o);
        QVERIFY(sql.isEmpty() || fx_.host().settlements(sql));
        f.refresh_list();
        QCOMPARE(fx_.ui().texts(),
                 QStringList{"Возникла ошибка в модуле Tavrelis.Form2.refresh_list(" + message});
        QCOMPARE(fx_.ui().boxes[0].icon, QStringLiteral("none"));
        QCOMPARE(f.row_count(), rows_left);
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
