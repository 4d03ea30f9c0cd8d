#include "demo.h"
#include "installation.h"
#include "script.h"

#include "data/database_file.h"
#include "entry/class1.h"
#include "platform/env.h"
#include "platform/registry_file.h"
#include "platform/shell.h"
#include "platform/work_calendar.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

namespace {

// Points the module's platform at a host installation.
void use_installation(const QString& prefix) {
    const QDir dir(prefix);
    tavrelis::platform::set_registry_file(dir.filePath(QStringLiteral("registry.reg")));
    tavrelis::platform::set_calendar_file(dir.filePath(QStringLiteral("calendar.txt")));
}

// In a session the folder the module would open in the file manager goes to the transcript.
class NotedOpener : public tavrelis::platform::FolderOpener {
public:
    explicit NotedOpener(host::ScriptSession& session) : session_(session) {}
    bool open_folder(const QString& folder) override {
        session_.note(QStringLiteral("open folder ") +
                      host::script::quote(QDir::toNativeSeparators(folder)));
        return true;
    }

private:
    host::ScriptSession& session_;
};

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout), err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stand-in for the host program of the payment-orders module. With no "
                       "options it runs the module on the default demo installation."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption make_demo(QStringLiteral("make-demo"),
                                       QStringLiteral("Create a demo host installation in <dir>."),
                                       QStringLiteral("dir"));
    const QCommandLineOption database_opt(
        QStringLiteral("database"),
        QStringLiteral("With --make-demo: keep the two databases in the PostgreSQL database "
                       "<uri> (a libpq URI, postgresql://...), the installation holding link "
                       "files to them."),
        QStringLiteral("uri"));
    const QCommandLineOption prefix_opt(QStringLiteral("prefix"),
                                        QStringLiteral("Host installation to run on."),
                                        QStringLiteral("dir"));
    const QCommandLineOption acc_opt(
        QStringLiteral("acc"), QStringLiteral("Report set passed to porvik."), QStringLiteral("n"));
    const QCommandLineOption today_opt(
        QStringLiteral("today"),
        QStringLiteral("Fix the module's today (DD.MM.YYYY); a demo made with --make-demo is "
                       "laid out around it."),
        QStringLiteral("date"));
    const QCommandLineOption script_opt(QStringLiteral("script"),
                                        QStringLiteral("Drive the windows from a session script."),
                                        QStringLiteral("file"));
    const QCommandLineOption transcript_opt(
        QStringLiteral("transcript"), QStringLiteral("Write the session's transcript to <file>."),
        QStringLiteral("file"));
    const QCommandLineOption grab_opt(
        QStringLiteral("grab"),
        QStringLiteral("With --script: save every window shown as a PNG in <dir>."),
        QStringLiteral("dir"));
    const QCommandLineOption print_opt(QStringLiteral("print-to"),
                                       QStringLiteral("Print to PDF files in <dir>."),
                                       QStringLiteral("dir"));
    parser.addOptions({make_demo, database_opt, prefix_opt, acc_opt, today_opt, script_opt,
                       transcript_opt, print_opt, grab_opt});
    if (!parser.parse(args)) {
        err << "tavrelis-host: " << parser.errorText() << "\n";
        return 2;
    }
    if (parser.isSet(help)) {
        out << parser.helpText().replace(QStringLiteral("<executable_name>"),
                                         QStringLiteral("tavrelis-host"));
        return 0;
    }

    // The module's day, and the day a demo made here is laid out around.
    if (parser.isSet(today_opt)) {
        const QDate day = QDate::fromString(parser.value(today_opt), QStringLiteral("dd.MM.yyyy"));
        if (!day.isValid()) {
            err << "tavrelis-host: --today wants DD.MM.YYYY, not " << parser.value(today_opt)
                << "\n";
            return 2;
        }
        tavrelis::platform::set_today(day);
    }

    QString error;
    if (parser.isSet(make_demo)) {
        const QString dir = parser.value(make_demo);
        tavrelis::data::set_database_server(parser.value(database_opt));
        if (!host::make_demo(dir, &error)) {
            err << "tavrelis-host: " << error << "\n";
            return 1;
        }
        out << "tavrelis-host: demo installation created in " << QDir(dir).absolutePath() << "\n";
        return 0;
    }

    const bool scripted = parser.isSet(script_opt);
    if (scripted && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // a session needs no display
    QApplication app(argc, argv);

    if (parser.isSet(print_opt))
        tavrelis::platform::set_print_folder(QDir(parser.value(print_opt)).absolutePath());

    QString prefix = parser.value(prefix_opt);
    if (prefix.isEmpty()) {
        prefix = host::default_installation();
        if (!host::holds_installation(prefix)) {
            if (!host::make_demo(prefix, &error)) {
                err << "tavrelis-host: " << error << "\n";
                return 1;
            }
            out << "tavrelis-host: demo installation created in " << prefix << "\n";
            out.flush();
        }
    } else if (!host::holds_installation(prefix)) {
        err << "tavrelis-host: no host installation in " << prefix << "\n";
        return 2;
    }
    use_installation(prefix);

    int acc = host::demo_legal_report_set;
    if (parser.isSet(acc_opt)) {
        bool ok = false;
        acc = parser.value(acc_opt).toInt(&ok);
        if (!ok) {
            err << "tavrelis-host: --acc wants a whole number, not " << parser.value(acc_opt)
                << "\n";
            return 2;
        }
    }

    tavrelis::Class1 module;
    if (!scripted) {
        const QString hint = host::demo_hint(prefix);
        if (!hint.isEmpty())
            out << "tavrelis-host: " << hint << "\n";
        out.flush();
        module.porvik(acc);
        return 0;
    }

    host::ScriptSession session;
    if (!host::ScriptSession::load(parser.value(script_opt), session, &error)) {
        err << error << "\n";
        return session.exit_code();
    }
    if (parser.isSet(grab_opt))
        session.set_grab_folder(parser.value(grab_opt));
    NotedOpener opener(session);
    const tavrelis::platform::OpenerScope opener_scope(opener);
    session.run([&] { module.porvik(acc); });
    if (parser.isSet(transcript_opt) && !session.write_transcript(parser.value(transcript_opt))) {
        err << "tavrelis-host: cannot write the transcript " << parser.value(transcript_opt)
            << "\n";
        return 2;
    }
    return session.exit_code();
}
