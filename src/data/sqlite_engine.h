#pragma once

#include "data/engine.h"

#include <QElapsedTimer>

struct sqlite3;

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

private:
    static int on_busy(void* self, int count);
    void end_wait();
    static void cursor(bool busy) noexcept;

    sqlite3* db_ = nullptr;
    QElapsedTimer wait_;
    bool waiting_ = false;
};

} // namespace tavrelis::data
