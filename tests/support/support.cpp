#include "support/support.h"

#include <QDir>
#include <QFile>

namespace testsupport {

QString data_path(const QString& name) {
    return QDir(QStringLiteral(TAVRELIS_TEST_DATA)).filePath(name);
}

QByteArray read_file(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool write_file(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString test_server() {
    if (qEnvironmentVariable("TAVRELIS_TEST_ENGINE") != QLatin1String("pg"))
        return {};
    const QString uri = qEnvironmentVariable("TAVRELIS_PG_URI");
    if (uri.isEmpty())
        qFatal("TAVRELIS_PG_URI is not set: run the tests through scripts/test.sh, which starts "
               "a server (scripts/pg.sh)");
    return uri;
}

} // namespace testsupport
