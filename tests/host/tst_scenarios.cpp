// Runs every session script of tests/scenarios through tavrelis-host on a fresh demo
// installation. Lines starting with "#!" prepare the installation and state what must
// hold afterwards:
//   #! args <options>            more options for tavrelis-host (--acc 1 by default)
//   #! today DD.MM.YYYY          the day the demo is made for and the module runs on
//   #! version N                 the host's build number; 0 removes the version object
//   #! database-path missing|expandable   spoil the registry value
//   #! remove <path>             remove a file of the installation before the run
//   #! taxpayer <sql> / #! settlements <sql>   change the demo's data before the run
//   #! exit N                    expected exit code (0 by default)
//   #! absent <path> / #! present <path>      after the run; paths under the test folder
//   #! no-database-open          the run leaves no journal beside the databases
//   #! print-to <dir>            printing goes to PDF files in <dir> under the test folder
//   #! word-version V            the word processor the host registers ("12.0" if none)
//   #! files <dir> N             after the run <dir> under the test folder holds N files
//   #! touch <path>              an empty file under the test folder before the run
//   #! holds <path> <line>       after the run the file (windows-1251, CR LF) holds the line
//   #! stored <id,id,...>        after the run payments holds the orders of these oper_ids
// TAVRELIS_UPDATE_TRANSCRIPTS=1 writes every transcript anew from the run, for review.
// A file <name>.transcript beside the script is the exact transcript expected; the test
// folder's path appears in it as $TMP.
// After every scenario the installation must keep the rules of support/host_state.h.
// With TAVRELIS_TEST_ENGINE=pg every scenario runs twice, on SQLite files and on the server of
// TAVRELIS_PG_URI, and both runs must leave the same payments and fsk_operations.

#include "data/database_file.h"
#include "demo.h"
#include "platform/env.h"
#include "support/faults.h"
#include "support/host_state.h"
#include "support/support.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QtTest>

namespace {

QString read_text(const QString& path) {
    return QString::fromUtf8(testsupport::read_file(path));
}

} // namespace

class TestScenarios : public QObject {
    Q_OBJECT
private slots:
    void scenario_data() {
        QTest::addColumn<QString>("file");
        const QDir dir(QStringLiteral(TAVRELIS_SOURCE_DIR "/tests/scenarios"));
        const QStringList files = dir.entryList({QStringLiteral("*.scn")}, QDir::Files, QDir::Name);
        QVERIFY2(!files.isEmpty(), "no scenarios found");
        for (const QString& f : files)
            QTest::newRow(qPrintable(f)) << dir.filePath(f);
    }

    void scenario() {
        QFETCH(QString, file);
        const QString server = testsupport::test_server();
        testsupport::HostState files, on_server;
        run(file, {}, &files);
        keep_dump(file, QStringLiteral("files"), files);
        if (server.isEmpty() || QTest::currentTestFailed())
            return;
        run(file, server, &on_server);
        keep_dump(file, QStringLiteral("server"), on_server);
        QCOMPARE(on_server.payment_columns, files.payment_columns);
        QCOMPARE(on_server.payments, files.payments);
        QCOMPARE(on_server.operations, files.operations);
    }

private:
    // With TAVRELIS_SCENARIO_DUMPS=DIR each run's rows are left in DIR/<scenario>.<engine>, so
    // that two builds' effects can be compared byte for byte.
    static void keep_dump(const QString& file, const QString& engine,
                          const testsupport::HostState& st) {
        const QString dir = qEnvironmentVariable("TAVRELIS_SCENARIO_DUMPS");
        if (dir.isEmpty())
            return;
        QString out = st.payment_columns.join(u'|') + u'\n';
        for (const auto& row : st.payments)
            out += row.join(u'|') + u'\n';
        out += st.operation_columns.join(u'|') + u'\n';
        for (const auto& row : st.operations)
            out += row.join(u'|') + u'\n';
        out += st.read_error + u'\n';
        QDir().mkpath(dir);
        QVERIFY(testsupport::write_file(
            dir + u'/' + QFileInfo(file).completeBaseName() + u'.' + engine, out.toUtf8()));
    }

    void run(const QString& file, const QString& server, testsupport::HostState* after) {
        using namespace testsupport;
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString inst = tmp.filePath("host"), data = inst + "/Data/";
        for (const char* sub : {"appdata", "home", "temp"})
            QDir(tmp.path()).mkpath(sub);

        // Each directive's values in order; the data changes keep their order across both files.
        QHash<QString, QStringList> d;
        QList<QPair<QString, QString>> sql;
        static const QStringList known =
            QStringLiteral("args today version database-path remove exit absent present touch "
                           "no-database-open print-to word-version holds files taxpayer "
                           "settlements stored")
                .split(u' ');
        for (const QString& line : read_text(file).split(u'\n')) {
            if (!line.startsWith("#! "))
                continue;
            const QString rest = line.mid(3).trimmed();
            const QString key = rest.section(u' ', 0, 0), value = rest.section(u' ', 1);
            if (!known.contains(key))
                QFAIL(qPrintable("unknown directive: " + line));
            if (key == "taxpayer" || key == "settlements")
                sql.append({key, value});
            d[key] << value;
        }
        const auto one = [&d](const char* key, const QString& otherwise = {}) {
            return d.value(key, {otherwise}).last();
        };
        QStringList args = one("args", "--acc 1").split(u' ', Qt::SkipEmptyParts);
        const QString today = one("today", "05.12.2026"), print_to = one("print-to");

        // The demo is laid out around the day the module will run on.
        tavrelis::platform::set_today(QDate::fromString(today, "dd.MM.yyyy"));
        QString error;
        tavrelis::data::set_database_server(server);
        const bool made = host::make_demo(inst, &error);
        tavrelis::data::set_database_server({});
        tavrelis::platform::set_today(QDate());
        QVERIFY2(made, qPrintable(error));

        const QString reg_file = inst + "/registry.reg";
        QString reg = read_text(reg_file);
        if (const int version = one("version", "93").toInt(); version == 0)
            reg.remove(
                QRegularExpression("\\[HKEY_CLASSES_ROOT\\\\Fsk_Version\\.VersionInfo\\][^\\[]*"));
        else
            reg.replace("dword:0000005d",
                        QStringLiteral("dword:%1").arg(version, 8, 16, QLatin1Char('0')));
        const QString db_path = QStringLiteral("\"DataBasePath\"=\"[^\"]*\"");
        if (one("database-path") == "missing") {
            reg.remove(QRegularExpression(db_path + "\n"));
        } else if (one("database-path") == "expandable") {
            QByteArray hex;
            for (QChar c : data + QChar(0))
                hex += QByteArray::number(c.unicode() & 0xff, 16).rightJustified(2, '0') + ",00,";
            hex.chop(1);
            reg.replace(QRegularExpression(db_path),
                        "\"DataBasePath\"=hex(2):" + QString::fromLatin1(hex));
        }
        if (const QString word = one("word-version"); !word.isEmpty())
            reg += QStringLiteral("\n[HKEY_CLASSES_ROOT\\Word.Application\\CurVer]\n"
                                  "@=\"Word.Application.%1\"\n")
                       .arg(word.section(u'.', 0, 0));
        QVERIFY(write_file(reg_file, reg.toUtf8()));
        for (const QString& r : d.value("remove"))
            QVERIFY2(QFile::remove(inst + u'/' + r), qPrintable(r));
        for (const QString& t : d.value("touch"))
            QVERIFY2(QFile(tmp.filePath(t)).open(QIODevice::WriteOnly), qPrintable(t));
        for (const auto& [db, statement] : sql) {
            error = run_sql(data + (db == "taxpayer" ? "Valmora2.mdb" : "Fsk_Base.mdb"), statement);
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }

        const QString settlements = data + "Fsk_Base.mdb";
        const QString settings = tmp.filePath("appdata/V2_Payments/V2_payments.ini");
        const HostState before = capture_host(settlements, settings);

        const QString transcript = tmp.filePath("transcript.txt");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString var : {"APPDATA", "HOME", "TEMP"})
            env.insert(var, tmp.filePath(var.toLower()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        if (!print_to.isEmpty()) {
            QVERIFY(QDir(tmp.path()).mkpath(print_to));
            args << "--print-to" << tmp.filePath(print_to);
        }
        p.start(TAVRELIS_HOST_BIN, QStringList{"--prefix", inst, "--today", today} + args +
                                       QStringList{"--script", file, "--transcript", transcript});
        QVERIFY(p.waitForFinished(60000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(p.exitStatus() == QProcess::NormalExit, qPrintable(err));
        QVERIFY2(p.exitCode() == one("exit", "0").toInt(),
                 qPrintable(QStringLiteral("exit %1, stderr:\n%2").arg(p.exitCode()).arg(err)));

        const QString expected = file.chopped(4) + ".transcript";
        const QString got = read_text(transcript).replace(tmp.path(), "$TMP");
        // After a change that shows other texts: the transcripts written anew, for review.
        if (QFile::exists(expected) && qEnvironmentVariableIsSet("TAVRELIS_UPDATE_TRANSCRIPTS"))
            QVERIFY(write_file(expected, got.toUtf8()));
        if (QFile::exists(expected))
            QCOMPARE(got.split(u'\n'), read_text(expected).split(u'\n'));
        for (const QString& a : d.value("absent"))
            QVERIFY2(!QFile::exists(tmp.filePath(a)), qPrintable(a + " exists"));
        for (const QString& a : d.value("present"))
            QVERIFY2(QFile::exists(tmp.filePath(a)), qPrintable(a + " is missing"));
        for (const QString& v : d.value("holds")) {
            const QString path = v.section(u' ', 0, 0), line = v.section(u' ', 1);
            QFile f(tmp.filePath(path));
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path + " is missing"));
            const QString text = QStringDecoder("windows-1251").decode(f.readAll());
            QVERIFY2(text.split("\r\n").contains(line), qPrintable(path + " lacks " + line));
        }
        for (const QString& v : d.value("files")) {
            const QString dir = v.section(u' ', 0, -2);
            const QStringList there = QDir(tmp.filePath(dir)).entryList(QDir::Files, QDir::Name);
            QVERIFY2(there.size() == v.section(u' ', -1).toInt(),
                     qPrintable(dir + ": " + there.join(u' ')));
        }
        if (d.contains("no-database-open")) {
            const QStringList left = QDir(data).entryList({"*-wal", "*-shm"});
            QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
        }
        // Read last: reading a database leaves the engine's shared-memory file beside it.
        *after = capture_host(settlements, settings);
        const QStringList broken = invariant_violations(before, *after);
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
        if (d.contains("stored")) {
            QStringList ids;
            for (const auto& row : after->payments)
                ids << column(*after, row, "oper_id");
            QCOMPARE(ids.join(u','), one("stored"));
        }
    }
};

QTEST_MAIN(TestScenarios)
#include "tst_scenarios.moc"
