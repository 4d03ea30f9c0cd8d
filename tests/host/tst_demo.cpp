#include "common/requisites.h"
#include "data/schema.h"
#include "demo.h"
#include "platform/env.h"
#include "support/support.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using tavrelis::platform::set_today;

namespace {

// An independent session on a host database: the plain SQLite C API, with the Access
// function format(date text,'dd.mm.yyyy') that the module's statements use.
class Session {
public:
    explicit Session(const QString& path, int flags = SQLITE_OPEN_READWRITE) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr) != SQLITE_OK)
            error = QStringLiteral("cannot open ") + path;
        sqlite3_create_function(db_, "format", 2, SQLITE_UTF8, nullptr, &format, nullptr, nullptr);
    }
    ~Session() { sqlite3_close(db_); }

    // Every row as texts (null as a null QString); on failure no rows and `error` set.
    QVector<QStringList> rows(const QString& sql) {
        QVector<QStringList> out;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
            error = QString::fromUtf8(sqlite3_errmsg(db_)) + QStringLiteral(" in ") + sql;
            return out;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                row << (sqlite3_column_type(st, i) == SQLITE_NULL
                            ? QString()
                            : QString::fromUtf8(
                                  reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
            out << row;
        }
        sqlite3_finalize(st);
        return out;
    }
    QString value(const QString& sql) {
        const auto r = rows(sql);
        return r.isEmpty() ? QString() : r[0][0];
    }
    QStringList column(const QString& sql) {
        QStringList out;
        for (const QStringList& r : rows(sql))
            out << r[0];
        return out;
    }
    bool run(const QString& sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        error = QString::fromUtf8(message);
        sqlite3_free(message);
        return false;
    }
    qint64 last_id() const { return sqlite3_last_insert_rowid(db_); }

    QString error;

private:
    static void format(sqlite3_context* ctx, int, sqlite3_value** argv) {
        const QString text =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])));
        const QDate d = QDate::fromString(text, QStringLiteral("d.M.yyyy"));
        sqlite3_result_text(ctx, d.toString(Qt::ISODate).toUtf8().constData(), -1,
                            SQLITE_TRANSIENT);
    }
    sqlite3* db_ = nullptr;
};

struct Installation {
    QTemporaryDir tmp;
    QString dir = tmp.path() + QStringLiteral("/host");
    bool made = false;
    QString error;
    explicit Installation(const QDate& today) {
        set_today(today);
        made = host::make_demo(dir, &error);
        set_today(QDate());
    }
    QString fsk() const { return dir + QStringLiteral("/Data/Fsk_Base.mdb"); }
    QString valmora() const { return dir + QStringLiteral("/Data/Valmora2.mdb"); }
};

bool has_null(const QStringList& row) {
    return std::any_of(row.begin(), row.end(), [](const QString& v) { return v.isNull(); });
}

const QString excluded = QStringLiteral("(17,18,21,22,23,101)");

} // namespace

class TestDemo : public QObject {
    Q_OBJECT
private slots:
    void module_columns_data() {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("columns");
        const char* v = "Valmora2.mdb";
        const char* f = "Fsk_Base.mdb";
        QTest::newRow("accstream") << v << "accstream"
                                   << "id,personid";
        QTest::newRow("person") << v << "person"
                                << "id,type,personrealid";
        QTest::newRow("naturalperson") << v << "naturalperson"
                                       << "id,inn,surname,name,patronymic";
        QTest::newRow("legalperson") << v << "legalperson"
                                     << "id,inn,kpp,fullname,shortname";
        QTest::newRow("branches") << v << "branches"
                                  << "parentpersonid,childpersonid";
        QTest::newRow("time_by_month") << v << "time_by_month"
                                       << "name,the_year,TIME_ID,REPORT_ID";
        QTest::newRow("report_time") << v << "report_time"
                                     << "report_id";
        QTest::newRow("nsi_taxlist") << v << "nsi_taxlist"
                                     << "tax_code,tax_name,big_code";
        QTest::newRow("fsk_cardlist") << f << "fsk_cardlist"
                                      << "card_id,accstream_id,taxcode";
        QTest::newRow("fsk_actions") << f << "fsk_actions"
                                     << "act_id,act_prim_id,CardPart_ID";
        QTest::newRow("fsk_operations")
            << f << "fsk_operations"
            << "oper_id,card_id,deleted,input_day,act_id,term_day,summa,docum,period_name,"
               "docum_num,docum_date";
        QTest::newRow("requisites")
            << f << "requisites"
            << "self_inn,self_kpp,kbk,receiver,inn,kpp,okato,bik,bank,rs,ks";
        QTest::newRow("self_requisites") << f << "self_requisites"
                                         << "inn,kpp,sender,okato,bik,bank,rs,ks,closed";
        QTest::newRow("payments")
            << f << "payments"
            << "number_,payment_date,sum,receiver,inn,kpp,kbk,okato,bik,rs,ks,bank,sender,"
               "inn_sender,kpp_sender,okato_sender,bik_sender,rs_sender,ks_sender,bank_sender,"
               "way,priority,reason,payment_type,aim,period,document_date,oper_id,payment_done,"
               "print_done";
        QTest::newRow("fact_payments") << f << "fact_payments"
                                       << "oper_id";
    }
    // Every table and column the module names exists in the demo's databases.
    void module_columns() {
        QFETCH(QString, database);
        QFETCH(QString, table);
        QFETCH(QString, columns);
        Installation host(QDate(2026, 12, 5));
        QVERIFY2(host.made, qPrintable(host.error));
        Session db(host.dir + "/Data/" + database);
        db.rows("select " + columns + " from " + table);
        QVERIFY2(db.error.isEmpty(), qPrintable(db.error));
    }

    void default_choices_form_orders_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QDate>("due");
        QTest::newRow("December") << QDate(2026, 12, 5) << "IV квартал 2026" << QDate(2027, 1, 28);
        QTest::newRow("May") << QDate(2026, 5, 15) << "II квартал 2026" << QDate(2026, 7, 28);
        QTest::newRow("due on a Sunday")
            << QDate(2024, 2, 10) << "I квартал 2024" << QDate(2024, 4, 29);
        QTest::newRow("due on a Saturday")
            << QDate(2023, 8, 1) << "III квартал 2023" << QDate(2023, 10, 30);
    }
    // The first tax of report set 1, the current quarter, its due date and all organisations
    // chosen: the module's own statements find several accruals, each with its requisites.
    void default_choices_form_orders() {
        QFETCH(QDate, today);
        QFETCH(QString, period);
        QFETCH(QDate, due);
        Installation host(today);
        QVERIFY2(host.made, qPrintable(host.error));
        Session v(host.valmora()), f(host.fsk());

        const QString personid = v.value("select personid from accstream where id=1");
        const QStringList person =
            v.rows("select person.type,personrealid from person where id=" + personid).value(0);
        QCOMPARE(person.value(0), QString("2"));
        const QStringList legal =
            v.rows("select inn,kpp from legalperson where id=" + person.value(1)).value(0);
        const QString inn = legal.value(0), kpp = legal.value(1);

        QString c;
        for (const QString& code :
             f.column("select distinct taxcode from fsk_cardlist where accstream_id=1")) {
            bool numeric = false;
            const int n = code.toInt(&numeric);
            if (numeric && !v.rows("select tax_name,big_code from nsi_taxlist where tax_code=" +
                                   QString::number(std::abs(n)))
                                .isEmpty()) {
                c = code;
                break;
            }
        }
        QVERIFY(!c.isEmpty());

        QStringList acc{"1"};
        for (const QString& child :
             v.column("select childpersonid from branches where parentpersonid=" + personid))
            acc << v.column("select id from accstream where personid=" + child);
        const QString acc_list = acc.join(',');

        QVERIFY(v.column("SELECT name || ' ' || the_year FROM time_by_month, report_time WHERE "
                         "time_by_month.REPORT_ID = report_time.report_id and the_year>=2006 and "
                         "report_time.report_id not in " +
                         excluded + " ORDER BY time_by_month.TIME_ID DESC")
                    .contains(period));
        QVERIFY(!f.rows("select receiver,okato,rs,bik,bank,ks,kbk from requisites where "
                        "self_inn='" +
                        inn + "' and self_kpp='" + kpp + "' and (kbk='" + c + "' or kbk='')")
                     .isEmpty());

        const auto accruals = f.rows(
            "select summa,fsk_cardlist.accstream_id,taxcode,docum_date,oper_id from "
            "fsk_operations,fsk_cardlist where fsk_operations.card_id=fsk_cardlist.card_id and "
            "act_id in (select act_id from fsk_actions where act_prim_id=4 and CardPart_ID=1) "
            "and fsk_operations.deleted=0 and term_day=format('" +
            due.toString("dd.MM.yyyy") + "','dd.mm.yyyy') and period_name = '" + period +
            "' and fsk_operations.card_id in (select card_id from fsk_cardlist where taxcode=" + c +
            " and accstream_id in (" + acc_list + "))");
        QVERIFY2(f.error.isEmpty(), qPrintable(f.error));
        QVERIFY2(accruals.size() >= 2, qPrintable(QString::number(accruals.size())));
        for (const QStringList& a : accruals) {
            QVERIFY(acc.contains(a[1]));
            QCOMPARE(a[2], c);
            QVERIFY(a[0].toDouble() > 0);
            // The organisation of the accrual and its requisites, as composing reads them.
            const QString child =
                a[1] == "1" ? personid : v.value("select personid from accstream where id=" + a[1]);
            const QString real = v.value("select personrealid from person where id=" + child);
            const QStringList org =
                v.rows("select fullname,inn,kpp,shortname from legalperson where id=" + real)
                    .value(0);
            const auto receiver =
                f.rows("select receiver,okato,rs,bik,bank,ks,kbk,inn,kpp from requisites where "
                       "self_inn='" +
                       org.value(1) + "' and self_kpp='" + org.value(2) + "' and (kbk='" + c +
                       "' or kbk='')");
            QVERIFY(!receiver.isEmpty());
            QVERIFY(!has_null(receiver[0]));
            const auto own = f.rows("select sender,okato,rs,bik,bank,ks from self_requisites "
                                    "where inn='" +
                                    org.value(1) + "' and kpp='" + org.value(2) + "' and closed=0");
            QVERIFY(!own.isEmpty());
            QVERIFY(!has_null(own[0]));
        }
    }

    // The period list: every month, quarter, half-year and year from 2006 to next year,
    // newest first, nothing of the excluded report kinds.
    void periods_newest_first() {
        Installation host(QDate(2026, 12, 5));
        QVERIFY2(host.made, qPrintable(host.error));
        Session v(host.valmora());
        const auto rows = v.rows("SELECT name || ' ' || the_year, time_id FROM time_by_month, "
                                 "report_time WHERE time_by_month.REPORT_ID = "
                                 "report_time.report_id and the_year>=2006 and "
                                 "report_time.report_id not in " +
                                 excluded + " ORDER BY time_by_month.TIME_ID DESC");
        QStringList names;
        for (const QStringList& r : rows)
            names << r[0];

        QStringList expected;
        const QStringList months{"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                                 "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
        for (int y = 2006; y <= 2027; ++y)
            for (const QString& n :
                 months + QStringList{"I квартал", "II квартал", "III квартал", "IV квартал",
                                      "1 полугодие", "2 полугодие", "год"})
                expected << n + ' ' + QString::number(y);
        QCOMPARE(QSet<QString>(names.begin(), names.end()),
                 QSet<QString>(expected.begin(), expected.end()));
        QCOMPARE(names.size(), expected.size());

        QVERIFY(!v.column("select report_id from report_time where report_id in " + excluded)
                     .isEmpty());
        for (const QString& hidden : v.column("select name || ' ' || the_year from "
                                              "time_by_month where REPORT_ID in " +
                                              excluded))
            QVERIFY2(!names.contains(hidden), qPrintable(hidden));

        auto at = [&](const char* n) { return names.indexOf(QString::fromUtf8(n)); };
        QVERIFY(at("Декабрь 2026") < at("Ноябрь 2026"));
        QVERIFY(at("Январь 2027") < at("Декабрь 2026"));
        QVERIFY(at("IV квартал 2026") < at("I квартал 2026"));
        QVERIFY(at("2 полугодие 2026") < at("1 полугодие 2026"));
        QVERIFY(at("год 2026") < at("год 2025"));
        QCOMPARE(names.last().right(4), QString("2006"));
    }

    void organisations_data() {
        QTest::addColumn<int>("report_set");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QStringList>("streams");
        QTest::addColumn<int>("inn_length");
        QTest::newRow("company with branches")
            << host::demo_legal_report_set
            << QStringList{"ООО \"Северный ветер\"", "--->Тверской филиал ООО \"Северный ветер\"",
                           "--->Обособленное подразделение ООО \"Северный ветер\" в г. Клин"}
            << QStringList{"1", "3,4", ""} << 10;
        QTest::newRow("sole trader")
            << host::demo_natural_report_set << QStringList{"Иванова Мария Петровна"}
            << QStringList{"2"} << 12;
    }
    // The organisations list as the module builds it from person, legalperson, naturalperson,
    // branches and accstream.
    void organisations() {
        QFETCH(int, report_set);
        QFETCH(QStringList, list);
        QFETCH(QStringList, streams);
        QFETCH(int, inn_length);
        Installation host(QDate(2026, 5, 15));
        QVERIFY2(host.made, qPrintable(host.error));
        Session v(host.valmora());

        auto entry = [&](const QString& personid, QString* inn) {
            const QStringList p =
                v.rows("select person.type,personrealid from person where id=" + personid).value(0);
            if (p.value(0) == "1") {
                const QStringList n = v.rows("select surname || ' ' || name || ' '|| "
                                             "patronymic,inn,0 from naturalperson where id=" +
                                             p.value(1))
                                          .value(0);
                *inn = n.value(1);
                return n.value(0);
            }
            const QStringList l = v.rows("select fullname,inn,kpp,shortname from legalperson "
                                         "where id=" +
                                         p.value(1))
                                      .value(0);
            *inn = l.value(1);
            return l.value(3).isEmpty() ? l.value(0) : l.value(3);
        };
        const QString personid =
            v.value("select personid from accstream where id=" + QString::number(report_set));
        QString inn;
        QStringList got{entry(personid, &inn)};
        QStringList got_streams{QString::number(report_set)};
        QCOMPARE(inn.size(), inn_length);
        for (const QString& child :
             v.column("select childpersonid from branches where parentpersonid=" + personid)) {
            QString branch_inn;
            got << "--->" + entry(child, &branch_inn);
            QCOMPARE(branch_inn, inn);
            got_streams << v.column("select id from accstream where personid=" + child).join(',');
        }
        QCOMPARE(got, list);
        QCOMPARE(got_streams, streams);
    }

    // A sole trader has no KPP: the module's check of the receiver uses an empty one, the
    // order itself "0"; both find requisites for every tax of the report set.
    void sole_trader_requisites() {
        Installation host(QDate(2026, 12, 5));
        QVERIFY2(host.made, qPrintable(host.error));
        Session v(host.valmora()), f(host.fsk());
        const QString inn = v.value("select inn from naturalperson where id=(select personrealid "
                                    "from person where id=(select personid from accstream where "
                                    "id=2))");
        const QStringList codes =
            f.column("select distinct taxcode from fsk_cardlist where accstream_id=2");
        QVERIFY(codes.size() >= 2);
        for (const QString& c : codes) {
            for (const QString& kpp : {QString(), QString("0")})
                QVERIFY(!f.rows("select receiver from requisites where self_inn='" + inn +
                                "' and self_kpp='" + kpp + "' and (kbk='" + c + "' or kbk='')")
                             .isEmpty());
        }
        QCOMPARE(f.rows("select sender from self_requisites where inn='" + inn +
                        "' and kpp='0' and closed=0")
                     .size(),
                 1);
    }

    // Every requisite the demo holds passes the checks a bank applies, but for the one left
    // wrong on purpose: the Tver branch's receiver INN.
    void requisites_pass_the_checks() {
        using namespace tavrelis;
        Installation host(QDate(2026, 12, 5));
        QVERIFY2(host.made, qPrintable(host.error));
        Session v(host.valmora()), f(host.fsk());
        QStringList found;
        const auto note = [&found](const QString& whose, const RequisiteProblems& problems) {
            for (const RequisiteProblem& p : problems)
                found << whose + ": " + p.field + " " + p.problem;
        };
        const auto rows = v.rows("select inn,kpp,shortname from legalperson union all "
                                 "select inn,'',surname from naturalperson");
        for (const QStringList& r : rows)
            note(r[2], check_inn(r[0], "ИНН") + check_kpp(r[1], "КПП", r[0].size() == 12));
        const auto accounts = f.rows("select inn,kpp,okato,bik,rs,ks,receiver from requisites "
                                     "union all select inn,kpp,okato,bik,rs,ks,sender from "
                                     "self_requisites");
        QVERIFY(accounts.size() > 10);
        for (const QStringList& r : accounts)
            note(r[6], check_inn(r[0], "ИНН") + check_kpp(r[1], "КПП", r[0].size() == 12) +
                           check_okato(r[2], "ОКАТО") + check_bik(r[3], "БИК") +
                           check_account(r[4], r[3], AccountKind::Settlement, "счет") +
                           check_account(r[5], r[3], AccountKind::Correspondent, "корсчет"));
        for (const QString& kbk : v.column("select big_code from nsi_taxlist"))
            note(kbk, check_kbk(kbk, "КБК"));
        found.removeDuplicates();
        QCOMPARE(found, QStringList{"УФК по Тверской области (Межрайонная ИФНС России № 10 по "
                                    "Тверской области): ИНН контрольное число не сходится"});
    }

    // What the module writes is accepted: a formed order with its amount as shown, and a
    // posted payment whose oper_id the database assigns.
    void module_writes_accepted() {
        Installation host(QDate(2026, 12, 5));
        QVERIFY2(host.made, qPrintable(host.error));
        Session f(host.fsk());
        const QString oper = f.value("select min(oper_id) from fsk_operations where deleted=0");
        QVERIFY(f.run(
            "insert into payments (number_,payment_date,sum,receiver,inn,kpp,kbk,okato,bik,rs,ks,"
            "bank,sender,inn_sender,kpp_sender,okato_sender,bik_sender,rs_sender,ks_sender,"
            "bank_sender,way,priority,reason,payment_type,aim,period,document_date,oper_id,"
            "payment_done,print_done) values ('7',format('05.12.2026','dd.mm.yyyy'),'1 234,50',"
            "'r','i','k','18210301000011000110','o','b','rs','ks','bank','s','is','ks','os','bs',"
            "'rss','kss','bks','ЭЛЕКТРОННО','3','ТП','НС','aim','КВ.04.2026',format('01.12.2026',"
            "'dd.mm.yyyy')," +
            oper + ",0,0)"));
        QCOMPARE(f.rows("select sum,payment_date,document_date,payment_done from payments where "
                        "oper_id=" +
                        oper),
                 (QVector<QStringList>{{"1 234,50", "2026-12-05", "2026-12-01", "0"}}));
        // A second order for the same accrual is refused.
        QVERIFY(!f.run("insert into payments (oper_id,sum) values (" + oper + ",'1')"));

        const QString max = f.value("select max(oper_id) from fsk_operations");
        const QString card = f.value("select card_id from fsk_operations where oper_id=" + oper);
        QVERIFY(f.run("insert into fsk_operations (card_id,deleted,input_day,act_id,term_day,summa,"
                      "docum,period_name,docum_num,docum_date) values (" +
                      card +
                      ",0,format('05.12.2026','dd.mm.yyyy'),62,format('05.12.2026','dd.mm.yyyy'),"
                      "'1234,50','Платежное поручение','IV квартал 2026','7',format('05.12.2026',"
                      "'dd.mm.yyyy'))"));
        QVERIFY(f.last_id() > max.toLongLong());
        QCOMPARE(f.value("select cardpart_id from fsk_operations,fsk_actions where "
                         "fsk_operations.act_id=fsk_actions.act_id and oper_id=" +
                         QString::number(f.last_id())),
                 QString("1"));
        QVERIFY(f.run("update payments set payment_done=1 where oper_id= " + oper));
    }

    void fact_payments_optional() {
        QTemporaryDir tmp;
        Session f(tmp.filePath("Fsk_Base.mdb"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        QVERIFY(f.error.isEmpty());
        QVERIFY(f.run(tavrelis::data::settlements_core_schema_sql()));
        QVERIFY(!f.run("select * from fact_payments"));
        QVERIFY(f.run("select * from payments"));
        QVERIFY(f.run(tavrelis::data::fact_payments_schema_sql()));
        QVERIFY(f.run("select count(*) from fact_payments where oper_id=1"));

        Installation host(QDate(2026, 12, 5));
        QVERIFY2(host.made, qPrintable(host.error));
        Session demo(host.fsk());
        QVERIFY(demo.value("select count(*) from fact_payments").toInt() > 0);
        QCOMPARE(demo.value("select count(*) from fact_payments where oper_id not in "
                            "(select oper_id from fsk_operations where act_id in (select act_id "
                            "from fsk_actions where act_prim_id=4))"),
                 QString("0"));
    }

    void refuses_existing_installation_data() {
        QTest::addColumn<QString>("present");
        QTest::newRow("registry file") << "registry.reg";
        QTest::newRow("settlements database") << "Data/Fsk_Base.mdb";
        QTest::newRow("taxpayer database") << "Data/Valmora2.mdb";
    }
    void refuses_existing_installation() {
        QFETCH(QString, present);
        QTemporaryDir tmp;
        QDir(tmp.path()).mkpath("Data");
        QVERIFY(testsupport::write_file(tmp.filePath(present), "kept"));
        QString error;
        QVERIFY(!host::make_demo(tmp.path(), &error));
        QVERIFY(error.contains("already holds"));
        QCOMPARE(testsupport::read_file(tmp.filePath(present)), QByteArray("kept"));
        QCOMPARE(QDir(tmp.filePath("Data")).entryList(QDir::Files).size(),
                 present.startsWith("Data") ? 1 : 0);
        QCOMPARE(QDir(tmp.path()).exists("registry.reg"), present == "registry.reg");
    }

    void refuses_second_demo() {
        Installation host(QDate(2026, 12, 5));
        QVERIFY2(host.made, qPrintable(host.error));
        const QByteArray before = testsupport::read_file(host.fsk());
        QString error;
        QVERIFY(!host::make_demo(host.dir, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(testsupport::read_file(host.fsk()), before);
    }

    void registry_names_the_databases() {
        Installation host(QDate(2026, 12, 5));
        QVERIFY2(host.made, qPrintable(host.error));
        const QString reg = QString::fromUtf8(testsupport::read_file(host.dir + "/registry.reg"));
        QVERIFY(reg.startsWith("Windows Registry Editor Version 5.00\n"));
        const QString path = QDir(host.dir).absolutePath() + "/Data/";
        QVERIFY(reg.contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\General]\n"
                             "\"DataBasePath\"=\"" +
                             path + "\"\n"));
        QVERIFY(reg.contains("[HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo]\n"
                             "\"VersionAssemble\"=dword:0000005d\n"));
        QVERIFY(QFileInfo::exists(path + "Fsk_Base.mdb"));
        QVERIFY(QFileInfo::exists(path + "Valmora2.mdb"));
    }

    // A folder the databases cannot be put in leaves nothing behind.
    void failure_leaves_nothing() {
        QTemporaryDir tmp;
        QVERIFY(testsupport::write_file(tmp.filePath("Data"), "a file, not a folder"));
        QString error;
        QVERIFY(!host::make_demo(tmp.path(), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(QDir(tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"Data"});
    }
};

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
