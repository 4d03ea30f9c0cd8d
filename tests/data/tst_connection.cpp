#include "data/connection.h"
#include "platform/errors.h"
#include "platform/recording_ui.h"
#include "support/faults.h"
#include "support/support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

using namespace tavrelis;
using namespace tavrelis::data;

namespace {

// The host tables the statements below touch, cut down to the columns they use.
const char* const schema[] = {
    "create table naturalperson (id integer primary key, inn text, surname text, name text, "
    "patronymic text)",
    "create table time_by_month (time_id integer primary key, name text, the_year integer, "
    "REPORT_ID integer)",
    "create table report_time (report_id integer primary key)",
    "create table fsk_cardlist (card_id integer primary key, accstream_id integer, taxcode "
    "integer)",
    "create table fsk_actions (act_id integer primary key, act_prim_id integer, CardPart_ID "
    "integer)",
    "create table fsk_operations (oper_id integer primary key, card_id integer, deleted "
    "integer, input_day DATE, act_id integer, term_day DATE, summa double, docum text, "
    "period_name text, docum_num text, docum_date DATE)",
    "create table self_requisites (inn text, kpp text, sender text, okato text, bik text, bank "
    "text, rs text, ks text, closed integer)",
    "create table fact_payments (oper_id integer)",
    "create table payments (number_ text, payment_date DATE, sum text, receiver text, inn text, "
    "kpp text, kbk text, okato text, bik text, rs text, ks text, bank text, sender text, "
    "inn_sender text, kpp_sender text, okato_sender text, bik_sender text, rs_sender text, "
    "ks_sender text, bank_sender text, way text, priority text, reason text, payment_type "
    "text, aim text, period text, document_date DATE, oper_id integer, payment_done integer, "
    "print_done integer)",
};

// A database file with one table of one row, made the way a host installation would make
// one, in write-ahead-log mode unless told otherwise.
QString make_database(const QString& path, const char* journal = "wal") {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_exec(db,
                 (QStringLiteral("pragma journal_mode=%1; create table marker (v text); "
                                 "insert into marker values ('%2')")
                      .arg(journal, path))
                     .toUtf8()
                     .constData(),
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
}

QString marker_of(const QString& connection_string) {
    Connection c;
    c.set_connection_string(connection_string);
    c.open();
    return c.execute("select v from marker").text(0);
}

QString description_of(Connection& cnn, const QString& sql) {
    try {
        cnn.execute(sql);
    } catch (const Error& e) {
        return e.description();
    }
    return {};
}

} // namespace

class TestConnection : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Connection cnn;

    void run_all(const QStringList& statements) {
        for (const QString& s : statements)
            cnn.execute(s);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        cnn.set_connection_string(
            access_connection_string(make_database(dir.filePath("Fsk_Base.mdb"))));
        cnn.open();
        for (const char* s : schema)
            cnn.execute(QString::fromUtf8(s));
        run_all({
            "insert into naturalperson values (7, '770101010101', 'Иванов', 'Иван', 'Иванович')",
            "insert into naturalperson values (8, '770202020202', 'Петров', 'Пётр', null)",
            "insert into report_time values (1)",
            "insert into report_time values (17)",
            "insert into time_by_month values (30, 'I квартал', 2026, 1)",
            "insert into time_by_month values (31, 'II квартал', 2026, 1)",
            "insert into time_by_month values (32, 'Год', 2026, 17)",
            "insert into time_by_month values (10, 'IV квартал', 2005, 1)",
            "insert into fsk_cardlist values (1, 100, -3)",
            "insert into fsk_cardlist values (2, 100, 3)",
            "insert into fsk_cardlist values (3, 100, -3)",
            "insert into fsk_cardlist values (4, 200, 9)",
            "insert into fsk_actions values (1, 4, 1)",
            "insert into fsk_actions values (2, 4, 2)",
            "insert into fsk_actions values (62, 5, 1)",
            "insert into fsk_operations values (501, 1, 0, '2026-11-01', 1, '2026-12-05', "
            "1234.5, 'Декларация', 'II квартал 2026', '1', '2026-11-01')",
            "insert into fsk_operations values (502, 2, 0, '2026-11-01', 1, '2026-12-05', 1500, "
            "'Декларация', 'II квартал 2026', '2', null)",
            "insert into fsk_operations values (503, 1, 0, '2026-11-01', 1, '2026-12-06', 10, "
            "'Декларация', 'II квартал 2026', '3', null)",
            "insert into fsk_operations values (504, 1, 1, '2026-11-01', 1, '2026-12-05', 20, "
            "'Декларация', 'II квартал 2026', '4', null)",
            "insert into fsk_operations values (505, 1, 0, '2026-11-01', 2, '2026-12-05', 30, "
            "'Декларация', 'II квартал 2026', '5', null)",
            "insert into self_requisites values ('7701', '770101001', 'ООО Закрытое', '1', '2', "
            "'3', '4', '5', 1)",
            "insert into self_requisites values ('7701', '770101001', 'ООО Открытое', '45', "
            "'044525225', 'ПАО Банк', '40702810', '30101810', 0)",
            "insert into fact_payments values (501)",
            "insert into fact_payments values (501)",
        });
    }

    void open_sets_state() {
        Connection c;
        QCOMPARE(c.state(), int(Connection::Closed));
        c.set_connection_string(access_connection_string(dir.filePath("Fsk_Base.mdb")));
        c.open();
        QCOMPARE(c.state(), int(Connection::Open));
        c.close();
        QCOMPARE(c.state(), int(Connection::Closed));
        c.close(); // a second close changes nothing
        QCOMPARE(c.state(), int(Connection::Closed));
    }

    // Opening fails with the engine's description and leaves the file as it was: a missing
    // file is not created, an empty one is not made a database.
    void open_refuses_what_is_no_database_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("description");
        QTest::newRow("missing") << ""
                                 << "unable to open database file";
        QTest::newRow("a folder") << "/"
                                  << "unable to open database file";
        QTest::newRow("zero bytes") << "="
                                    << "file is not a database";
        QTest::newRow("text") << "=Это не база данных, а список покупок.\r\n"
                              << "file is not a database";
    }
    void open_refuses_what_is_no_database() {
        QFETCH(QString, file);
        QFETCH(QString, description);
        QTemporaryDir d;
        const QString path = d.filePath("Valmora2.mdb");
        if (file == "/")
            QVERIFY(QDir().mkdir(path));
        else if (file.startsWith(u'='))
            QVERIFY(testsupport::write_file(path, file.mid(1).toUtf8()));
        Connection c;
        c.set_connection_string(access_connection_string(path));
        QString got;
        try {
            c.open();
        } catch (const Error& e) {
            got = e.description();
        }
        QCOMPARE(got, description);
        QCOMPARE(c.state(), int(Connection::Closed));
        QCOMPARE(QFileInfo::exists(path), !file.isEmpty());
        if (file.startsWith(u'='))
            QCOMPARE(testsupport::read_file(path), file.mid(1).toUtf8());
    }

    // The connection string names the whole path, whatever its folder is called; a plain
    // path stands in it as it is. A database at the path cut at ";" is not the one opened.
    void connection_string_names_the_whole_path_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << "Data";
        QTest::newRow(";") << "Da;ta";
        QTest::newRow("braces, ; and blanks") << " {Da}ta;} ";
    }
    void connection_string_names_the_whole_path() {
        QFETCH(QString, folder);
        QTemporaryDir d;
        QVERIFY(QDir(d.path()).mkdir(folder));
        const QString path = make_database(d.filePath(folder + "/Fsk_Base.mdb"));
        const QString cs = access_connection_string(path);
        if (!folder.contains(u';'))
            QCOMPARE(cs, "Driver={Microsoft Access Driver (*.mdb)};Dbq=" + path);
        else
            make_database(path.left(path.indexOf(u';')));
        QCOMPARE(dbq_of(cs), path);
        QCOMPARE(marker_of(cs), path);
    }

    // The host's file keeps the journal mode it has; writes go through in either.
    void journal_mode_is_kept_data() {
        QTest::addColumn<QString>("journal");
        QTest::newRow("write-ahead log") << "wal";
        QTest::newRow("rollback journal") << "delete";
    }
    void journal_mode_is_kept() {
        QFETCH(QString, journal);
        QTemporaryDir d;
        Connection c;
        c.set_connection_string(access_connection_string(
            make_database(d.filePath("Fsk_Base.mdb"), qPrintable(journal))));
        c.open();
        c.execute("insert into marker values ('x')");
        c.close();
        c.open();
        QCOMPARE(c.execute("select count(*) from marker").text(0), QStringLiteral("2"));
        QCOMPARE(c.execute("pragma journal_mode").text(0), journal);
    }

    // A file or folder that cannot be written: the file opens and reads, and a write fails
    // with the engine's description, in either journal mode.
    void read_only_opens_for_reading_data() {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("journal");
        QTest::newRow("file, write-ahead log") << false << "wal";
        QTest::newRow("file, rollback journal") << false << "delete";
        QTest::newRow("folder, write-ahead log") << true << "wal";
        QTest::newRow("folder, rollback journal") << true << "delete";
    }
    void read_only_opens_for_reading() {
        QFETCH(bool, folder);
        QFETCH(QString, journal);
        QTemporaryDir d;
        const QString path = make_database(d.filePath("Fsk_Base.mdb"), qPrintable(journal));
        const QString locked = folder ? d.path() : path;
        QString why;
        if (!testsupport::make_read_only(locked, &why))
            QSKIP(qPrintable(why));
        const std::unique_ptr<const QString, void (*)(const QString*)> undo(
            &locked, [](const QString* p) { testsupport::make_writable(*p); });
        Connection c;
        c.set_connection_string(access_connection_string(path));
        c.open();
        QCOMPARE(c.execute("select v from marker").text(0), path);
        QCOMPARE(description_of(c, "insert into marker values ('x')"),
                 QStringLiteral("attempt to write a readonly database"));
    }

    // Another process holds a write lock for 2 s: the statement waits, with the busy cursor,
    // and goes through.
    void a_lock_is_waited_for() {
        platform::RecordingUi ui;
        platform::UiScope scope(ui);
        testsupport::HeldLock lock(dbq_of(cnn.connection_string()), 2);
        QVERIFY2(lock.held(), qPrintable(lock.error()));
        cnn.execute("insert into fact_payments values (900)");
        QCOMPARE(ui.events, (QStringList{"cursor busy", "cursor normal"}));
        cnn.execute("delete from fact_payments where oper_id=900");
    }

    void execute_on_closed_connection_fails() {
        Connection c;
        QVERIFY_THROWS_EXCEPTION(Error, c.execute("select 1"));
    }

    void dbq_is_found_data() {
        QTest::addColumn<QString>("connection_string");
        QTest::addColumn<QString>("dbq");
        QTest::newRow("as the module builds it")
            << "Driver={Microsoft Access Driver (*.mdb)};Dbq=C:\\Host\\Data\\Fsk_Base.mdb"
            << "C:\\Host\\Data\\Fsk_Base.mdb";
        QTest::newRow("key in capitals, blanks") << "DRIVER={x}; DBQ = /srv/host/Valmora2.mdb ;"
                                                 << "/srv/host/Valmora2.mdb";
        QTest::newRow("dbq first") << "dbq=/a b/c.mdb;Driver={x}"
                                   << "/a b/c.mdb";
        QTest::newRow("braced value with ;") << "Driver={x};Dbq={/a;b/c.mdb};Uid="
                                             << "/a;b/c.mdb";
        QTest::newRow("braced value with }") << "Dbq={ /a}}b/c.mdb }"
                                             << " /a}b/c.mdb ";
        QTest::newRow("none") << "Driver={Microsoft Access Driver (*.mdb)}"
                              << "";
        QTest::newRow("DbqX is another key") << "DbqX=/a.mdb"
                                             << "";
    }
    void dbq_is_found() {
        QFETCH(QString, connection_string);
        QFETCH(QString, dbq);
        QCOMPARE(dbq_of(connection_string), dbq);
    }

    void full_name_of_a_natural_person_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("full_name");
        QTest::newRow("with patronymic") << "7"
                                         << "Иванов Иван Иванович";
        // Access joins a null as empty text.
        QTest::newRow("null patronymic") << "8"
                                         << "Петров Пётр ";
    }
    void full_name_of_a_natural_person() {
        QFETCH(QString, id);
        QFETCH(QString, full_name);
        const Recordset rs = cnn.execute(
            "select surname & ' ' & name & ' '& patronymic,inn,0 from naturalperson where id=" +
            id);
        QCOMPARE(rs.record_count(), 1);
        QCOMPARE(rs.text(0), full_name);
        QCOMPARE(rs.field_count(), 3);
        QCOMPARE(rs.text(2), QStringLiteral("0"));
        const Recordset branch =
            cnn.execute("select Surname & ' ' & Name & ' '& Patronymic,inn,0 from naturalperson "
                        "where id=" +
                        id);
        QCOMPARE(branch.text(0), full_name);
    }

    void periods_newest_first() {
        Recordset rs = cnn.execute(
            "SELECT name & ' ' & the_year, time_id FROM time_by_month, report_time WHERE "
            "time_by_month.REPORT_ID = report_time.report_id and the_year>=2006 and "
            "report_time.report_id not in (17,18,21,22,23,101) ORDER BY time_by_month.TIME_ID "
            "DESC");
        QStringList periods;
        for (; !rs.eof(); rs.move_next())
            periods << rs.text(0);
        QCOMPARE(periods, QStringList({"II квартал 2026", "I квартал 2026"}));
    }

    void distinct_tax_codes() {
        Recordset rs =
            cnn.execute("select distinct taxcode from fsk_cardlist where accstream_id=100");
        QStringList codes;
        for (; !rs.eof(); rs.move_next())
            codes << rs.text(0);
        codes.sort();
        QCOMPARE(codes, QStringList({"-3", "3"}));
    }

    // The accrual query of forming: due date through format(), subqueries with in (...).
    void accruals_of_a_due_date() {
        const QString sql =
            QStringLiteral(
                "select summa,fsk_cardlist.accstream_id,taxcode,docum_date,oper_id from "
                "fsk_operations,fsk_cardlist where fsk_operations.card_id=fsk_cardlist.card_id "
                "and act_id in (select act_id from fsk_actions where act_prim_id=4 and "
                "CardPart_ID=") +
            "1" + ") and fsk_operations.deleted=0 and term_day=format('" + "05.12.2026" +
            "','dd.mm.yyyy') and period_name = '" + "II квартал 2026" +
            "' and fsk_operations.card_id in (select card_id from fsk_cardlist where taxcode=" +
            "-3" + " and accstream_id in (" + "100,200" + "))";
        Recordset rs = cnn.execute(sql);
        QCOMPARE(rs.record_count(), 1);
        QCOMPARE(rs.field(0).toDouble(), 1234.5);
        QCOMPARE(rs.text(0), QStringLiteral("1234.5"));
        QCOMPARE(rs.text(1), QStringLiteral("100"));
        QCOMPARE(rs.text(2), QStringLiteral("-3"));
        QCOMPARE(rs.text(3), QStringLiteral("01.11.2026"));
        QCOMPARE(rs.text(4), QStringLiteral("501"));
    }

    void null_reads_as_null() {
        Recordset rs = cnn.execute("select docum_date,summa from fsk_operations where oper_id=502");
        QVERIFY(rs.is_null(0));
        QVERIFY(rs.field(0).isNull());
        QCOMPARE(rs.text_or_empty(0), QString());
        try {
            rs.text(0);
            QFAIL("a null read as text must fail");
        } catch (const Error& e) {
            QCOMPARE(e.description(), QStringLiteral("Invalid use of Null"));
        }
        // A whole amount stored as a real reads without a fraction.
        QCOMPARE(rs.text(1), QStringLiteral("1500"));
    }

    void reading_past_the_last_row_fails() {
        Recordset rs = cnn.execute("select oper_id from fsk_operations where oper_id=-1");
        QVERIFY(rs.empty());
        QVERIFY(rs.eof());
        QCOMPARE(rs.field_count(), 1);
        QVERIFY_THROWS_EXCEPTION(Error, rs.field(0));
        Recordset one = cnn.execute("select oper_id from fsk_operations where oper_id=501");
        QVERIFY_THROWS_EXCEPTION(Error, one.field(1));
        one.move_next();
        QVERIFY(one.eof());
        QVERIFY_THROWS_EXCEPTION(Error, one.text(0));
    }

    void open_own_requisites_only() {
        Recordset rs = cnn.execute("select sender,okato,rs,bik,bank,ks from self_requisites where "
                                   "inn='7701' and kpp='770101001' and closed=false");
        QCOMPARE(rs.record_count(), 1);
        QCOMPARE(rs.text(0), QStringLiteral("ООО Открытое"));
        QCOMPARE(rs.text(3), QStringLiteral("044525225"));
        QCOMPARE(cnn.execute("select count(*) from self_requisites where closed=true").text(0),
                 QStringLiteral("1"));
    }

    void count_of_fact_payments_data() {
        QTest::addColumn<QString>("oper_id");
        QTest::addColumn<int>("count");
        QTest::newRow("paid twice") << "501" << 2;
        QTest::newRow("unpaid") << "502" << 0;
    }
    void count_of_fact_payments() {
        QFETCH(QString, oper_id);
        QFETCH(int, count);
        const Recordset rs =
            cnn.execute("select count(*) from fact_payments where oper_id=" + oper_id);
        QCOMPARE(rs.field(0).toInt(), count);
        QCOMPARE(rs.text(0), QString::number(count));
    }

    // The insert of a new order, as composing builds it, then the editor's update with an
    // empty document date.
    void payment_order_round_trip() {
        QStringList items = {"12", "05.12.2026", "1 234,50"};
        for (int k = 4; k <= 26; ++k)
            items << QStringLiteral("v%1").arg(k);
        items << "1.11.2026";
        QString sql =
            QStringLiteral("insert into payments (number_,payment_date,sum,receiver,inn,kpp,kbk,"
                           "okato,bik,rs,ks,bank,sender,inn_sender,kpp_sender,okato_sender,bik_"
                           "sender,rs_sender,ks_sender,bank_sender,way,priority,reason,payment_"
                           "type,aim,period,document_date,oper_id,payment_done,print_done) "
                           "values ('") +
            items[0] + "',format('" + items[1] + "','dd.mm.yyyy'),'" + items[2];
        for (int k = 4; k <= 26; ++k)
            sql += "','" + items[k - 1];
        sql += "',format('" + items[26] + "','dd.mm.yyyy')," + "777" + "," + "0" + ",0)";
        QVERIFY(cnn.execute(sql).empty());

        Recordset rs = cnn.execute(
            "select number_,payment_date,sum,receiver,inn,kpp,kbk,okato,bik,rs,ks,bank,sender,"
            "inn_sender,kpp_sender,okato_sender,bik_sender,rs_sender,ks_sender,bank_sender,way,"
            "priority,reason,payment_type,aim,period,document_date,payment_done,print_done from "
            "payments where oper_id=777");
        QCOMPARE(rs.record_count(), 1);
        QCOMPARE(rs.field_count(), 29);
        items[26] = "01.11.2026";
        for (int k = 0; k < 27; ++k)
            QCOMPARE(rs.text(k), items[k]);
        QCOMPARE(rs.text(27), QStringLiteral("0"));
        QCOMPARE(rs.text(28), QStringLiteral("0"));
        // Dates are stored in their ISO form, whatever form the statement gave.
        QCOMPARE(cnn.execute("select count(*) from payments where payment_date='2026-12-05' and "
                             "document_date='2026-11-01'")
                     .text(0),
                 QStringLiteral("1"));

        cnn.execute("update payments set receiver='r',inn='i',kpp='k',kbk='b',okato='o',bik='b',"
                    "rs='r',ks='k',bank='b',sum='10,12',sender='s',inn_sender='i',kpp_sender='k',"
                    "okato_sender='o',bik_sender='b',rs_sender='r',ks_sender='k',bank_sender='b',"
                    "way='w',priority='5',reason='ТП',payment_type='0',aim='a',period='КВ.04.2026'"
                    ",document_date=null,payment_date=format('06.12.2026','dd.mm.yyyy') where "
                    "oper_id=777");
        rs = cnn.execute("select payment_date,sum,document_date from payments where oper_id=777");
        QCOMPARE(rs.text(0), QStringLiteral("06.12.2026"));
        QCOMPARE(rs.text(1), QStringLiteral("10,12"));
        QVERIFY(rs.is_null(2));
    }

    // A text with a decimal comma, alone as the value of a numeric column (not DATE), is
    // stored as the number, as Access stores it; everything else as it is written.
    void comma_numbers_are_stored_as_numbers_data() {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("stored"); // quote() of summa, whole, code, due
        QTest::newRow("insert") << QStringList{"insert into amounts (summa,whole,code,due) "
                                               "values ('1234,50','12,00','1,5','3,5')"}
                                << "1234.5 12 '1,5' '3,5'";
        QTest::newRow("insert of every column") << QStringList{"insert into amounts values "
                                                               "('-0,05', '7,25', '0,5', null);"}
                                                << "-0.05 7.25 '0,5' NULL";
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
        run_all(statements);
        QCOMPARE(cnn.execute("select quote(summa)||' '||quote(whole)||' '||quote(code)||' '||"
                             "quote(due) from amounts")
                     .text(0),
                 stored);
    }

    void format_reads_a_date_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("stored");
        QTest::newRow("dd.mm.yyyy") << "'05.12.2026'"
                                    << "2026-12-05";
        QTest::newRow("d.m.yyyy") << "'5.1.2026'"
                                  << "2026-01-05";
        QTest::newRow("with a time") << "'05.12.2026 14:30:00'"
                                     << "2026-12-05";
        QTest::newRow("ISO text") << "'2026-12-05'"
                                  << "2026-12-05";
        QTest::newRow("a stored date") << "term_day"
                                       << "2026-12-05";
        QTest::newRow("leap day") << "'29.02.2024'"
                                  << "2024-02-29";
    }
    void format_reads_a_date() {
        QFETCH(QString, argument);
        QFETCH(QString, stored);
        const Recordset rs = cnn.execute("select format(" + argument +
                                         ",'dd.mm.yyyy') from fsk_operations where oper_id=501");
        QCOMPARE(rs.text(0), stored);
    }

    void format_refuses_what_is_no_date_data() {
        QTest::addColumn<QString>("call");
        QTest::newRow("no such day") << "format('31.02.2026','dd.mm.yyyy')";
        QTest::newRow("two-digit year") << "format('05.12.26','dd.mm.yyyy')";
        QTest::newRow("not a date") << "format('abc','dd.mm.yyyy')";
        QTest::newRow("empty") << "format('','dd.mm.yyyy')";
        QTest::newRow("another pattern") << "format('05.12.2026','yyyy')";
    }
    void format_refuses_what_is_no_date() {
        QFETCH(QString, call);
        QVERIFY(description_of(cnn, "select " + call).startsWith(QStringLiteral("format: ")));
    }

    // SQLite's own format() keeps its other arities.
    void printf_format_still_answers() {
        QCOMPARE(cnn.execute("select format('%d-%s', 5, 'a')").text(0), QStringLiteral("5-a"));
    }

    void date_column_reads_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("read");
        QTest::newRow("ISO") << "'2026-12-05'"
                             << "05.12.2026";
        QTest::newRow("ISO with a time") << "'2026-01-31 10:15:00'"
                                         << "31.01.2026";
        QTest::newRow("not a date") << "'soon'"
                                    << "soon";
        QTest::newRow("a number") << "45000"
                                  << "45000";
    }
    void date_column_reads() {
        QFETCH(QString, stored);
        QFETCH(QString, read);
        cnn.execute("create table if not exists dated (d DATE)");
        cnn.execute("delete from dated");
        cnn.execute("insert into dated values (" + stored + ")");
        QCOMPARE(cnn.execute("select d from dated").text(0), read);
    }

    void format_of_null_is_null() {
        QVERIFY(cnn.execute("select format(null,'dd.mm.yyyy')").is_null(0));
    }

    void text_joining_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("result");
        QTest::newRow("& in a literal untouched") << "'R&D' & ' & Co'"
                                                  << "R&D & Co";
        QTest::newRow("doubled apostrophe") << "'it''s' & '&'"
                                            << "it's&";
        QTest::newRow("numbers") << "1 & 2"
                                 << "12";
        QTest::newRow("arithmetic first") << "1 + 2 & 'x'"
                                          << "3x";
        QTest::newRow("function call") << "upper('a') & lower('B')"
                                       << "Ab";
        QTest::newRow("parenthesised") << "('a' & 'b') & 'c'"
                                       << "abc";
        QTest::newRow("nested groups") << "((('a' & ('b'))) & upper(('c' & 'd')))"
                                       << "abCD";
        QTest::newRow("null joins as empty") << "null & 'x' & null"
                                             << "x";
        QTest::newRow("comparison after") << "'a' & 'b' = 'ab'"
                                          << "1";
        QTest::newRow("no blanks") << "'a'&'b'"
                                   << "ab";
        QTest::newRow("SQLite's own ||") << "'a' || 'b'"
                                         << "ab";
    }
    void text_joining() {
        QFETCH(QString, expression);
        QFETCH(QString, result);
        QCOMPARE(cnn.execute("select " + expression).text(0), result);
    }

    // Nesting far past what the engine takes is its failure to report, not a crash here.
    void deep_nesting_reports_the_engine_description() {
        const QString sql = "select " + QString(20000, u'(') + "'a' & 'b'" + QString(20000, u')');
        QCOMPARE(description_of(cnn, sql), QStringLiteral("parser stack overflow"));
    }

    void apostrophes_round_trip_through_sql_quote() {
        const QString value = QStringLiteral("ООО \"Ромашка\" & O'Brien''s");
        cnn.execute("create table quoted (v text)");
        cnn.execute("insert into quoted values ('" + sql_quote(value) + "')");
        QCOMPARE(cnn.execute("select v from quoted").text(0), value);
        QCOMPARE(sql_quote("a'b"), QStringLiteral("a''b"));
    }

    void a_failing_statement_reports_the_engine_description_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("description");
        QTest::newRow("apostrophe in a value")
            << "select receiver from requisites where self_inn='O'Brien'"
            << "near \"Brien\": syntax error";
        QTest::newRow("unclosed literal") << "select name from naturalperson where inn='7701"
                                          << "unrecognized token: \"'7701\"";
        QTest::newRow("no such table") << "select * from requisites"
                                       << "no such table: requisites";
        QTest::newRow("no statement")
            << "  "
            << "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', "
               "'SELECT', or 'UPDATE'.";
        QTest::newRow("two statements") << "select 1; select 2"
                                        << "Characters found after end of SQL statement.";
    }
    void a_failing_statement_reports_the_engine_description() {
        QFETCH(QString, sql);
        QFETCH(QString, description);
        QCOMPARE(description_of(cnn, sql), description);
        // The connection stays usable.
        QCOMPARE(cnn.execute("select 1").text(0), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
