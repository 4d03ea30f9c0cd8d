// The cost of the Connection layer (dialect, result sets) over the bare SQLite C API: 10,000
// single-statement inserts of payment orders, then 10,000 selects of one order by oper_id,
// each side on a fresh file of the same kind (WAL, synchronous=NORMAL). Both sides get the
// statement texts ready-made; the Connection side gets them in the Access form the module
// sends (format() dates), the bare side in the SQLite form they turn into.
// Wall time counts the disk; the thread's CPU time is steadier on a shared machine.

#include "data/bare_loop.h"
#include "data/connection.h"
#include "data/database_file.h"
#include "data/statement_log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr int orders = 10000;
constexpr int rounds = 3;

const char* const table =
    "create table payments (number_ text, payment_date DATE, sum text, receiver text, inn text, "
    "kpp text, kbk text, okato text, bik text, rs text, ks text, bank text, sender text, "
    "inn_sender text, kpp_sender text, okato_sender text, bik_sender text, rs_sender text, "
    "ks_sender text, bank_sender text, way text, priority text, reason text, payment_type text, "
    "aim text, period text, document_date DATE, oper_id integer, payment_done integer, "
    "print_done integer)";
const char* const index = "create index payments_oper_id on payments (oper_id)";

const QString columns =
    QStringLiteral("number_,payment_date,sum,receiver,inn,kpp,kbk,okato,bik,rs,ks,bank,sender,"
                   "inn_sender,kpp_sender,okato_sender,bik_sender,rs_sender,ks_sender,bank_sender,"
                   "way,priority,reason,payment_type,aim,period,document_date");

// The insert as composing builds it; dates either as format('dd.mm.yyyy') calls or as the
// ISO literals those calls yield.
QString insert_text(int i, bool access) {
    const QString day = access ? QStringLiteral("format('05.12.2026','dd.mm.yyyy')")
                               : QStringLiteral("'2026-12-05'");
    const QString doc = access ? QStringLiteral("format('01.11.2026','dd.mm.yyyy')")
                               : QStringLiteral("'2026-11-01'");
    QString sql = "insert into payments (" + columns +
                  ",oper_id,payment_done,print_done) values ('" + QString::number(i + 1) + "'," +
                  day + ",'1 234,50','УФК по г. Москве (ИФНС России № 1)','7701000001'," +
                  "'770101001','18210102010011000110','45000000','044525000'," +
                  "'40101810800000010041','','ГУ Банка России по ЦФО','ООО \"Ромашка\"'," +
                  "'7702000002','770201001','45000000','044525225','40702810938000000001'," +
                  "'30101810400000000225','ПАО Сбербанк','01','5','ТП','0'," +
                  "'Налог на доходы физических лиц за II квартал 2026 года','КВ.02.2026'," + doc +
                  "," + QString::number(100000 + i) + ",0,0)";
    return sql;
}

QString select_text(int i) {
    return "select " + columns +
           ",payment_done,print_done from payments where oper_id=" + QString::number(100000 + i);
}

QString fresh_file(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (const QString e = tavrelis::data::create_database(path, QString::fromLatin1(table) + ';' +
                                                                    QString::fromLatin1(index));
        !e.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(e));
        std::exit(1);
    }
    return path;
}

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
    void take(const tavrelis::data::LoopTime& t) {
        wall = std::min(wall, t.wall);
        cpu = std::min(cpu, t.cpu);
    }
};

struct Times {
    Best insert, select;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    QStringList access_inserts, selects;
    std::vector<std::string> bare_inserts, bare_selects;
    for (int i = 0; i < orders; ++i) {
        access_inserts << insert_text(i, true);
        selects << select_text(i);
        bare_inserts.push_back(insert_text(i, false).toStdString());
        bare_selects.push_back(selects.back().toStdString());
    }

    Times bare, layer;
    size_t sink = 0;
    for (int round = 0; round < rounds; ++round) {
        Clock t;
        {
            const QString file = fresh_file(dir, QStringLiteral("bare%1.mdb").arg(round));
            bare.insert.take(tavrelis::data::bare_loop(file, bare_inserts));
            bare.select.take(tavrelis::data::bare_loop(file, bare_selects));
        }
        {
            tavrelis::data::Connection cnn;
            cnn.set_connection_string(tavrelis::data::access_connection_string(
                fresh_file(dir, QStringLiteral("layer%1.mdb").arg(round))));
            cnn.open();
            t.start();
            for (const QString& s : access_inserts)
                cnn.execute(s);
            layer.insert.take(t);
            t.start();
            for (const QString& s : selects) {
                const tavrelis::data::Recordset rs = cnn.execute(s);
                for (int c = 0; c < rs.field_count(); ++c)
                    sink += size_t(rs.text_or_empty(c).size());
            }
            layer.select.take(t);
        }
    }

    QTextStream out(stdout);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(3);
    out << "bench_connection: " << orders << " statements each, best of " << rounds << " rounds\n";
    auto line = [&](const char* what, const Best& b, const Best& l) {
        out << what << ": wall bare " << b.wall << " s, Connection " << l.wall << " s, ratio "
            << l.wall / b.wall << "; cpu bare " << b.cpu << " s, Connection " << l.cpu
            << " s, ratio " << l.cpu / b.cpu << "\n";
    };
    line("insert", bare.insert, layer.insert);
    line("select", bare.select, layer.select);
    const Best bare_total{bare.insert.wall + bare.select.wall, bare.insert.cpu + bare.select.cpu};
    const Best layer_total{layer.insert.wall + layer.select.wall,
                           layer.insert.cpu + layer.select.cpu};
    line("total ", bare_total, layer_total);
    return sink == 0 ? 1 : 0;
}
