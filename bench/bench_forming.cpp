// Forming 10,000 accruals twice (every order new, then every order kept) and rebuilding the
// formed-orders list of 10,000 rows, each against the bare SQL of the same run: the statements
// the module sent, recorded through SQLite's statement trace, replayed in a loop on a copy of
// the database as it stood before the run (prepare, step through every row reading every
// column, finalize), with the same journal settings and an equivalent format().
// Wall time counts the disk; the thread's CPU time is steadier on a shared machine.
// Budgets: forming under 2 s and under twice the bare SQL; the list rebuild under 1 s.
// The host's databases are in write-ahead-log mode, as a host keeps them; `--journal delete`
// (or any other journal mode) measures a host that keeps a rollback journal.

#include "common/form4.h"
#include "common/session.h"
#include "data/schema.h"
#include "forming/form1.h"
#include "forming/forming.h"
#include "output/form2.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "platform/registry_file.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

using namespace tavrelis;

constexpr int kAccruals = 10000;
constexpr int kRounds = 3;
QString journal = QStringLiteral("wal");

// ---------------------------------------------------------------------------------------------
// Recording what the module sends.

std::vector<std::string>* recording = nullptr;

int on_trace(unsigned type, void*, void*, void* x) {
    if (type == SQLITE_TRACE_STMT && recording)
        recording->emplace_back(static_cast<const char*>(x));
    return 0;
}

// Runs for every connection opened after it is registered, the module's included.
int on_open(sqlite3* db, const char**, const sqlite3_api_routines*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, on_trace, nullptr);
    return SQLITE_OK;
}

// ---------------------------------------------------------------------------------------------
// Databases through the bare API.

[[noreturn]] void die(const char* what, sqlite3* db) {
    std::fprintf(stderr, "%s: %s\n", what, db ? sqlite3_errmsg(db) : "?");
    std::exit(1);
}

sqlite3* open_db(const QString& path, int flags = SQLITE_OPEN_READWRITE) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        die("open", db);
    return db;
}

void exec(sqlite3* db, const QString& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n  in %s\n", err, qPrintable(sql.left(200)));
        std::exit(1);
    }
}

// format(<d.m.yyyy>,'dd.mm.yyyy') as the module's connection answers it: the ISO date.
void iso_format(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    int d = 0, m = 0, y = 0;
    if (!p || std::sscanf(p, "%d.%d.%d", &d, &m, &y) != 3) {
        sqlite3_result_null(ctx);
        return;
    }
    char out[16];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", y, m, d);
    sqlite3_result_text(ctx, out, -1, SQLITE_TRANSIENT);
}

// The settings the module's connection works with: the file's journal mode, and in
// write-ahead-log mode synchronous=NORMAL.
sqlite3* open_bare(const QString& path) {
    sqlite3* db = open_db(path);
    sqlite3_busy_timeout(db, 5000);
    exec(db, "PRAGMA journal_mode=" + journal);
    if (journal == QLatin1String("wal"))
        exec(db, "PRAGMA synchronous=NORMAL");
    sqlite3_create_function_v2(db, "format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               iso_format, nullptr, nullptr, nullptr);
    return db;
}

size_t bare_run(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        die("bare prepare", db);
    size_t bytes = 0;
    const int n = sqlite3_column_count(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        for (int c = 0; c < n; ++c)
            if (sqlite3_column_text(stmt, c))
                bytes += size_t(sqlite3_column_bytes(stmt, c));
    if (rc != SQLITE_DONE)
        die("bare step", db);
    sqlite3_finalize(stmt);
    return bytes + 1;
}

// A consistent copy of the settlements database as it stands now.
QString snapshot(const QString& from, const QString& to) {
    QFile::remove(to);
    sqlite3* db = open_db(from, SQLITE_OPEN_READONLY);
    exec(db, "VACUUM INTO '" + to + "'");
    sqlite3_close(db);
    return to;
}

// ---------------------------------------------------------------------------------------------
// The host installation: a taxpayer, one tax and period, 10,000 accruals due today, as many
// payments on the same card, a tenth of the accruals already paid.

void make_installation(const QString& data) {
    sqlite3* tp = open_db(data + "/Valmora2.mdb", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    exec(tp, "PRAGMA journal_mode=" + journal);
    exec(tp, data::taxpayer_schema_sql());
    exec(tp, "insert into accstream values (1,10,'Комплект');"
             "insert into person values (10,2,100);"
             "insert into legalperson values (100,'7701000001','770101001','ООО \"Ромашка\"','');"
             "insert into report_time values (2,'к');"
             "insert into time_by_month (TIME_ID,REPORT_ID,name,the_year) values "
             "(1,2,'I квартал',2026),(2,2,'II квартал',2026);"
             "insert into nsi_taxlist values ('101','Налог на прибыль','18210101011011000110');");
    sqlite3_close(tp);

    sqlite3* st = open_db(data + "/Fsk_Base.mdb", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    exec(st, "PRAGMA journal_mode=" + journal);
    exec(st, data::settlements_schema_sql());
    exec(st, "begin");
    exec(st, "insert into fsk_cardlist values (1,1,'101',null);"
             "insert into fsk_actions values (41,4,1,'Начислено'),(11,1,1,'Уплата');"
             "insert into requisites (self_inn,self_kpp,kbk,receiver,inn,kpp,okato,bik,bank,rs,"
             "ks) values ('7701000001','770101001','','УФК по г. Москве (ИФНС России № 1)',"
             "'7701107259','770101001','45286555000','044583001','Отделение 1 Москва',"
             "'40101810800000010041','');"
             "insert into self_requisites (inn,kpp,sender,okato,bik,bank,rs,ks,closed) values "
             "('7701000001','770101001','ООО \"Ромашка\"','45286560000','044525225','ПАО Банк',"
             "'40702810938000000001','30101810400000000225',0),"
             "('7701000001','770101001','закрыт','','','','','',1);");
    for (int i = 0; i < 100; ++i)
        exec(st, QStringLiteral("insert into requisites (self_inn,self_kpp,kbk,receiver) values "
                                "('77%1','770101001','','другой')")
                     .arg(i, 8, 10, QLatin1Char('0')));
    sqlite3_stmt* op = nullptr;
    const char* op_sql = "insert into fsk_operations (oper_id,card_id,deleted,act_id,term_day,"
                         "summa,period_name,docum_date) values (?,1,0,?,?,?,?,?)";
    if (sqlite3_prepare_v2(st, op_sql, -1, &op, nullptr) != SQLITE_OK)
        die("prepare", st);
    for (int i = 1; i <= 2 * kAccruals; ++i) {
        const bool accrual = i <= kAccruals;
        sqlite3_bind_int(op, 1, i);
        sqlite3_bind_int(op, 2, accrual ? 41 : 11);
        sqlite3_bind_text(op, 3, accrual ? "2026-05-14" : "2026-04-28", -1, SQLITE_STATIC);
        sqlite3_bind_double(op, 4, 1000.0 + i * 1.135);
        sqlite3_bind_text(op, 5, accrual ? "II квартал 2026" : "I квартал 2026", -1, SQLITE_STATIC);
        if (i % 2)
            sqlite3_bind_text(op, 6, "2026-03-31", -1, SQLITE_STATIC);
        else
            sqlite3_bind_null(op, 6);
        if (sqlite3_step(op) != SQLITE_DONE)
            die("insert", st);
        sqlite3_reset(op);
    }
    sqlite3_finalize(op);
    exec(st, QStringLiteral("insert into fact_payments (oper_id,summa) select oper_id,summa from "
                            "fsk_operations where oper_id<=%1 and oper_id%10=0")
                 .arg(kAccruals));
    exec(st, "commit");
    sqlite3_close(st);
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
};

struct Phase {
    const char* name;
    double budget; // seconds of wall time
    double ratio_budget;
    Best module, bare;
    size_t statements = 0;
};

// Times one run of the module, then the statements it sent, replayed on a copy of the
// database as it stood before the run.
template <class Run>
void measure(Phase& phase, const QString& settlements, const QString& copy, Run run) {
    snapshot(settlements, copy);
    std::vector<std::string> sent;
    recording = &sent;
    Clock t;
    t.start();
    run();
    phase.module.take(t);
    recording = nullptr;
    phase.statements = sent.size();

    sqlite3* db = open_bare(copy);
    size_t sink = 0;
    t.start();
    for (const std::string& s : sent)
        sink += bare_run(db, s);
    phase.bare.take(t);
    sqlite3_close(db);
    if (sink == 0)
        std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--journal")); i > 0 && i + 1 < args.size())
        journal = args[i + 1];
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(on_open));
    platform::set_today(QDate(2026, 5, 14));

    Phase phases[] = {{"forming, all new ", 2.0, 2.0, {}, {}, 0},
                      {"forming, all kept", 2.0, 2.0, {}, {}, 0},
                      {"list rebuild     ", 1.0, 0.0, {}, {}, 0}};

    for (int round = 0; round < kRounds; ++round) {
        QTemporaryDir dir;
        if (!dir.isValid())
            return 1;
        const QString data = dir.filePath("Data");
        QDir().mkpath(data);
        QDir().mkpath(dir.filePath("appdata"));
        qputenv("APPDATA", QFile::encodeName(dir.filePath("appdata")));
        make_installation(data);
        write_registry(dir.filePath("registry.reg"), data);
        const QString settlements = data + "/Fsk_Base.mdb";

        platform::RecordingUi ui;
        platform::UiScope scope(ui);
        {
            Session session;
            Form1& f1 = form1();
            f1.req1(1);
            f1.Text1->setText("1");
            form4().my_color = 0xC0C000;

            measure(phases[0], settlements, dir.filePath("before1.db"), [] { sluj1(); });
            measure(phases[1], settlements, dir.filePath("before2.db"), [] { sluj1(); });
            measure(phases[2], settlements, dir.filePath("before3.db"),
                    [] { form2().refresh_list(); });

            const int rows = form2().L1->topLevelItemCount();
            if (!ui.boxes.isEmpty() || rows != kAccruals) {
                std::fprintf(stderr, "unexpected: %d rows, %d boxes: %s\n", rows,
                             int(ui.boxes.size()),
                             ui.boxes.isEmpty() ? "" : qPrintable(ui.boxes[0].text));
                return 1;
            }
        }
    }

    QTextStream out(stdout);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(3);
    out << "bench_forming: " << kAccruals << " accruals, best of " << kRounds
        << " rounds, journal_mode=" << journal << "\n";
    bool within = true;
    for (const Phase& p : phases) {
        const double ratio = p.module.wall / p.bare.wall;
        const bool ok = p.module.wall < p.budget && (p.ratio_budget == 0 || ratio < p.ratio_budget);
        within = within && ok;
        out << p.name << ": " << p.statements << " statements; wall module " << p.module.wall
            << " s, bare SQL " << p.bare.wall << " s, ratio " << ratio << "; cpu module "
            << p.module.cpu << " s, bare SQL " << p.bare.cpu << " s, ratio "
            << p.module.cpu / p.bare.cpu << (ok ? "" : "  OVER BUDGET") << "\n";
    }
    return within ? 0 : 2;
}
