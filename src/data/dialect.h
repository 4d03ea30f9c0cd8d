#pragma once

#include <QString>

struct sqlite3;

namespace tavrelis::data {

// Turns the Access dialect into SQLite's: & outside quoted literals becomes ||, and each of
// its operands that may be null is read as empty text, as Access joins a null.
QString translate_access(const QString& sql);

// The engine's side of the dialect.
// format(<date>,'dd.mm.yyyy') of two arguments, yielding the stored ISO text of the date.
bool register_access_functions(sqlite3* db);
// A stored DATE value as the module reads it: dd.mm.yyyy; anything not ISO as it is.
QString stored_date_text(const char* p, int len);
// The statement with each decimal-comma text it inserts into or sets in a numeric column
// written as the number, as Access stores it.
QString store_comma_numbers(sqlite3* db, const QString& sql);

} // namespace tavrelis::data
