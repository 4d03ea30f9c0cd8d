#include "data/connection.h"

#include "data/pg_engine.h"
#include "data/sqlite_engine.h"
#include "platform/errors.h"

#include <QLocale>
#include <algorithm>
#include <cstring>

namespace tavrelis::data {

namespace {

// The descriptions ADO gave for misuse of a connection or result set; callers show them.
const QString no_current_record = QStringLiteral(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.");
const QString no_such_item = QStringLiteral(
    "Item cannot be found in the collection corresponding to the requested name or ordinal.");
const QString object_closed = QStringLiteral("Operation is not allowed when the object is closed.");
const QString object_open = QStringLiteral("Operation is not allowed when the object is open.");

} // namespace

// ---------------------------------------------------------------------------------------------
// Recordset

void Recordset::add_block(qsizetype len) {
    // Blocks grow with the rows read, so that a big select takes few of them.
    constexpr qsizetype kFirst = 16 * 1024, kLargest = 1024 * 1024;
    left_ =
        std::max(len, blocks_.empty() ? kFirst : std::min(kLargest, qsizetype(cells_.size()) * 16));
    free_ = blocks_.emplace_back(new char[size_t(left_)]).get();
    if (blocks_.size() == 1)
        first_block_ = left_;
}

void Recordset::restart() {
    cells_.clear();
    rows_ = 0;
    pos_ = 0;
    if (blocks_.empty())
        return;
    blocks_.resize(1);
    free_ = blocks_[0].get();
    left_ = first_block_;
}

void Recordset::add(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        add_null();
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool:
        add_whole(v.toLongLong());
        break;
    case QMetaType::Double:
        add_real(v.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        add_blob(b.constData(), b.size());
        break;
    }
    default: {
        const QByteArray b = v.toString().toUtf8();
        add_text(b.constData(), b.size());
    }
    }
}

// A read with no current row, or of a field that is not there.
void Recordset::misread(int) const {
    throw Error(pos_ < 0 || pos_ >= rows_ ? no_current_record : no_such_item);
}

qint64 Recordset::whole(int i) const {
    const Cell& c = at(i);
    if (c.kind != Kind::Whole)
        throw Error(QStringLiteral("Type mismatch"));
    return c.whole;
}

double Recordset::real(int i) const {
    const Cell& c = at(i);
    if (c.kind != Kind::Real)
        throw Error(QStringLiteral("Type mismatch"));
    return c.real;
}

QByteArrayView Recordset::utf8(int i) const {
    const Cell& c = at(i);
    if (c.kind != Kind::Text && c.kind != Kind::Bytes)
        throw Error(QStringLiteral("Type mismatch"));
    return QByteArrayView(c.bytes, c.size);
}

QVariant Recordset::field(int i) const {
    switch (at(i).kind) {
    case Kind::Null:
        return QVariant();
    case Kind::Whole:
        return qlonglong(whole(i));
    case Kind::Real:
        return real(i);
    case Kind::Text:
        return QString::fromUtf8(utf8(i));
    case Kind::Bytes:
        return utf8(i).toByteArray();
    }
    return QVariant();
}

QString Recordset::text(int i) const {
    switch (at(i).kind) {
    case Kind::Null:
        throw Error(QStringLiteral("Invalid use of Null"));
    case Kind::Whole:
        return QString::number(whole(i));
    case Kind::Real:
        return QString::number(real(i), 'f', QLocale::FloatingPointShortest);
    case Kind::Text:
    case Kind::Bytes:
        return QString::fromUtf8(utf8(i));
    }
    return QString();
}

QString Recordset::text_or_empty(int i) const {
    return is_null(i) ? QString() : text(i);
}

// ---------------------------------------------------------------------------------------------
// Connection

Connection::Connection() = default;

Connection::~Connection() = default;

void Connection::open() {
    if (engine_)
        throw Error(object_open);
    const QString path = dbq_of(connection_string_);
    if (path.isEmpty())
        throw Error(QStringLiteral("The connection string names no database file (Dbq)."));
    if (const QString uri = link_uri(path); !uri.isEmpty())
        engine_ = std::make_unique<PgEngine>(uri);
    else
        engine_ = std::make_unique<SqliteEngine>(path);
    engine_->set_statement_cache(cache_);
}

void Connection::set_statement_cache(int capacity) {
    cache_ = capacity;
    if (engine_)
        engine_->set_statement_cache(capacity);
}

int Connection::cached_statements() const {
    return engine_ ? engine_->cached_statements() : 0;
}

// The engine waits for the writes still travelling as it goes; closing reports nothing, and a
// write that failed is lost as it would be unsent.
void Connection::close() {
    engine_.reset();
}

void Connection::send(const QString& sql, const QVariantList& params) {
    if (!engine_)
        throw Error(object_closed);
    engine_->send(sql, params);
}

void Connection::flush() {
    if (engine_)
        engine_->flush();
}

Recordset Connection::execute(const QString& sql, const QVariantList& params) {
    if (!engine_)
        throw Error(object_closed);
    return engine_->execute(sql, params);
}

void Connection::each_row(const QString& sql, const QVariantList& params, const RowReader& row) {
    if (!engine_)
        throw Error(object_closed);
    engine_->each_row(sql, params, row);
}

} // namespace tavrelis::data
