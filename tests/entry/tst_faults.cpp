// Faults of the host installation met by the whole module, run as the host runs it
// (Class1::porvik): what the user is shown and what is left on disk.

#include "common/form4.h"
#include "common/session.h"
#include "common/settings.h"
#include "common/window.h"
#include "entry/class1.h"
#include "forming/form1.h"
#include "output/form2.h"
#include "platform/codepage.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "support/cases.h"
#include "support/faults.h"
#include "support/forming_data.h"
#include "support/host_state.h"
#include "support/support.h"
#include "support/window_fixture.h"

#include <QDir>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace tavrelis;
using namespace testsupport;
namespace fd = testsupport::forming;

namespace {

const QString kPorvik = QStringLiteral("Возникла ошибка в модуле porvik(");
const QString kSluj1 = QStringLiteral("Возникла ошибка в модуле Tavrelis.Form1.sluj1(");
const QString kNoSettlements =
    QStringLiteral("Ошибка: не найден файл базы данных программы Фискалон");
const QString kNoTaxpayers =
    QStringLiteral("Ошибка: не найден файл базы данных программы Вальмора-2");

// A text file that is not a database, longer than a database header.
QByteArray not_a_database() {
    return QByteArray("Это не база данных, а список покупок.\r\n").repeated(40);
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

    FormingFixture fx_;

    QString settings_file() {
        return fx_.host().dir() + QStringLiteral("/appdata/V2_Payments/V2_payments.ini");
    }
    QString settings_folder() { return fx_.host().dir() + QStringLiteral("/appdata/V2_Payments"); }
    // The module's whole run for report set 1, as the host calls it.
    void porvik() {
        Class1 module;
        int acc = fd::kReportSet;
        module.porvik(acc);
    }

    // The settings file as the module writes it.
    static QByteArray settings_bytes(const QString& folder, qint32 number, qint32 year) {
        return platform::to_cp1251(folder + QStringLiteral("\r\n") + print_number(number) +
                                   QStringLiteral("\r\n") + print_number(year) +
                                   QStringLiteral("\r\n"));
    }
    void write_settings_file(const QByteArray& bytes) {
        QVERIFY(QDir().mkpath(settings_folder()));
        QVERIFY(write_file(settings_file(), bytes));
    }

    // Settings whole, as a first run leaves them.
    void expect_first_run_settings() {
        QCOMPARE(read_file(settings_file()),
                 settings_bytes(default_export_folder(), 0, fd::kToday.year()));
    }

private slots:
    void init() {
        fx_.init();
        QVERIFY(fd::add_accrual(fx_.host(), {.oper_id = 1001}));
    }

    void cleanup() {
        for (const QString& f :
             {fx_.host().settlements_file(), fx_.host().taxpayer_file(), fx_.host().data_dir()})
            make_writable(f);
        fx_.cleanup();
    }

    void startup_database_data() {
        columns<QString, QStringList, QStringList>(); // fault, boxes, events
        // Refused by req1 or shown as it fills: the same two events.
        const QStringList refused{QStringLiteral("show Form1"), QStringLiteral("close Form1")};
        const QStringList& opened = refused;
        const auto porvik_box = [](const QString& description) {
            return QStringList{kPorvik + QStringLiteral("7): ") + description};
        };
        row("settlements missing", "settlements missing", QStringList{kNoSettlements}, refused);
        row("taxpayers missing", "taxpayers missing", QStringList{kNoTaxpayers}, refused);
        row("settlements a folder", "settlements a folder",
            porvik_box("unable to open database file"), QStringList());
        row("settlements not a database", "settlements not a database",
            porvik_box("file is not a database"), QStringList());
        row("settlements empty", "settlements empty", porvik_box("file is not a database"),
            QStringList());
        row("taxpayers truncated", "taxpayers truncated",
            porvik_box("database disk image is malformed"), QStringList());
        row("settlements unreadable", "settlements unreadable",
            porvik_box("unable to open database file"), QStringList());
        // Not faults: a log-mode file read while another process writes; a ";" in a folder.
        row("settlements locked by another writer", "settlements locked", QStringList(), opened);
        QTest::newRow("folder name with ;") << "folder with ;" << QStringList() << opened;
        row("no table fsk_cardlist", "drop settlements fsk_cardlist",
            porvik_box("no such table: fsk_cardlist"), QStringList());
        row("no table legalperson", "drop taxpayers legalperson",
            porvik_box("no such table: legalperson"), QStringList());
    }

    // Each fault ends the work with the message given; the databases are left byte for byte
    // as they were (nothing created where one is missing), and the settings file is whole.
    void startup_database() {
        auto [fault, boxes, events] = fetch<QString, QStringList, QStringList>();
        const QString settlements = fx_.host().settlements_file();
        const QString taxpayers = fx_.host().taxpayer_file();
        const QString file = fault.contains("taxpayers") ? taxpayers : settlements;

        std::unique_ptr<HeldLock> lock;
        if (fault.endsWith(" missing") || fault == "both missing") {
            if (fault != "taxpayers missing")
                QVERIFY(QFile::remove(settlements));
            if (fault != "settlements missing")
                QVERIFY(QFile::remove(taxpayers));
        } else if (fault.endsWith(" a folder")) {
            QVERIFY(QFile::remove(file));
            QVERIFY(QDir().mkdir(file));
        } else if (fault.endsWith(" not a database")) {
            QVERIFY(write_file(file, not_a_database()));
        } else if (fault.endsWith(" truncated")) {
            QByteArray whole = read_file(file);
            QVERIFY(whole.size() > 8192);
            QVERIFY(write_file(file, whole.left(whole.size() / 2)));
        } else if (fault.endsWith(" empty")) {
            QVERIFY(write_file(file, QByteArray()));
        } else if (fault.endsWith(" unreadable")) {
            if (running_as_root())
                QSKIP("running as root: permissions do not stop root from reading a file");
            QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions()));
        } else if (fault == "folder with ;") {
            QVERIFY(QFile::link(fx_.host().data_dir(), fx_.host().dir() + "/Da;ta"));
            fx_.host().write_registry(fx_.host().dir() + "/Da;ta/", 93);
        } else if (fault.startsWith("drop ")) {
            const QString table = fault.section(u' ', 2);
            QCOMPARE(run_sql(file, "drop table " + table), QString());
        }
        const QByteArray file_before = read_file(file);
        const QString settlements_before = database_content(settlements);
        const QString taxpayers_before = database_content(taxpayers);
        const QStringList data_before =
            QDir(fx_.host().data_dir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        if (fault.endsWith(QLatin1String(" locked"))) {
            lock = std::make_unique<HeldLock>(file);
            QVERIFY2(lock->held(), qPrintable(lock->error()));
        }

        porvik();
        lock.reset();

        QCOMPARE(fx_.ui().texts(), boxes);
        for (const auto& box : fx_.ui().boxes) {
            QCOMPARE(box.title, QString());
            QCOMPARE(box.icon, QStringLiteral("none"));
            QCOMPARE(box.buttons, QStringLiteral("OK"));
        }
        QStringList windows;
        for (const QString& e : fx_.ui().events)
            if (!e.startsWith(QLatin1String("msgbox ")))
                windows << e;
        QCOMPARE(windows, events);

        QCOMPARE(QDir(fx_.host().data_dir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 data_before);
        // The faulty file stays as it was, byte for byte; a database the module could open
        // keeps every row.
        if (!fault.startsWith(QLatin1String("drop ")))
            QCOMPARE(read_file(file), file_before);
        QCOMPARE(database_content(settlements), settlements_before);
        QCOMPARE(database_content(taxpayers), taxpayers_before);
        expect_first_run_settings();
    }

    void forming_database_data() {
        columns<QString, QString>(); // fault, box
        QTest::newRow("locked by another process") << "locked" << kSluj1 + "8): database is locked";
        QTest::newRow("disk full") << "disk full" << kSluj1 + "8): disk I/O error";
        row("read-only", "read-only", kSluj1 + "8): attempt to write a readonly database");
        row("read-only folder", "read-only folder",
            kSluj1 + "8): attempt to write a readonly database");
        row("no table payments", "drop payments", kSluj1 + "8): no such table: payments");
        row("no table requisites", "drop requisites", kSluj1 + "4): no such table: requisites");
    }

    // "Далее >>" meets the fault: the forming's error box, the formation window closes and the
    // work ends; no order is stored, nothing of the databases changes, the settings are whole.
    // A read-only database opens for reading (the window fills) and fails at the first write;
    // another process's lock is waited for, with the busy cursor, for 10 s (it is held for 30).
    void forming_database() {
        auto [fault, box] = fetch<QString, QString>();
        const QString settlements = fx_.host().settlements_file();
        if (fault.startsWith(QLatin1String("drop ")))
            QCOMPARE(run_sql(settlements, "drop table " + fault.mid(5)), QString());
        const QString before = database_content(settlements);
        if (fault.startsWith(QLatin1String("read-only"))) {
            QString why;
            if (!make_read_only(fault.endsWith(QLatin1String("folder")) ? fx_.host().data_dir()
                                                                        : settlements,
                                &why))
                QSKIP(qPrintable(why));
        }

        std::unique_ptr<HeldLock> lock;
        std::unique_ptr<FileSizeLimit> limit;
        fx_.ui().on_show.push_back([&](QDialog& w) {
            if (fault == QLatin1String("locked")) {
                lock = std::make_unique<HeldLock>(settlements, 30);
                QVERIFY2(lock->held(), qPrintable(lock->error()));
            }
            // Room for the settings file, none for a page of the database's journal.
            if (fault == QLatin1String("disk full"))
                limit = std::make_unique<FileSizeLimit>(1024);
            static_cast<Form1&>(w).Command2->click();
            limit.reset();
        });
        porvik();
        lock.reset();
        make_writable(fx_.host().data_dir());

        QCOMPARE(fx_.ui().texts(), QStringList{box});
        QCOMPARE(fx_.ui().boxes[0].title, QString());
        QCOMPARE(fx_.ui().boxes[0].icon, QStringLiteral("none"));
        const QStringList wait = fault == QLatin1String("locked")
                                     ? QStringList{"cursor busy", "cursor normal"}
                                     : QStringList();
        QCOMPARE(fx_.ui().events,
                 (QStringList{"show Form1"} + wait + QStringList{"msgbox " + box, "close Form1"}));
        QCOMPARE(database_content(settlements), before);
        expect_first_run_settings();
    }

    void settings_read_data() {
        columns<QByteArray, QString>(); // content, description
        const QByteArray folder = platform::to_cp1251(QStringLiteral("D:\\Выгрузка\r\n"));
        QTest::newRow("empty") << QByteArray() << "Input past end of file";
        row("two lines", folder + " 41 \r\n", "Input past end of file");
        row("huge number", folder + " 99999999999 \r\n 2026 \r\n", "Overflow");
        // The next number after the largest one a 32-bit counter holds cannot be given.
        row("last number at the top", folder + " 2147483647 \r\n 2026 \r\n", "Overflow");
    }

    // A settings file the start-up cannot use ends the work with the entry method's message
    // at step 6, before any window or database: the file stays exactly as it was, no folder
    // of it is made and no database is opened.
    void settings_read() {
        auto [content, description] = fetch<QByteArray, QString>();
        write_settings_file(content);
        const QStringList data_before = QDir(fx_.host().data_dir()).entryList(QDir::Files);

        porvik();

        QCOMPARE(fx_.ui().texts(), QStringList{kPorvik + "6): " + description});
        QCOMPARE(fx_.ui().boxes[0].title, QString());
        QCOMPARE(fx_.ui().events.size(), 1);
        QCOMPARE(read_file(settings_file()), content);
        QVERIFY(!QFileInfo::exists(QStringLiteral("D:\\Выгрузка")));
        QCOMPARE(QDir(fx_.host().data_dir()).entryList(QDir::Files), data_before);
    }

    void settings_unwritable_on_close_data() {
        QTest::addColumn<int>("room");
        for (int room : {0, 10})
            QTest::newRow(qPrintable(QStringLiteral("%1 bytes").arg(room))) << room;
    }

    // The disk fills up while the formation window is open: its closing cannot write the
    // settings, with no room at all or in the middle of the write. The window closes all the
    // same, the user is told, the old file stays whole and no temporary file is left.
    void settings_unwritable_on_close() {
        QFETCH(int, room);
        const QByteArray old = settings_bytes(QStringLiteral("D:\\Выгрузка"), 41, 2026);
        write_settings_file(old);
        std::unique_ptr<FileSizeLimit> full;
        fx_.ui().on_show.push_back([&full, room](QDialog& w) {
            full = std::make_unique<FileSizeLimit>(room);
            QVERIFY(full->active());
            static_cast<Form1&>(w).Command4->click(); // Выход
            full.reset();
        });
        porvik();

        QCOMPARE(fx_.ui().texts().size(), 1);
        const QString prefix = "Не удалось записать файл настроек \"" + settings_file() + "\": ";
        QVERIFY2(fx_.ui().texts()[0].startsWith(prefix), qPrintable(fx_.ui().texts()[0]));
        QCOMPARE(fx_.ui().boxes[0].icon, QStringLiteral("critical"));
        QCOMPARE(fx_.ui().boxes[0].title, kTitle);
        QCOMPARE(fx_.ui().events,
                 (QStringList{"show Form1", "msgbox " + fx_.ui().texts()[0], "close Form1"}));
        QCOMPARE(read_file(settings_file()), old);
        QCOMPARE(QDir(settings_folder()).entryList(QDir::Files), QStringList{"V2_payments.ini"});
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
