#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// The PostgreSQL server a test also runs on: the URI of TAVRELIS_PG_URI when
// TAVRELIS_TEST_ENGINE is "pg", else empty. The server variant of a test without the URI stops
// at once with a failure: it never passes having run on SQLite alone.
QString test_server();

// Folder of the test data files checked in under tests/data.
QString data_path(const QString& name);

// Reads a whole file; empty when it cannot be read.
QByteArray read_file(const QString& path);
bool write_file(const QString& path, const QByteArray& bytes);

} // namespace testsupport
