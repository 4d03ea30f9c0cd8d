#include "data/database_file.h"

#include <QFile>
#include <sqlite3.h>

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

} // namespace

QString create_database(const QString& path, const QString& script, const QString& journal) {
    if (QFile::exists(path))
        return path + QStringLiteral(": already exists");
    // Made in one go and removed by the caller on failure: no need to wait for the disk.
    return with_file(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                     QStringLiteral("PRAGMA journal_mode=%1; PRAGMA synchronous=OFF; BEGIN;\n%2;\n"
                                    "COMMIT")
                         .arg(journal, script));
}

QString run_script(const QString& path, const QString& script) {
    return with_file(path, SQLITE_OPEN_READWRITE, script);
}

Rows read_rows(const QString& path, const QString& sql, bool as_text) {
    Rows out;
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
