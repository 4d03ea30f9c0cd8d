#pragma once

#include "data/engine.h"

#include <QElapsedTimer>
#include <QHash>

#include <list>

struct sqlite3;
struct sqlite3_stmt;

namespace tavrelis::data {

// A host database file in SQLite, opened as it stands: never created, its journal mode kept,
// read-only when the file or its folder cannot be written. Failure raises an error with the
// engine's message.
class SqliteEngine : public Engine {
public:
    explicit SqliteEngine(const QString& path);
    ~SqliteEngine() override;
    SqliteEngine(const SqliteEngine&) = delete;
    SqliteEngine& operator=(const SqliteEngine&) = delete;

    Recordset execute(const QString& sql, const QVariantList& params) override;
    void each_row(const QString& sql, const QVariantList& params, const RowReader& row) override;

    void set_statement_cache(int capacity) override;
    int cached_statements() const override { return int(lru_.size()); }

private:
    struct Compiled {
        QString text;
        sqlite3_stmt* stmt = nullptr;
    };
    sqlite3_stmt* compile(const QByteArray& text);
    sqlite3_stmt* cached(const QString& sql);
    void evict(int keep);
    // With each, every row is handed to it as it is read, and none is kept.
    Recordset run(sqlite3_stmt* stmt, const QVariantList& params, const RowReader* each = nullptr);
    Recordset statement(const QString& sql, const QVariantList& params, const RowReader* each);

    static int on_busy(void* self, int count);
    void end_wait();
    static void cursor(bool busy) noexcept;

    sqlite3* db_ = nullptr;
    int capacity_ = 0;
    // Most recently used first.
    std::list<Compiled> lru_;
    QHash<QString, std::list<Compiled>::iterator> by_text_;
    QElapsedTimer wait_;
    bool waiting_ = false;
};

} // namespace tavrelis::data
