// The PostgreSQL engine behind a connection: the module's statements sent through libpq, the
// rows read back as the SQLite engine reads them.

#include "data/pg_engine.h"

#include "data/statement_log.h"
#include "data/stored_dates.h"
#include "platform/errors.h"

#include <QVarLengthArray>
#include <charconv>
#include <cstring>
#include <libpq-fe.h>

#include <memory>

namespace tavrelis::data {

namespace {

// Type oids of the server's catalogue.
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700,
              kFloat8 = 701, kNumeric = 1700, kDate = 1082;

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

Result hold(PGresult* r) {
    return Result(r, PQclear);
}

} // namespace

namespace pg {

QByteArray numbered(const QString& sql) {
    QString out;
    out.reserve(sql.size() + 16);
    int n = 0;
    QChar quote;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            out += u'$' + QString::number(++n);
            continue;
        }
        out += c;
    }
    return out.toUtf8();
}

pg_conn* connect(const QString& uri, QString* error) {
    PGconn* c = PQconnectdb(uri.toUtf8().constData());
    if (PQstatus(c) == CONNECTION_OK) {
        // Dates in and out as ISO (a d.m.y text read day first, as here); a lock held by
        // another accountant waited for no longer than the SQLite engine waits.
        const Result r = hold(
            PQexec(c, QStringLiteral("set datestyle='ISO, DMY'; set client_min_messages=error; "
                                     "set extra_float_digits=1; set lock_timeout=%1; "
                                     // Rows in the order SQLite gives them where a statement
                                     // leaves it open: joins nested in the order they are named.
                                     "set enable_hashjoin=off; set enable_mergejoin=off; "
                                     "set enable_hashagg=off")
                          .arg(Connection::kLockWait)
                          .toUtf8()
                          .constData()));
        if (PQresultStatus(r.get()) == PGRES_COMMAND_OK && PQsetClientEncoding(c, "UTF8") == 0)
            return c;
        *error = error_of(c, r.get());
    } else {
        *error = error_of(c, nullptr);
    }
    PQfinish(c);
    return nullptr;
}

void disconnect(pg_conn* conn) {
    PQfinish(conn);
}

QString error_of(pg_conn* conn, const pg_result* res) {
    // The primary message alone, as a user reads it: the same words SQLite's triggers and
    // constraints give, without the server's severity and context lines.
    const char* primary = res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const QString m = QString::fromUtf8(primary ? primary : PQerrorMessage(conn)).trimmed();
    return m.isEmpty() ? QStringLiteral("no connection to the server") : m;
}

QVariant value(const pg_result* res, int row, int column, bool as_text) {
    if (PQgetisnull(res, row, column))
        return QVariant();
    const char* p = PQgetvalue(res, row, column);
    const int len = PQgetlength(res, row, column);
    if (as_text)
        return QString::fromUtf8(p, len);
    switch (PQftype(res, column)) {
    case kBool:
        return qlonglong(*p == 't' ? 1 : 0);
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        return QByteArray::fromRawData(p, len).toLongLong();
    case kNumeric: {
        // A sum of whole numbers is whole, as SQLite's is.
        const QByteArray b = QByteArray::fromRawData(p, len);
        bool whole = false;
        const qlonglong v = b.toLongLong(&whole);
        if (whole)
            return v;
        return b.toDouble();
    }
    case kFloat4:
    case kFloat8:
        return QByteArray::fromRawData(p, len).toDouble();
    case kBytea: {
        size_t n = 0;
        unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(p), &n);
        const QByteArray b(reinterpret_cast<const char*>(raw), qsizetype(n));
        PQfreemem(raw);
        return b;
    }
    default:
        return QString::fromUtf8(p, len);
    }
}

} // namespace pg

PgEngine::PgEngine(const QString& uri) {
    QString error;
    conn_ = pg::connect(uri, &error);
    if (!conn_)
        throw Error(error);
}

PgEngine::~PgEngine() {
    try {
        flush();
    } catch (const std::exception&) {
        // Nobody is left to tell; the writes before the failed one stand.
    }
    pg::disconnect(conn_);
}

bool PgEngine::date_column(unsigned table, int column) {
    auto it = dates_.find(table);
    if (it == dates_.end()) {
        QSet<int> columns;
        const QByteArray id = QByteArray::number(table);
        const char* values[] = {id.constData()};
        const Result r = hold(
            PQexecParams(conn_,
                         "select a.attnum from pg_attribute a join pg_type t on t.oid = a.atttypid "
                         "where a.attrelid = $1::oid and t.typname = 'access_date'",
                         1, nullptr, values, nullptr, nullptr, 0));
        if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
            throw Error(pg::error_of(conn_, r.get()));
        for (int i = 0; i < PQntuples(r.get()); ++i)
            columns.insert(QByteArray(PQgetvalue(r.get(), i, 0)).toInt());
        it = dates_.insert(table, columns);
    }
    return it->contains(column);
}

// Values as libpq takes them: texts, types the server is told (0: inferred where the value
// stands), bytes sent as binary.
struct PgEngine::Bound {
    int n = 0;
    QVarLengthArray<QByteArray, 16> bytes;
    QVarLengthArray<const char*, 16> values;
    QVarLengthArray<int, 16> lengths, formats;
    QVarLengthArray<Oid, 16> types;

    explicit Bound(const QVariantList& params)
        : n(int(params.size())), bytes(n), values(n), lengths(n), formats(n), types(n) {
        for (int i = 0; i < n; ++i) {
            const QVariant& v = params[i];
            types[i] = 0;
            formats[i] = 0;
            if (v.isNull()) {
                values[i] = nullptr;
                lengths[i] = 0;
                continue;
            }
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::Bool:
                types[i] = kInt8;
                bytes[i] = QByteArray::number(v.toLongLong());
                break;
            case QMetaType::Double:
                types[i] = kFloat8;
                bytes[i] = QByteArray::number(v.toDouble(), 'g', 17);
                break;
            case QMetaType::QByteArray:
                types[i] = kBytea;
                formats[i] = 1;
                bytes[i] = v.toByteArray();
                break;
            default:
                bytes[i] = v.toString().toUtf8();
                // The server's texts hold no NUL, and libpq would cut the value there.
                if (bytes[i].contains('\0'))
                    throw Error(
                        QStringLiteral("invalid byte sequence for encoding \"UTF8\": 0x00"));
            }
            values[i] = bytes[i].constData();
            lengths[i] = int(bytes[i].size());
        }
    }

    QByteArray key(const QByteArray& text) const {
        QByteArray k = text;
        for (int i = 0; i < n; ++i)
            k += '\x1f' + QByteArray::number(types[i]);
        return k;
    }
};

namespace {

bool is_select(const QString& sql) {
    return QStringView(sql).trimmed().left(6).compare(u"select", Qt::CaseInsensitive) == 0;
}

} // namespace

// The statements come as constant texts with their values bound; a text the server has
// prepared is kept, with the types it gave its parameters.
Recordset PgEngine::execute(const QString& sql, const QVariantList& params) {
    if (sql.trimmed().isEmpty() || sql.trimmed() == QLatin1String(";"))
        throw Error(QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                   "'PROCEDURE', 'SELECT', or 'UPDATE'."));
    if (!pending_.isEmpty()) {
        // A lookup goes out with the writes before it, and one wait answers them all; it has
        // no effect, so that it runs after a write that failed changes nothing. Anything else
        // waits until the writes are answered.
        if (is_select(sql) && capacity_ > 0 && !params.isEmpty()) {
            queue(sql, params);
            return finish(true);
        }
        finish(false);
    }
    const QByteArray text = pg::numbered(sql);
    const Bound b(params);
    Result r = hold(nullptr);
    if (capacity_ > 0 && b.n > 0) {
        const QByteArray& name = prepared(b.key(text), text, b.n, b.types.data());
        r = hold(PQexecPrepared(conn_, name.constData(), b.n, b.values.data(), b.lengths.data(),
                                b.formats.data(), 0));
    } else {
        r = hold(PQexecParams(conn_, text.constData(), b.n, b.types.data(), b.values.data(),
                              b.lengths.data(), b.formats.data(), 0));
    }
    Recordset rows = rows_of(r.get());
    // Only what went through is replayed: a probe that failed has no effect to time.
    if (recording_statements())
        record_statement(QString::fromUtf8(text), params, true);
    return rows;
}

void PgEngine::send(const QString& sql, const QVariantList& params) {
    // A write waits for the write before it: should that one fail, this one must not run.
    if (!pending_.isEmpty())
        finish(false);
    if (capacity_ == 0 || params.isEmpty()) {
        execute(sql, params);
        return;
    }
    queue(sql, params);
}

void PgEngine::flush() {
    if (!pending_.isEmpty())
        finish(false);
}

// Sends a statement in pipeline mode, as its own transaction (a sync after it), prepared
// first while the connection is still answering one statement at a time.
void PgEngine::queue(const QString& sql, const QVariantList& params) {
    const QByteArray text = pg::numbered(sql);
    const Bound b(params);
    const QByteArray key = b.key(text);
    if (!by_key_.contains(key) && !pending_.isEmpty())
        finish(false);
    const QByteArray name = prepared(key, text, b.n, b.types.data());
    if (PQpipelineStatus(conn_) == PQ_PIPELINE_OFF && PQenterPipelineMode(conn_) != 1)
        throw Error(pg::error_of(conn_, nullptr));
    if (PQsendQueryPrepared(conn_, name.constData(), b.n, b.values.data(), b.lengths.data(),
                            b.formats.data(), 0) != 1 ||
        PQpipelineSync(conn_) != 1) {
        const QString e = pg::error_of(conn_, nullptr);
        pending_.append({sql, params});
        try {
            finish(false);
        } catch (const Error&) {
        }
        throw Error(e);
    }
    pending_.append({sql, params});
}

// Reads the answers of what was queued, in order, and leaves pipeline mode. The first failure
// is raised once all are read; with rows, the last statement's rows are returned.
Recordset PgEngine::finish(bool rows) {
    QString failure;
    Result last = hold(nullptr);
    const QList<Queued> sent = std::exchange(pending_, {});
    for (qsizetype i = 0; i < sent.size(); ++i) {
        Result r = hold(PQgetResult(conn_));
        const ExecStatusType status = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!ok && failure.isEmpty())
            failure = pg::error_of(conn_, r.get());
        if (ok && recording_statements())
            record_statement(QString::fromUtf8(pg::numbered(sent[i].sql)), sent[i].params, true);
        // The end of this statement's answers, then its sync.
        if (r)
            while (PGresult* more = PQgetResult(conn_))
                PQclear(more);
        while (PGresult* sync = PQgetResult(conn_)) {
            const bool is_sync = PQresultStatus(sync) == PGRES_PIPELINE_SYNC;
            PQclear(sync);
            if (is_sync)
                break;
        }
        if (i + 1 == sent.size() && rows && ok)
            last = std::move(r);
    }
    if (PQexitPipelineMode(conn_) != 1 && failure.isEmpty())
        failure = pg::error_of(conn_, nullptr);
    if (!failure.isEmpty())
        throw Error(failure);
    return rows ? rows_of(last.get()) : Recordset(0);
}

// The name of the server's prepared statement for a text and its value types, prepared now if
// it is not kept; the least recently used one makes room.
const QByteArray& PgEngine::prepared(const QByteArray& key, const QByteArray& text, int n,
                                     const Oid* types) {
    if (const auto it = by_key_.constFind(key); it != by_key_.cend()) {
        lru_.splice(lru_.begin(), lru_, it.value());
        return lru_.front().name;
    }
    Prepared p{key, "tavrelis_" + QByteArray::number(++prepared_count_)};
    const Result made = hold(PQprepare(conn_, p.name.constData(), text.constData(), n, types));
    if (PQresultStatus(made.get()) != PGRES_COMMAND_OK)
        throw Error(pg::error_of(conn_, made.get()));
    evict(capacity_ - 1);
    lru_.push_front(std::move(p));
    by_key_.insert(key, lru_.begin());
    return lru_.front().name;
}

void PgEngine::set_statement_cache(int capacity) {
    capacity_ = std::max(capacity, 0);
    evict(capacity_);
}

void PgEngine::evict(int keep) {
    while (int(lru_.size()) > std::max(keep, 0)) {
        hold(PQexec(conn_, ("deallocate " + lru_.back().name).constData()));
        by_key_.remove(lru_.back().key);
        lru_.pop_back();
    }
}

namespace {

// The types value() makes other than a text of.
bool read_as_text(Oid type) {
    for (const Oid t : {kBool, kInt2, kInt4, kInt8, kOid, kNumeric, kFloat4, kFloat8, kBytea})
        if (type == t)
            return false;
    return true;
}

} // namespace

Recordset PgEngine::rows_of(const pg_result* res) {
    const ExecStatusType status = PQresultStatus(res);
    if (status == PGRES_COMMAND_OK)
        return Recordset(0);
    if (status != PGRES_TUPLES_OK)
        throw Error(pg::error_of(conn_, res));
    const int columns = PQnfields(res), count = PQntuples(res);
    // How each column is read, decided once for all its rows.
    enum How : char { Date, Text, Whole, Value };
    QVarLengthArray<How, 64> how(columns);
    for (int c = 0; c < columns; ++c) {
        const Oid table = PQftable(res, c);
        const Oid type = PQftype(res, c);
        how[c] = type == kDate || (table != InvalidOid && date_column(table, PQftablecol(res, c)))
                     ? Date
                 : read_as_text(type)                                              ? Text
                 : type == kInt2 || type == kInt4 || type == kInt8 || type == kOid ? Whole
                                                                                   : Value;
    }
    Recordset rows(columns);
    rows.cells_.reserve(size_t(count) * size_t(columns));
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(res, i, c)) {
                rows.add_null();
                continue;
            }
            const char* p = PQgetvalue(res, i, c);
            const int len = PQgetlength(res, i, c);
            char shown[10];
            qint64 whole = 0;
            if (how[c] == Date && shown_date(p, len, shown))
                rows.add_text(shown, 10);
            else if (how[c] == Date || how[c] == Text)
                rows.add_text(p, len);
            else if (how[c] == Whole && std::from_chars(p, p + len, whole).ptr == p + len)
                rows.add_whole(whole);
            else
                rows.add(pg::value(res, i, c));
        }
    rows.close();
    return rows;
}

} // namespace tavrelis::data
