#include "demo.h"
#include "installation.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout), err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stand-in for the host program of the payment-orders module."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption make_demo(QStringLiteral("make-demo"),
                                       QStringLiteral("Create a demo host installation in <dir>."),
                                       QStringLiteral("dir"));
    parser.addOption(make_demo);
    if (!parser.parse(args)) {
        err << "tavrelis-host: " << parser.errorText() << "\n";
        return 1;
    }
    if (parser.isSet(help)) {
        out << parser.helpText().replace(QStringLiteral("<executable_name>"),
                                         QStringLiteral("tavrelis-host"));
        return 0;
    }

    QString error;
    if (parser.isSet(make_demo)) {
        const QString dir = parser.value(make_demo);
        if (!host::make_demo(dir, &error)) {
            err << "tavrelis-host: " << error << "\n";
            return 1;
        }
        out << "tavrelis-host: demo installation created in " << QDir(dir).absolutePath() << "\n";
        return 0;
    }

    QApplication app(argc, argv);
    const QString prefix = host::default_installation();
    if (!QDir(prefix).exists(QStringLiteral("registry.reg"))) {
        if (!host::make_demo(prefix, &error)) {
            err << "tavrelis-host: " << error << "\n";
            return 1;
        }
        out << "tavrelis-host: demo installation created in " << prefix << "\n";
    }
    return 0;
}
