// The bank upload's own parts; the click itself runs in the bank_*.scn sessions.
#include "output/bank_upload.h"

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
};

QTEST_MAIN(TestBankUpload)
#include "tst_bank_upload.moc"
