#include "data/connection.h"
#include "data/database_file.h"
#include "data/stored_dates.h"
#include "platform/errors.h"
#include "platform/recording_ui.h"
#include "support/cases.h"
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
    return error_of([&] { cnn.execute(sql); });
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
            create_database(
                path, "create table marker (v TEXT); insert into marker values ('" + path +
                          "'); create table amounts (summa REAL, whole INTEGER, "
                          "code TEXT, due DATE); create table dated (t1 TEXT, due DATE, t2 TEXT)"),
            QString());
        cnn.set_connection_string(access_connection_string(path));
        cnn.open();
    }

    // Opening fails with the engine's description and leaves the file as it was: a missing
    // file is not created, an empty one is not made a database.
    void open_refuses_what_is_no_database_data() {
        columns<QString, QString>(); // file, description
        row("missing", "", "unable to open database file");
        row("zero bytes", "=", "file is not a database");
        row("link to no server", "=postgresql://localhost:1/fsk\n",
            "connection to server at \"localhost\"");
    }
    void open_refuses_what_is_no_database() {
        auto [file, description] = fetch<QString, QString>();
        if (!server.isEmpty())
            QSKIP("files only");
        QTemporaryDir d;
        const QString path = d.filePath("Valmora2.mdb");
        if (file.startsWith(u'='))
            QVERIFY(testsupport::write_file(path, file.mid(1).toUtf8()));
        Connection c;
        c.set_connection_string(access_connection_string(path));
        const QString got = error_of([&] { c.open(); });
        QVERIFY2(got.startsWith(description), qPrintable(got));
        QCOMPARE(c.state(), int(Connection::Closed));
        QCOMPARE(QFileInfo::exists(path), !file.isEmpty());
        if (file.startsWith(u'='))
            QCOMPARE(testsupport::read_file(path), file.mid(1).toUtf8());
    }

    // The file a connection string names: a path comes back from the string made of it,
    // whatever it holds; written by hand, keys in any case, parts without a value, blanks.
    void connection_string_data() {
        columns<QString, QString>(); // path (made into a string, or "=" and the string), dbq
        for (const char* p :
             {"/a/Fsk_Base.mdb", "/a;b/F.mdb", " /a/F.mdb ", "{x}/F.mdb", "/a}b;}}/F.mdb"})
            QTest::newRow(p) << p << p;
        row("hand, lower case, blanks", "=;x;dbq = /x.mdb ;Uid=a", "/x.mdb");
        row("hand, braced", "=Driver={A;B};DBQ= {a;b}}c} ;z=1", "a;b}c");
        row("no Dbq", "=Uid=a;", "");
        row("hand, brace left open", "=Dbq={/a;b.mdb", "/a;b.mdb");
    }
    void connection_string() {
        auto [path, dbq] = fetch<QString, QString>();
        QCOMPARE(dbq_of(path.startsWith(u'=') ? path.mid(1) : access_connection_string(path)), dbq);
    }

    // Fields by position: a DATE column reads day first, its neighbours as stored; there is
    // no field past the last.
    void fields_by_position() {
        cnn.execute("delete from dated");
        cnn.execute("insert into dated values ('2026-12-04', ?, '2026-12-06')",
                    {stored_date("30.09.1999")});
        Recordset rs = cnn.execute("select t1, due, t2 from dated");
        QCOMPARE(rs.field_count(), 3);
        QCOMPARE((QStringList{rs.text(0), rs.text(1), rs.text(2)}),
                 (QStringList{"2026-12-04", "30.09.1999", "2026-12-06"}));
        QVERIFY_THROWS_EXCEPTION(Error, rs.field(3));
        if (server.isEmpty()) { // a file's DATE column holding what is no date shows it as it is
            cnn.execute("update dated set due='2O26-12-05'");
            QCOMPARE(cnn.execute("select due from dated").text(0), "2O26-12-05");
        }
    }

    // Bytes a host left in a column come back as those bytes, the fields after them in place.
    void bytes_in_a_row() {
        if (!server.isEmpty())
            QSKIP("files only");
        Recordset rs = cnn.execute("select x'D0AF', 'b'");
        QCOMPARE(rs.field(0).toByteArray() + '|' + rs.text(1).toUtf8(), QByteArray("\xD0\xAF|b"));
    }

    // Closing ends the connection, the writes sent before it done; a closed connection runs
    // nothing, and closing it again does nothing.
    void close_ends_the_connection() {
        Connection other;
        other.set_connection_string(cnn.connection_string());
        other.open();
        other.send("insert into marker values (?)", {"sent"});
        other.close();
        QCOMPARE(other.state(), int(Connection::Closed));
        QCOMPARE(description_of(other, "select 1"),
                 QStringLiteral("Operation is not allowed when the object is closed."));
        other.close();
        QCOMPARE(cnn.execute("select count(*) from marker where v='sent'").field(0).toInt(), 1);
        cnn.execute("delete from marker where v='sent'");
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

    // Bound values land in the host's columns as the host keeps them: an amount as a REAL,
    // a date as its ISO text read back as dd.mm.yyyy, a text exactly, a null as null.
    void bound_values_are_stored_as_the_host_keeps_them_data() {
        columns<QVariantList, QString>(); // values (summa, whole, code, due), stored
        row("amount and date", QVariantList{1234.5, 12LL, "1,5", stored_date("05.12.2026")},
            "1234.5 12 '1,5' '05.12.2026'");
        row("whole amount, short date",
            QVariantList{-3.0, -3LL, "O'Brien", stored_date("1.2.2027")},
            "-3 -3 'O'Brien' '01.02.2027'");
        row("nulls", QVariantList{QVariant(), QVariant(), "", stored_date_or_null("")},
            "NULL NULL '' NULL");
        row("date with a time", QVariantList{0.01, 0LL, "?", stored_date("2026-12-31 10:00")},
            "0.01 0 '?' '31.12.2026'");
        row("cyrillic", QVariantList{1.0, 1LL, QStringLiteral("Банк «№ 1»"), QVariant()},
            "1 1 'Банк «№ 1»' NULL");
        // A broken pair is stored as Qt writes it anywhere else: "?".
        row("lone surrogate",
            QVariantList{1.0, 1LL, QStringLiteral("ООО ") + QChar(0xD835) + QStringLiteral("А"),
                         QVariant()},
            "1 1 'ООО ?А' NULL");
    }
    void bound_values_are_stored_as_the_host_keeps_them() {
        auto [values, stored] = fetch<QVariantList, QString>();
        cnn.execute("delete from amounts");
        cnn.execute("insert into amounts (summa,whole,code,due) values (?,?,?,?)", values);
        Recordset rs = cnn.execute("select summa, whole, code, due from amounts where due is null "
                                   "or due=?",
                                   {values[3]});
        QStringList got;
        for (int i = 0; i < 4; ++i)
            got << (rs.is_null(i)                                ? QStringLiteral("NULL")
                    : rs.field(i).typeId() == QMetaType::QString ? "'" + rs.text(i) + "'"
                                                                 : rs.text(i));
        QCOMPARE(got.join(u' '), stored);
    }

    // A date the module writes is stored as ISO text, or refused in the host's words.
    void stored_dates_data() {
        columns<QString, QString>(); // text, iso (empty: refused)
        const auto row = [](const char* tag, const QString& text, const QString& iso) {
            QTest::newRow(tag) << text << iso;
        };
        row("dd.mm.yyyy", "05.12.2026", "2026-12-05");
        row("d.m.yyyy, blanks around", " 5.1.2026\t ", "2026-01-05");
        row("slashes", "28/02/2027", "2027-02-28");
        row("mixed separators", "28/02.2027", "");
        row("ISO", "2026-12-05", "2026-12-05");
        row("ISO with a time", " 2026-12-05T10:00 ", "2026-12-05");
        row("ISO, a dot after the month", "2026-12.05", "");
        row("ISO of a short year", "1-05-14", "");
        row("29 February, leap", "29.02.2028", "2028-02-29");
        row("29 February, not leap", "29.02.2027", "");
        row("month 13", "01.13.2026", "");
        row("two-digit year", "01.02.26", "");
        row("three-digit day", "001.02.2026", "");
        row("year 0", "01.01.0000", "");
        row("year 9", "01.01.0009", "0009-01-01");
        // Every digit of the year its own: a thousand written as a thousand.
        for (const char* y : {"1000", "2000", "2001", "1999", "9999"})
            row(y, QStringLiteral("31.12.") + y, y + QStringLiteral("-12-31"));
        row("trailing text", "01.02.2026x", "");
        row("empty", "", "");
    }
    void stored_dates() {
        auto [text, iso] = fetch<QString, QString>();
        QString got;
        const QString error = error_of([&] { got = stored_date(text); });
        QCOMPARE(error, iso.isEmpty() ? QStringLiteral("format: not a date: '%1'").arg(text) : "");
        QCOMPARE(got, iso);
    }

    // Statements both engines run, and failures with the engine's description ("!" before an
    // expected failure); the connection stays usable after each.
    void statements_data() {
        columns<QString, QVariantList, QString>(); // sql, values, result
        row("texts joined, null as empty", "select coalesce(?,'') || 'x' || coalesce(?,'')",
            QVariantList{QVariant(), "y"}, "xy");
        row("a question mark in quotes", "select '?' || cast(? as text)", QVariantList{"!"}, "?!");
        row("a value is no SQL", "select cast(? as text)",
            QVariantList{"O'Brien'); drop table marker; --"}, "O'Brien'); drop table marker; --");
        row("syntax", "select v from marker where v='O'Brien'", QVariantList{},
            "!near \"Brien\": syntax error");
        row("empty", "  ", QVariantList{},
            "!Invalid SQL statement; expected 'DELETE', 'INSERT', "
            "'PROCEDURE', 'SELECT', or 'UPDATE'.");
        row("two statements", "select 1; select 2", QVariantList{},
            "!Characters found after end of SQL statement.");
    }
    void statements() {
        auto [sql, values, result] = fetch<QString, QVariantList, QString>();
        if (!result.startsWith(u'!')) {
            QCOMPARE(cnn.execute(sql, values).text(0), result);
        } else {
            const QString got = error_of([&] { cnn.execute(sql, values); });
            if (server.isEmpty() || result.startsWith(QLatin1String("!Invalid")))
                QCOMPARE(got, result.mid(1));
            else
                QVERIFY(!got.isEmpty()); // in the server's words
        }
        QCOMPARE(cnn.execute("select count(*) from marker").text(0), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
