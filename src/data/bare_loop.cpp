#include "data/bare_loop.h"

#include <QElapsedTimer>
#include <QFile>
#include <QVariant>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <libpq-fe.h>
#include <map>
#include <sqlite3.h>

#include "data/connection_string.h"
#include "data/pg_engine.h"

namespace tavrelis::data {

namespace {

[[noreturn]] void die(const char* what, sqlite3* db) {
    std::fprintf(stderr, "%s: %s\n", what, db ? sqlite3_errmsg(db) : "?");
    std::exit(1);
}

double cpu_now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The copy opened with the settings of the module's connection.
sqlite3* open_for_replay(const QString& path, const QString& journal) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        die("open", db);
    sqlite3_busy_timeout(db, 5000);
    QString setup = QStringLiteral("PRAGMA journal_mode=") + journal;
    if (journal == QLatin1String("wal"))
        setup += QStringLiteral("; PRAGMA synchronous=NORMAL");
    if (sqlite3_exec(db, setup.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        die("setup", db);
    return db;
}

} // namespace

LoopTime bare_loop(const QString& path, const std::vector<std::string>& statements,
                   const QString& journal) {
    sqlite3* db = open_for_replay(path, journal);
    // Each text compiled anew, as an engine without a statement cache would run it.
    size_t bytes = 0;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpu_now();
    for (const std::string& sql : statements) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n", sql.c_str());
            die("bare prepare", db);
        }
        const int n = sqlite3_column_count(stmt);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            for (int c = 0; c < n; ++c)
                if (sqlite3_column_text(stmt, c))
                    bytes += size_t(sqlite3_column_bytes(stmt, c));
        if (rc != SQLITE_DONE)
            die("bare step", db);
        sqlite3_finalize(stmt);
    }
    LoopTime t{double(wall.nsecsElapsed()) / 1e9, cpu_now() - cpu0};
    sqlite3_close(db);
    if (qEnvironmentVariableIsSet("TAVRELIS_BARE_DEBUG"))
        std::fprintf(stderr, "bare loop: %zu statements, %zu bytes, %.3f s\n", statements.size(),
                     bytes, t.wall);
    return t;
}

LoopTime prepared_loop(const QString& path, const std::vector<SentStatement>& statements,
                       bool one_transaction, const QString& journal) {
    sqlite3* db = open_for_replay(path, journal);
    // Texts and values made ready before the clock starts: the loop times the engine alone.
    struct Ready {
        sqlite3_stmt* stmt;
        std::vector<QByteArray> texts;
        const QVariantList* params;
    };
    std::map<QString, sqlite3_stmt*> kept;
    std::vector<Ready> ready;
    ready.reserve(statements.size());
    for (const SentStatement& s : statements) {
        // In one transaction the run's own transactions are already inside it.
        const QString word = s.sql.trimmed().toLower();
        if (one_transaction && (word == QLatin1String("begin") || word == QLatin1String("commit") ||
                                word == QLatin1String("rollback")))
            continue;
        sqlite3_stmt*& stmt = kept[s.sql];
        if (!stmt) {
            const QByteArray text = s.sql.toUtf8();
            if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr) !=
                SQLITE_OK)
                die("prepare", db);
        }
        Ready r{stmt, {}, &s.params};
        for (const QVariant& v : s.params)
            r.texts.push_back(v.typeId() == QMetaType::QString ? v.toString().toUtf8()
                                                               : QByteArray());
        ready.push_back(std::move(r));
    }
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpu_now();
    if (one_transaction)
        sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    size_t bytes = 0;
    for (const Ready& r : ready) {
        for (int i = 0; i < int(r.params->size()); ++i) {
            const QVariant& v = (*r.params)[i];
            if (v.isNull())
                sqlite3_bind_null(r.stmt, i + 1);
            else if (v.typeId() == QMetaType::Double)
                sqlite3_bind_double(r.stmt, i + 1, v.toDouble());
            else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
                sqlite3_bind_int64(r.stmt, i + 1, v.toLongLong());
            else
                sqlite3_bind_text(r.stmt, i + 1, r.texts[size_t(i)].constData(),
                                  int(r.texts[size_t(i)].size()), SQLITE_STATIC);
        }
        const int n = sqlite3_column_count(r.stmt);
        int rc;
        while ((rc = sqlite3_step(r.stmt)) == SQLITE_ROW)
            for (int c = 0; c < n; ++c)
                if (sqlite3_column_text(r.stmt, c))
                    bytes += size_t(sqlite3_column_bytes(r.stmt, c));
        if (rc != SQLITE_DONE)
            die("prepared step", db);
        sqlite3_reset(r.stmt);
    }
    if (one_transaction)
        sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    LoopTime t{double(wall.nsecsElapsed()) / 1e9, cpu_now() - cpu0};
    for (auto& [text, stmt] : kept)
        sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (qEnvironmentVariableIsSet("TAVRELIS_BARE_DEBUG"))
        std::fprintf(stderr, "prepared loop: %zu statements, %zu bytes, %.3f s\n",
                     statements.size(), bytes, t.wall);
    return t;
}

LoopTime bare_loop_pg(const QString& link_file, const std::vector<std::string>& statements) {
    QString error;
    PGconn* c = pg::connect(link_uri(link_file), &error);
    if (!c) {
        std::fprintf(stderr, "connect: %s\n", qPrintable(error));
        std::exit(1);
    }
    size_t bytes = 0;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpu_now();
    for (const std::string& sql : statements) {
        PGresult* r = PQexecParams(c, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
        const ExecStatusType st = PQresultStatus(r);
        if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK) {
            std::fprintf(stderr, "bare exec: %s\n%s\n", PQresultErrorMessage(r), sql.c_str());
            std::exit(1);
        }
        for (int i = 0; i < PQntuples(r); ++i)
            for (int k = 0; k < PQnfields(r); ++k)
                bytes += size_t(PQgetlength(r, i, k));
        PQclear(r);
    }
    LoopTime t{double(wall.nsecsElapsed()) / 1e9, cpu_now() - cpu0};
    PQfinish(c);
    if (qEnvironmentVariableIsSet("TAVRELIS_BARE_DEBUG"))
        std::fprintf(stderr, "bare loop: %zu statements, %zu bytes, %.3f s\n", statements.size(),
                     bytes, t.wall);
    return t;
}

} // namespace tavrelis::data
