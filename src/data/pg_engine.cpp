// The PostgreSQL engine behind a connection: the Access dialect sent through libpq, the rows
// read back as the SQLite engine reads them.

#include "data/pg_engine.h"

#include "data/literals.h"

#include "data/dialect.h"
#include "data/pg_dialect.h"
#include "data/statement_log.h"
#include "platform/errors.h"

#include <QVarLengthArray>
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

bool numeric_type(Oid t) {
    return t == kInt2 || t == kInt4 || t == kInt8 || t == kFloat4 || t == kFloat8 || t == kNumeric;
}

// The statement with its parameters written in as literals, for replaying it in a bare loop.
std::string with_values(const QByteArray& text, const QVariantList& params) {
    QString out;
    const QString s = QString::fromUtf8(text);
    for (qsizetype i = 0; i < s.size();) {
        if (s[i] == u'\'') {
            const qsizetype j = s.indexOf(u'\'', i + 1);
            const qsizetype end = j < 0 ? s.size() : j + 1;
            out += QStringView(s).mid(i, end - i);
            i = end;
        } else if (s[i] == u'$' && i + 1 < s.size() && s[i + 1].isDigit()) {
            qsizetype j = i + 1;
            while (j < s.size() && s[j].isDigit())
                ++j;
            const QVariant v = params.value(s.mid(i + 1, j - i - 1).toInt() - 1);
            if (v.isNull())
                out += QStringLiteral("null");
            else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
                out += QString::number(v.toLongLong());
            else if (v.typeId() == QMetaType::Double)
                out += QString::number(v.toDouble(), 'g', 17) + QStringLiteral("::float8");
            else
                out += u'\'' + v.toString().replace(u'\'', QStringLiteral("''")) + u'\'';
            i = j;
        } else {
            out += s[i++];
        }
    }
    return out.toStdString();
}

} // namespace

namespace pg {

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

namespace {

// A lifted statement the server could not make sense of: it runs again as written, so that
// the failure, if any, is the server's words about the module's own text.
struct NotUnderstood {};

} // namespace

// The literals go to the server as parameters, as on SQLite, so a value is never read as SQL.
Recordset PgEngine::execute(const QString& sql, const QVariantList& params) {
    if (capacity_ > 0 && params.isEmpty() && carries_values(sql)) {
        const Lifted lifted = lift_literals(sql);
        if (!lifted.values.isEmpty()) {
            try {
                return run(lifted.shape, lifted.values, true);
            } catch (const NotUnderstood&) {
            }
        }
    }
    return run(sql, params, false);
}

// The server's prepared statement for a shape, prepared now if it is not kept, with the types
// the server gave its parameters; the least recently used one makes room. A shape the server
// cannot make sense of is run as written (NotUnderstood).
const PgEngine::Prepared* PgEngine::prepared(const QByteArray& key, const QByteArray& text, int n,
                                             const Oid* types) {
    if (const auto it = by_key_.constFind(key); it != by_key_.cend()) {
        lru_.splice(lru_.begin(), lru_, it.value());
        return &lru_.front();
    }
    Prepared p{key, "tavrelis_" + QByteArray::number(++prepared_count_), {}};
    const Result made = hold(PQprepare(conn_, p.name.constData(), text.constData(), n, types));
    if (PQresultStatus(made.get()) != PGRES_COMMAND_OK) {
        const char* state = PQresultErrorField(made.get(), PG_DIAG_SQLSTATE);
        if (state && std::strncmp(state, "42", 2) == 0)
            throw NotUnderstood{};
        throw Error(pg::error_of(conn_, made.get()));
    }
    const Result described = hold(PQdescribePrepared(conn_, p.name.constData()));
    if (PQresultStatus(described.get()) != PGRES_COMMAND_OK)
        throw Error(pg::error_of(conn_, described.get()));
    for (int i = 0; i < n; ++i)
        p.param_types << PQparamtype(described.get(), i);
    evict(capacity_ - 1);
    lru_.push_front(std::move(p));
    by_key_.insert(key, lru_.begin());
    return &lru_.front();
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

Recordset PgEngine::run(const QString& sql, const QVariantList& params, bool lifted) {
    if (sql.trimmed().isEmpty() || sql.trimmed() == QLatin1String(";"))
        throw Error(QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                   "'PROCEDURE', 'SELECT', or 'UPDATE'."));
    // A table made through a connection gets the column types of the host's schema.
    PgStatement st = pg_statement(
        sql.trimmed().startsWith(QLatin1String("create"), Qt::CaseInsensitive) ? pg_script(sql)
                                                                               : sql,
        params);
    if (st.no_op)
        return Recordset(0, {});
    if (recording_statements())
        record_statement(with_values(st.text, st.params));
    const int n = int(st.params.size());
    QVarLengthArray<QByteArray, 16> bytes(n);
    QVarLengthArray<const char*, 16> values(n);
    QVarLengthArray<int, 16> lengths(n), formats(n);
    QVarLengthArray<Oid, 16> types(n);
    const auto bind = [&] {
        for (int i = 0; i < n; ++i) {
            const QVariant& v = st.params[i];
            types[i] = 0; // the server infers it from where the value stands
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
    };
    bind();
    // A prepared statement the server already holds for this shape and these value types, or
    // none when the text is run as written.
    const Prepared* kept = nullptr;
    if (lifted && capacity_ > 0) {
        QByteArray key = st.text;
        for (int i = 0; i < n; ++i)
            key += '\x1f' + QByteArray::number(types[i]);
        kept = prepared(key, st.text, n, types.data());
    }
    Result r = hold(nullptr);
    if (!st.lifted.isEmpty()) {
        // A decimal-comma number goes into a numeric column as the number, as Access stores it;
        // the server says which parameters stand for numeric columns.
        QVector<Oid> param_types;
        if (kept) {
            param_types = kept->param_types;
        } else {
            Result prepared = hold(PQprepare(conn_, "", st.text.constData(), n, types.data()));
            if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
                const char* state = PQresultErrorField(prepared.get(), PG_DIAG_SQLSTATE);
                if (lifted && state && std::strncmp(state, "42", 2) == 0)
                    throw NotUnderstood{};
                throw Error(pg::error_of(conn_, prepared.get()));
            }
            const Result described = hold(PQdescribePrepared(conn_, ""));
            if (PQresultStatus(described.get()) != PGRES_COMMAND_OK)
                throw Error(pg::error_of(conn_, described.get()));
            for (int i = 0; i < n; ++i)
                param_types << PQparamtype(described.get(), i);
        }
        for (const int i : std::as_const(st.lifted)) {
            const Oid type = param_types.value(i);
            if (!numeric_type(type))
                continue;
            const QString number = comma_to_point(st.params[i].toString());
            const double v = number.toDouble();
            // A whole number goes into an integer column, as SQLite keeps it.
            const bool whole =
                (type == kInt2 || type == kInt4 || type == kInt8) && v == qRound64(v);
            st.params[i] = whole ? QString::number(qRound64(v)) : number;
        }
        bind();
    }
    if (kept || !st.lifted.isEmpty())
        r = hold(PQexecPrepared(conn_, kept ? kept->name.constData() : "", n, values.data(),
                                lengths.data(), formats.data(), 0));
    else
        r = hold(PQexecParams(conn_, st.text.constData(), n, types.data(), values.data(),
                              lengths.data(), formats.data(), 0));
    const ExecStatusType status = PQresultStatus(r.get());
    if (status == PGRES_COMMAND_OK)
        return Recordset(0, {});
    if (status != PGRES_TUPLES_OK) {
        // Class 42: syntax or a name or type not found; nothing was done.
        const char* state = PQresultErrorField(r.get(), PG_DIAG_SQLSTATE);
        if (lifted && state && std::strncmp(state, "42", 2) == 0)
            throw NotUnderstood{};
        throw Error(pg::error_of(conn_, r.get()));
    }
    const PGresult* res = r.get();
    const int columns = PQnfields(res), count = PQntuples(res);
    QVarLengthArray<bool, 64> dates(columns);
    for (int c = 0; c < columns; ++c) {
        const Oid table = PQftable(res, c);
        dates[c] = PQftype(res, c) == kDate ||
                   (table != InvalidOid && date_column(table, PQftablecol(res, c)));
    }
    QVector<QVector<QVariant>> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        QVector<QVariant> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            if (dates[c] && !PQgetisnull(res, i, c))
                row.push_back(stored_date_text(PQgetvalue(res, i, c), PQgetlength(res, i, c)));
            else
                row.push_back(pg::value(res, i, c));
        }
        rows.push_back(std::move(row));
    }
    return Recordset(columns, std::move(rows));
}

} // namespace tavrelis::data
