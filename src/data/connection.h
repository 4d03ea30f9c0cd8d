#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <memory>

struct sqlite3;

namespace tavrelis::data {

// The rows a statement returned, read field by field by position in select-list order.
// A column declared DATE reads as dd.mm.yyyy text; every other value as its text; null as null.
class Recordset {
public:
    Recordset() = default;
    Recordset(QStringList names, QVector<QVector<QVariant>> rows);

    bool eof() const { return pos_ >= rows_.size(); }
    bool empty() const { return rows_.isEmpty(); } // no row at all (BOF and EOF)
    int field_count() const { return int(names_.size()); }
    int record_count() const { return int(rows_.size()); }
    void move_next() { ++pos_; }
    void move_first() { pos_ = 0; }

    // The field of the current row. Reading past the end raises an error.
    QVariant field(int i) const;
    bool is_null(int i) const { return field(i).isNull(); }
    // The field as text; null raises an error ("Invalid use of Null"), as the original's reads did.
    QString text(int i) const;
    // The field as text, null read as empty.
    QString text_or_empty(int i) const;

private:
    QStringList names_;
    QVector<QVector<QVariant>> rows_;
    qsizetype pos_ = 0;
};

// A connection opened by an ODBC connection string
// "Driver={Microsoft Access Driver (*.mdb)};Dbq=<path>". The file named by Dbq is a
// SQLite database; the Access dialect of the statements (& joins texts,
// format(<date text>,'dd.mm.yyyy'), true/false) is honoured.
class Connection {
public:
    enum State { Closed = 0, Open = 1 };

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void set_connection_string(const QString& s) { connection_string_ = s; }
    const QString& connection_string() const { return connection_string_; }
    // Opens the file named by Dbq; failure raises an error with the engine's message.
    void open();
    void close();
    int state() const { return db_ ? Open : Closed; }

    // Runs one statement; failure raises an error with the engine's message.
    Recordset execute(const QString& sql);

private:
    QString connection_string_;
    sqlite3* db_ = nullptr;
};

// The database file a connection string names (its Dbq part), empty when none.
QString dbq_of(const QString& connection_string);

// The connection string of the host's databases for a file.
QString access_connection_string(const QString& path);

// Doubles the apostrophes of a value placed between apostrophes in SQL text.
QString sql_quote(const QString& value);

// Turns the Access dialect into SQLite's: & outside quoted literals becomes ||.
QString translate_access(const QString& sql);

} // namespace tavrelis::data
