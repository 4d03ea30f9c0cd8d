#include "common/form4.h"
#include "common/session.h"
#include "common/settings.h"
#include "platform/codepage.h"
#include "platform/env.h"
#include "platform/errors.h"
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
        QVERIFY(dir_.isValid());
        const QString root = dir_.path() + "/" + QTest::currentTestFunction() +
                             QString::number(qHash(QTest::currentDataTag()));
        QDir().mkpath(root + "/home");
        qputenv("APPDATA", (root + "/appdata").toLocal8Bit());
        qputenv("HOME", (root + "/home").toLocal8Bit());
        platform::set_today(QDate(2026, 5, 14));
        paths_ = settings_paths();
    }
    void cleanup() { platform::set_today(QDate()); }

    void paths_under_appdata() {
        const QString base = qEnvironmentVariable("APPDATA");
        QCOMPARE(paths_.bez, base + "/V2_Payments/");
        QCOMPARE(paths_.S, base + "/V2_Payments/V2_payments.ini");
    }

    // First run: the defaults, byte for byte, and the export folder made.
    void first_run_writes_defaults() {
        Session s;
        QCOMPARE(settings_startup(paths_), QStringLiteral("1"));
        const QString home = qEnvironmentVariable("HOME");
        const QByteArray expected =
            platform::to_cp1251(home + "/ПП") + QByteArray("\r\n 0 \r\n 2026 \r\n");
        QCOMPARE(read_file(paths_.S), expected);
        QVERIFY(expected.contains("\xcf\xcf")); // ПП in windows-1251
        QVERIFY(QFileInfo(home + "/ПП").isDir());
        QCOMPARE(form4().up_path, home + "/ПП");
        QCOMPARE(form4().last_number, 0);
        QCOMPARE(form4().last_year, 2026);
    }

    void first_free_number_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("text1");
        QTest::addColumn<int>("last_number");
        QTest::addColumn<int>("last_year");
        QTest::newRow("same year") << "X\r\n 41 \r\n 2026 \r\n"
                                   << "42" << 41 << 2026;
        QTest::newRow("last year restarts at 1") << "X\r\n 41 \r\n 2025 \r\n"
                                                 << "1" << 41 << 2026;
        QTest::newRow("blanks around numbers") << "X\r\n 17 \r\n2026\r\n"
                                               << "18" << 17 << 2026;
        QTest::newRow("LF only") << "X\n 3 \n 2026 \n"
                                 << "4" << 3 << 2026;
        QTest::newRow("no final line break") << "X\r\n 3 \r\n 2026"
                                             << "4" << 3 << 2026;
        QTest::newRow("negative") << "X\r\n-5 \r\n 2026 \r\n"
                                  << "-4" << -5 << 2026;
        QTest::newRow("future year keeps numbering") << "X\r\n 7 \r\n 2027 \r\n"
                                                     << "8" << 7 << 2027;
    }
    void first_free_number() {
        QFETCH(QString, ini);
        QFETCH(QString, text1);
        QFETCH(int, last_number);
        QFETCH(int, last_year);
        Session s;
        write_ini(ini.replace("X", dir_.path() + "/out"));
        QCOMPARE(settings_startup(paths_), text1);
        QCOMPARE(form4().last_number, last_number);
        QCOMPARE(form4().last_year, last_year);
    }

    // The year restart stores the new year at the next write, the number unchanged.
    void restart_is_written_back() {
        Session s;
        write_ini("/nowhere-x\r\n 41 \r\n 2025 \r\n");
        settings_startup(paths_);
        write_settings(paths_.S);
        QCOMPARE(read_file(paths_.S), QByteArray("/nowhere-x\r\n 41 \r\n 2026 \r\n"));
    }

    void export_folder_made_data() {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("without separator") << "";
        QTest::newRow("with separator") << "/";
        QTest::newRow("backslash separator") << "\\";
    }
    void export_folder_made() {
        QFETCH(QString, suffix);
        Session s;
        const QString out = dir_.path() + "/" + QString::number(qHash(suffix)) + "/Выгрузка/2026";
        write_ini(out + suffix + "\r\n 1 \r\n 2026 \r\n");
        settings_startup(paths_);
        QVERIFY(QFileInfo(out).isDir());
        QCOMPARE(form4().up_path, out + suffix);
    }

    void bad_file_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("description");
        QTest::newRow("empty") << QByteArray() << "Input past end of file";
        QTest::newRow("two lines") << QByteArray("X\r\n 1 \r\n") << "Input past end of file";
        QTest::newRow("text number") << QByteArray("X\r\nabc\r\n 2026 \r\n") << "Type mismatch";
        QTest::newRow("empty number") << QByteArray("X\r\n\r\n 2026 \r\n") << "Type mismatch";
        QTest::newRow("bad year") << QByteArray("X\r\n 1 \r\n 20x6 \r\n") << "Type mismatch";
        QTest::newRow("huge") << QByteArray("X\r\n 99999999999 \r\n 2026 \r\n") << "Overflow";
        QTest::newRow("last number at the limit")
            << QByteArray("X\r\n 2147483647 \r\n 2026 \r\n") << "Overflow";
    }
    void bad_file() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, description);
        Session s;
        QDir().mkpath(paths_.bez);
        QVERIFY(write_file(paths_.S, bytes.replace("X", QFile::encodeName(dir_.path()))));
        try {
            settings_startup(paths_);
            QFAIL("no error raised");
        } catch (const Error& e) {
            QCOMPARE(e.description(), description);
        }
        QCOMPARE(read_file(paths_.S), bytes); // the file is left as it was
    }

    void cyrillic_folder_round_trips() {
        Session s;
        form4().up_path = QStringLiteral("D:\\Выгрузка «№1»");
        form4().last_number = 12;
        form4().last_year = 2026;
        QDir().mkpath(paths_.bez);
        write_settings(paths_.S);
        const QByteArray bytes = read_file(paths_.S);
        QCOMPARE(bytes,
                 platform::to_cp1251(QStringLiteral("D:\\Выгрузка «№1»\r\n 12 \r\n 2026 \r\n")));
        Session again;
        settings_startup(paths_);
        QCOMPARE(form4().up_path, QStringLiteral("D:\\Выгрузка «№1»"));
    }

    void write_to_missing_folder_raises() {
        Session s;
        bool raised = false;
        try {
            write_settings(dir_.path() + "/missing/V2_payments.ini");
        } catch (const Error& e) {
            raised = e.description().contains("missing/V2_payments.ini");
        }
        QVERIFY(raised);
    }

    // A write that cannot complete raises an error and leaves the old file whole.
    void failed_write_keeps_old_file() {
        Session s;
        write_ini("/old\r\n 5 \r\n 2026 \r\n");
        QFile::setPermissions(paths_.bez, QFile::ReadOwner | QFile::ExeOwner);
        form4().up_path = "/new";
        bool raised = false;
        try {
            write_settings(paths_.S);
        } catch (const Error&) {
            raised = true;
        }
        QFile::setPermissions(paths_.bez, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (geteuid() == 0)
            QSKIP("root writes anywhere; the permission case cannot be shown");
        QVERIFY(raised);
        QCOMPARE(read_file(paths_.S), QByteArray("/old\r\n 5 \r\n 2026 \r\n"));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
