// Forming n accruals (--n, 10,000 unless told) twice (every order new, then every order kept),
// rebuilding the formed-orders list of n rows, and the runs of «Выполнить» over the formed
// orders: an export run of 1,000 orders to XML (the template filled and the word processor's
// document made for each), a print run of 100 orders to PDF without preview, a posting run of
// 1,000 orders. Each against the bare SQL of the same run: the statements
// the module sent, recorded as the engine received them, replayed in a loop on a copy of
// the database as it stood before the run (prepare, step through every row reading every
// column, finalize), with the same journal settings. The statements are recorded in a first
// round that is not timed; the timed rounds record nothing and replay the first round's.
// Wall time counts the disk; the thread's CPU time is steadier on a shared machine.
// Budgets at 10,000: forming new under 1 s and under the bare SQL; the list rebuild
// under 0.4 s; the export run under 1 s; printing under 50 ms a sheet. Peak memory is the
// process's resident peak during each run.
// The host's databases are in write-ahead-log mode, as a host keeps them; `--journal delete`
// (or any other journal mode) measures a host that keeps a rollback journal. `--server URI`
// puts them on a PostgreSQL server instead and measures the forming and the list there, each
// against the bare libpq loop of the same statements replayed on a twin installation that has
// gone through the same statements before (budget 1.5 times the bare loop), and against the
// floors, each replayed on a twin of its own. `--rtt-ms N` puts a round trip of N ms between
// them and the server (a delaying proxy on loopback, latency_proxy.h) and tells the round trips
// each run waited for; `--no-bare` leaves the replays out; `--forming-only` measures the two
// formings and the list rebuild alone.

#include "common/form4.h"
#include "common/session.h"
#include "common/shared.h"
#include "data/bare_loop.h"
#include "data/connection.h"
#include "data/database_file.h"
#include "data/schema.h"
#include "data/statement_log.h"
#include "forming/form1.h"
#include "forming/forming.h"
#include "output/bank_upload.h"
#include "output/export_run.h"
#include "output/form2.h"
#include "output/form7.h"
#include "output/upload_journal.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "platform/recording_ui.h"
#include "platform/registry_file.h"
#include "platform/shell.h"

#include "latency_proxy.h"

#include <QApplication>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace tavrelis;

int kAccruals = 10000;
int kRounds = 3;
constexpr int kExported = 1000;
constexpr int kPrinted = 100;
QString journal = QStringLiteral("wal");

[[noreturn]] void die(const QString& what) {
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

void exec(data::Connection& db, const QString& sql, const QVariantList& params = {}) {
    try {
        db.execute(sql, params);
    } catch (const Error& e) {
        die(e.description() + QStringLiteral("\n  in ") + sql.left(200));
    }
}

// A consistent copy of the settlements database as it stands now.
QString snapshot(const QString& from, const QString& to) {
    QFile::remove(to);
    data::Connection db;
    db.set_connection_string(data::access_connection_string(from));
    db.open();
    db.execute(QStringLiteral("VACUUM INTO ?"), {to});
    return to;
}

// ---------------------------------------------------------------------------------------------
// The host installation: a taxpayer, one tax and period, 10,000 accruals due today, as many
// payments on the same card, a tenth of the accruals already paid.

void make_installation(const QString& dir) {
    if (const QString e = data::create_database(
            dir + "/Valmora2.mdb",
            data::taxpayer_schema_sql() +
                ";insert into accstream values (1,10,'Комплект');"
                "insert into person values (10,2,100);"
                "insert into legalperson values (100,'7701000001','770101001','ООО "
                "\"Ромашка\"','');"
                "insert into report_time values (2,'к');"
                "insert into time_by_month (TIME_ID,REPORT_ID,name,the_year) values "
                "(1,2,'I квартал',2026),(2,2,'II квартал',2026);"
                "insert into nsi_taxlist values ('101','Налог на прибыль','18210101011011000110');",
            journal);
        !e.isEmpty())
        die(e);
    QString script =
        data::settlements_schema_sql() +
        ";insert into fsk_cardlist values (1,1,'101',null);"
        "insert into fsk_actions values (41,4,1,'Начислено'),(11,1,1,'Уплата');"
        "insert into requisites (self_inn,self_kpp,kbk,receiver,inn,kpp,okato,bik,bank,rs,"
        "ks) values ('7701000001','770101001','','УФК по г. Москве (ИФНС России № 1)',"
        "'7701107259','770101001','45286555000','044583001','Отделение 1 Москва',"
        "'40101810800000010041','');"
        "insert into self_requisites (inn,kpp,sender,okato,bik,bank,rs,ks,closed) values "
        "('7701000001','770101001','ООО \"Ромашка\"','45286560000','044525225','ПАО Банк',"
        "'40702810938000000001','30101810400000000225',0),"
        "('7701000001','770101001','закрыт','','','','','',1);";
    for (int i = 0; i < 100; ++i)
        script += QStringLiteral("insert into requisites (self_inn,self_kpp,kbk,receiver) values "
                                 "('77%1','770101001','','другой');")
                      .arg(i, 8, 10, QLatin1Char('0'));
    if (const QString e = data::create_database(dir + "/Fsk_Base.mdb", script, journal);
        !e.isEmpty())
        die(e);
    data::Connection st;
    st.set_connection_string(data::access_connection_string(dir + "/Fsk_Base.mdb"));
    st.open();
    exec(st, "begin");
    for (int i = 1; i <= 2 * kAccruals; ++i) {
        const bool accrual = i <= kAccruals;
        exec(st,
             "insert into fsk_operations (oper_id,card_id,deleted,act_id,term_day,summa,"
             "period_name,docum_date) values (?,1,0,?,?,?,?,?)",
             {qlonglong(i), qlonglong(accrual ? 41 : 11),
              QString(accrual ? "2026-05-14" : "2026-04-28"), 1000.0 + i * 1.135,
              QString(accrual ? "II квартал 2026" : "I квартал 2026"),
              i % 2 ? QVariant(QStringLiteral("2026-03-31")) : QVariant()});
    }
    exec(st, QStringLiteral("insert into fact_payments (oper_id,summa) select oper_id,summa from "
                            "fsk_operations where oper_id<=%1 and oper_id%10=0")
                 .arg(kAccruals));
    exec(st, "commit");
}

void write_registry(const QString& file, const QString& data) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::exit(1);
    f.write(QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\General]\r\n"
                           "\"DataBasePath\"=\"%1/\"\r\n\r\n")
                .arg(data)
                .toUtf8());
    f.close();
    platform::set_registry_file(file);
}

// ---------------------------------------------------------------------------------------------
// Timing.

struct Clock {
    QElapsedTimer wall;
    double cpu0 = 0;
    static double cpu_now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    }
    void start() {
        wall.start();
        cpu0 = cpu_now();
    }
};

struct Best {
    double wall = 1e9, cpu = 1e9;
    void take(const Clock& c) {
        wall = std::min(wall, double(c.wall.nsecsElapsed()) / 1e9);
        cpu = std::min(cpu, Clock::cpu_now() - c.cpu0);
    }
    void take(const data::LoopTime& t) {
        wall = std::min(wall, t.wall);
        cpu = std::min(cpu, t.cpu);
    }
};

struct Phase {
    const char* name;
    double budget; // seconds of wall time
    double ratio_budget;
    Best module, bare;
    size_t statements = 0;
    qint64 peak_kb = 0;
    long long round_trips = -1; // through the proxy; -1 without one
    // The floors: each statement text compiled once, each statement its own transaction (as
    // the module must run them), and all in one transaction.
    Best floor = {}, one = {};
    double floor_budget = 0; // of the module's wall time to the per-statement floor; 0: none
    double one_budget = 0;   // ... to the one-transaction floor
    // The file holding the statements of the run in the recording round, which the timed
    // rounds replay.
    QString recorded = {};
};

std::unique_ptr<LatencyProxy> proxy;
bool no_bare = false;
// Only the formings and the list rebuild (--forming-only), for profiling them.
bool forming_only = false;

// A link file of the installation pointed at the proxy in the server's place.
void through_proxy(const QString& link_file) {
    QFile f(link_file);
    if (!f.open(QIODevice::ReadOnly))
        die("cannot read " + link_file);
    const QString link = QString::fromUtf8(f.readAll()).trimmed();
    f.close();
    const QString server = data::database_server();
    QString tail = link.mid(server.size()); // "?options=..." or "&options=..."
    const QString uri = proxy->uri();
    if (!tail.isEmpty())
        tail[0] = uri.contains(u'?') ? u'&' : u'?';
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write((uri + tail + u'\n').toUtf8()) < 0)
        die("cannot write " + link_file);
}

// The process's resident peak since the last reset, in kB; resetting it lets each run be
// measured on its own.
qint64 peak_kb(bool reset) {
    if (reset) {
        malloc_trim(0); // what earlier runs freed is not counted again
        QFile f("/proc/self/clear_refs");
        if (f.open(QIODevice::WriteOnly))
            f.write("5");
        return 0;
    }
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// «Выполнить» with the check boxes set for one kind of run, over the first `ticked` rows.
void run_kind(QCheckBox* on, int ticked) {
    Form2& f2 = form2();
    OrderList& list = f2.orders();
    list.set_all_ticks(false);
    for (int r = 0; r < ticked && r < list.rowCount(); ++r)
        list.set_ticked(r, true);
    for (QCheckBox* c : {f2.Check3, f2.Check4, f2.Check1, f2.Check2}) {
        const QSignalBlocker b(c);
        c->setChecked(c == on);
    }
    Command10_Click();
}

// «Выгрузить в банк-клиент» over the last `ticked` rows, which no earlier run printed or paid.
void upload_last(int ticked) {
    OrderList& list = form2().orders();
    list.set_all_ticks(false);
    for (int r = std::max(0, list.rowCount() - ticked); r < list.rowCount(); ++r)
        list.set_ticked(r, true);
    Command11_Click();
}

// The statements of a run, as written in (for the bare loop) and as sent (for the floors).
struct Recording {
    std::vector<std::string> sent;
    std::vector<data::SentStatement> as_sent;
};

// Kept on disk between the rounds, so that a timed run's peak of memory is not the recording's.
void keep(const QString& file, const Recording& r) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        die("cannot write " + file);
    QDataStream out(&f);
    out << qint64(r.sent.size());
    for (const std::string& s : r.sent)
        out << QByteArray::fromStdString(s);
    out << qint64(r.as_sent.size());
    for (const data::SentStatement& s : r.as_sent)
        out << s.sql << s.params << s.numbered;
    if (out.status() != QDataStream::Ok || !f.flush())
        die("cannot write " + file);
}

Recording kept(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        die("cannot read " + file);
    QDataStream in(&f);
    Recording r;
    qint64 n = 0;
    in >> n;
    r.sent.reserve(size_t(n));
    for (qint64 i = 0; i < n; ++i) {
        QByteArray s;
        in >> s;
        r.sent.push_back(s.toStdString());
    }
    in >> n;
    r.as_sent.resize(size_t(n));
    for (data::SentStatement& s : r.as_sent)
        in >> s.sql >> s.params >> s.numbered;
    if (in.status() != QDataStream::Ok)
        die("cannot read " + file);
    return r;
}

// What a database holds, table by table: its rows as the engine's texts, in no particular
// order (a server returns them in its own). Left out: the columns that hold when and where the
// run took place (the bank upload's clock and its round's folder), which a replay of another
// round's statements writes as that round had them.
QStringList contents(const QString& path) {
    static const QStringList of_the_moment = {
        QStringLiteral("bank_uploads.file_name"), QStringLiteral("bank_uploads.file_hash"),
        QStringLiteral("bank_uploads.created"), QStringLiteral("bank_uploads.claimed_utc")};
    const bool server = !data::link_uri(path).isEmpty();
    const data::Rows tables = data::read_rows(
        path, server ? QStringLiteral("select table_name from information_schema.tables where "
                                      "table_schema=current_schema() and table_type='BASE TABLE' "
                                      "order by 1")
                     : QStringLiteral("select name from sqlite_master where type='table' and "
                                      "name not like 'sqlite_%' order by 1"));
    if (!tables.error.isEmpty())
        die(path + ": " + tables.error);
    QStringList out;
    for (const QVariantList& t : tables.rows) {
        const QString table = t.value(0).toString();
        const data::Rows rows = data::read_rows(path, "select * from " + table, true);
        if (!rows.error.isEmpty())
            die(path + ": " + rows.error);
        std::vector<qsizetype> kept;
        for (qsizetype c = 0; c < rows.columns.size(); ++c)
            if (!of_the_moment.contains(table.toLower() + u'.' + rows.columns[c]))
                kept.push_back(c);
        std::vector<QString> lines;
        lines.reserve(size_t(rows.rows.size()));
        for (const QVariantList& row : rows.rows) {
            QString line;
            for (const qsizetype c : kept)
                line += (row[c].isNull() ? QStringLiteral("\x1e") : row[c].toString()) + u'\x1f';
            lines.push_back(std::move(line));
        }
        std::sort(lines.begin(), lines.end());
        QCryptographicHash hash(QCryptographicHash::Sha1);
        for (const QString& line : lines)
            hash.addData(line.toUtf8());
        out << QStringLiteral("%1: %2 rows, %3")
                   .arg(table)
                   .arg(lines.size())
                   .arg(QString::fromLatin1(hash.result().toHex()));
    }
    return out;
}

// A replay of the recording round's statements must leave its copy as the timed run left the
// module's database; otherwise the run did other work than the statements replayed, and the
// ratios would compare different things. (On a server this also keeps each twin in the state
// the next run starts from.)
void same_contents(const char* phase, const QString& module, const QStringList& expected,
                   const QString& replayed) {
    const QStringList got = contents(replayed);
    if (got == expected)
        return;
    QString what;
    for (qsizetype i = 0; i < std::max(expected.size(), got.size()); ++i)
        if (expected.value(i) != got.value(i))
            what += "\n  " + module + ": " + expected.value(i) + "\n  " + replayed + ": " +
                    got.value(i);
    die(QStringLiteral("%1: the replay of the recorded statements did not leave the database "
                       "as the timed run did:%2")
            .arg(QString::fromLatin1(phase).trimmed(), what));
}

// The server's twin installations, each having gone through the same statements as the
// module's own before each run: one for the bare loop, one for each floor, since each replay
// changes its twin as the run changed the module's database.
struct Twins {
    QString bare, floor, one; // their settlements databases
};
bool on_server = false;
Twins twins;
bool recording_round = false;

// In the recording round, runs the module once recording the statements it sends. In a timed
// round, times one run of the module, recording nothing, then replays the recording round's
// statements of the same run on copies of the database as it stood before the run: the
// installation is made anew and alike each round, and the module's runs on it are the same,
// which the copies' contents after the replays confirm.
template <class Run>
void measure(Phase& phase, const QString& settlements, const QString& copy, Run run) {
    if (recording_round) {
        Recording r;
        data::start_recording(&r.sent, &r.as_sent);
        run();
        data::stop_recording();
        phase.statements = r.sent.size();
        phase.recorded = copy + ".statements";
        keep(phase.recorded, r);
        return;
    }
    if (!on_server && !no_bare) {
        snapshot(settlements, copy);
        snapshot(settlements, copy + ".floor");
        snapshot(settlements, copy + ".one");
    }
    peak_kb(true);
    if (proxy)
        proxy->reset_round_trips();
    Clock t;
    t.start();
    run();
    phase.module.take(t);
    if (proxy)
        phase.round_trips = proxy->round_trips();
    phase.peak_kb = std::max(phase.peak_kb, peak_kb(false));
    if (no_bare)
        return;
    const QStringList after = contents(settlements);
    const Recording r = kept(phase.recorded);
    const QString bare = on_server ? twins.bare : copy;
    const QString floor = on_server ? twins.floor : copy + ".floor";
    const QString one = on_server ? twins.one : copy + ".one";
    phase.bare.take(on_server ? data::bare_loop_pg(bare, r.sent)
                              : data::bare_loop(bare, r.sent, journal));
    phase.floor.take(on_server ? data::prepared_loop_pg(floor, r.as_sent, false)
                               : data::prepared_loop(floor, r.as_sent, false, journal));
    phase.one.take(on_server ? data::prepared_loop_pg(one, r.as_sent, true)
                             : data::prepared_loop(one, r.as_sent, true, journal));
    for (const QString& replayed : {bare, floor, one})
        same_contents(phase.name, settlements, after, replayed);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--journal")); i > 0 && i + 1 < args.size())
        journal = args[i + 1];
    if (const qsizetype i = args.indexOf(QStringLiteral("--n")); i > 0 && i + 1 < args.size())
        // The bank upload takes orders the posting run left unpaid: twice the runs' 1,000.
        kAccruals = std::max(args[i + 1].toInt(), 2 * kExported);
    if (kAccruals > 10000)
        kRounds = 1;
    const qsizetype server = args.indexOf(QStringLiteral("--server"));
    if (server > 0 && server + 1 < args.size())
        data::set_database_server(args[server + 1]);
    on_server = !data::database_server().isEmpty();
    no_bare = args.contains(QStringLiteral("--no-bare"));
    forming_only = args.contains(QStringLiteral("--forming-only"));
    if (const qsizetype i = args.indexOf(QStringLiteral("--rtt-ms"));
        i > 0 && i + 1 < args.size()) {
        if (data::database_server().isEmpty())
            die("--rtt-ms needs --server");
        proxy = std::make_unique<LatencyProxy>(data::database_server(), args[i + 1].toDouble());
        if (!proxy->ok())
            die("latency proxy: " + proxy->error());
        kRounds = 1;
    }
    platform::set_today(QDate(2026, 5, 14));

    // Budgets of time grow with n from those at 10,000.
    const double scale = std::max(1.0, kAccruals / 10000.0);
    // The forming sends two statements an order, both of them work, so its ratio to their bare
    // replay is bounded by 1 (no more of its own cost than the statements' compiling).
    Phase phases[] = {{"forming, all new ", 1.0 * scale, 1.0, {}, {}, 0},
                      {"forming, all kept", 1.0 * scale, 0.0, {}, {}, 0},
                      {"list rebuild     ", 0.4 * scale, 0.0, {}, {}, 0},
                      {"export run, 1000 ", 1.0, 0.0, {}, {}, 0},
                      {"print run, 100   ", 0.05 * kPrinted, 0.0, {}, {}, 0},
                      {"posting run, 1000", 1e9, 0.0, {}, {}, 0},
                      {"bank upload, 1000", 1.0, 0.0, {}, {}, 0}};
    // Against the floors: the forming no more than 1.2 times its statements run as kept
    // compiled statements each in its own transaction; the list rebuild (one select) no more
    // than 1.5 times that select alone.
    phases[0].floor_budget = 1.2;
    phases[2].one_budget = 1.5;

    // Every round's files stay until the end: a round's thousands of deletions would slow the
    // file system's next file creations, and so the next round's export run, which a user's
    // export run does not meet. Round 0 records the statements and is not counted.
    std::vector<std::unique_ptr<QTemporaryDir>> rounds;
    for (int round = 0; round <= kRounds; ++round) {
        recording_round = round == 0;
        QTemporaryDir& dir = *rounds.emplace_back(std::make_unique<QTemporaryDir>());
        if (!dir.isValid())
            return 1;
        const QString data = dir.filePath("Data");
        QDir().mkpath(data);
        QDir().mkpath(dir.filePath("appdata"));
        qputenv("APPDATA", QFile::encodeName(dir.filePath("appdata")));
        // The word processor's documents are made in the temporary folder under fixed names,
        // which other programs on a shared machine may be writing at the same moment.
        QDir().mkpath(dir.filePath("temp"));
        qputenv("TEMP", QFile::encodeName(dir.filePath("temp")));
        make_installation(data);
        if (on_server) {
            QStringList links = {data + "/Fsk_Base.mdb", data + "/Valmora2.mdb"};
            if (!recording_round && !no_bare) {
                for (const char* name : {"Twin", "TwinFloor", "TwinOne"}) {
                    QDir().mkpath(dir.filePath(name));
                    make_installation(dir.filePath(name));
                }
                twins = {dir.filePath("Twin/Fsk_Base.mdb"), dir.filePath("TwinFloor/Fsk_Base.mdb"),
                         dir.filePath("TwinOne/Fsk_Base.mdb")};
                links << twins.bare << twins.floor << twins.one;
            }
            if (proxy)
                for (const QString& link : links)
                    through_proxy(link);
        }
        write_registry(dir.filePath("registry.reg"), data);
        const QString settlements = data + "/Fsk_Base.mdb";

        platform::RecordingUi ui;
        platform::UiScope scope(ui);
        {
            Session session;
            Form1& f1 = form1();
            f1.req1(1);
            f1.Text1->setText("1");
            shared().my_color = 0xC0C000;

            measure(phases[0], settlements, dir.filePath("before1.db"), [] { sluj1(); });
            measure(phases[1], settlements, dir.filePath("before2.db"), [] { sluj1(); });
            measure(phases[2], settlements, dir.filePath("before3.db"),
                    [] { form2().refresh_list(); });
            const int rows = form2().L1->model()->rowCount();
            const bool quiet = ui.boxes.isEmpty();
            if (on_server || forming_only) {
                if (!quiet || rows != kAccruals)
                    return 1;
                continue;
            }

            shared().up_path = dir.filePath("export");
            platform::set_print_folder(dir.filePath("print"));
            QDir().mkpath(dir.filePath("print"));
            measure(phases[3], settlements, dir.filePath("before4.db"),
                    [] { run_kind(form2().Check3, kExported); });
            measure(phases[4], settlements, dir.filePath("before5.db"),
                    [] { run_kind(form2().Check4, kPrinted); });
            measure(phases[5], settlements, dir.filePath("before6.db"),
                    [] { run_kind(form2().Check2, kExported); });
            const int exported = int(QDir(dir.filePath("export")).entryList({"*.xml"}).size());
            const int printed = int(QDir(dir.filePath("print")).entryList({"*.pdf"}).size());

            if (!quiet || rows != kAccruals || exported != kExported || printed != kPrinted) {
                std::fprintf(stderr, "unexpected: %d rows, %d exported, %d printed, %d boxes\n",
                             rows, exported, printed, int(ui.boxes.size()));
                return 1;
            }

            // The bench's receivers are names alone: the check window lists them, and the
            // orders go all the same; the folder is not opened.
            platform::RecordingOpener opener;
            platform::OpenerScope opened(opener);
            ui.on_show.push_back([](QDialog& w) {
                if (auto* f7 = qobject_cast<Form7*>(&w))
                    f7->Command1_Click();
            });
            // A tenth of the accruals are paid: the question leaves them out.
            ui.answers = {platform::vbNo, platform::vbNo};
            ensure_upload_journal(shared().cnn); // made once, before the copy the replay runs on
            const qsizetype boxes_before = ui.boxes.size();
            measure(phases[6], settlements, dir.filePath("before7.db"),
                    [] { upload_last(kExported); });
            const qsizetype files =
                QDir(dir.filePath("export")).entryList({"to_bank_*.txt"}).size();
            if (files != 1 || ui.boxes.size() != boxes_before + 2) {
                std::fprintf(stderr, "unexpected upload: %d files, boxes: %s\n", int(files),
                             qPrintable(ui.texts().join(u'|')));
                return 1;
            }
        }
    }

    QTextStream out(stdout);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(3);
    out << "bench_forming: " << kAccruals << " accruals, best of " << kRounds << " rounds, "
        << (!on_server ? "journal_mode=" + journal : QStringLiteral("PostgreSQL server")) << "\n";
    bool within = true;
    for (Phase& p : phases) {
        if (forming_only && p.statements == 0)
            continue;
        if (on_server) {
            if (p.statements == 0)
                continue;
            p.budget = 1e9;
            // The formings against the naive loop; the list is one select, which no loop
            // of the same statement can undercut by much.
            p.ratio_budget = &p == &phases[2] ? 0.0 : 1.5;
            // The floors' budgets are set for files.
            p.floor_budget = 0;
            p.one_budget = 0;
        }
        const double ratio = p.module.wall / p.bare.wall;
        // The ratio's budget is set for 10,000 orders and more: below, the fixed costs weigh.
        const bool ok = p.module.wall < p.budget &&
                        (p.ratio_budget == 0 || kAccruals < 10000 || ratio < p.ratio_budget);
        within = within && ok;
        out << p.name << ": " << p.statements << " statements; wall module " << p.module.wall;
        if (no_bare)
            out << " s; cpu module " << p.module.cpu << " s";
        else
            out << " s, bare SQL " << p.bare.wall << " s, ratio " << ratio << "; cpu module "
                << p.module.cpu << " s, bare SQL " << p.bare.cpu << " s, ratio "
                << p.module.cpu / p.bare.cpu;
        out << "; peak " << p.peak_kb / 1024 << " MB";
        if (p.floor.wall < 1e8) {
            const double to_floor = p.module.wall / p.floor.wall;
            const double to_one = p.module.wall / p.one.wall;
            const bool floors_ok = (p.floor_budget == 0 || to_floor <= p.floor_budget) &&
                                   (p.one_budget == 0 || to_one <= p.one_budget);
            within = within && floors_ok;
            out << "; floor " << p.floor.wall << " s (cpu " << p.floor.cpu << " s), ratio "
                << to_floor << "; one transaction " << p.one.wall << " s, ratio " << to_one
                << (floors_ok ? "" : "  OVER THE FLOOR");
        }
        if (p.round_trips >= 0)
            out << "; round trips " << p.round_trips << " (" << double(p.round_trips) / kAccruals
                << " an order)";
        out << (ok ? "" : "  OVER BUDGET") << "\n";
    }
    return within ? 0 : 2;
}
