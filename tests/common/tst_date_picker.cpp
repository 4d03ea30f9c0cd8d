#include "common/date_picker.h"
#include "support/cases.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using tavrelis::DatePicker;

namespace {
const QDate kBase(2026, 12, 6);
}

class TestDatePicker : public QObject {
    Q_OBJECT
private slots:
    void parses_typed_texts_data() {
        columns<QString, QDate>(); // text, date
        QTest::newRow("dotted") << "28.01.2027" << QDate(2027, 1, 28);
        QTest::newRow("eight digits") << "28012027" << QDate(2027, 1, 28);
        QTest::newRow("short year") << "28.01.27" << QDate(2027, 1, 28);
        QTest::newRow("six digits") << "280127" << QDate(2027, 1, 28);
        QTest::newRow("one-digit parts") << "8.1.27" << QDate(2027, 1, 8);
        QTest::newRow("other separators") << "28/01-2027" << QDate(2027, 1, 28);
        QTest::newRow("day only") << "15" << QDate(2026, 12, 15);
        QTest::newRow("day and month") << "15.03" << QDate(2026, 3, 15);
        QTest::newRow("day and month, dot") << "1503." << QDate();
        QTest::newRow("no such day") << "31.02.2027" << QDate();
        QTest::newRow("five digits") << "28012" << QDate();
        QTest::newRow("three-digit year") << "28.01.202" << QDate();
        QTest::newRow("letters") << "28.янв.2027" << QDate();
        QTest::newRow("four parts") << "1.2.2027.5" << QDate();
        QTest::newRow("empty") << "" << QDate();
    }

    void parses_typed_texts() {
        auto [text, date] = fetch<QString, QDate>();
        QCOMPARE(tavrelis::parse_typed_date(text, kBase), date);
    }

    // Whatever part of the date the cursor is in, a typed date replaces the whole value, and is
    // picked once, on Enter.
    void typing_commits_once_on_enter_data() {
        columns<int, QString, QDate>(); // cursor, keys, date
        QTest::newRow("day selected") << 0 << "28.01.2027" << QDate(2027, 1, 28);
        QTest::newRow("in the month") << 4 << "28012027" << QDate(2027, 1, 28);
        QTest::newRow("in the year") << 8 << "28.01.27" << QDate(2027, 1, 28);
        QTest::newRow("at the end") << 10 << "280127" << QDate(2027, 1, 28);
        QTest::newRow("not a date keeps the old one") << 0 << "310227" << kBase;
        QTest::newRow("before 1900 keeps the old one") << 0 << "31.12.1899" << kBase;
    }

    void typing_commits_once_on_enter() {
        auto [cursor, keys, date] = fetch<int, QString, QDate>();
        DatePicker p;
        p.set_value(kBase);
        p.show();
        p.findChild<QLineEdit*>()->setCursorPosition(cursor);
        QSignalSpy picked(&p, &DatePicker::picked);
        QTest::keyClicks(&p, keys);
        QCOMPARE(p.findChild<QLineEdit*>()->text(), keys); // shown as typed
        QCOMPARE(picked.count(), 0);
        QCOMPARE(p.date(), kBase);
        QTest::keyClick(&p, Qt::Key_Return);
        QCOMPARE(p.date(), date);
        QCOMPARE(p.findChild<QLineEdit*>()->text(), date.toString(QStringLiteral("dd.MM.yyyy")));
        QCOMPARE(picked.count(), date == kBase ? 0 : 1);
        QTest::keyClick(&p, Qt::Key_Return);
        QCOMPARE(picked.count(), date == kBase ? 0 : 1);
    }

    // Leaving the field takes a typed date, as Enter does; its calendar opening does not.
    void leaving_takes_the_typed_date() {
        DatePicker p;
        p.set_value(kBase);
        p.show();
        QSignalSpy picked(&p, &DatePicker::picked);
        QTest::keyClicks(&p, QStringLiteral("15")); // the day alone
        for (const Qt::FocusReason why : {Qt::PopupFocusReason, Qt::TabFocusReason}) {
            QFocusEvent out(QEvent::FocusOut, why);
            QApplication::sendEvent(&p, &out);
        }
        QCOMPARE(picked.count(), 1);
        QCOMPARE(p.date(), QDate(2026, 12, 15));
    }

    void arrows_prepare_and_enter_commits() {
        DatePicker p;
        p.set_value(kBase);
        p.show();
        p.setCurrentSection(QDateTimeEdit::DaySection);
        QSignalSpy picked(&p, &DatePicker::picked);
        QTest::keyClick(&p, Qt::Key_Up);
        QTest::keyClick(&p, Qt::Key_Up);
        QCOMPARE(p.date(), kBase.addDays(2));
        QCOMPARE(picked.count(), 0);
        QTest::keyClick(&p, Qt::Key_Enter);
        QCOMPARE(picked.count(), 1);
        QCOMPARE(picked.at(0).at(0).toDate(), kBase.addDays(2));
    }

    void dates_set_in_code_are_not_picked() {
        DatePicker p;
        QSignalSpy picked(&p, &DatePicker::picked);
        p.set_value(kBase);
        p.commit();
        QCOMPARE(picked.count(), 0);
        p.setDate(kBase.addDays(1)); // from outside, as a calendar pick
        QCOMPARE(picked.count(), 1);
    }

    // F4, Alt+Down and a click on its arrow open the calendar.
    void keys_open_the_calendar() {
        for (const QKeyCombination keys :
             {QKeyCombination(Qt::Key_F4), Qt::ALT | Qt::Key_Down, QKeyCombination()}) {
            DatePicker p;
            p.set_value(kBase);
            p.show();
            if (keys != QKeyCombination())
                QTest::keyClick(&p, keys.key(), keys.keyboardModifiers());
            else
                QTest::mouseClick(&p, Qt::LeftButton, {}, QPoint(p.width() - 4, p.height() / 2));
            QVERIFY2(p.calendarWidget()->isVisible(), qPrintable(QKeySequence(keys).toString()));
        }
    }
};

QTEST_MAIN(TestDatePicker)
#include "tst_date_picker.moc"
