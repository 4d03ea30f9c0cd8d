#include "common/numbers.h"
#include "platform/errors.h"
#include "support/cases.h"

#include <QtTest>
#include <limits>

using namespace tavrelis;

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    // Rounded as the forming and the editor round (halves to the even kopeck, on the written
    // digits), or cut as the amount in words reads them; an error for what is no amount.
    void kopecks_data() {
        columns<QString, qint64, qint64,
                QString>(); // text, rounded, cut, plain (number_text of the rounded, or the error)
        auto row = [](const QString& t, qint64 r, qint64 c, const char* p) {
            QTest::newRow(qPrintable(t)) << t << r << c << QString(p);
        };
        row("0.135", 14, 13, "0,14");
        row("0,145", 14, 14, "0,14");
        row("0,1451", 15, 14, "0,15");
        row("99,995", 10000, 9999, "100");
        row("-1,015", -102, -101, "-1,02");
        row("92233720368547758,07", std::numeric_limits<qint64>::max(),
            std::numeric_limits<qint64>::max(), "92233720368547758,07");
        row("92233720368547758,08", 0, 0, "Overflow");
        for (const char* t : {"", "12р", "1,2,3", "1e5", "NaN", "1 ,5"})
            row(t, 0, 0, "Type mismatch");
    }
    // An order's number as a kept order's text gives it ("N" of a printed one and all):
    // whole, halves to the even neighbour; an error for what is no number.
    void order_number_data() {
        columns<QString, QString>(); // text, number (or the error)
        row("printed", "N17", "17");
        row("above a half", "12,6", "13");
        row("half to even, down", "12,5", "12");
        row("half to even, up", "13,5", "14");
        row("below a half", "N13,4", "13");
        row("negative half", "-2,5", "-2");
        row("past 32 bits", "2147483647,5", "Overflow");
        row("no number", "N", "Type mismatch");
    }
    void order_number() {
        auto [text, number] = fetch<QString, QString>();
        QString got;
        const QString error = error_of([&] { got = QString::number(clean_number(text)); });
        QCOMPARE(error.isEmpty() ? got : error, number);
    }

    void kopecks() {
        auto [text, rounded, cut, plain] = fetch<QString, qint64, qint64, QString>();
        if (plain.at(0).isLetter()) {
            QCOMPARE(error_of([&] { round_kopecks(text); }), plain);
            QCOMPARE(error_of([&] { read_kopecks(text); }), plain);
            if (plain == u"Type mismatch")
                QCOMPARE(error_of([&] { tavrelis::razr(text); }), plain);
            return;
        }
        QCOMPARE(round_kopecks(text).value(), rounded);
        QCOMPARE(read_kopecks(text).value(), cut);
        QCOMPARE(tavrelis::number_text(round_kopecks(text)), plain);
    }
};

QTEST_MAIN(TestNumbers)
#include "tst_numbers.moc"
