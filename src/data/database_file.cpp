#include "data/database_file.h"

#include "data/connection_string.h"
#include "data/pg_engine.h"
#include "data/pg_schema.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <memory>

namespace tavrelis::data {

namespace {

QString exec(sqlite3* db, const QString& sql) {
    char* message = nullptr;
    QString error;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK)
        error = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return error;
}

QString with_file(const QString& path, int flags, const QString& sql) {
    sqlite3* db = nullptr;
    QString error;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK)
        error = path + QStringLiteral(": ") +
                QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
    else
        error = exec(db, sql);
    sqlite3_close(db);
    return error;
}

QString& server() {
    static QString uri;
    return uri;
}

// Runs a script (several statements) on the server; the message on failure, else empty.
QString pg_run(const QString& uri, const QString& script, PGresult** rows = nullptr) {
    QString error;
    PGconn* c = pg::connect(uri, &error);
    if (!c)
        return error;
    PGresult* r = PQexec(c, script.toUtf8().constData());
    const ExecStatusType st = PQresultStatus(r);
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK)
        error = pg::error_of(c, r);
    if (rows && error.isEmpty())
        *rows = r;
    else
        PQclear(r);
    pg::disconnect(c);
    return error;
}

QString create_on_server(const QString& path, const QString& script) {
    // A schema of its own for each database: several hosts, and both databases of one, share
    // a server database without their tables meeting.
    const QString schema = QStringLiteral("%1_%2").arg(
        QFileInfo(path).completeBaseName().toLower().remove(QRegularExpression("[^a-z0-9_]")),
        QString::number(QRandomGenerator::global()->generate64() % 2176782336ull, 36));
    if (const QString e = pg_run(server(), QStringLiteral("create schema %1; set search_path=%1;\n"
                                                          "%2;\n%3")
                                               .arg(schema, pg_schema_setup(), pg_script(script)));
        !e.isEmpty())
        return e;
    const QString link = server() + (server().contains(u'?') ? u'&' : u'?') +
                         QStringLiteral("options=-csearch_path%3D") + schema;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly) || f.write(link.toUtf8() + '\n') < 0 ||
        !f.flush())
        return path + QStringLiteral(": ") + f.errorString();
    return {};
}

} // namespace

void set_database_server(const QString& uri) {
    server() = uri;
}

QString database_server() {
    return server();
}

QString create_database(const QString& path, const QString& script, const QString& journal) {
    if (QFile::exists(path))
        return path + QStringLiteral(": already exists");
    if (!server().isEmpty())
        return create_on_server(path, script);
    // Made in one go and removed by the caller on failure: no need to wait for the disk.
    return with_file(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                     QStringLiteral("PRAGMA journal_mode=%1; PRAGMA synchronous=OFF; BEGIN;\n%2;\n"
                                    "COMMIT")
                         .arg(journal, script));
}

QString run_script(const QString& path, const QString& script) {
    if (const QString uri = link_uri(path); !uri.isEmpty())
        return pg_run(uri, pg_script(script));
    return with_file(path, SQLITE_OPEN_READWRITE, script);
}

Rows read_rows(const QString& path, const QString& sql, bool as_text) {
    Rows out;
    if (const QString uri = link_uri(path); !uri.isEmpty()) {
        PGresult* r = nullptr;
        out.error = pg_run(uri, sql, &r);
        if (!r)
            return out;
        for (int c = 0; c < PQnfields(r); ++c)
            out.columns << QString::fromUtf8(PQfname(r, c)).toLower();
        for (int i = 0; i < PQntuples(r); ++i) {
            QVariantList row;
            for (int c = 0; c < PQnfields(r); ++c)
                row << pg::value(r, i, c, as_text);
            out.rows << row;
        }
        PQclear(r);
        return out;
    }
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    // Read-write though it only reads: a read-only reader of a log-mode file leaves the file's
    // -wal and -shm behind, where the host's own connections remove them.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        out.error = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
    } else {
        const int n = sqlite3_column_count(st);
        for (int i = 0; i < n; ++i)
            out.columns << QString::fromUtf8(sqlite3_column_name(st, i)).toLower();
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            QVariantList row;
            for (int i = 0; i < n; ++i) {
                const int type = sqlite3_column_type(st, i);
                if (type == SQLITE_NULL)
                    row << QVariant();
                else if (type == SQLITE_INTEGER && !as_text)
                    row << qlonglong(sqlite3_column_int64(st, i));
                else if (type == SQLITE_FLOAT && !as_text)
                    row << sqlite3_column_double(st, i);
                else if (type == SQLITE_BLOB && !as_text)
                    row << QByteArray(static_cast<const char*>(sqlite3_column_blob(st, i)),
                                      sqlite3_column_bytes(st, i));
                else
                    row << QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                        sqlite3_column_bytes(st, i));
            }
            out.rows << row;
        }
        if (rc != SQLITE_DONE)
            out.error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

QString integrity_check(const QString& path) {
    if (const QString uri = link_uri(path); !uri.isEmpty()) {
        const QString e = pg_run(uri, QStringLiteral("select 1"));
        return e.isEmpty() ? QStringLiteral("ok") : e;
    }
    sqlite3* db = nullptr;
    QString out;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        out = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
    } else {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) != SQLITE_OK) {
            out = QString::fromUtf8(sqlite3_errmsg(db));
        } else {
            while (sqlite3_step(st) == SQLITE_ROW)
                out += (out.isEmpty() ? QString() : QStringLiteral("\n")) +
                       QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            if (out.isEmpty())
                out = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

} // namespace tavrelis::data
