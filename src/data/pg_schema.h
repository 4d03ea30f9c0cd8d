#pragma once

#include <QString>

namespace tavrelis::data {

// A script of the host's schema, or of statements run on a database outside the module, as the
// server takes it: the column types as the server's (DATE as the text domain access_date, whose
// values read back as dd.mm.yyyy), an integer primary key numbered by the server, and SQLite's
// "create trigger ... begin select raise(abort, '<message>'); end" as a trigger function.
QString pg_script(const QString& script);

// The statements that give a new schema the host's date domain, and a text column compared
// with a number compared as SQLite compares it.
QString pg_schema_setup();

} // namespace tavrelis::data
