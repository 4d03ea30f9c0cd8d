// Kills tavrelis-host (SIGKILL) at seeded random points of its long runs, each session going
// on from what the last kill left, and checks the invariants after every kill and at the end.
// TAVRELIS_CRASH_SEED repeats a run.

#include "data/database_file.h"
#include "support/demo_host.h"
#include "support/faults.h"
#include "support/host_state.h"
#include "support/support.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

using namespace testsupport;

namespace {

constexpr int kKillPoints = 20;
constexpr int kPauseMs = 5;
// Due dates of the runs' accruals, all on the taxpayer's first card, fourth quarter: the
// demo's 3 and 4,997 more for forming, 1,000 for posting, 50 for printing.
const QString kFormingDue = QStringLiteral("28.01.2027");
const QString kOutputDue = QStringLiteral("27.01.2027");
const QString kPrintDue = QStringLiteral("26.01.2027");
// Every amount differs, so that a payment in the card names its order.
const QString kAccruals = QStringLiteral(
    "with recursive n(i) as (select 1 union all select i+1 from n where i<6047) "
    "insert into fsk_operations (card_id,deleted,input_day,act_id,term_day,summa,docum,"
    "period_name) select 1,0,'2026-12-01',1,case when i<=4997 then '2027-01-28' when "
    "i<=5997 then '2027-01-27' else '2027-01-26' end,1000+i/100.0,'Расчет налога',"
    "'IV квартал 2026' from n;");

// A trigger that makes each of these writes slow: a join of a rows by b.
bool slow_down(const DemoHost& p, const QString& event, int a, int b) {
    return run_sql(p.settlements(),
                   QStringLiteral("create trigger slow after %1 begin select count(*) from "
                                  "fsk_operations a, fsk_operations b where a.oper_id<=%2 and "
                                  "b.oper_id<=%3; end;")
                       .arg(event)
                       .arg(a)
                       .arg(b))
        .isEmpty();
}

// A run kind: how far the work has gone, in units of `total`, and the script of the next
// session, made from what the last one left.
struct Run {
    int total;
    std::function<int()> progress;
    std::function<QStringList()> script;
};

} // namespace

class TestCrash : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    quint32 seed_ = 0;
    int place_count_ = 0;

    DemoHost place() { return {dir_.filePath(QString::number(++place_count_))}; }

    void check_state(const DemoHost& p, const HostState& prepared, HostState& last) {
        for (const QString& db : {p.settlements(), p.taxpayer()})
            QCOMPARE(tavrelis::data::integrity_check(db), QStringLiteral("ok"));
        const HostState now = capture_host(p.settlements(), p.settings());
        QStringList broken = invariant_violations(prepared, now) + invariant_violations(last, now);
        broken.removeDuplicates();
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
        QVERIFY2(order_files(p.exports(), ".xml").cut.size() <= 1,
                 "more than one export file is cut short");
        last = now;
    }

    void kill_run(const DemoHost& p, const Run& run, const QStringList& last_lines) {
        QRandomGenerator rng(seed_ + place_count_);
        QList<int> points;
        // Short of the end, so that the kills' overshoot leaves room for every point.
        for (int i = 0; i < kKillPoints; ++i)
            points << 1 + int(rng.bounded(run.total * 19 / 20));
        std::sort(points.begin(), points.end());
        const HostState prepared = capture_host(p.settlements(), p.settings());
        HostState last = prepared;
        int kills = 0;
        for (int point : points) {
            const int target = std::max(point, run.progress() + 1);
            if (target >= run.total)
                break;
            const KillAt kill{run.progress, target, &rng, kPauseMs};
            const HostRun o = run_host(p, run.script(), &kill);
            // Every point lies inside the run: a session that ends by itself stopped short.
            QVERIFY2(o.killed, qPrintable(o.stderr_text));
            ++kills;
            check_state(p, prepared, last);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(kills, kKillPoints);
        const HostRun o = run_host(p, run.script());
        QVERIFY2(o.exit_code == 0, qPrintable(o.stderr_text));
        QCOMPARE(o.transcript.mid(o.transcript.size() - last_lines.size()), last_lines);
        check_state(p, prepared, last);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        bool given = false;
        seed_ = qgetenv("TAVRELIS_CRASH_SEED").toUInt(&given);
        if (!given)
            seed_ = QRandomGenerator::system()->generate();
        qInfo("seed %u (TAVRELIS_CRASH_SEED=%u repeats the kill points)", seed_, seed_);
    }

    void forming() {
        const DemoHost p = place();
        QVERIFY(p.make(kAccruals));
        // A slow insert (the test's trigger) keeps the kills apart: a forming that stores an
        // order in a few microseconds runs on past the point while a kill is on its way.
        QVERIFY(slow_down(p, "insert on payments", 100, 100));
        const QStringList script{"Form1.DTPicker3 date " + kFormingDue, "Form1.Command2 click",
                                 "expect Form2.L1 rows 5000", "Form2.Command8 click"};
        const Run run{5000, [&] { return p.value("select count(*) from payments").toInt(); },
                      [&] { return script; }};
        kill_run(p, run, {"show Form2", "close Form2"});
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(query(p.settlements(),
                       "select count(*),count(distinct number_),min(number_+0),max(number_+0) "
                       "from payments"),
                 (QVector<QStringList>{{"5000", "5000", "1", "5000"}}));
    }

    // A slow mark (the test's trigger) lets kills fall between a payment and its mark.
    void posting_run() {
        const DemoHost p = place();
        QVERIFY(p.make(kAccruals));
        QVERIFY(slow_down(p, "update of payment_done on payments", 200, 500));
        const int paid_before =
            p.value("select count(*) from fsk_operations where act_id=62").toInt();
        const auto script = [&] {
            const auto orders =
                query(p.settlements(), "select number_,oper_id from payments where payment_done=0");
            const int todo = orders.isEmpty() ? 1000 : int(orders.size());
            QStringList s{"Form1.DTPicker3 date " + kOutputDue, "Form1.Command2 click",
                          "Form2.Check3 uncheck", "Form2.Check2 check"};
            if (!orders.isEmpty())
                s << "Form2.Command6 click";
            for (const QStringList& o : orders)
                s << QStringLiteral("expect Form2.L1 %1 29 \"%2\"").arg(o[0], o[1])
                  << "Form2.L1 tick " + o[0];
            return s << "Form2.Command10 click"
                     << QStringLiteral("answer OK \"Проведено %1 операций уплаты в 1 карточек "
                                       "расчета с бюджетом\"")
                            .arg(todo)
                     << "Form2.Command8 click";
        };
        const Run run{
            1000,
            [&] { return p.value("select count(*) from payments where payment_done=1").toInt(); },
            script};
        kill_run(p, run, {"close Form2"});
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(p.value("select count(*) from payments where payment_done=1").toInt(), 1000);
        QCOMPARE(p.value("select count(*) from fsk_operations where act_id=62").toInt() -
                     paid_before,
                 1000);
    }

    // Printing with export and posting; each session reprints the orders with no whole sheet
    // under their numbers, typing the start number as a user who saw the sheets would.
    void print_run() {
        const DemoHost p = place();
        QVERIFY(p.make(kAccruals));
        QHash<QString, int> row_of; // oper_id -> list row, as the first forming numbered them
        const auto script = [&] {
            const auto orders = query(p.settlements(), "select oper_id,number_+0,payment_done,"
                                                       "print_done from payments");
            if (row_of.isEmpty())
                for (const QStringList& o : orders)
                    row_of.insert(o[0], o[1].toInt());
            const QSet<int> printed = order_files(p.pdfs(), ".pdf").whole;
            const QSet<int> exported =
                order_files(p.exports(), ".xml").whole + order_files(p.exports(), ".xml").cut;
            int next = 1, todo = orders.isEmpty() ? 50 : 0;
            bool asked = false;
            QStringList ticks;
            for (const QStringList& o : orders) {
                const int number = o[1].toInt();
                const bool done = o[3] == "1";
                if (done)
                    next = std::max(next, number + 1);
                if (done && printed.contains(number))
                    continue;
                todo += o[2] == "0";
                // An order posted or exported already is asked about, once for all.
                asked = asked || o[2] == "1" || (done && exported.contains(number));
                ticks << QStringLiteral("expect Form2.L1 %1 29 \"%2\"").arg(row_of[o[0]]).arg(o[0])
                      << QStringLiteral("Form2.L1 tick %1").arg(row_of[o[0]]);
            }
            QStringList s{"Form1.DTPicker3 date " + kPrintDue,
                          "Form1.Text1 text \"" + QString::number(next) + u'"',
                          "Form1.Command2 click",
                          "Form2.Check2 check",
                          "Form2.Check4 check",
                          "Form2.Check1 uncheck"};
            if (!orders.isEmpty())
                s << "Form2.Command6 click" << ticks;
            s << "Form2.Command10 click";
            if (asked)
                s << "Form6.Command2 click";
            return s << "answer No"
                     << QStringLiteral("answer OK \"Проведено %1 операций уплаты в 1 "
                                       "карточек расчета с бюджетом\"")
                            .arg(todo)
                     << "Form2.Command8 click";
        };
        const Run run{50,
                      [&] { return int(QDir(p.pdfs()).entryList({"*.pdf"}, QDir::Files).size()); },
                      script};
        kill_run(p, run, {"close Form2"});
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(int(order_files(p.pdfs(), ".pdf").whole.size()), 50);
        QCOMPARE(int(order_files(p.exports(), ".xml").whole.size()), 50);
        QCOMPARE(query(p.settlements(), "select count(*),sum(print_done),sum(payment_done),"
                                        "count(distinct number_) from payments"),
                 (QVector<QStringList>{{"50", "50", "50", "50"}}));
    }

    // Folder changes written again and again, killed at random: the settings file is always
    // there and whole.
    void settings_write() {
        const DemoHost p = place();
        QVERIFY(p.make(kAccruals));
        constexpr int kFolders = 40;
        QRandomGenerator rng(seed_);
        const QString base = p.root + QStringLiteral("/folders/");
        const HostState prepared = capture_host(p.settlements(), p.settings());
        HostState last = prepared;
        for (int s = 0; s < kKillPoints; ++s) {
            QStringList script{"Form1.Combo9 select \"пошлина\"", "Form1.Command2 click"};
            for (int i = 1; i <= kFolders; ++i) {
                const QString folder = base + QStringLiteral("s%1_%2").arg(s).arg(i);
                QVERIFY(QDir().mkpath(folder));
                script << "Form2.Command3 click"
                       << "answer Yes"
                       << "Form4.Dir1 path \"" + folder + u'"' << "Form4.Command1 click"
                       << "Form2.Command1 click"
                       << "Form1.Command2 click";
            }
            script << "Form2.Command8 click";
            const QRegularExpression folder(QStringLiteral("/s%1_(\\d+)\r\n").arg(s));
            const auto progress = [&] {
                return folder.match(QString::fromLatin1(read_file(p.settings())))
                    .captured(1)
                    .toInt();
            };
            const KillAt kill{progress, 1 + int(rng.bounded(kFolders / 2)), &rng, kPauseMs};
            const HostRun o = run_host(p, script, &kill);
            QVERIFY2(o.killed, qPrintable(o.stderr_text));
            check_state(p, prepared, last); // the file whole, if there
            QVERIFY2(last.settings_present, "the settings file is gone");
        }
        const HostRun o = run_host(p, {"Form1.Command4 click"});
        QCOMPARE(o.transcript, (QStringList{"show Form1", "close Form1"}));
    }
};

QTEST_MAIN(TestCrash)
#include "tst_crash.moc"
