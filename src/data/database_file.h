#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace tavrelis::data {

// Where create_database() puts new databases: empty (the default) for SQLite files; a libpq
// URI for a PostgreSQL database, where each new database is a schema of its own with the
// dialect's type and function, and the file created is a link file naming it.
void set_database_server(const QString& uri);
QString database_server();

// Each function below works on a link file as on an SQLite file: a script runs on the server
// as pg_script() translates it, rows read as the server holds them (dates as ISO text).

// Creates a new database file in write-ahead-log mode (the host's) or the journal mode named,
// and runs script (statements separated by ';') on it in one transaction. An existing file is
// an error. Returns the engine's message, empty on success.
QString create_database(const QString& path, const QString& script = {},
                        const QString& journal = QStringLiteral("wal"));

// Runs a script of several statements on an existing file, as the engine reads it (no Access
// dialect). Returns the engine's message, empty on success.
QString run_script(const QString& path, const QString& script);

// Rows of a query as the engine stores them, without the dialect (for checking files): each
// cell null, qlonglong, double, QString or QByteArray, or with as_text the engine's own text of
// it (null stays null). Column names in lower case.
struct Rows {
    QStringList columns;
    QVector<QVariantList> rows;
    QString error; // empty when every row was read
};
Rows read_rows(const QString& path, const QString& sql, bool as_text = false);

// The engine's own consistency check of a file: "ok" or what is wrong.
QString integrity_check(const QString& path);

} // namespace tavrelis::data
