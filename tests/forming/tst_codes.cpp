#include "forming/codes.h"
#include "support/cases.h"

#include <QtTest>

using namespace tavrelis;

// The lists' texts are not repeated here: the scripted sessions show them. These are the
// rules that turn a choice into a value.
class TestCodes : public QObject {
    Q_OBJECT
private slots:
    void codes() {
        QCOMPARE(basis_code(0) + basis_code(10) + basis_code(-1) + basis_code(11), "ТПАР");
        QCOMPARE(payment_type_code(1) + payment_type_code(10) + payment_type_code(11), "ГП0");
        QCOMPARE(kind_text(0, kind_items()[0]) + kind_text(1, "ПОЧТОЙ") + kind_text(-1, ""),
                 "ПОЧТОЙ");
        QCOMPARE(priority_text(1, "4") + priority_text(-1, "3"), "4");
        QCOMPARE(QList<int>({operation_digit(-1), operation_digit(0), operation_digit(2),
                             operation_digit(3)}),
                 QList<int>({0, 1, 3, 0}));
    }

    void period_indicator_data() {
        columns<int, QString, QString>(); // type, period, indicator
        auto row = [](int type, const char* period, const char* indicator) {
            QTest::addRow("%d %s", type, period) << type << period << indicator;
        };
        row(0, "Май 2010", "МС.05.2010");
        row(0, "Январь 2011", "МС.01.2011");
        row(1, "I квартал 2010", "КВ.01.2010");
        row(1, "IV квартал 2010", "КВ.04.2010");
        row(1, "III квартал 2010", "КВ.03.2010"); // "II " is not in its first three
        row(1, "II квартал 2010", "КВ.02.2010");
        row(1, "за I квартал 2010", "КВ.2010"); // the quarter past the third character
        row(1, "IV", "КВ.04.IV");
        row(2, "1 полугодие 2010", "ПЛ.01.2010");
        row(3, "IV квартал 2010", "ГД.01.2010");
        row(-1, "II квартал 2010", "2010");
    }
    void period_indicator() {
        auto [type, period, indicator] = fetch<int, QString, QString>();
        QCOMPARE(tavrelis::period_indicator(type, period), indicator);
    }
};

QTEST_GUILESS_MAIN(TestCodes)
#include "tst_codes.moc"
