#include "output/form2.h"
#include "output/form5.h"
#include "support/window_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace tavrelis;

// Refused amounts, halves, the largest amount, leaving without saving, posted and printed
// orders and a failed update are checked by the scripted sessions edit_*.
class TestForm5 : public QObject {
    Q_OBJECT
    testsupport::WindowFixture fx_;
    QString typed_words_;
    bool open_after_ = false;

    // The stored order 7 of 1 234,50 listed; "Правка" opened, the amount typed and saved.
    void save(const QString& typed) {
        QVERIFY(fx_.host().settlements(
            "insert into payments values (7, '9', '2024-03-05', '1 234,50', 'ООО \"Д''Арт\"', "
            "'7701', '770101001', '18210101011011000110', '45000', '044525000', '4010', '', "
            "'ГУ Банка России', 'ООО Ромашка', '7703', '7704', '45001', '044525225', '4070', "
            "'3010', 'ПАО Сбербанк', 'электронно', '5', 'ТП', '0', 'Налог', 'ГД.00.2023', "
            "'2024-02-29', 0, 0);"));
        Form2& f = fx_.list({7}, 14);
        f.set_cell(1, Field::Aim, "Налог за 'I' квартал");
        fx_.ui().on_show.push_back([this, typed](QDialog& d) {
            auto& f5 = static_cast<Form5&>(d);
            f5.Text1->selectAll();
            QTest::keyClicks(f5.Text1, typed);
            typed_words_ = f5.Label13->text();
            f5.Command1->click();
            open_after_ = d.isVisible();
        });
        f.Command9->click();
    }

private slots:
    // Amounts are Russian whatever the machine's locale; an English one would read "10,125" as
    // ten thousand one hundred and twenty-five.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { fx_.init(); }
    void cleanup() { fx_.cleanup(); }

    void amount_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("words"); // Label13 as typed; empty: refused
        QTest::addColumn<QString>("field"); // Text1 after saving
        QTest::addColumn<QString>("sum");   // the list's and payments' amount
        QTest::addColumn<QString>("saved"); // the list's amount in words
        auto row = [](const char* typed, const char* words, const char* field, const char* sum,
                      const char* saved) {
            QTest::newRow(typed) << typed << words << field << sum << saved;
        };
        row("999999999999,01", "", "", "1 234,50",
            "Одна тысяча двести тридцать четыре рубля 50 копеек");
        // While typed the kopecks are cut; saving rounds them.
        row("2,675", "Два рубля 67 копеек", "2,68", "2,68", "Два рубля 68 копеек");
        row("10,50", "Десять рублей 50 копеек", "10,5", "10,50", "Десять рублей 50 копеек");
        row("0", "Hоль рублей 00 копеек", "0", "0,00", "Hоль рублей 00 копеек");
    }
    void amount() {
        QFETCH(QString, typed);
        QFETCH(QString, words);
        QFETCH(QString, field);
        QFETCH(QString, sum);
        QFETCH(QString, saved);
        save(typed);
        const Form2& f = form2();
        QCOMPARE(typed_words_, words);
        QCOMPARE(open_after_, words.isEmpty());
        QCOMPARE(fx_.ui().boxes.size(), words.isEmpty() ? 1 : 0);
        QCOMPARE(f.cell(1, Field::Sum), sum);
        QCOMPARE(fx_.stored(7, "sum"), sum);
        QCOMPARE(f.cell(1, Field::SumWords), saved);
        if (words.isEmpty())
            return;
        QCOMPARE(form5().Text1->text(), field);
        // Every column but the keys and flags is rewritten from the list row, quotes and all.
        QCOMPARE(fx_.stored(7, "document_date || '|' || payment_date || '|' || receiver || '|' || "
                               "aim || '|' || number_ || payment_done || print_done"),
                 "2024-02-29|2024-03-05|ООО \"Д'Арт\"|Налог за 'I' квартал|900");
    }
};

QTEST_MAIN(TestForm5)
#include "tst_form5.moc"
