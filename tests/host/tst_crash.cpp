// Kills tavrelis-host (SIGKILL) at seeded random points of its long runs, each session going
// on from what the last kill left, and checks the invariants after every kill and at the end.
// TAVRELIS_CRASH_SEED repeats a run.

#include "data/database_file.h"
#include "support/demo_host.h"
#include "support/faults.h"
#include "support/host_state.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

using testsupport::capture_host;
using testsupport::DemoHost;
using testsupport::HostState;
using testsupport::invariant_violations;
using testsupport::order_files;
using testsupport::query;
using testsupport::run_host;

namespace {

constexpr int kKillPoints = 20;
constexpr int kPauseMs = 20;
// Due dates of the runs' accruals, all on the taxpayer's first card, fourth quarter: the
// demo's 3 and 4,997 more for forming, 1,000 for export and posting, 50 for printing.
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

int count(const DemoHost& p, const QString& sql) {
    return p.value(sql).toInt();
}
int file_count(const QString& dir, const QString& ext) {
    return int(QDir(dir).entryList({u'*' + ext}, QDir::Files).size());
}

// A run kind: how far the work has gone, in units of `total`, and the script of the next
// session, made from what the last one left.
struct Run {
    const char* what;
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

    DemoHost place() {
        DemoHost p{dir_.filePath(QString::number(++place_count_))};
        if (!p.make(kAccruals))
            p.root.clear();
        return p;
    }

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
            const testsupport::KillAt kill{run.progress, target, &rng, kPauseMs};
            const testsupport::HostRun o = run_host(p, run.script(), &kill);
            // Every point lies inside the run: a session that ends by itself stopped short.
            QVERIFY2(o.killed, qPrintable(o.stderr_text));
            ++kills;
            check_state(p, prepared, last);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(kills, kKillPoints);
        const testsupport::HostRun o = run_host(p, run.script());
        QVERIFY2(o.exit_code == 0, qPrintable(o.stderr_text));
        QCOMPARE(o.transcript.mid(o.transcript.size() - last_lines.size()), last_lines);
        check_state(p, prepared, last);
        qInfo("%s: %d kill points (seed %u)", run.what, kills, seed_);
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
        QVERIFY(!p.root.isEmpty());
        const QStringList script{"Form1.DTPicker3 date " + kFormingDue, "Form1.Command2 click",
                                 "expect Form2.L1 rows 5000", "Form2.Command8 click"};
        const Run run{"forming 5,000 accruals", 5000,
                      [&] { return count(p, "select count(*) from payments"); },
                      [&] { return script; }};
        kill_run(p, run, {"show Form2", "close Form2"});
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(query(p.settlements(),
                       "select count(*),count(distinct number_),min(number_+0),max(number_+0) "
                       "from payments"),
                 (QVector<QStringList>{{"5000", "5000", "1", "5000"}}));
    }

    void export_run() {
        const DemoHost p = place();
        QVERIFY(!p.root.isEmpty());
        const auto script = [&] {
            const testsupport::OrderFiles done = order_files(p.exports(), ".xml");
            QStringList s{"Form1.DTPicker3 date " + kOutputDue, "Form1.Command2 click",
                          "Form2.Command6 click"};
            for (int r = 1; r <= 1000; ++r)
                if (!done.whole.contains(r))
                    s << QStringLiteral("Form2.L1 tick %1").arg(r);
            s << "Form2.Command10 click";
            if (!done.cut.isEmpty())
                s << "Form6.Command2 click";
            return s << "answer No \"Выгрузка в XML успешно выполнена. Открыть папку, содержащую "
                        "выгруженные документы?\""
                     << "Form2.Command8 click";
        };
        const Run run{"export run of 1,000 orders", 1000,
                      [&] { return file_count(p.exports(), ".xml"); }, script};
        kill_run(p, run, {"close Form2"});
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(int(order_files(p.exports(), ".xml").whole.size()), 1000);
    }

    // A slow mark (the test's trigger) lets kills fall between a payment and its mark.
    void posting_run() {
        const DemoHost p = place();
        QVERIFY(!p.root.isEmpty());
        QCOMPARE(testsupport::run_sql(p.settlements(),
                                      "create trigger slow_mark after update of payment_done on "
                                      "payments begin select count(*) from fsk_operations a, "
                                      "fsk_operations b where a.oper_id<=200 and b.oper_id<=500; "
                                      "end;"),
                 QString());
        const int paid_before = count(p, "select count(*) from fsk_operations where act_id=62");
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
            "posting run of 1,000 orders", 1000,
            [&] { return count(p, "select count(*) from payments where payment_done=1"); }, script};
        kill_run(p, run, {"close Form2"});
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(count(p, "select count(*) from payments where payment_done=1"), 1000);
        QCOMPARE(count(p, "select count(*) from fsk_operations where act_id=62") - paid_before,
                 1000);
    }

    // Printing with export and posting; each session reprints the orders with no whole sheet
    // under their numbers, typing the start number as a user who saw the sheets would.
    void print_run() {
        const DemoHost p = place();
        QVERIFY(!p.root.isEmpty());
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
        const Run run{"print run of 50 orders", 50, [&] { return file_count(p.pdfs(), ".pdf"); },
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

    // Folder changes written again and again, killed at random: the file is always one of
    // those written, whole.
    void settings_write() {
        const DemoHost p = place();
        QVERIFY(!p.root.isEmpty());
        constexpr int kFolders = 40;
        QRandomGenerator rng(seed_);
        const QString base = p.root + QStringLiteral("/folders/");
        const QRegularExpression written(
            QStringLiteral("^(%1s\\d+_\\d+|%2/home/\xCF\xCF)\r\n 0 \r\n 2026 \r\n\\z")
                .arg(QRegularExpression::escape(base), QRegularExpression::escape(p.root)));
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
                QFile f(p.settings());
                return f.open(QIODevice::ReadOnly)
                           ? folder.match(QString::fromLatin1(f.readAll())).captured(1).toInt()
                           : 0;
            };
            const testsupport::KillAt kill{progress, 1 + int(rng.bounded(kFolders - 5)), &rng,
                                           kPauseMs};
            const testsupport::HostRun o = run_host(p, script, &kill);
            QVERIFY2(o.killed, qPrintable(o.stderr_text));
            check_state(p, prepared, last);
            QFile f(p.settings());
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            QVERIFY2(written.match(QString::fromLatin1(bytes)).hasMatch(), bytes.constData());
        }
        const int in_write =
            int(QDir(p.root + "/appdata/V2_Payments").entryList(QDir::Files).size()) - 1;
        const testsupport::HostRun o = run_host(p, {"Form1.Command4 click"});
        QCOMPARE(o.exit_code, 0);
        QCOMPARE(o.transcript, (QStringList{"show Form1", "close Form1"}));
        qInfo("settings write: %d kill points, %d temporary files left by kills inside a write "
              "(seed %u)",
              kKillPoints, in_write, seed_);
    }
};

QTEST_MAIN(TestCrash)
#include "tst_crash.moc"
