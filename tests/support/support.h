#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// Folder of the test data files checked in under tests/data.
QString data_path(const QString& name);

// Reads a whole file; empty when it cannot be read.
QByteArray read_file(const QString& path);
bool write_file(const QString& path, const QByteArray& bytes);

} // namespace testsupport
