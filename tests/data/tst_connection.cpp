#include "data/connection.h"
#include "data/database_file.h"
#include "platform/errors.h"
#include "platform/recording_ui.h"
#include "support/faults.h"
#include "support/support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::data;

namespace {

QString description_of(Connection& cnn, const QString& sql) {
    try {
        cnn.execute(sql);
    } catch (const Error& e) {
        return e.description();
    }
    return {};
}

} // namespace

// With TAVRELIS_TEST_ENGINE=pg the connection's database is on the server, behind a link file;
// what concerns SQLite files alone is left to the other run.
class TestConnection : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Connection cnn;
    const QString server = testsupport::test_server();

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("Fsk_Base.mdb");
        set_database_server(server);
        QCOMPARE(
            create_database(path, "create table marker (v TEXT); insert into marker values ('" +
                                      path + "')"),
            QString());
        cnn.set_connection_string(access_connection_string(path));
        cnn.open();
    }

    // Opening fails with the engine's description and leaves the file as it was: a missing
    // file is not created, an empty one is not made a database.
    void open_refuses_what_is_no_database_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("description");
        QTest::newRow("missing") << ""
                                 << "unable to open database file";
        QTest::newRow("zero bytes") << "="
                                    << "file is not a database";
        QTest::newRow("link to no server") << "=postgresql://localhost:1/fsk\n"
                                           << "connection to server at \"localhost\"";
    }
    void open_refuses_what_is_no_database() {
        QFETCH(QString, file);
        QFETCH(QString, description);
        if (!server.isEmpty())
            QSKIP("files only");
        QTemporaryDir d;
        const QString path = d.filePath("Valmora2.mdb");
        if (file.startsWith(u'='))
            QVERIFY(testsupport::write_file(path, file.mid(1).toUtf8()));
        Connection c;
        c.set_connection_string(access_connection_string(path));
        QString got;
        try {
            c.open();
        } catch (const Error& e) {
            got = e.description();
        }
        QVERIFY2(got.startsWith(description), qPrintable(got));
        QCOMPARE(c.state(), int(Connection::Closed));
        QCOMPARE(QFileInfo::exists(path), !file.isEmpty());
        if (file.startsWith(u'='))
            QCOMPARE(testsupport::read_file(path), file.mid(1).toUtf8());
    }

    // The file a connection string names: a path comes back from the string made of it,
    // whatever it holds; written by hand, keys in any case, parts without a value, blanks.
    void connection_string_data() {
        QTest::addColumn<QString>("path"); // made into a string, or "=" and the string
        QTest::addColumn<QString>("dbq");
        for (const char* p :
             {"/a/Fsk_Base.mdb", "/a;b/F.mdb", " /a/F.mdb ", "{x}/F.mdb", "/a}b;}}/F.mdb"})
            QTest::newRow(p) << p << p;
        QTest::newRow("hand, lower case, blanks") << "=;x;dbq = /x.mdb ;Uid=a"
                                                  << "/x.mdb";
        QTest::newRow("hand, braced") << "=Driver={A;B};DBQ= {a;b}}c} ;z=1"
                                      << "a;b}c";
        QTest::newRow("no Dbq") << "=Uid=a;"
                                << "";
    }
    void connection_string() {
        QFETCH(QString, path);
        QFETCH(QString, dbq);
        QCOMPARE(dbq_of(path.startsWith(u'=') ? path.mid(1) : access_connection_string(path)), dbq);
    }

    // Fields by position: a DATE column reads day first, its neighbours as stored; there is
    // no field past the last.
    void fields_by_position() {
        cnn.execute("create table if not exists dated (t1 TEXT, due DATE, t2 TEXT)");
        cnn.execute("delete from dated");
        cnn.execute("insert into dated values ('2026-12-04', format('05.12.2026','dd.mm.yyyy'), "
                    "'2026-12-06')");
        Recordset rs = cnn.execute("select t1, due, t2 from dated");
        QCOMPARE(rs.field_count(), 3);
        QCOMPARE((QStringList{rs.text(0), rs.text(1), rs.text(2)}),
                 (QStringList{"2026-12-04", "05.12.2026", "2026-12-06"}));
        QVERIFY_THROWS_EXCEPTION(Error, rs.field(3));
    }

    // Another process holds a write lock for 2 s: the statement waits, with the busy cursor,
    // and goes through. On the server a lock held on and on gives up after the wait.
    void a_lock_is_waited_for() {
        if (!server.isEmpty()) {
            Connection other;
            other.set_connection_string(cnn.connection_string());
            other.open();
            other.execute("begin");
            other.execute("update marker set v=v");
            QCOMPARE(description_of(cnn, "update marker set v=v"),
                     QStringLiteral("canceling statement due to lock timeout"));
            return;
        }
        platform::RecordingUi ui;
        platform::UiScope scope(ui);
        testsupport::HeldLock lock(dbq_of(cnn.connection_string()), 2);
        QVERIFY2(lock.held(), qPrintable(lock.error()));
        cnn.execute("insert into marker values ('x')");
        QCOMPARE(ui.events, (QStringList{"cursor busy", "cursor normal"}));
        cnn.execute("delete from marker where v='x'");
    }

    // A text with a decimal comma, alone as the value of a numeric column (not DATE), is
    // stored as the number, as Access stores it; everything else as it is written.
    void comma_numbers_are_stored_as_numbers_data() {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("stored"); // summa, whole, code, due: texts quoted
        QTest::newRow("insert") << QStringList{"insert into amounts (summa,whole,code,due) "
                                               "values ('1234,50','12,00','1,5','3,5')"}
                                << "1234.5 12 '1,5' '3,5'";
        QTest::newRow("update") << QStringList{"insert into amounts (code) values ('1,5')",
                                               "update amounts set [summa]='150000,55',code='2,5',"
                                               "whole= '-3,0' where code='1,5'"}
                                << "150000.55 -3 '2,5' NULL";
        QTest::newRow("not a lone number")
            << QStringList{"insert into amounts (summa,whole) values ('1,5' & '0', '1 234,50')",
                           "update amounts set code=summa where summa='1,50'"}
            << "'1,50' '1 234,50' '1,50' NULL";
    }
    void comma_numbers_are_stored_as_numbers() {
        QFETCH(QStringList, statements);
        QFETCH(QString, stored);
        cnn.execute("create table if not exists amounts (summa REAL, whole INTEGER, code TEXT, "
                    "due DATE)");
        cnn.execute("delete from amounts");
        // A numeric column of the server takes no text at all.
        if (!server.isEmpty() && QTest::currentDataTag() == QLatin1String("not a lone number")) {
            QVERIFY(!description_of(cnn, statements[0]).isEmpty());
            return;
        }
        for (const QString& st : statements)
            cnn.execute(st);
        Recordset rs = cnn.execute("select summa, whole, code, due from amounts");
        QStringList got;
        for (int i = 0; i < 4; ++i)
            got << (rs.is_null(i)                                ? QStringLiteral("NULL")
                    : rs.field(i).typeId() == QMetaType::QString ? "'" + rs.text(i) + "'"
                                                                 : rs.text(i));
        QCOMPARE(got.join(u' '), stored);
    }

    // The Access dialect as the module's statements use it, and failures with the engine's
    // description ("!" before an expected failure, "*" after a prefix); the connection stays
    // usable after each.
    void dialect_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("result");
        auto row = [](const char* sql, const char* result) {
            QTest::newRow(sql) << QString::fromUtf8(sql) << QString::fromUtf8(result);
        };
        row("select format('05.12.2026','dd.mm.yyyy')", "2026-12-05");
        row("select format('2026-12-05','dd.mm.yyyy')", "2026-12-05");
        row("select format('31.02.2026','dd.mm.yyyy')", "!format: *");
        row("select 'R&D' & ' & Co'", "R&D & Co");
        row("select null & 'x' & null", "x");
        row("select v from marker where v='O'Brien'", "!near \"Brien\": syntax error");
        row("  ", "!Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', "
                  "or 'UPDATE'.");
        row("select 1; select 2", "!Characters found after end of SQL statement.");
    }
    void dialect() {
        QFETCH(QString, sql);
        QFETCH(QString, result);
        if (!result.startsWith(u'!')) {
            QCOMPARE(cnn.execute(sql).text(0), result);
        } else if (!server.isEmpty()) {
            QVERIFY(!description_of(cnn, sql).isEmpty()); // in the server's words
        } else if (result.endsWith(u'*')) {
            QVERIFY(description_of(cnn, sql).startsWith(result.mid(1).chopped(1)));
        } else {
            QCOMPARE(description_of(cnn, sql), result.mid(1));
        }
        QCOMPARE(cnn.execute("select 1").text(0), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
