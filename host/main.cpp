#include "installation.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString prefix = host::default_installation();
    if (!QDir(prefix).exists(QStringLiteral("registry.reg"))) {
        QTextStream(stderr) << "tavrelis-host: no host installation at " << prefix << "\n";
        return 1;
    }
    return 0;
}
