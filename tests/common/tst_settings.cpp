#include "common/form4.h"
#include "common/session.h"
#include "common/settings.h"
#include "common/shared.h"
#include "platform/codepage.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "support/cases.h"
#include "support/support.h"

#include <QtTest>

using namespace tavrelis;
using testsupport::read_file;
using testsupport::write_file;

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SettingsPaths paths_;

    void write_ini(const QString& text) {
        QDir().mkpath(paths_.bez);
        QVERIFY(write_file(paths_.S, platform::to_cp1251(text)));
    }

private slots:
    void init() {
        const QString root = dir_.path() + "/" + QTest::currentTestFunction() +
                             QString::number(qHash(QTest::currentDataTag()));
        QDir().mkpath(root + "/home");
        qputenv("APPDATA", (root + "/appdata").toLocal8Bit());
        qputenv("HOME", (root + "/home").toLocal8Bit());
        platform::set_today(QDate(2026, 5, 14));
        paths_ = settings_paths();
    }
    void cleanup() { platform::set_today(QDate()); }

    void first_free_number_data() {
        columns<QString, QString, int, int>(); // ini, text1, last_number, last_year
        auto row = [](const char* tag, const char* ini, const char* text1, int number, int year) {
            QTest::newRow(tag) << ini << text1 << number << year;
        };
        row("same year", "X\r\n 41 \r\n 2026 \r\n", "42", 41, 2026);
        row("last year restarts at 1", "X\r\n 41 \r\n 2025 \r\n", "1", 41, 2026);
        row("LF only, no blanks", "X\n17\n2026\n", "18", 17, 2026);
    }
    // The export folder is made; the next write stores the year restart, the number unchanged.
    void first_free_number() {
        auto [ini, text1, last_number, last_year] = fetch<QString, QString, int, int>();
        Session s;
        write_ini(ini.replace("X", dir_.path() + "/out"));
        QCOMPARE(settings_startup(paths_), text1);
        QCOMPARE(shared().last_number, last_number);
        QCOMPARE(shared().last_year, last_year);
        QVERIFY(QFileInfo(dir_.path() + "/out").isDir());
        write_settings(paths_.S);
        QVERIFY(read_file(paths_.S).endsWith(QByteArray::number(last_number) + " \r\n " +
                                             QByteArray::number(last_year) + " \r\n"));
    }

    // What a settings file holds, or why it is refused: a line missing, a line that is no
    // number, or one past 32 bits.
    void read_data() {
        columns<QByteArray, QString>(); // ini, read (folder|number|year, or the error)
        row("bounds", QByteArray("d\r\n2147483647\r\n-2147483648"), "d|2147483647|-2147483648");
        QTest::newRow("two lines") << QByteArray("d\r\n41\r\n") << "Input past end of file";
        QTest::newRow("blank year") << QByteArray("d\r\n41\r\n \r\n") << "Type mismatch";
        QTest::newRow("past 32 bits") << QByteArray("d\n2147483648\n2026\n") << "Overflow";
        QTest::newRow("below 32 bits") << QByteArray("d\n1\n-2147483649\n") << "Overflow";
    }
    void read() {
        auto [ini, read] = fetch<QByteArray, QString>();
        QString got;
        const QString error = error_of([&] {
            const SettingsValues v = parse_settings(ini);
            got = v.up_path + u'|' + QString::number(v.last_number) + u'|' +
                  QString::number(v.last_year);
        });
        QCOMPARE(error.isEmpty() ? got : error, read);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
