#pragma once

#include "data/connection.h"

namespace tavrelis::data {

// What a connection runs its statements on: an SQLite file, or a PostgreSQL database named by a
// link file.
class Engine {
public:
    virtual ~Engine() = default;
    virtual Recordset execute(const QString& sql, const QVariantList& params) = 0;
    // The rows handed over one at a time, each the current row of the recordset given; an
    // engine that reads all of them first hands them over from there.
    virtual void each_row(const QString& sql, const QVariantList& params, const RowReader& row) {
        for (Recordset rs = execute(sql, params); !rs.eof(); rs.move_next())
            row(rs);
    }
    // A write whose answer the caller does not wait for; an engine that cannot hold it back
    // runs it at once. Its failure is raised by the next statement, or by flush(); an engine
    // destroyed with writes still travelling waits for them and raises nothing.
    virtual void send(const QString& sql, const QVariantList& params) { execute(sql, params); }
    virtual void flush() {}
    // Compiled statements kept by their text; an engine that keeps none ignores it.
    virtual void set_statement_cache(int) {}
    virtual int cached_statements() const { return 0; }
};

} // namespace tavrelis::data
