#include "common/requisites.h"
#include "data/connection.h"
#include "demo.h"
#include "platform/env.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Every scripted session runs on a demo installation, so its tables, organisations, periods
// and accruals are checked there; these are what a session cannot see.
namespace {

// Every row of a query on a database of the installation, each field as text.
QVector<QStringList> rows(const QString& file, const QString& sql) {
    tavrelis::data::Connection c;
    c.set_connection_string(tavrelis::data::access_connection_string(file));
    c.open();
    tavrelis::data::Recordset rs = c.execute(sql);
    QVector<QStringList> out;
    for (; !rs.eof(); rs.move_next()) {
        out.append(QStringList());
        for (int i = 0; i < rs.field_count(); ++i)
            out.last().append(rs.text_or_empty(i));
    }
    return out;
}

} // namespace

class TestDemo : public QObject {
    Q_OBJECT
private slots:
    // Every requisite of the demo passes the module's checks, but for the one receiver left
    // wrong on purpose, so that a newcomer meets the check window.
    void requisites_pass_the_checks() {
        using namespace tavrelis;
        QTemporaryDir tmp;
        QString error;
        platform::set_today(QDate(2026, 12, 5));
        QVERIFY2(host::make_demo(tmp.path(), &error), qPrintable(error));
        platform::set_today(QDate());
        const QString v = tmp.filePath("Data/Valmora2.mdb"), f = tmp.filePath("Data/Fsk_Base.mdb");
        QStringList found;
        const auto note = [&found](const QString& whose, const RequisiteProblems& problems) {
            for (const RequisiteProblem& p : problems)
                found << whose + ": " + p.field + " " + p.problem;
        };
        for (const QStringList& r : rows(v, "select inn,kpp,shortname from legalperson union all "
                                            "select inn,'',surname from naturalperson"))
            note(r[2], check_inn(r[0], "ИНН") + check_kpp(r[1], "КПП", r[0].size() == 12));
        const auto accounts = rows(f, "select inn,kpp,okato,bik,rs,ks,receiver from requisites "
                                      "union all select inn,kpp,okato,bik,rs,ks,sender from "
                                      "self_requisites");
        QVERIFY(accounts.size() > 10);
        for (const QStringList& r : accounts)
            note(r[6], check_inn(r[0], "ИНН") + check_kpp(r[1], "КПП", r[0].size() == 12) +
                           check_okato(r[2], "ОКАТО") + check_bik(r[3], "БИК") +
                           check_account(r[4], r[3], AccountKind::Settlement, "счет") +
                           check_account(r[5], r[3], AccountKind::Correspondent, "корсчет"));
        for (const QStringList& kbk : rows(v, "select big_code from nsi_taxlist"))
            note(kbk[0], check_kbk(kbk[0], "КБК"));
        found.removeDuplicates();
        QCOMPARE(found, QStringList{"УФК по Тверской области (Межрайонная ИФНС России № 10 по "
                                    "Тверской области): ИНН контрольное число не сходится"});
    }
};

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
