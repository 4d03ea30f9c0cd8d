// A statement kept compiled must answer exactly as the same text compiled anew: the same rows
// in the same order, the same changes to the file, the same failure descriptions, whatever
// values are bound. With TAVRELIS_TEST_ENGINE=pg, on the server.

#include "data/bare_loop.h"
#include "data/connection.h"
#include "data/database_file.h"
#include "data/statement_log.h"
#include "platform/errors.h"
#include "support/cases.h"
#include "support/support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::data;

namespace {

const QString kSetup =
    QStringLiteral("create table t (id integer, name text, sum_ numeric, d date);"
                   "insert into t values (1,'O''Brien',10.5,'2026-05-14'),(2,'a & b',-3,null),"
                   "(3,null,0,'2026-01-02'),(4,'Ромашка',1234.57,null)");

// What a statement answered: its rows, or the failure's description, then the table.
QString answer(Connection& c, const QString& sql, const QVariantList& params) {
    QString out;
    try {
        Recordset r = c.execute(sql, params);
        for (; !r.eof(); r.move_next()) {
            for (int i = 0; i < r.field_count(); ++i) {
                const QVariant v = r.field(i);
                out += v.isNull() ? QStringLiteral("null")
                                  : QString::fromLatin1(v.typeName()) + u':' + v.toString();
                out += u'|';
            }
            out += u'\n';
        }
    } catch (const Error& e) {
        out = QStringLiteral("failed: ") + e.description();
    }
    Recordset all = c.execute(QStringLiteral("select id,name,sum_,d from t order by id,name"));
    for (out += u'\n'; !all.eof(); all.move_next())
        for (int i = 0; i < 4; ++i)
            out += all.is_null(i) ? QStringLiteral("null|")
                                  : QString::fromLatin1(all.field(i).typeName()) + u':' +
                                        all.field(i).toString() + u'|';
    return out;
}

} // namespace

class TestStatementCache : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int files_ = 0;

    // A fresh database and a connection to it with the cache of the capacity given.
    std::unique_ptr<Connection> open(int cache) {
        const QString path = dir_.filePath(QStringLiteral("db%1.mdb").arg(++files_));
        if (const QString e = create_database(path, kSetup); !e.isEmpty()) {
            qWarning("%s", qPrintable(e));
            return nullptr;
        }
        auto c = std::make_unique<Connection>();
        c->set_connection_string(access_connection_string(path));
        c->set_statement_cache(cache);
        c->open();
        return c;
    }

private slots:
    void initTestCase() { set_database_server(testsupport::test_server()); }

    void same_answer_data() {
        columns<QString, QVariantList,
                QVariantList>(); // sql, first (the values of the first run), second (and of the
                                 // second, from the kept statement)
        auto row = [](const char* tag, const char* sql, QVariantList a, QVariantList b) {
            QTest::newRow(tag) << QString::fromUtf8(sql) << a << b;
        };
        row("apostrophes", "select id from t where name=? or name=?", {"O'Brien", "''"},
            {"a & b", "x"});
        row("texts joined", "select coalesce(name,'') || ? || cast(id as text) from t order by id",
            {" & "}, {"?"});
        row("question mark quoted", "select '?' || ?, id from t where id=?", {"x", 1LL},
            {"y", 2LL});
        row("numbers", "select id from t where sum_ > ? and id-1 >= ?", {-4LL, 1LL}, {0.5, 0LL});
        row("a bound list",
            "select id from t where ',' || cast(? as text) || ',' like '%,' || id "
            "|| ',%' order by id",
            {"1,2"}, {"4"});
        row("null", "select count(*) from t where coalesce(name,?)=?", {"-", "-"},
            {QVariant(), "a & b"});
        row("no such table", "select * from missing where a=?", {"b"}, {"c"});
        row("insert", "insert into t (id,name,sum_,d) values (?,?,?,?)",
            {5LL, "it's", 7.25, "2026-02-01"}, {6LL, QVariant(), -1LL, QVariant()});
        row("update", "update t set name=coalesce(name,'') || ? where id=?", {"!", 1LL},
            {"?", 3LL});
        row("syntax error", "select from t where name=?", {"x"}, {"y"});
    }
    void same_answer() {
        auto [sql, first, second] = fetch<QString, QVariantList, QVariantList>();
        const auto plain = open(0), cached = open(Connection::kStatementCache);
        QVERIFY(plain && cached);
        for (const QVariantList& values : {first, second, first}) {
            const QString expected = answer(*plain, sql, values);
            QCOMPARE(answer(*cached, sql, values), expected);
        }
        QCOMPARE(plain->cached_statements(), 0);
    }

    // A statement is found by its text, wherever the text lies: one changed in place after it
    // ran, or the same text made anew, runs as what it now says.
    void found_by_text() {
        const auto c = open(Connection::kStatementCache);
        QVERIFY(c);
        QString sql = QStringLiteral("select 1 from t where id=?");
        const auto first = [&] { return c->execute(sql, {1LL}).field(0).toLongLong(); };
        QCOMPARE(first(), 1);
        QCOMPARE(c->execute(QStringLiteral("select 3"), {}).field(0).toLongLong(), 3);
        sql[7] = u'2';
        QCOMPARE(first(), 2);
        sql = QString::fromLatin1("select 1 from t where id=?");
        QCOMPARE(first(), 1);
    }

    // A value is never read as SQL: a NUL or control characters in a text are stored as they
    // stand. The server's texts hold no NUL: such a text is refused whole, never cut short.
    void odd_characters_in_a_value() {
        const auto c = open(Connection::kStatementCache);
        QVERIFY(c);
        const QString odd = QStringLiteral("a") + QChar(0) + QStringLiteral("b\x01\t'\"?");
        const QString insert = QStringLiteral("insert into t (id,name) values (9,?)");
        if (!testsupport::test_server().isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(Error, c->execute(insert, {odd}));
            QCOMPARE(c->execute(QStringLiteral("select id from t where id=9")).record_count(), 0);
            return;
        }
        c->execute(insert, {odd});
        Recordset r = c->execute(QStringLiteral("select name from t where id=9"));
        QCOMPARE(r.text(0), odd);
        QCOMPARE(c->execute(QStringLiteral("select id from t where name=?"), {odd}).record_count(),
                 1);
    }

    // The statements the benchmarks record, with their values written in, do again in the
    // bare loop what they did through the connection; only while recording.
    void recorded_statements_replay() {
        const auto c = open(Connection::kStatementCache);
        QVERIFY(c);
        std::vector<std::string> sent;
        std::vector<SentStatement> as_sent;
        start_recording(&sent, &as_sent);
        c->execute(QStringLiteral("insert into t (id,name,sum_) values (?,?,?)"),
                   {5LL, "it's", -2.5});
        stop_recording();
        c->execute(QStringLiteral("delete from t where id=1"));
        QCOMPARE(sent.size(), size_t(1));
        QCOMPARE(as_sent.size(), size_t(1)); // and as sent, for the benchmarks' own replay
        QCOMPARE(as_sent[0].params, (QVariantList{5LL, "it's", -2.5}));
        const QString file = dir_.filePath(QStringLiteral("db%1.mdb").arg(files_));
        if (testsupport::test_server().isEmpty())
            bare_loop(file, sent);
        else
            bare_loop_pg(file, sent);
        QCOMPARE(c->execute(QStringLiteral("select count(*) from t where id=5 and name='it''s' "
                                           "and sum_=-2.5"))
                     .text(0),
                 QStringLiteral("2"));
    }

    // Each new text compiles once; the cache never holds more than its capacity, and a
    // statement evicted and met again still answers right. The database is closed when the
    // connection ends, whatever it evicted: its log of a host in WAL mode goes with it.
    void stays_bounded() {
        auto c = open(4);
        QVERIFY(c);
        const bool files = testsupport::test_server().isEmpty();
        if (files)
            c->execute(QStringLiteral("pragma journal_mode=wal"));
        for (int round = 0; round < 2; ++round)
            for (int k = 1; k <= 10; ++k) {
                const QString sql = QStringLiteral("select count(*) from t where id<?") +
                                    QStringLiteral(" and 1=1").repeated(k);
                QCOMPARE(c->execute(sql, {3LL}).text(0), QStringLiteral("2"));
                QCOMPARE(c->execute(sql, {2LL}).text(0), QStringLiteral("1"));
                QVERIFY(c->cached_statements() <= 4);
            }
        QCOMPARE(c->cached_statements(), 4);
        c->set_statement_cache(1);
        QCOMPARE(c->cached_statements(), 1);
        c.reset();
        if (files)
            QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("db%1.mdb-wal").arg(files_))));
    }
};

QTEST_MAIN(TestStatementCache)
#include "tst_statement_cache.moc"
