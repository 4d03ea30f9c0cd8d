#pragma once

#include "data/engine.h"

#include <QHash>
#include <QSet>
#include <QVector>

#include <list>

struct pg_conn;
struct pg_result;

namespace tavrelis::data {

// A host database in a PostgreSQL server, named by a link file: a small text file in the
// database's place whose first line is a libpq connection URI ("postgresql://..."). Passwords
// come from libpq's own ~/.pgpass, PGPASSFILE or PGSERVICE, never from the file. Statements
// are sent one by one; a lock held by another session is waited for up to Connection::kLockWait,
// then the statement fails. Failure raises an error with the server's or libpq's message.
class PgEngine : public Engine {
public:
    explicit PgEngine(const QString& uri);
    ~PgEngine() override;
    PgEngine(const PgEngine&) = delete;
    PgEngine& operator=(const PgEngine&) = delete;

    Recordset execute(const QString& sql, const QVariantList& params) override;
    // Writes go out in libpq's pipeline mode, each its own transaction, answered with the next
    // lookup (or flush).
    void send(const QString& sql, const QVariantList& params) override;
    void flush() override;
    // The server keeps a prepared statement for each of the last `capacity` texts.
    void set_statement_cache(int capacity) override;
    int cached_statements() const override { return int(lru_.size()); }

private:
    struct Prepared {
        QByteArray key, name;
    };
    struct Bound;
    struct Queued {
        QString sql;
        QVariantList params;
    };
    void queue(const QString& sql, const QVariantList& params);
    Recordset finish(bool rows);
    QList<Queued> pending_; // sent in pipeline mode, answers not yet read
    Recordset rows_of(const pg_result* res);
    const QByteArray& prepared(const QByteArray& key, const QByteArray& text, int n,
                               const unsigned* types);
    void evict(int keep);
    int capacity_ = 0;
    quint64 prepared_count_ = 0;
    std::list<Prepared> lru_; // most recently used first
    QHash<QByteArray, std::list<Prepared>::iterator> by_key_;
    bool date_column(unsigned table, int column);

    pg_conn* conn_ = nullptr;
    QHash<unsigned, QSet<int>> dates_; // by table: the columns of the domain access_date
};

namespace pg {

// A connection to the server by a URI, its session set as the module's connections have it;
// nullptr with libpq's message on failure.
pg_conn* connect(const QString& uri, QString* error);
void disconnect(pg_conn* conn);
// The message of a failed result (or of the connection when there is none), trimmed.
QString error_of(pg_conn* conn, const pg_result* res);
// A field as the module reads it: integers as qlonglong, reals as double, bytes as QByteArray,
// anything else as text; null as null. With as_text, the server's text of it.
QVariant value(const pg_result* res, int row, int column, bool as_text = false);
// The statement as the server takes it: each "?" outside quotes numbered $1, $2, ...
QByteArray numbered(const QString& sql);

} // namespace pg

} // namespace tavrelis::data
