// Statements run with their literals lifted into parameters and their compiled shapes kept
// must answer exactly as the same texts run as written: the same rows in the same order, the
// same changes to the file, the same failure descriptions. With TAVRELIS_TEST_ENGINE=pg, on
// the server.

#include "data/bare_loop.h"
#include "data/connection.h"
#include "data/database_file.h"
#include "data/statement_log.h"
#include "platform/errors.h"
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
QString answer(Connection& c, const QString& sql) {
    QString out;
    try {
        Recordset r = c.execute(sql);
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
        QTest::addColumn<QString>("sql");
        const char* rows[][2] = {
            {"apostrophes", "select id from t where name='O''Brien' or name=''''"},
            {"& inside a literal", "select name & ' & ' & id from t where name<>'a & b'"},
            {"& with null", "select id & ':' & name & 'x' from t order by id"},
            {"negative number", "select id from t where sum_ > -4 and id-1 >= 1"},
            {"minus as operator", "select 5-3, id-1, -id from t"},
            {"in list of 2", "select id from t where id in (1,2)"},
            {"in list of 3", "select id from t where id in (1,2,4)"},
            {"true and false", "select id from t where (id=1)=true or (id=2)=false"},
            {"like", "select id from t where name like 'O%' or name like '_ & _'"},
            {"order by position", "select name, id from t order by 2 desc"},
            {"no such table", "select * from missing where a='b'"},
            {"format", "select format('14.05.2026','dd.mm.yyyy'), format(d,'dd.mm.yyyy') from t"},
            {"format not a date", "select format('31.02.2026','dd.mm.yyyy')"},
            {"comments", "select 1 -- '2'\n + 2 /* 'x' 3 */, '--' from t where id=1"},
            {"select-list literals", "select 'x', 7, 2.50, 5.064276, id from t order by 1"},
            {"group by position", "select sum_>0, count(*) from t group by 1 having count(*)>1"},
            {"past 64 bits", "select 9223372036854775808, -9223372036854775808"},
            {"insert", "insert into t (id,name,sum_,d) values (5,'it''s',7,format('01.02.2026',"
                       "'dd.mm.yyyy'))"},
            {"decimal comma", "update t set sum_='12,50', name='12,50' where id=3"},
            {"update", "update t set name=name & '!' where id in (1,3)"},
            {"syntax error", "select from t where name='x'"},
            {"unclosed literal", "select id from t where name='x"},
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << QString::fromUtf8(r[1]);
    }
    void same_answer() {
        QFETCH(QString, sql);
        const auto plain = open(0), cached = open(Connection::kStatementCache);
        QVERIFY(plain && cached);
        // Twice: the second time from the kept statement.
        for (int pass = 0; pass < 2; ++pass) {
            const QString expected = answer(*plain, sql);
            QCOMPARE(answer(*cached, sql), expected);
        }
        QCOMPARE(plain->cached_statements(), 0);
    }

    // A value is never read as SQL: a NUL or control characters in a text are stored as they
    // stand. The server's texts hold no NUL: such a text is refused whole, never cut short.
    void odd_characters_in_a_value() {
        const auto c = open(Connection::kStatementCache);
        QVERIFY(c);
        const QString odd = QStringLiteral("a") + QChar(0) + QStringLiteral("b\x01\t'\"?");
        QString quoted = odd;
        quoted.replace(u'\'', QStringLiteral("''"));
        const QString insert =
            QStringLiteral("insert into t (id,name) values (9,'") + quoted + QStringLiteral("')");
        if (!testsupport::test_server().isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(Error, c->execute(insert));
            QCOMPARE(c->execute(QStringLiteral("select id from t where id=9")).record_count(), 0);
            return;
        }
        c->execute(insert);
        Recordset r = c->execute(QStringLiteral("select name from t where id=9"));
        QCOMPARE(r.text(0), odd);
        QCOMPARE(c->execute(QStringLiteral("select id from t where name='") + quoted +
                            QStringLiteral("'"))
                     .record_count(),
                 1);
    }

    // The statements the benchmarks record, with their values written in, do again in the
    // bare loop what they did through the connection; only while recording.
    void recorded_statements_replay() {
        const auto c = open(Connection::kStatementCache);
        QVERIFY(c);
        std::vector<std::string> sent;
        start_recording(&sent);
        c->execute(QStringLiteral("insert into t (id,name,sum_) values (5,'it''s',-2.5)"));
        stop_recording();
        c->execute(QStringLiteral("delete from t where id=1"));
        QCOMPARE(sent.size(), size_t(1));
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

    // Each new shape compiles once; the cache never holds more than its capacity, and a
    // statement evicted and met again still answers right.
    void stays_bounded() {
        const auto c = open(4);
        QVERIFY(c);
        for (int round = 0; round < 2; ++round)
            for (int k = 1; k <= 10; ++k) {
                const QString sql = QStringLiteral("select count(*) from t where id<%1") +
                                    QStringLiteral(" and 1=1").repeated(k);
                QCOMPARE(c->execute(sql.arg(3)).text(0), QStringLiteral("2"));
                QVERIFY(c->cached_statements() <= 4);
            }
        QCOMPARE(c->cached_statements(), 4);
        c->set_statement_cache(1);
        QCOMPARE(c->cached_statements(), 1);
    }
};

QTEST_MAIN(TestStatementCache)
#include "tst_statement_cache.moc"
