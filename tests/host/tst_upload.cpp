// The bank upload sends an order once: a session killed (SIGKILL) at every step of an upload,
// then a second session, on SQLite files and on the PostgreSQL server of TAVRELIS_PG_URI; two
// accountants uploading the same orders at once on the server.

#include "data/database_file.h"
#include "platform/codepage.h"
#include "support/cases.h"
#include "support/demo_host.h"
#include "support/faults.h"
#include "support/support.h"

#include <QDir>
#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

using namespace testsupport;

namespace {

// The demo's single tax payments due on 28.01.2027, the accrual paid before left out: two
// orders, the company's and the Tver branch's.
const QStringList kForm{"Form1.Check1 check", "Form1.DTPicker3 date 28.01.2027",
                        "Form1.Command2 click"};
const QStringList kUpload{"Form2.L1 untick 8", "Form2.Command11 click"};

struct Sent {
    QStringList files;                 // complete exchange files of the folders
    QMultiHash<QString, QString> sums; // each order's number -> its amount, over all files
    QStringList problems;
};

Sent sent_files(const QStringList& folders) {
    Sent out;
    for (const QString& folder : folders) {
        for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files)) {
            const QString text = tavrelis::platform::from_cp1251(read_file(f.filePath()));
            if (!f.fileName().endsWith(QStringLiteral(".txt"))) {
                out.problems << f.fileName() + QStringLiteral(" left in the folder");
                continue;
            }
            if (!text.endsWith(QStringLiteral("КонецФайла\r\n"))) {
                out.problems << f.fileName() + QStringLiteral(" is incomplete");
                continue;
            }
            out.files << f.filePath();
            for (const auto& order : exchange_sections(f.filePath()))
                out.sums.insert(order.value("Номер"), order.value("Сумма"));
        }
    }
    return out;
}

} // namespace

class TestUpload : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    const QString server_ = test_server();

    // What a run on the place left: every order sent once, in one complete file recorded as
    // sent, no claim left, and the counter past every number sent.
    void check_sent_once(const DemoHost& place, const QStringList& folders) {
        const Sent sent = sent_files(folders);
        QVERIFY2(sent.problems.isEmpty(), qPrintable(sent.problems.join(u'\n')));
        QCOMPARE(sent.files.size(), 1);
        QCOMPARE(sent.sums.size(), 2);
        QCOMPARE(QSet<QString>(sent.sums.keyBegin(), sent.sums.keyEnd()).size(), 2);
        QCOMPARE(place.value("select count(*) from bank_uploads where state=1"),
                 QStringLiteral("0"));
        QCOMPARE(place.value("select count(distinct file_name) from bank_uploads where state=2"),
                 QStringLiteral("1"));
        QCOMPARE(place.value("select min(file_name) from bank_uploads where state=2"),
                 sent.files.first());
        QCOMPARE(place.value("select count(*) from payments where print_done=1"),
                 place.value("select count(*) from bank_uploads where state=2"));
        const QStringList settings =
            tavrelis::platform::from_cp1251(read_file(place.settings())).split(u'\n');
        QVERIFY(settings.size() >= 2);
        for (const QString& number : sent.sums.keys())
            QVERIFY2(settings[1].trimmed().toInt() >= number.toInt(),
                     qPrintable("number " + number + " may be given again"));
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        if (qEnvironmentVariable("TAVRELIS_TEST_ENGINE") == QLatin1String("pg"))
            QVERIFY2(!server_.isEmpty(), "TAVRELIS_PG_URI is not set");
    }

    // Killed at each step, then a second session: what the first got out is recorded as sent
    // and not sent again (the question defaults to "Нет"); what it did not is sent once.
    void killed_at_each_step_data() {
        columns<QString, QStringList>(); // step, second (the boxes the second session answers)
        const QString dropped = "answer OK \"Выгрузка в банк-клиент, прерванная ранее, доведена до "
                                "конца: платежные поручения № 1, № 2 в банк не выгружены.\"";
        const QStringList send_now = kUpload + QStringList{"answer No"};
        const QStringList nothing_left =
            kUpload +
            QStringList{
                "answer No",
                "answer OK \"Все отмеченные платежные поручения уже выгружены в банк или оплачены: "
                "выгружать нечего.\""};
        QTest::newRow("claimed") << "upload-claimed" << QStringList{dropped} + send_now;
        QTest::newRow("written") << "upload-written" << QStringList{dropped} + send_now;
        // The list is rebuilt from what was recorded, its ticks cleared.
        row("named", "upload-named",
            QStringList{"answer OK", "Form2.Command5 click"} + nothing_left);
        QTest::newRow("recorded") << "upload-recorded" << nothing_left;
        QTest::newRow("saved") << "upload-saved" << nothing_left;
    }
    void killed_at_each_step() {
        auto [step, second] = fetch<QString, QStringList>();
        DemoHost place{dir_.filePath(QTest::currentDataTag())};
        QVERIFY(place.make_on(server_));
        place.crash_at = step;
        const HostRun killed = run_host(place, kForm + kUpload);
        QVERIFY2(killed.exit_code != 0 && killed.transcript.isEmpty(),
                 qPrintable(killed.stderr_text));
        place.crash_at.clear();
        const HostRun next = run_host(place, kForm + second + QStringList{"Form2.Command8 click"});
        QVERIFY2(next.exit_code == 0, qPrintable(next.stderr_text));
        check_sent_once(place, {place.exports()});
        // A third session finds nothing to settle and nothing to send.
        const HostRun third =
            run_host(place, kForm + kUpload + QStringList{"answer No", "answer OK"});
        QVERIFY2(third.exit_code == 0, qPrintable(third.stderr_text));
        check_sent_once(place, {place.exports()});
    }

    // Two accountants on one server upload the same orders at the same moment: each order goes
    // in exactly one file.
    void two_sessions_at_once() {
        if (server_.isEmpty())
            QSKIP("a server test: runs with TAVRELIS_TEST_ENGINE=pg");
        for (int round = 0; round < 3; ++round) {
            DemoHost first{dir_.filePath(QStringLiteral("first%1").arg(round))};
            QVERIFY(first.make_on(server_));
            QVERIFY(run_host(first, kForm + QStringList{"Form2.Command8 click"}).exit_code == 0);
            DemoHost second{dir_.filePath(QStringLiteral("second%1").arg(round))};
            QVERIFY(first.copy_desk_to(second));
            // Each forms, then both press the button; whatever each is asked, it takes the
            // default answer, which never sends an order again.
            auto a = QtConcurrent::run([&] { return run_host(first, kForm + kUpload); });
            auto b = QtConcurrent::run([&] { return run_host(second, kForm + kUpload); });
            QCOMPARE(a.result().exit_code, 0);
            QCOMPARE(b.result().exit_code, 0);
            const Sent sent = sent_files({first.exports(), second.exports()});
            QVERIFY2(sent.problems.isEmpty(), qPrintable(sent.problems.join(u'\n')));
            QCOMPARE(sent.sums.size(), 2);
            QCOMPARE(first.value("select count(*) from bank_uploads where state=1"),
                     QStringLiteral("0"));
        }
    }
};

QTEST_GUILESS_MAIN(TestUpload)
#include "tst_upload.moc"
