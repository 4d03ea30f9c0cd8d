#include "installation.h"

#include <QDir>
#include <QStandardPaths>

namespace host {

QString default_installation() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("tavrelis-host"));
}

} // namespace host
