#pragma once

#include <QString>

namespace tavrelis::data {

// The database file a connection string names (its Dbq part), empty when none.
QString dbq_of(const QString& connection_string);

// The connection string of the host's databases for a file.
QString access_connection_string(const QString& path);

// Doubles the apostrophes of a value placed between apostrophes in SQL text.
QString sql_quote(const QString& value);

} // namespace tavrelis::data
