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

// In one transaction the run's own transactions are already inside it.
bool transaction_control(const QString& sql) {
    const QString word = sql.trimmed().toLower();
    return word == QLatin1String("begin") || word == QLatin1String("commit") ||
           word == QLatin1String("rollback");
}

PGconn* connect_for_replay(const QString& link_file) {
    QString error;
    PGconn* c = pg::connect(link_uri(link_file), &error);
    if (!c) {
        std::fprintf(stderr, "connect: %s\n", qPrintable(error));
        std::exit(1);
    }
    return c;
}

// The text as the server took it.
QByteArray numbered_text(const SentStatement& s) {
    return s.numbered ? s.sql.toUtf8() : pg::numbered(s.sql);
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
        if (one_transaction && transaction_control(s.sql))
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
    PGconn* c = connect_for_replay(link_file);
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

LoopTime prepared_loop_pg(const QString& link_file, const std::vector<SentStatement>& statements,
                          bool one_transaction) {
    PGconn* c = connect_for_replay(link_file);
    // Prepared, and the values made texts, before the clock starts: the loop times the server
    // and the round trips alone.
    constexpr Oid kInt8 = 20, kBytea = 17, kFloat8 = 701;
    struct Ready {
        const QByteArray* name;
        std::vector<QByteArray> bytes;
        std::vector<const char*> values;
        std::vector<int> lengths, formats;
    };
    std::map<QByteArray, QByteArray> kept; // by text and types: the prepared statement's name
    std::vector<Ready> ready;
    ready.reserve(statements.size());
    for (const SentStatement& s : statements) {
        if (one_transaction && transaction_control(s.sql))
            continue;
        const QByteArray text = numbered_text(s);
        const size_t n = size_t(s.params.size());
        Ready r{nullptr, std::vector<QByteArray>(n), std::vector<const char*>(n),
                std::vector<int>(n), std::vector<int>(n, 0)};
        std::vector<Oid> types(n, 0);
        QByteArray key = text;
        for (size_t i = 0; i < n; ++i) {
            const QVariant& v = s.params[qsizetype(i)];
            if (v.isNull()) {
                // Left with no type, as the engine sends a null.
            } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong ||
                       v.typeId() == QMetaType::Bool) {
                types[i] = kInt8;
                r.bytes[i] = QByteArray::number(v.toLongLong());
            } else if (v.typeId() == QMetaType::Double) {
                types[i] = kFloat8;
                r.bytes[i] = QByteArray::number(v.toDouble(), 'g', 17);
            } else if (v.typeId() == QMetaType::QByteArray) {
                types[i] = kBytea;
                r.formats[i] = 1;
                r.bytes[i] = v.toByteArray();
            } else {
                r.bytes[i] = v.toString().toUtf8();
            }
            key += '\x1f' + QByteArray::number(types[i]);
        }
        auto [it, fresh] = kept.try_emplace(key);
        if (fresh) {
            it->second = "floor_" + QByteArray::number(qulonglong(kept.size()));
            PGresult* made =
                PQprepare(c, it->second.constData(), text.constData(), int(n), types.data());
            if (PQresultStatus(made) != PGRES_COMMAND_OK) {
                std::fprintf(stderr, "prepare: %s\n%s\n", PQresultErrorMessage(made),
                             text.constData());
                std::exit(1);
            }
            PQclear(made);
        }
        r.name = &it->second;
        ready.push_back(std::move(r));
    }
    for (Ready& r : ready)
        for (size_t i = 0; i < r.bytes.size(); ++i) {
            r.values[i] = r.bytes[i].isNull() ? nullptr : r.bytes[i].constData();
            r.lengths[i] = int(r.bytes[i].size());
        }
    const auto run = [c](const char* sql) {
        PGresult* r = PQexec(c, sql);
        if (PQresultStatus(r) != PGRES_COMMAND_OK) {
            std::fprintf(stderr, "%s: %s\n", sql, PQresultErrorMessage(r));
            std::exit(1);
        }
        PQclear(r);
    };
    size_t bytes = 0;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpu_now();
    if (one_transaction)
        run("begin");
    for (const Ready& r : ready) {
        PGresult* res = PQexecPrepared(c, r.name->constData(), int(r.values.size()),
                                       r.values.data(), r.lengths.data(), r.formats.data(), 0);
        const ExecStatusType st = PQresultStatus(res);
        if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK) {
            std::fprintf(stderr, "prepared exec: %s\n", PQresultErrorMessage(res));
            std::exit(1);
        }
        for (int i = 0; i < PQntuples(res); ++i)
            for (int k = 0; k < PQnfields(res); ++k)
                bytes += size_t(PQgetlength(res, i, k));
        PQclear(res);
    }
    if (one_transaction)
        run("commit");
    LoopTime t{double(wall.nsecsElapsed()) / 1e9, cpu_now() - cpu0};
    PQfinish(c);
    if (qEnvironmentVariableIsSet("TAVRELIS_BARE_DEBUG"))
        std::fprintf(stderr, "prepared loop: %zu statements, %zu bytes, %.3f s\n",
                     statements.size(), bytes, t.wall);
    return t;
}

} // namespace tavrelis::data
