// The bank upload's own parts; the click itself runs in the bank_*.scn sessions.
#include "output/bank_upload.h"
#include "support/support.h"

#include <QtTest>

using namespace tavrelis;

class TestBankUpload : public QObject {
    Q_OBJECT
private slots:
    // Each list field lands in the member named after its column of payments: an order whose
    // every text is its own column's name comes out as those names, in the members' order.
    void fields_by_payments_column() {
        Order o;
        QStringList columns;
        for (int c = column_of(Field::Number); c <= column_of(kLastStored); ++c) {
            o.texts[size_t(c)] = payments_column(Field(c));
            columns << payments_column(Field(c));
        }
        const BankOrderFields b = bank_order_fields(o);
        const QStringList members{b.number_,    b.payment_date, b.sum,          b.receiver,
                                  b.inn,        b.kpp,          b.kbk,          b.okato,
                                  b.bik,        b.rs,           b.ks,           b.bank,
                                  b.sender,     b.inn_sender,   b.kpp_sender,   b.okato_sender,
                                  b.bik_sender, b.rs_sender,    b.ks_sender,    b.bank_sender,
                                  b.way,        b.priority,     b.reason,       b.payment_type,
                                  b.aim,        b.period,       b.document_date};
        QCOMPARE(members, columns);
    }

    // An existing name, file or folder, takes the first free "_n" before ".txt".
    void file_name_data() {
        QTest::addColumn<QStringList>("there");
        QTest::addColumn<QString>("expected");
        const QString base = QStringLiteral("to_bank_7705123452_20261205_093007");
        QTest::newRow("free") << QStringList{} << base + ".txt";
        QTest::newRow("taken") << QStringList{base + ".txt"} << base + "_1.txt";
        QTest::newRow("taken twice")
            << QStringList{base + ".txt", base + "_1.txt"} << base + "_2.txt";
    }
    void file_name() {
        QFETCH(QStringList, there);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const QString& name : there)
            QVERIFY(name.endsWith("_1.txt") ? QDir(dir.path()).mkdir(name)
                                            : testsupport::write_file(dir.filePath(name), {}));
        const QString folder = dir.path() + u'/';
        QCOMPARE(bank_file_name(folder, QStringLiteral("7705123452"),
                                QDateTime(QDate(2026, 12, 5), QTime(9, 30, 7))),
                 folder + expected);
    }
};

QTEST_MAIN(TestBankUpload)
#include "tst_bank_upload.moc"
