// The SQLite engine behind a connection: the host's file opened as it stands, its statements
// compiled once, the wait for another writer's lock.

#include "data/sqlite_engine.h"

#include "data/statement_log.h"
#include "data/stored_dates.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/ui.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QVarLengthArray>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <memory>
#include <thread>

namespace tavrelis::data {

namespace {

constexpr char kHeader[] = "SQLite format 3"; // and its terminating zero: 16 bytes

// How a host file stands before it is opened.
struct FileState {
    bool database = true; // a regular file with the engine's header, or not a regular file
    bool wal = false;     // kept in write-ahead-log mode
};

FileState file_state(const QString& path) {
    FileState st;
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return st; // the engine reports what stops it
    char header[20] = {};
    const qint64 got = f.read(header, sizeof header);
    st.database = got >= 16 && std::memcmp(header, kHeader, 16) == 0;
    st.wal = got >= 20 && header[18] == 2;
    return st;
}

} // namespace

SqliteEngine::SqliteEngine(const QString& path) {
    // The engine would take an empty or foreign file for a new database and write its header
    // at the first write; a host file is never made a database here.
    const FileState st = file_state(path);
    if (!st.database)
        throw Error(QStringLiteral("file is not a database"));
    // What cannot be written is opened for reading: then every write fails alike, with
    // "attempt to write a readonly database", whether the file or its folder stops it.
    const QFileInfo info(path);
    const bool folder_writable = QFileInfo(info.absolutePath()).isWritable();
    const bool writable = info.isWritable() && folder_writable;
    QByteArray name = QFile::encodeName(path);
    int flags = SQLITE_OPEN_NOMUTEX | (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
    // Never SQLITE_OPEN_CREATE: a missing host database is an error, not a new empty one.
    if (st.wal && !folder_writable && !QFileInfo::exists(path + QStringLiteral("-shm"))) {
        // A log-mode file is read through a shared-memory file beside it, which this folder
        // cannot take. None there means no connection has the file open, so it is read as
        // it stands.
        name = "file:" + QUrl::toPercentEncoding(path, "/") + "?immutable=1";
        flags |= SQLITE_OPEN_URI;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    auto fail = [&db]() {
        const QString msg = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close_v2(db);
        throw Error(msg);
    };
    if (rc != SQLITE_OK)
        fail();
    sqlite3_busy_handler(db, &SqliteEngine::on_busy, this);
    // The journal mode is the host's, kept in the file: a log-mode file syncs at checkpoints
    // (safe there); a rollback journal keeps the engine's full syncs.
    if (st.wal &&
        sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
    db_ = db;
}

// Another process's lock: wait for it up to Connection::kLockWait with the busy cursor, then give
// up, and the statement fails with "database is locked".
int SqliteEngine::on_busy(void* self, int count) {
    auto& c = *static_cast<SqliteEngine*>(self);
    if (count == 0) {
        c.wait_.start();
        if (!c.waiting_) {
            c.waiting_ = true;
            cursor(true);
        }
    }
    const qint64 left = Connection::kLockWait - c.wait_.elapsed();
    if (left <= 0)
        return 0;
    static constexpr int delays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    const int step = count < int(std::size(delays)) ? delays[count] : 100;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(step, left)));
    return 1;
}

void SqliteEngine::end_wait() {
    if (!waiting_)
        return;
    waiting_ = false;
    cursor(false);
}

// The cursor is only a sign; nothing may unwind through the engine's frames.
void SqliteEngine::cursor(bool busy) noexcept {
    try {
        platform::wait_cursor(busy);
    } catch (...) {
    }
}

SqliteEngine::~SqliteEngine() {
    for (const Compiled& c : lru_)
        sqlite3_finalize(c.stmt);
    sqlite3_close_v2(db_);
}

// Each statement is a constant text with its values bound, so a text is compiled once and kept.
Recordset SqliteEngine::execute(const QString& sql, const QVariantList& params) {
    return statement(sql, params, nullptr);
}

void SqliteEngine::each_row(const QString& sql, const QVariantList& params, const RowReader& row) {
    statement(sql, params, &row);
}

Recordset SqliteEngine::statement(const QString& sql, const QVariantList& params,
                                  const RowReader* each) {
    // The wait a statement meets ends with it, however it ends.
    const std::unique_ptr<SqliteEngine, void (*)(SqliteEngine*)> wait(
        this, [](SqliteEngine* c) { c->end_wait(); });
    Recordset rows;
    if (capacity_ > 0) {
        rows = run(cached(sql), params, each);
    } else {
        sqlite3_stmt* stmt = compile(sql.toUtf8());
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owner(stmt, sqlite3_finalize);
        rows = run(stmt, params, each);
    }
    // Only what went through is replayed: a probe that failed has no effect to time.
    if (recording_statements())
        record_statement(sql, params, false);
    return rows;
}

sqlite3_stmt* SqliteEngine::compile(const QByteArray& text) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &stmt, &tail) != SQLITE_OK)
        throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
    if (!stmt)
        throw Error(QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                   "'PROCEDURE', 'SELECT', or 'UPDATE'."));
    // One statement per call, as the driver took it; a trailing ';' is harmless.
    for (const char* p = tail; p && p < text.constData() + text.size(); ++p)
        if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') {
            sqlite3_finalize(stmt);
            throw Error(QStringLiteral("Characters found after end of SQL statement."));
        }
    return stmt;
}

// The compiled statement of a text, compiled now if it is not kept; the least recently used
// one makes room.
sqlite3_stmt* SqliteEngine::cached(const QString& sql) {
    // A loop's statements come back in turn, so the latest two are looked for by where their
    // text lies before any text is hashed: a text the cache holds cannot be freed or changed,
    // so the same place and length is the same text.
    auto recent = lru_.begin();
    for (int n = 0; n < 2 && recent != lru_.end(); ++n, ++recent) {
        if (recent->text.constData() == sql.constData() && recent->text.size() == sql.size()) {
            lru_.splice(lru_.begin(), lru_, recent);
            return lru_.front().stmt;
        }
    }
    if (const auto it = by_text_.constFind(sql); it != by_text_.cend()) {
        lru_.splice(lru_.begin(), lru_, it.value());
        return lru_.front().stmt;
    }
    sqlite3_stmt* stmt = compile(sql.toUtf8());
    evict(capacity_ - 1);
    lru_.push_front({sql, stmt});
    by_text_.insert(sql, lru_.begin());
    return stmt;
}

void SqliteEngine::set_statement_cache(int capacity) {
    capacity_ = std::max(capacity, 0);
    evict(capacity_);
}

// Finalizes the least recently used statements until at most keep are left.
void SqliteEngine::evict(int keep) {
    while (int(lru_.size()) > std::max(keep, 0)) {
        by_text_.remove(lru_.back().text);
        sqlite3_finalize(lru_.back().stmt);
        lru_.pop_back();
    }
}

// Binds, steps through every row and leaves the statement reset, so that a kept one holds
// no lock between calls.
Recordset SqliteEngine::run(sqlite3_stmt* stmt, const QVariantList& params, const RowReader* each) {
    // The texts are bound from one buffer that stays until the statement is reset, so that a
    // statement of thirty texts costs one allocation and SQLite need not copy them.
    enum Kind : char { Null, Real, Whole, Bytes, Text };
    QVarLengthArray<Kind, 32> kinds(params.size());
    QVarLengthArray<qsizetype, 32> sizes(params.size());
    qsizetype bytes = 0;
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        const int type = v.typeId();
        kinds[i] =
            v.isNull()                  ? Null
            : type == QMetaType::Double ? Real
            : type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::Bool
                ? Whole
            : type == QMetaType::QByteArray ? Bytes
                                            : Text;
        // A text held as text is read in place; anything else is made one.
        if (kinds[i] == Text && type == QMetaType::QString)
            bytes += std::max<qsizetype>(
                sizes[i] = platform::utf8_size(*static_cast<const QString*>(v.constData())), 0);
        else if (kinds[i] == Text)
            bytes += std::max<qsizetype>(sizes[i] = platform::utf8_size(v.toString()), 0);
    }
    QByteArray buffer(bytes, Qt::Uninitialized);
    char* out = buffer.data();
    QVarLengthArray<QByteArray, 4> broken; // a lone surrogate, encoded as the rest of Qt does
    const std::unique_ptr<sqlite3_stmt, void (*)(sqlite3_stmt*)> reset(stmt, [](sqlite3_stmt* s) {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
    });
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        int rc = SQLITE_OK;
        if (kinds[i] == Null) {
            rc = sqlite3_bind_null(stmt, i + 1);
        } else if (kinds[i] == Real) {
            rc = sqlite3_bind_double(stmt, i + 1, v.toDouble());
        } else if (kinds[i] == Whole) {
            rc = sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
        } else if (kinds[i] == Bytes) {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob64(stmt, i + 1, b.constData(), sqlite3_uint64(b.size()),
                                     SQLITE_TRANSIENT);
        } else if (sizes[i] < 0) {
            const QByteArray& b = broken.emplace_back(v.toString().toUtf8());
            rc = sqlite3_bind_text64(stmt, i + 1, b.constData(), sqlite3_uint64(b.size()),
                                     SQLITE_STATIC, SQLITE_UTF8);
        } else {
            const char* begin = out;
            out = v.typeId() == QMetaType::QString
                      ? platform::put_utf8(out, *static_cast<const QString*>(v.constData()))
                      : platform::put_utf8(out, v.toString());
            rc = sqlite3_bind_text64(stmt, i + 1, sizes[i] == 0 ? "" : begin,
                                     sqlite3_uint64(sizes[i]), SQLITE_STATIC, SQLITE_UTF8);
        }
        if (rc != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
    }

    int rc = sqlite3_step(stmt);
    // Taken after the first step: a change of schema recompiles the statement inside it. The
    // columns' types only matter when there is a row to read.
    const int columns = sqlite3_column_count(stmt);
    QVarLengthArray<bool, 64> dates(rc == SQLITE_ROW ? columns : 0);
    for (int c = 0; c < dates.size(); ++c) {
        const char* type = sqlite3_column_decltype(stmt, c);
        dates[c] = type && sqlite3_stricmp(type, "DATE") == 0;
    }
    Recordset rows(columns);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) {
        for (int c = 0; c < columns; ++c) {
            // The column's value taken once: each column call of its own costs as much again
            // as reading the value.
            sqlite3_value* v = sqlite3_column_value(stmt, c);
            switch (sqlite3_value_type(v)) {
            case SQLITE_NULL:
                rows.add_null();
                break;
            case SQLITE_INTEGER:
                rows.add_whole(sqlite3_value_int64(v));
                break;
            case SQLITE_FLOAT:
                rows.add_real(sqlite3_value_double(v));
                break;
            case SQLITE_BLOB: {
                const auto* p = static_cast<const char*>(sqlite3_value_blob(v));
                if (each)
                    rows.add_borrowed(p, sqlite3_value_bytes(v), Recordset::Kind::Bytes);
                else
                    rows.add_blob(p, sqlite3_value_bytes(v));
                break;
            }
            default: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
                const int len = sqlite3_value_bytes(v);
                char shown[10];
                if (dates[c] && shown_date(p, len, shown))
                    rows.add_text(shown, 10);
                else if (each) // the statement keeps the bytes until its next step
                    rows.add_borrowed(p, len, Recordset::Kind::Text);
                else
                    rows.add_text(p, len);
            }
            }
        }
        if (each) {
            rows.close();
            (*each)(rows);
            rows.restart();
        }
    }
    if (rc != SQLITE_DONE)
        throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
    rows.close();
    return rows;
}

} // namespace tavrelis::data
