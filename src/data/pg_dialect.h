#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace tavrelis::data {

// The libpq connection URI a link file names: its first line, when that begins with
// "postgresql://" or "postgres://". Empty for any other file, and for none.
QString link_uri(const QString& path);

// A statement of the Access dialect as the server takes it: "?" outside quotes numbered $1..,
// & as || with a null operand read as empty text, format(<date>,'dd.mm.yyyy') as the schema's
// access_format(), true/false as 1/0, and a quoted decimal-comma number the statement inserts
// or sets lifted into a parameter of its own (in params, listed in lifted).
struct PgStatement {
    QByteArray text;
    QVariantList params;
    QList<int> lifted;  // params that may hold a decimal-comma number for a numeric column
    bool no_op = false; // a setting of the SQLite file (PRAGMA), meaningless here
};
PgStatement pg_statement(const QString& sql, const QVariantList& params);

// The same value with a decimal point for a decimal comma: "-1234,50" -> "-1234.50". Anything
// not such a number is given back as it is.
QString comma_to_point(const QString& text);

// A script of the host's schema, or of statements run on a database outside the module, as the
// server takes it: the column types as the server's (DATE as the text domain access_date, whose
// values read back as dd.mm.yyyy), an integer primary key numbered by the server, and SQLite's
// "create trigger ... begin select raise(abort, '<message>'); end" as a trigger function.
QString pg_script(const QString& script);

// The statements that give a new schema the dialect's type and function.
QString pg_dialect_setup();

} // namespace tavrelis::data
