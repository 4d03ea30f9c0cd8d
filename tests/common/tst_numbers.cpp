#include "common/numbers.h"
#include "platform/errors.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>
#include <limits>

using namespace tavrelis;

namespace {
// The error a call raises, empty when it returns.
template <class F> QString error_of(F f) {
    try {
        f();
        return {};
    } catch (const Error& e) {
        return e.description();
    }
}
} // namespace

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    // razr from text and from kopecks alike; bez_razr takes the grouping back.
    void razr_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        for (auto [t, e] : {std::pair{"1234567,89", "1 234 567,89"},
                            {"0,5", "0,50"},
                            {"1500", "1 500,00"},
                            {"999", "999,00"},
                            {"1234.05", "1 234,05"},
                            {"1 234 567,80", "1 234 567,80"},
                            {"1\u00A0234,5", "1 234,50"},
                            {"10,999", "10,99"},
                            {"  77,7 ", "77,70"},
                            {",25", "0,25"},
                            {"-1234,5", "-1 234,50"},
                            {"10000000,2900000001", "10 000 000,29"}})
            QTest::newRow(t) << QString(t) << QString(e);
    }
    void razr() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(tavrelis::razr(text), expected);
        QCOMPARE(tavrelis::razr(read_kopecks(text)), expected);
        QCOMPARE(bez_razr(expected), QString(expected).remove(' '));
    }

    // Rounded as the forming and the editor round (halves to the even kopeck, on the written
    // digits), or cut as the amount in words reads them; an error for what is no amount.
    void kopecks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("rounded");
        QTest::addColumn<qint64>("cut");
        QTest::addColumn<QString>("plain"); // number_text of the rounded, or the error
        auto row = [](const QString& t, qint64 r, qint64 c, const char* p) {
            QTest::newRow(qPrintable(t)) << t << r << c << QString(p);
        };
        row("10,125", 1012, 1012, "10,12");
        row("0.135", 14, 13, "0,14");
        row("2,6749", 267, 267, "2,67");
        row("99,995", 10000, 9999, "100");
        row("-1,015", -102, -101, "-1,02");
        row("-0,004", 0, 0, "0");
        row("12345678901234,567", 1234567890123457, 1234567890123456, "12345678901234,57");
        row("92233720368547758,07", std::numeric_limits<qint64>::max(),
            std::numeric_limits<qint64>::max(), "92233720368547758,07");
        row("92233720368547758,08", 0, 0, "Overflow");
        row(QString(40, u'9'), 0, 0, "Overflow");
        for (const char* t :
             {"", "   ", "12р", "1,2,3", "1e5", "NaN", "inf", ",", "1  234", "1 ,5"})
            row(t, 0, 0, "Type mismatch");
    }
    void kopecks() {
        QFETCH(QString, text);
        QFETCH(qint64, rounded);
        QFETCH(qint64, cut);
        QFETCH(QString, plain);
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

    // The host's double, rounded on its shortest text; what is not a finite number fails.
    void to_kopecks_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("kopecks");
        QTest::addColumn<QString>("error");
        QTest::newRow("exact tie to even") << 0.125 << 12LL << "";
        QTest::newRow("written tie below the double") << 2.675 << 268LL << "";
        QTest::newRow("past a double's kopecks") << 12345678901234.567 << 1234567890123457LL << "";
        QTest::newRow("negative") << -0.125 << -12LL << "";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 0LL
                                  << "Type mismatch";
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0LL << "Type mismatch";
        QTest::newRow("10^17") << 1e17 << 0LL << "Overflow";
    }
    void to_kopecks() {
        QFETCH(double, value);
        QFETCH(qint64, kopecks);
        QFETCH(QString, error);
        qint64 got = 0;
        QCOMPARE(error_of([&] { got = tavrelis::to_kopecks(value).value(); }), error);
        QCOMPARE(got, kopecks);
    }

    void clean_number_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("error");
        for (auto [t, n] : {std::pair{"N15", 15},
                            {" 15 ", 15},
                            {"N 15", 15},
                            {"2,5", 2},
                            {"3,5", 4},
                            {"-2147483648", std::numeric_limits<int>::min()}})
            QTest::newRow(t) << QString(t) << n << QString();
        for (const char* t : {"", "N", "n15", "NaN", "15N"})
            QTest::newRow(t) << QString(t) << 0 << "Type mismatch";
        for (const char* t : {"2147483648", "-2147483649"})
            QTest::newRow(t) << QString(t) << 0 << "Overflow";
    }
    void clean_number() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QFETCH(QString, error);
        qint32 got = 0;
        QCOMPARE(error_of([&] { got = tavrelis::clean_number(text); }), error);
        QCOMPARE(got, qint32(expected));
    }

    void read_number_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // -1: refused
        for (auto [t, v] : {std::pair{"1234,56", 1234.56},
                            {"1234.56", 1234.56},
                            {"1 234 567,8", 1234567.8},
                            {"1\u202F234", 1234.0},
                            {"-0,5", -0.5},
                            {"+7", 7.0},
                            {"15,", 15.0},
                            {" 3 ", 3.0},
                            {"", -1.0},
                            {"-", -1.0},
                            {"12a", -1.0},
                            {"1e3", -1.0},
                            {"inf", -1.0},
                            {"1, 5", -1.0}})
            QTest::newRow(t) << QString(t) << v;
        QTest::newRow("too large") << QString(400, u'9') << -1.0;
    }
    void read_number() {
        QFETCH(QString, text);
        QFETCH(double, value);
        double v = -1;
        QCOMPARE(tavrelis::read_number(text, v), value != -1.0);
        QCOMPARE(v, value);
    }

    void number_text_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        for (auto [v, e] : {std::pair{-0.0, "0"},
                            {10000000.29, "10000000,29"},
                            {1.999999999999999, "2"},
                            {1e20, "100000000000000000000"},
                            {0.000125, "0,000125"},
                            {-3.25, "-3,25"},
                            {std::numeric_limits<double>::infinity(), "inf"}})
            QTest::newRow(e) << v << QString(e);
    }
    void number_text() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(tavrelis::number_text(value), expected);
    }

    // The first item equal to the text is selected, with one signal; no match leaves it.
    void number_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selected");
        QTest::newRow("first match") << "II квартал 2026" << 1;
        QTest::newRow("duplicate takes the first") << "2026" << 3;
        QTest::newRow("case differs") << "ii квартал 2026" << 0;
        QTest::newRow("prefix only") << "II квартал" << 0;
    }
    void number() {
        QFETCH(QString, text);
        QFETCH(int, selected);
        QComboBox combo;
        combo.addItems({"I квартал 2026", "II квартал 2026", "год", "2026", "2026"});
        combo.setCurrentIndex(0);
        QSignalSpy spy(&combo, &QComboBox::currentIndexChanged);
        tavrelis::number(&combo, text);
        QCOMPARE(combo.currentIndex(), selected);
        QCOMPARE(spy.count(), selected ? 1 : 0);
        tavrelis::number(nullptr, text);
    }
};

QTEST_MAIN(TestNumbers)
#include "tst_numbers.moc"
