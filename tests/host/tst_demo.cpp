#include "data/connection.h"
#include "demo.h"
#include "platform/env.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Every scripted session runs on a demo installation, so its tables, organisations, periods
// and accruals are checked there; these are what a session cannot see.
namespace {

// Control digits, written from the published rules.
bool inn_valid(const QString& inn) {
    auto n = [&](const QList<int>& w) {
        int s = 0;
        for (int i = 0; i < w.size(); ++i)
            s += inn.at(i).digitValue() * w[i];
        return s % 11 % 10;
    };
    if (!QRegularExpression(QStringLiteral("^(\\d{10}|\\d{12})$")).match(inn).hasMatch())
        return false;
    if (inn.size() == 10)
        return n({2, 4, 10, 3, 5, 9, 4, 6, 8}) == inn.at(9).digitValue();
    return n({7, 2, 4, 10, 3, 5, 9, 4, 6, 8}) == inn.at(10).digitValue() &&
           n({3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8}) == inn.at(11).digitValue();
}

// The account checked together with three digits of the BIK: the last three for a credit
// institution's client account, "0" + the fifth and sixth for a correspondent account or
// an account at a Bank of Russia division.
bool account_valid(const QString& bik, const QString& account, bool correspondent) {
    if (!QRegularExpression(QStringLiteral("^04\\d{7}$")).match(bik).hasMatch() ||
        !QRegularExpression(QStringLiteral("^\\d{20}$")).match(account).hasMatch())
        return false;
    const bool division = QStringList{"000", "001", "002"}.contains(bik.right(3));
    const QString s =
        (correspondent || division ? QStringLiteral("0") + bik.mid(4, 2) : bik.right(3)) + account;
    const int w[] = {7, 1, 3};
    int sum = 0;
    for (int i = 0; i < s.size(); ++i)
        sum += s.at(i).digitValue() * w[i % 3];
    return sum % 10 == 0;
}

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
    // Every INN and account the demo holds carries valid control digits.
    void control_digits() {
        QTemporaryDir tmp;
        QString error;
        tavrelis::platform::set_today(QDate(2026, 12, 5));
        QVERIFY2(host::make_demo(tmp.path(), &error), qPrintable(error));
        tavrelis::platform::set_today(QDate());
        const QString v = tmp.filePath("Data/Valmora2.mdb"), f = tmp.filePath("Data/Fsk_Base.mdb");
        // Both in write-ahead-log mode, as a host keeps them.
        for (const QString& db : {v, f})
            QCOMPARE(rows(db, "pragma journal_mode"), QVector<QStringList>{{"wal"}});
        const auto inns = rows(v, "select inn from legalperson union all select inn from "
                                  "naturalperson") +
                          rows(f, "select self_inn from requisites union all select inn from "
                                  "requisites union all select inn from self_requisites");
        QVERIFY(inns.size() > 10);
        for (const QStringList& inn : inns)
            QVERIFY2(inn_valid(inn[0]), qPrintable(inn[0]));
        QVERIFY(!inn_valid("7705123453"));

        const auto accounts = rows(f, "select bik,rs,ks from requisites union all "
                                      "select bik,rs,ks from self_requisites");
        QVERIFY(accounts.size() > 10);
        for (const QStringList& a : accounts) {
            QVERIFY2(account_valid(a[0], a[1], false), qPrintable(a[0] + ' ' + a[1]));
            QVERIFY2(a[2].isEmpty() || account_valid(a[0], a[2], true), qPrintable(a[2]));
        }
        QVERIFY(!account_valid("044525225", "40702810038000012345", false));
    }
};

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
