#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <QVector>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "data/connection_string.h"

namespace tavrelis::data {

class Engine;
class Recordset;
// Reads the current row of the recordset it is given, and nothing else of it. The row's texts
// may be the engine's own until its next row: what is kept is copied out (a field, a text),
// never the recordset.
using RowReader = std::function<void(const Recordset&)>;

// The rows a statement returned, read field by field by position in select-list order.
// A column declared DATE reads as dd.mm.yyyy text; every other value as the engine holds it
// (qlonglong, double, QString, QByteArray for a blob); null as a null QVariant.
//
// The cells are kept as the engine gave them, texts in UTF-8 in one block, and made Qt values
// only when read: a list of a hundred thousand orders is read with a few allocations.
class Recordset {
public:
    enum class Kind : quint8 { Null, Whole, Real, Text, Bytes };

    Recordset() = default;

    bool eof() const { return pos_ >= rows_; }
    bool empty() const { return rows_ == 0; } // no row at all (BOF and EOF)
    int field_count() const { return fields_; }
    int record_count() const { return int(rows_); }
    void move_next() { ++pos_; }
    void move_first() { pos_ = 0; }
    void move_to(int row) { pos_ = row; }

    // The field of the current row. Reading past the end raises an error.
    QVariant field(int i) const;
    bool is_null(int i) const { return at(i).kind == Kind::Null; }
    // The field as text; null raises an error ("Invalid use of Null"), as the original's reads did.
    // An integer reads in decimal, a real in its shortest round-trip form with a '.' (callers
    // that want the amount take field(i).toDouble()).
    QString text(int i) const;
    // The field as text, null read as empty.
    QString text_or_empty(int i) const;

    // The field as the engine holds it, for readers of many rows that would not make a Qt
    // value of each: its kind, a whole number, a real, or the UTF-8 of a text (the bytes of a
    // blob), valid while the recordset lives. Each of them raises an error on a field of
    // another kind.
    Kind kind(int i) const { return at(i).kind; }
    qint64 whole(int i) const;
    double real(int i) const;
    QByteArrayView utf8(int i) const;

private:
    friend class SqliteEngine;
    friend class PgEngine;
    struct Cell {
        union {
            qint64 whole = 0;
            double real;
            const char* bytes; // in one of blocks_, or the engine's (add_borrowed)
        };
        quint32 size = 0; // the bytes' length
        Kind kind = Kind::Null;
    };
    // Filled cell after cell, row after row, by the engines.
    explicit Recordset(int fields) : fields_(fields) {}
    void add_null() { cells_.emplace_back(); }
    void add_whole(qint64 v) {
        Cell& c = cells_.emplace_back();
        c.whole = v;
        c.kind = Kind::Whole;
    }
    void add_real(double v) {
        Cell& c = cells_.emplace_back();
        c.real = v;
        c.kind = Kind::Real;
    }
    void add_text(const char* p, qsizetype len) { add_bytes(p, len, Kind::Text); }
    void add_blob(const char* p, qsizetype len) { add_bytes(p, len, Kind::Bytes); }
    void add_bytes(const char* p, qsizetype len, Kind kind) {
        if (len > left_)
            add_block(len);
        Cell& c = cells_.emplace_back();
        c.bytes = free_;
        c.size = quint32(len);
        c.kind = kind;
        if (len > 0)
            std::memcpy(free_, p, size_t(len));
        free_ += len;
        left_ -= len;
    }
    // Bytes the engine keeps for as long as the row is read: a row handed to a RowReader.
    void add_borrowed(const char* p, qsizetype len, Kind kind) {
        Cell& c = cells_.emplace_back();
        c.bytes = p;
        c.size = quint32(len);
        c.kind = kind;
    }
    void add_block(qsizetype len);
    void add(const QVariant& v);
    // The cells added make whole rows.
    void close() { rows_ = fields_ > 0 ? qsizetype(cells_.size()) / fields_ : 0; }
    // Emptied for the next row, keeping its first block.
    void restart();
    const Cell& at(int i) const {
        if (pos_ < 0 || pos_ >= rows_ || i < 0 || i >= fields_)
            misread(i);
        return cells_[size_t(pos_ * fields_ + i)];
    }
    [[noreturn]] void misread(int field) const;

    int fields_ = 0; // columns of the statement, whether or not it returned rows
    qsizetype rows_ = 0;
    std::vector<Cell> cells_;
    // The bytes of texts and blobs, in blocks that never move, shared by copies.
    std::vector<std::shared_ptr<char[]>> blocks_;
    char* free_ = nullptr;
    qsizetype left_ = 0;
    qsizetype first_block_ = 0;
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
    // Runs a select and hands its rows to row one at a time, in the order the engine reads
    // them, so that a long list is read without keeping all of it; what row raises ends it.
    // The statement is still running meanwhile: row runs none on this connection.
    void each_row(const QString& sql, const QVariantList& params, const RowReader& row);

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
