#include "forming/due_dates.h"
#include "support/cases.h"

#include <QtTest>

using tavrelis::DueDate;

namespace {
const QDate kToday(2026, 12, 6);
QDate day(int d, int m, int y) {
    return QDate(y, m, d);
}
} // namespace

class TestDueDates : public QObject {
    Q_OBJECT
private slots:
    void nearest_data() {
        columns<QList<QDate>, QList<DueDate>>(); // accruals, expected
        QTest::newRow("none") << QList<QDate>{} << QList<DueDate>{};
        row("counted by day",
            QList<QDate>{day(28, 1, 2027), day(28, 12, 2026), day(28, 1, 2027), day(28, 1, 2027)},
            QList<DueDate>{{day(28, 12, 2026), 1}, {day(28, 1, 2027), 3}});
        row("the three nearest, in date order",
            QList<QDate>{day(28, 4, 2027), day(28, 1, 2027), day(28, 11, 2026), day(28, 12, 2026),
                         day(28, 7, 2026)},
            QList<DueDate>{{day(28, 11, 2026), 1}, {day(28, 12, 2026), 1}, {day(28, 1, 2027), 1}});
        row("ahead first at equal distance",
            QList<QDate>{day(1, 12, 2026), day(11, 12, 2026), day(7, 12, 2026), day(5, 12, 2026)},
            QList<DueDate>{{day(5, 12, 2026), 1}, {day(7, 12, 2026), 1}, {day(11, 12, 2026), 1}});
        row("unreadable dates skipped", QList<QDate>{QDate(), day(6, 12, 2026)},
            QList<DueDate>{{day(6, 12, 2026), 1}});
    }

    void nearest() {
        auto [accruals, expected] = fetch<QList<QDate>, QList<DueDate>>();
        QCOMPARE(tavrelis::nearest_due_dates(accruals, kToday, 3), expected);
    }

    void text_data() {
        columns<QList<DueDate>, bool, QString>(); // dates, links, text
        QTest::newRow("none") << QList<DueDate>{} << false
                              << "Ближайшие сроки уплаты: начислений нет";
        row("three", QList<DueDate>{{day(28, 1, 2027), 3}}, false,
            "Ближайшие сроки уплаты: 28.01.2027 — 3 начисления");
        row("one, eleven, twenty-one, five",
            QList<DueDate>{{day(1, 2, 2027), 1},
                           {day(2, 2, 2027), 11},
                           {day(3, 2, 2027), 21},
                           {day(4, 2, 2027), 5}},
            false,
            "Ближайшие сроки уплаты: 01.02.2027 — 1 начисление, 02.02.2027 — 11 начислений, "
            "03.02.2027 — 21 начисление, 04.02.2027 — 5 начислений");
        row("link", QList<DueDate>{{day(28, 1, 2027), 2}}, true,
            "Ближайшие сроки уплаты: <a href=\"28.01.2027\">28.01.2027</a> — 2 "
            "начисления");
    }

    void text() {
        auto [dates, links, text] = fetch<QList<DueDate>, bool, QString>();
        QCOMPARE(tavrelis::due_dates_text(dates, links), text);
    }
};

QTEST_MAIN(TestDueDates)
#include "tst_due_dates.moc"
