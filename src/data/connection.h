#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <memory>

#include "data/connection_string.h"

namespace tavrelis::data {

class Engine;

// The rows a statement returned, read field by field by position in select-list order.
// A column declared DATE reads as dd.mm.yyyy text; every other value as the engine holds it
// (qlonglong, double, QString, QByteArray for a blob); null as a null QVariant.
class Recordset {
public:
    Recordset() = default;

    bool eof() const { return pos_ >= rows_; }
    bool empty() const { return rows_ == 0; } // no row at all (BOF and EOF)
    int field_count() const { return fields_; }
    int record_count() const { return int(rows_); }
    void move_next() { ++pos_; }
    void move_first() { pos_ = 0; }
    void move_to(int row) { pos_ = row; }

    // The field of the current row. Reading past the end raises an error.
    QVariant field(int i) const { return at(i); }
    bool is_null(int i) const { return at(i).isNull(); }
    // The field as text; null raises an error ("Invalid use of Null"), as the original's reads did.
    // An integer reads in decimal, a real in its shortest round-trip form with a '.' (callers
    // that want the amount take field(i).toDouble()).
    QString text(int i) const;
    // The field as text, null read as empty.
    QString text_or_empty(int i) const;

private:
    friend class SqliteEngine;
    friend class PgEngine;
    // The cells row after row, fields to a row: one allocation for a whole list of orders.
    Recordset(int fields, QVector<QVariant> cells);
    const QVariant& at(int i) const;

    int fields_ = 0; // columns of the statement, whether or not it returned rows
    qsizetype rows_ = 0;
    QVector<QVariant> cells_;
    qsizetype pos_ = 0;
};

// A connection opened by an ODBC connection string
// "Driver={Microsoft Access Driver (*.mdb)};Dbq=<path>". The file named by Dbq is a
// SQLite database, or a link file naming a PostgreSQL database (see pg_engine.h). Statements
// are written once in SQL both engines run (|| and coalesce to join texts), with their values
// bound: a DATE as its stored ISO text (stored_dates.h), an amount for a REAL column as a double.
class Connection {
public:
    enum State { Closed = 0, Open = 1 };

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void set_connection_string(const QString& s) { connection_string_ = s; }
    const QString& connection_string() const { return connection_string_; }
    // Opens the file named by Dbq, which must exist and be a database (it is never created,
    // and an empty file is not made one); failure raises an error with the engine's message.
    // The file keeps its journal mode. A file or folder that cannot be written opens for
    // reading, and then every write fails.
    void open();
    // Closing a closed connection does nothing.
    void close();
    int state() const { return engine_ ? Open : Closed; }

    // Runs one statement; failure raises an error with the engine's message. A statement that
    // meets another process's lock waits for it, with the busy cursor, up to kLockWait ms.
    // The values of params fill the statement's "?" in order: null, a whole number, a double,
    // a text (exactly, NULs and all) or bytes.
    Recordset execute(const QString& sql, const QVariantList& params = {});

    // A write whose answer the caller need not wait for: on a server it travels with the next
    // statement, so that a run of writes and lookups waits once for each pair, not each
    // statement. Each write is still a statement of its own, run in order; should one fail,
    // nothing sent after it has any effect, and its failure is raised by the next execute,
    // send or flush. SQLite runs it at once.
    void send(const QString& sql, const QVariantList& params);
    // Waits for what send left travelling, raising its failure.
    void flush();

    static constexpr int kLockWait = 10000;

    // The engine keeps the compiled statements of the last kStatementCache texts, so that the
    // same statement with other values is not compiled again. 0 compiles every text anew.
    static constexpr int kStatementCache = 64;
    void set_statement_cache(int capacity);
    // How many compiled statements the open connection keeps now.
    int cached_statements() const;

private:
    QString connection_string_;
    int cache_ = kStatementCache;
    std::unique_ptr<Engine> engine_;
};

// Statements that stand or fall together. Not committed when left by an exception: the
// statements sent since begin are taken back.
class Transaction {
public:
    explicit Transaction(Connection& cnn) : cnn_(cnn) { cnn_.execute(QStringLiteral("begin")); }
    ~Transaction() {
        if (open_) {
            try {
                cnn_.execute(QStringLiteral("rollback"));
            } catch (const std::exception&) {
                // The engine already took the transaction back (a trigger's RAISE(ROLLBACK),
                // a full disk); the failure that brought us here is the one reported.
            }
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit() {
        cnn_.execute(QStringLiteral("commit"));
        open_ = false;
    }

private:
    Connection& cnn_;
    bool open_ = true;
};

} // namespace tavrelis::data
