#pragma once

#include <QString>

namespace tavrelis::data {

// The database file a connection string names (its Dbq part), empty when none.
QString dbq_of(const QString& connection_string);

// The connection string of the host's databases for a file.
QString access_connection_string(const QString& path);

// The libpq connection URI a link file names: its first line, when that begins with
// "postgresql://" or "postgres://". Empty for any other file, and for none.
QString link_uri(const QString& path);

} // namespace tavrelis::data
