// Host sessions on a PostgreSQL server (TAVRELIS_PG_URI, started by scripts/test.sh; the test
// fails without it): two accountants forming, uploading and posting the same accruals at once,
// and a server that goes away in the middle of a forming.

#include "data/connection.h"
#include "data/database_file.h"
#include "support/demo_host.h"
#include "support/host_state.h"
#include "support/support.h"

#include <QProcess>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

using namespace testsupport;

namespace {

// Forms the accruals due on a day, exports the orders, posts them and leaves.
QStringList forming(const QString& day) {
    return {"Form1.DTPicker3 date " + day, "Form1.Command2 click",
            "Form2.Command10 click",       "answer Yes",
            "Form2.Check3 uncheck",        "Form2.Check2 check",
            "Form2.Command10 click",       "answer OK",
            "Form2.Command8 click"};
}

const QString pg_script = QStringLiteral(TAVRELIS_SOURCE_DIR "/scripts/pg.sh");

} // namespace

class TestServer : public QObject {
    Q_OBJECT
    const QString server = qEnvironmentVariable("TAVRELIS_PG_URI");

private slots:
    void initTestCase() { QVERIFY2(!server.isEmpty(), "TAVRELIS_PG_URI is not set"); }

    // Every run ends by itself; a session that stops short stops at one of the module's own
    // messages; at most one order per accrual, none posted twice, nothing taken back.
    void two_sessions_at_once() {
        QTemporaryDir a;
        DemoHost first{a.path()};
        QVERIFY(first.make_on(server));
        // The second accountant's desk: the same databases, a folder of his own.
        QTemporaryDir b;
        DemoHost second{b.path()};
        QVERIFY(first.copy_desk_to(second));

        const HostState before = capture_host(first.settlements(), first.settings());
        for (const QString& day : {QStringLiteral("28.01.2027"), DemoHost::kToday}) {
            QFuture<HostRun> other =
                QtConcurrent::run([&] { return run_host(second, forming(day)); });
            const QList<HostRun> runs{run_host(first, forming(day)), other.result()};
            // A script may stop short where the other session changed what it finds; any
            // failure it met is shown as the module's message.
            for (const HostRun& r : runs) {
                QVERIFY2(!r.killed && r.exit_code >= 0 && r.exit_code <= 2,
                         qPrintable(r.stderr_text));
                for (const QString& line : r.transcript + r.stderr_text.split(u'\n'))
                    QVERIFY2(
                        !line.contains(QStringLiteral("ошибка"), Qt::CaseInsensitive) ||
                            line.contains(QStringLiteral("Возникла ошибка в модуле Tavrelis.")),
                        qPrintable(line));
            }
        }
        const HostState after = capture_host(first.settlements(), first.settings());
        QVERIFY2(after.read_error.isEmpty(), qPrintable(after.read_error));
        const QStringList broken = invariant_violations(before, after);
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
        QVERIFY(after.payments.size() > before.payments.size());
    }

    // The server stops while a forming waits for another session's lock: the forming's error
    // message, no crash, and after the restart every row written before the stop is there.
    void server_stops_in_a_forming() {
        // A cluster of its own, which this test stops.
        QProcess pg;
        pg.start(pg_script, {"start"});
        QVERIFY2(pg.waitForFinished(120000) && pg.exitCode() == 0, pg.readAllStandardError());
        const QString vars = QString::fromUtf8(pg.readAllStandardOutput());
        const QString uri = vars.section("TAVRELIS_PG_URI=", 1).trimmed();
        const QString cluster = vars.section("TAVRELIS_PG_DIR=", 1).section(u'\n', 0, 0);
        const auto control = [&](const char* what) {
            QProcess c;
            c.start(pg_script, {QString::fromLatin1(what), cluster});
            return c.waitForFinished(120000) && c.exitCode() == 0;
        };
        const std::unique_ptr<const char, std::function<void(const char*)>> destroy(
            "destroy", [&](const char* w) { control(w); });

        QTemporaryDir dir;
        DemoHost place{dir.path()};
        QVERIFY(place.make_on(uri));
        QVERIFY(run_host(place, forming("28.01.2027")).exit_code == 0);
        const HostState written = capture_host(place.settlements(), place.settings());
        QVERIFY(!written.payments.isEmpty());

        tavrelis::data::Connection holder;
        holder.set_connection_string(tavrelis::data::access_connection_string(place.settlements()));
        holder.open();
        holder.execute("begin");
        holder.execute("lock table fsk_operations");
        QFuture<HostRun> run = QtConcurrent::run([&] {
            return run_host(
                place, {"Form1.DTPicker3 date 28.01.2027", "Form1.Command2 click", "answer OK"});
        });
        QTRY_VERIFY_WITH_TIMEOUT(place.value("select count(*) from pg_stat_activity "
                                             "where wait_event_type = 'Lock'") == "1",
                                 8000);
        QVERIFY(control("stop"));
        const HostRun r = run.result();
        QVERIFY2(!r.killed && r.exit_code >= 0, qPrintable(r.stderr_text));
        const QString said = r.transcript.join(u'\n');
        QVERIFY2(said.contains("Возникла ошибка в модуле Tavrelis.Form1.sluj1("), qPrintable(said));

        QVERIFY(control("resume"));
        const HostState after = capture_host(place.settlements(), place.settings());
        QCOMPARE(after.payments, written.payments);
    }
};

QTEST_MAIN(TestServer)
#include "tst_server.moc"
