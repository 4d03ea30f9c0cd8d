#include "platform/work_calendar.h"

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

    QString write_data(const QByteArray& text) {
        const QString path = dir.filePath(QStringLiteral("calendar.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        file.write(text);
        return path;
    }

private slots:
    void without_data_file_data() {
        QTest::addColumn<QDate>("picked");
        QTest::addColumn<QDate>("working");
        QTest::newRow("monday") << day("2026-03-16") << day("2026-03-16");
        QTest::newRow("friday") << day("2026-03-20") << day("2026-03-20");
        QTest::newRow("saturday") << day("2026-03-21") << day("2026-03-23");
        QTest::newRow("sunday") << day("2026-03-22") << day("2026-03-23");
        QTest::newRow("new year holidays") << day("2026-01-01") << day("2026-01-09");
        QTest::newRow("8 january") << day("2026-01-08") << day("2026-01-09");
        QTest::newRow("new year holidays into a weekend") << day("2022-01-05") << day("2022-01-10");
        QTest::newRow("23 february") << day("2026-02-23") << day("2026-02-24");
        QTest::newRow("23 february friday") << day("2024-02-23") << day("2024-02-26");
        QTest::newRow("8 march") << day("2023-03-08") << day("2023-03-09");
        QTest::newRow("1 may") << day("2025-05-01") << day("2025-05-02");
        QTest::newRow("9 may") << day("2024-05-09") << day("2024-05-10");
        QTest::newRow("12 june") << day("2025-06-12") << day("2025-06-13");
        QTest::newRow("4 november") << day("2025-11-04") << day("2025-11-05");
        QTest::newRow("holiday on a saturday") << day("2023-11-04") << day("2023-11-06");
        QTest::newRow("day before a holiday") << day("2026-06-11") << day("2026-06-11");
        QTest::newRow("9 january") << day("2025-01-09") << day("2025-01-09");
        QTest::newRow("year end into holidays") << day("2026-12-31") << day("2026-12-31");
        QTest::newRow("saturday into holidays") << day("2022-01-01") << day("2022-01-10");
    }
    void without_data_file() {
        QFETCH(QDate, picked);
        QFETCH(QDate, working);
        const auto calendar = make_work_calendar(QString());
        QCOMPARE(calendar->working_day(picked), working);
    }

    void missing_file() {
        const auto calendar = make_work_calendar(dir.filePath(QStringLiteral("absent.txt")));
        QCOMPARE(calendar->working_day(day("2026-03-21")), day("2026-03-23"));
        QCOMPARE(calendar->working_day(day("2026-03-20")), day("2026-03-20"));
    }

    void data_file_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDate>("picked");
        QTest::addColumn<QDate>("working");
        const QByteArray transfers = "# переносы 2026\n"
                                     "\n"
                                     "work 2026-03-21\n"
                                     "off 2026-03-20   # пятница\n"
                                     "  off   2026-03-19\r\n"
                                     "work 2026-11-04\n";
        QTest::newRow("working saturday") << transfers << day("2026-03-21") << day("2026-03-21");
        QTest::newRow("extra days off run into a working saturday")
            << transfers << day("2026-03-19") << day("2026-03-21");
        QTest::newRow("working holiday") << transfers << day("2026-11-04") << day("2026-11-04");
        QTest::newRow("other years unchanged")
            << transfers << day("2025-03-20") << day("2025-03-20");
        QTest::newRow("with a byte order mark")
            << QByteArray("\xEF\xBB\xBFoff 2026-03-18\n") << day("2026-03-18") << day("2026-03-19");
        QTest::newRow("later line wins")
            << QByteArray("off 2026-03-18\nwork 2026-03-18\noff 2026-03-17\n") << day("2026-03-17")
            << day("2026-03-18");
        QTest::newRow("extra day off before a weekend")
            << QByteArray("off 2026-03-20") << day("2026-03-20") << day("2026-03-23");
    }
    void data_file() {
        QFETCH(QByteArray, text);
        QFETCH(QDate, picked);
        QFETCH(QDate, working);
        const auto calendar = make_work_calendar(write_data(text));
        QCOMPARE(calendar->working_day(picked), working);
    }

    void malformed_lines_skipped_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("unknown word") << QByteArray("holiday 2026-03-20");
        QTest::newRow("upper case word") << QByteArray("OFF 2026-03-20");
        QTest::newRow("no date") << QByteArray("off");
        QTest::newRow("other date format") << QByteArray("off 20.03.2026");
        QTest::newRow("impossible date") << QByteArray("off 2026-02-30");
        QTest::newRow("extra word") << QByteArray("off 2026-03-20 2026-03-21");
        QTest::newRow("commented out") << QByteArray("# off 2026-03-20");
    }
    // A bad line is ignored while the good lines around it still apply.
    void malformed_lines_skipped() {
        QFETCH(QByteArray, line);
        const auto calendar =
            make_work_calendar(write_data("work 2026-03-22\n" + line + "\noff 2026-03-16\n"));
        QCOMPARE(calendar->working_day(day("2026-03-20")), day("2026-03-20"));
        QCOMPARE(calendar->working_day(day("2026-03-22")), day("2026-03-22"));
        QCOMPARE(calendar->working_day(day("2026-03-16")), day("2026-03-17"));
    }

    void calendar_file_setting() {
        QCOMPARE(calendar_file(), QString());
        set_calendar_file(QStringLiteral("/srv/host/calendar.txt"));
        QCOMPARE(calendar_file(), QStringLiteral("/srv/host/calendar.txt"));
        set_calendar_file(QString());
        QCOMPARE(calendar_file(), QString());
    }
};

QTEST_GUILESS_MAIN(TestWorkCalendar)
#include "tst_work_calendar.moc"
