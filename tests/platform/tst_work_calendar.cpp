#include "platform/work_calendar.h"
#include "support/cases.h"
#include "support/support.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis::platform;

namespace {

QDate day(const char* iso) {
    return QDate::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

} // namespace

class TestWorkCalendar : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    // Without a data file: weekends and the fixed holidays.
    void holidays_data() {
        columns<QDate, QDate>(); // picked, working
        auto row = [](const char* tag, const char* picked, const char* working) {
            QTest::newRow(tag) << day(picked) << day(working);
        };
        row("saturday", "2026-03-21", "2026-03-23");
        row("4 november on a saturday", "2023-11-04", "2023-11-06");
    }
    void holidays() {
        auto [picked, working] = fetch<QDate, QDate>();
        QCOMPARE(make_work_calendar(QString())->working_day(picked), working);
    }

    void data_file_data() {
        columns<QByteArray, QDate, QDate>(); // text, picked, working
        auto row = [](const char* tag, QByteArray text, const char* picked, const char* working) {
            QTest::newRow(tag) << text << day(picked) << day(working);
        };
        const QByteArray transfers = "# переносы 2026\n\nwork 2026-03-21\n"
                                     "off 2026-03-20   # пятница\n  off   2026-03-19\r\n"
                                     "work 2026-11-04\n";
        row("working saturday", transfers, "2026-03-21", "2026-03-21");
        row("extra days off run into a working saturday", transfers, "2026-03-19", "2026-03-21");
        // A bad line is ignored while the good lines around it still apply.
        const QByteArray bad = "OFF 2026-03-20\noff\noff 20.03.2026\noff 2026-02-30\n"
                               "off 2026-03-20 2026-03-21\nholiday 2026-03-20\nwork 2026-03-22\n";
        row("bad lines skipped", bad, "2026-03-20", "2026-03-20");
        row("good lines among bad ones", bad, "2026-03-22", "2026-03-22");
    }
    void data_file() {
        auto [text, picked, working] = fetch<QByteArray, QDate, QDate>();
        const QString path = dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(testsupport::write_file(path, text));
        QCOMPARE(make_work_calendar(path)->working_day(picked), working);
    }
};

QTEST_GUILESS_MAIN(TestWorkCalendar)
#include "tst_work_calendar.moc"
