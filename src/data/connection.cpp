#include "data/connection.h"

#include "data/pg_engine.h"
#include "data/sqlite_engine.h"
#include "platform/errors.h"

#include <QLocale>

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

Recordset::Recordset(int fields, QVector<QVariant> cells)
    : fields_(fields), rows_(fields > 0 ? cells.size() / fields : 0), cells_(std::move(cells)) {}

const QVariant& Recordset::at(int i) const {
    if (pos_ < 0 || pos_ >= rows_)
        throw Error(no_current_record);
    if (i < 0 || i >= fields_)
        throw Error(no_such_item);
    return cells_[pos_ * fields_ + i];
}

namespace {

QString text_of(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString:
        return *static_cast<const QString*>(v.constData());
    case QMetaType::LongLong:
        return QString::number(*static_cast<const qlonglong*>(v.constData()));
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'f', QLocale::FloatingPointShortest);
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

} // namespace

QString Recordset::text(int i) const {
    const QVariant& v = at(i);
    if (v.isNull())
        throw Error(QStringLiteral("Invalid use of Null"));
    return text_of(v);
}

QString Recordset::text_or_empty(int i) const {
    const QVariant& v = at(i);
    return v.isNull() ? QString() : text_of(v);
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

void Connection::close() {
    if (engine_) {
        try {
            engine_->flush();
        } catch (const std::exception&) {
            // Closing reports nothing; a write that failed is lost as it would be unsent.
        }
    }
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

} // namespace tavrelis::data
