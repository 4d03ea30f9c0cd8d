#include "common/numbers.h"
#include "platform/errors.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>
#include <functional>
#include <limits>

using namespace tavrelis;

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void razr_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1234,05") << "1234,05"
                                 << "1 234,05";
        QTest::newRow("0,5") << "0,5"
                             << "0,50";
        QTest::newRow("1234567,89") << "1234567,89"
                                    << "1 234 567,89";
        QTest::newRow("1500") << "1500"
                              << "1 500,00";
        QTest::newRow("1500,00") << "1500,00"
                                 << "1 500,00";
        QTest::newRow("999") << "999"
                             << "999,00";
        QTest::newRow("1000") << "1000"
                              << "1 000,00";
        QTest::newRow("100,1") << "100,1"
                               << "100,10";
        QTest::newRow("point separator") << "1234.05"
                                         << "1 234,05";
        QTest::newRow("already grouped") << "1 234 567,80"
                                         << "1 234 567,80";
        QTest::newRow("no-break group blanks") << "1\u00A0234,5"
                                               << "1 234,50";
        QTest::newRow("third digit dropped") << "10,999"
                                             << "10,99";
        QTest::newRow("tiny fraction") << "5,001"
                                       << "5,00";
        QTest::newRow("surrounding blanks") << "  77,7 "
                                            << "77,70";
        QTest::newRow("leading zeros") << "007,1"
                                       << "7,10";
        QTest::newRow("no whole digits") << ",25"
                                         << "0,25";
        QTest::newRow("0") << "0"
                           << "0,00";
        QTest::newRow("10^15") << "1000000000000000"
                               << "1 000 000 000 000 000,00";
        QTest::newRow("negative") << "-1234,5"
                                  << "-1 234,50";
        QTest::newRow("many kopeck digits") << "10000000,2900000001"
                                            << "10 000 000,29";
    }
    void razr() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(tavrelis::razr(text), expected);
        QCOMPARE(tavrelis::razr(read_kopecks(text)), expected); // the same from kopecks
    }

    // Texts read into kopecks: rounded as the forming and the editor round them (halves to the
    // even kopeck, decided on the written digits), or cut as the amount in words reads them.
    void kopecks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("rounded");
        QTest::addColumn<qint64>("cut");
        QTest::addColumn<QString>("plain"); // number_text of the rounded kopecks
        QTest::newRow("tie down to even") << "10,125" << 1012LL << 1012LL << "10,12";
        QTest::newRow("tie up to even") << "0.135" << 14LL << 13LL << "0,14";
        QTest::newRow("above the tie") << "0,1251" << 13LL << 12LL << "0,13";
        QTest::newRow("below the tie") << "2,6749" << 267LL << 267LL << "2,67";
        QTest::newRow("carry into roubles") << "99,995" << 10000LL << 9999LL << "100";
        QTest::newRow("trailing zero dropped") << "1 234,50" << 123450LL << 123450LL << "1234,5";
        QTest::newRow("kopecks under ten") << "7,05" << 705LL << 705LL << "7,05";
        QTest::newRow("negative tie") << "-1,015" << -102LL << -101LL << "-1,02";
        QTest::newRow("negative to zero") << "-0,004" << 0LL << 0LL << "0";
        QTest::newRow("past a double's kopecks") << "12345678901234,567" << 1234567890123457LL
                                                 << 1234567890123456LL << "12345678901234,57";
        QTest::newRow("largest") << "92233720368547758,07" << std::numeric_limits<qint64>::max()
                                 << std::numeric_limits<qint64>::max() << "92233720368547758,07";
    }
    void kopecks() {
        QFETCH(QString, text);
        QFETCH(qint64, rounded);
        QFETCH(qint64, cut);
        QFETCH(QString, plain);
        QCOMPARE(round_kopecks(text).value(), rounded);
        QCOMPARE(read_kopecks(text).value(), cut);
        QCOMPARE(tavrelis::number_text(round_kopecks(text)), plain);
    }

    // What razr refuses, the kopeck readers refuse alike.
    void razr_refuses_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("blank") << "   ";
        QTest::newRow("letters") << "abc";
        QTest::newRow("trailing letters") << "12р";
        QTest::newRow("two separators") << "1,2,3";
        QTest::newRow("exponent") << "1e5";
        QTest::newRow("NaN") << "NaN";
        QTest::newRow("inf") << "inf";
        QTest::newRow("lone comma") << ",";
        QTest::newRow("double blank") << "1  234";
        QTest::newRow("blank before comma") << "1 ,5";
    }
    void razr_refuses() {
        QFETCH(QString, text);
        const std::function<void(const QString&)> readers[] = {
            [](const QString& t) { tavrelis::razr(t); }, [](const QString& t) { round_kopecks(t); },
            [](const QString& t) { read_kopecks(t); }};
        for (const auto& read : readers) {
            try {
                read(text);
                QFAIL("no error");
            } catch (const Error& e) {
                QCOMPARE(e.description(), QStringLiteral("Type mismatch"));
            }
        }
    }

    void kopecks_overflow_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("past 64 bits") << "92233720368547758,08";
        QTest::newRow("far past") << QString(40, u'9');
    }
    void kopecks_overflow() {
        QFETCH(QString, text);
        for (auto read : {&round_kopecks, &read_kopecks}) {
            try {
                read(text);
                QFAIL("no error");
            } catch (const Error& e) {
                QCOMPARE(e.description(), QStringLiteral("Overflow"));
            }
        }
    }

    // The host's double, rounded on its shortest text; what is not a finite number fails.
    void to_kopecks_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("kopecks");
        QTest::addColumn<QString>("error");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("exact tie to even") << 0.125 << 12LL << "";
        QTest::newRow("written tie") << 0.135 << 14LL << "";
        QTest::newRow("written tie below the double") << 2.675 << 268LL << "";
        QTest::newRow("past a double's kopecks") << 12345678901234.567 << 1234567890123457LL << "";
        QTest::newRow("negative") << -0.125 << -12LL << "";
        QTest::newRow("infinity") << inf << 0LL << "Type mismatch";
        QTest::newRow("minus infinity") << -inf << 0LL << "Type mismatch";
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0LL << "Type mismatch";
        QTest::newRow("10^17") << 1e17 << 0LL << "Overflow";
        QTest::newRow("largest double") << std::numeric_limits<double>::max() << 0LL << "Overflow";
    }
    void to_kopecks() {
        QFETCH(double, value);
        QFETCH(qint64, kopecks);
        QFETCH(QString, error);
        try {
            QCOMPARE(tavrelis::to_kopecks(value).value(), kopecks);
            QVERIFY(error.isEmpty());
        } catch (const Error& e) {
            QCOMPARE(e.description(), error);
        }
    }

    void bez_razr_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("grouped amount") << "1 234 567,89"
                                        << "1234567,89";
        QTest::newRow("no blanks") << "999,00"
                                   << "999,00";
        QTest::newRow("only blanks") << "   "
                                     << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("no-break blank kept") << "1\u00A0234"
                                             << "1\u00A0234";
    }
    void bez_razr() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(tavrelis::bez_razr(text), expected);
    }

    // What razr writes, bez_razr and read_number take back.
    void razr_round_trip() {
        for (const char* s : {"1234567,89", "0,05", "1000", "98765432109,1"}) {
            double a = 0, b = 0;
            QVERIFY(tavrelis::read_number(QString::fromLatin1(s), a));
            QVERIFY(tavrelis::read_number(
                tavrelis::bez_razr(tavrelis::razr(QString::fromLatin1(s))), b));
            QCOMPARE(b, a);
        }
    }

    void clean_number_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("N15") << "N15" << 15;
        QTest::newRow("15") << "15" << 15;
        QTest::newRow(" 15 ") << " 15 " << 15;
        QTest::newRow("N 15") << "N 15" << 15;
        QTest::newRow("largest") << "2147483647" << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << int(std::numeric_limits<qint32>::min());
        QTest::newRow("half to even down") << "2,5" << 2;
        QTest::newRow("half to even up") << "3,5" << 4;
    }
    void clean_number() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(tavrelis::clean_number(text), qint32(expected));
    }

    void clean_number_refuses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::newRow("empty") << ""
                               << "Type mismatch";
        QTest::newRow("only N") << "N"
                                << "Type mismatch";
        QTest::newRow("abc") << "abc"
                             << "Type mismatch";
        QTest::newRow("lower-case n is no mark") << "n15"
                                                 << "Type mismatch";
        QTest::newRow("99999999999") << "99999999999"
                                     << "Overflow";
        QTest::newRow("2147483648") << "2147483648"
                                    << "Overflow";
        QTest::newRow("-2147483649") << "-2147483649"
                                     << "Overflow";
        QTest::newRow("NaN") << "NaN"
                             << "Type mismatch";
        QTest::newRow("mark at the end drops the first digit") << "15N"
                                                               << "Type mismatch";
    }
    void clean_number_refuses() {
        QFETCH(QString, text);
        QFETCH(QString, description);
        try {
            tavrelis::clean_number(text);
            QFAIL("no error");
        } catch (const Error& e) {
            QCOMPARE(e.description(), description);
        }
    }

    void read_number_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("decimal comma") << "1234,56" << true << 1234.56;
        QTest::newRow("decimal point") << "1234.56" << true << 1234.56;
        QTest::newRow("group blanks") << "1 234 567,8" << true << 1234567.8;
        QTest::newRow("narrow no-break blank") << "1\u202F234" << true << 1234.0;
        QTest::newRow("negative") << "-0,5" << true << -0.5;
        QTest::newRow("plus") << "+7" << true << 7.0;
        QTest::newRow("trailing comma") << "15," << true << 15.0;
        QTest::newRow("surrounding blanks") << " 3 " << true << 3.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
        QTest::newRow("letters") << "12a" << false << 0.0;
        QTest::newRow("exponent") << "1e3" << false << 0.0;
        QTest::newRow("infinity") << "inf" << false << 0.0;
        QTest::newRow("blank after comma") << "1, 5" << false << 0.0;
        QTest::newRow("too large for a double") << QString(400, u'9') << false << 0.0;
    }
    void read_number() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double v = -1;
        QCOMPARE(tavrelis::read_number(text, v), ok);
        if (ok)
            QCOMPARE(v, value);
        else
            QCOMPARE(v, -1.0);
    }

    void number_text_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0") << 0.0 << "0";
        QTest::newRow("-0") << -0.0 << "0";
        QTest::newRow("half") << 0.5 << "0,5";
        QTest::newRow("whole") << 1500.0 << "1500";
        QTest::newRow("15 digits") << 10000000.29 << "10000000,29";
        QTest::newRow("rounded to 15") << 1.999999999999999 << "2";
        QTest::newRow("10^12") << 1e12 << "1000000000000";
        QTest::newRow("10^20 no exponent") << 1e20 << "100000000000000000000";
        QTest::newRow("small no exponent") << 0.000125 << "0,000125";
        QTest::newRow("negative") << -3.25 << "-3,25";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "inf";
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << "nan";
    }
    void number_text() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(tavrelis::number_text(value), expected);
    }

    void number_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("emitted");
        QTest::newRow("first match") << "II квартал 2026" << 1 << 1;
        QTest::newRow("duplicate takes the first") << "2026" << 3 << 1;
        QTest::newRow("no match") << "III квартал 2026" << 0 << 0;
        QTest::newRow("case differs") << "ii квартал 2026" << 0 << 0;
        QTest::newRow("prefix only") << "II квартал" << 0 << 0;
    }
    void number() {
        QFETCH(QString, text);
        QFETCH(int, selected);
        QFETCH(int, emitted);
        QComboBox combo;
        combo.addItems({"I квартал 2026", "II квартал 2026", "год", "2026", "2026"});
        combo.setCurrentIndex(0);
        QSignalSpy spy(&combo, &QComboBox::currentIndexChanged);
        tavrelis::number(&combo, text);
        QCOMPARE(combo.currentIndex(), selected);
        QCOMPARE(spy.count(), emitted);
        if (emitted)
            QCOMPARE(spy.at(0).at(0).toInt(), selected);
    }

    void number_without_list() {
        tavrelis::number(nullptr, QStringLiteral("x")); // nothing to select, nothing fails
        QComboBox empty;
        tavrelis::number(&empty, QStringLiteral("x"));
        QCOMPARE(empty.currentIndex(), -1);
    }
};

QTEST_MAIN(TestNumbers)
#include "tst_numbers.moc"
