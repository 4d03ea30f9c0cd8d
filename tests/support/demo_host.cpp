#include "support/demo_host.h"

#include "data/database_file.h"
#include "demo.h"
#include "platform/codepage.h"
#include "platform/env.h"
#include "support/faults.h"
#include "support/support.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <csignal>

namespace testsupport {

namespace {

qint64 peak_kb(qint64 pid) {
    static const QRegularExpression hwm(QStringLiteral("VmHWM:\\s*(\\d+) kB"));
    const QByteArray status = read_file(QStringLiteral("/proc/%1/status").arg(pid));
    return hwm.match(QString::fromLatin1(status)).captured(1).toLongLong();
}

} // namespace

bool DemoHost::make(const QString& settlements_sql, const QString& taxpayer_sql) const {
    for (const char* sub : {"appdata", "home", "temp", "pdf"})
        QDir(root).mkpath(QLatin1String(sub));
    tavrelis::platform::set_today(QDate::fromString(kToday, QStringLiteral("dd.MM.yyyy")));
    QString error;
    const bool made = host::make_demo(host(), &error);
    tavrelis::platform::set_today(QDate());
    if (made) {
        for (const auto& [db, sql] :
             {std::pair(taxpayer(), taxpayer_sql), std::pair(settlements(), settlements_sql)})
            error += run_sql(db, QStringLiteral("pragma journal_mode=WAL;begin;") + sql +
                                     QStringLiteral("commit;"));
    }
    if (!error.isEmpty())
        qWarning("%s", qPrintable(error));
    return made && error.isEmpty();
}

bool DemoHost::make_on(const QString& server) const {
    tavrelis::data::set_database_server(server);
    const bool made = make();
    tavrelis::data::set_database_server({});
    return made;
}

bool DemoHost::copy_desk_to(const DemoHost& other) const {
    for (const char* sub : {"appdata", "home", "temp", "pdf", "host/Data"})
        if (!QDir(other.root).mkpath(QLatin1String(sub)))
            return false;
    for (const char* f : {"/registry.reg", "/Data/Fsk_Base.mdb", "/Data/Valmora2.mdb"})
        if (!QFile::copy(host() + f, other.host() + f))
            return false;
    const QString reg = other.host() + "/registry.reg";
    return write_file(reg, read_file(reg).replace(host().toUtf8(), other.host().toUtf8()));
}

bool DemoHost::own_module(const QByteArray* enp_ini) {
    module = root + QStringLiteral("/module");
    const QDir built = QFileInfo(QStringLiteral(TAVRELIS_HOST_BIN)).absoluteDir();
    return QDir(module).mkpath(QStringLiteral("Templates")) &&
           QFile::link(built.filePath(QStringLiteral("libtavrelis.so")),
                       module + QStringLiteral("/libtavrelis.so")) &&
           QFile::link(built.filePath(QStringLiteral("Templates/Payments.xml")),
                       module + QStringLiteral("/Templates/Payments.xml")) &&
           (!enp_ini || write_file(module + QStringLiteral("/Templates/enp.ini"), *enp_ini));
}

QString DemoHost::value(const QString& sql) const {
    return query(settlements(), sql).value(0).value(0);
}

HostRun run_host(const DemoHost& place, const QStringList& script, const KillAt* kill,
                 bool watch_memory) {
    const QString scn = place.root + QStringLiteral("/session.scn");
    const QString transcript = place.root + QStringLiteral("/transcript.txt");
    QFile::remove(transcript);
    if (!write_file(scn, script.join(u'\n').toUtf8() + '\n'))
        return {};

    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString var : {"APPDATA", "HOME", "TEMP"})
        env.insert(var, place.root + u'/' + var.toLower());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!place.crash_at.isEmpty())
        env.insert(QStringLiteral("TAVRELIS_CRASH_AT"), place.crash_at);
    if (!place.module.isEmpty()) // searched before the host's own run path
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), place.module);
    host.setProcessEnvironment(env);
    host.start(QStringLiteral(TAVRELIS_HOST_BIN),
               {"--prefix", place.host(), "--acc", "1", "--today", DemoHost::kToday, "--print-to",
                place.pdfs(), "--script", scn, "--transcript", transcript});
    HostRun out;
    if (!host.waitForStarted())
        return out;
    while (!host.waitForFinished(1)) {
        if (watch_memory)
            out.peak_kb = std::max(out.peak_kb, peak_kb(host.processId()));
        if (kill && kill->progress() >= kill->target) {
            QThread::msleep(kill->rng->bounded(kill->pause_ms + 1));
            ::kill(pid_t(host.processId()), SIGKILL);
            out.killed = true;
            host.waitForFinished(-1);
            break;
        }
    }
    out.killed = out.killed && host.exitStatus() == QProcess::CrashExit;
    out.exit_code = host.exitCode();
    out.stderr_text = QString::fromUtf8(host.readAllStandardError());
    out.transcript = QString::fromUtf8(read_file(transcript)).split(u'\n', Qt::SkipEmptyParts);
    return out;
}

QList<QHash<QString, QString>> exchange_sections(const QString& path) {
    const QString text = tavrelis::platform::from_cp1251(read_file(path));
    QList<QHash<QString, QString>> out;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line == QStringLiteral("СекцияДокумент=Платежное поручение"))
            out.append(QHash<QString, QString>());
        else if (!out.isEmpty() && line.contains(u'='))
            out.back().insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    return out;
}

OrderFiles order_files(const QString& folder, const QString& ext) {
    static const QRegularExpression number(QStringLiteral("_N(\\d+)_"));
    OrderFiles out;
    for (const QFileInfo& f : QDir(folder).entryInfoList({u'*' + ext}, QDir::Files)) {
        const QByteArray b = read_file(f.filePath());
        const bool whole = ext == QLatin1String(".pdf")
                               ? b.trimmed().endsWith("%%EOF")
                               : b.startsWith("<?xml") && b.endsWith("\r\n</Document>\r\n") &&
                                     b.count("\r\n") == 31;
        (whole ? out.whole : out.cut).insert(number.match(f.fileName()).captured(1).toInt());
    }
    return out;
}

} // namespace testsupport
