#include "common/form4.h"
#include "common/form6.h"
#include "common/session.h"
#include "forming/form1.h"
#include "output/form2.h"
#include "output/posting.h"
#include "output/save_data.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "support/testhost.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

// Accrual kinds by card part 1, 2, 3, and one of a part the payments do not know.
const QString kSchema = QStringLiteral(
    "insert into fsk_actions (act_id, act_prim_id, CardPart_ID) values "
    "(41,4,1),(42,4,2),(43,4,3),(44,4,7);"
    "insert into fsk_cardlist (card_id, accstream_id, taxcode) values (1,1,'101'),(2,1,'301');");

QString accrual(int oper_id, int card_id, int act_id, const QString& period = "I квартал 2024") {
    return QStringLiteral("insert into fsk_operations (oper_id, card_id, deleted, input_day, "
                          "act_id, term_day, summa, docum, period_name) values (%1, %2, 0, "
                          "'2024-02-01', %3, '2024-03-28', 1234.5, 'Декларация', '%4');"
                          "insert into payments (oper_id, sum, payment_done) values (%1, "
                          "'1 234,50', 0);")
        .arg(oper_id)
        .arg(card_id)
        .arg(act_id)
        .arg(QString(period).replace("'", "''"));
}

std::function<void(QDialog&)> press(int answer) {
    return [answer](QDialog& w) { static_cast<Form6&>(w).buttons()[answer - 1]->click(); };
}

} // namespace

class TestPosting : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestHost> host_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<RecordingUi> rec_;
    std::unique_ptr<UiScope> scope_;
    QTemporaryDir exports_;

    // Lists an order as the print loop leaves it: number, date, amount, payer INN, oper_id.
    void list(int oper_id, const QString& number = "15", const QString& date = "05.03.2024",
              const QString& sum = "1 234,50") {
        Order o;
        o[Field::Number] = number;
        o[Field::PaymentDate] = date;
        o[Field::Sum] = sum;
        o[Field::InnSender] = QStringLiteral("7701000001");
        o[Field::OperId] = QString::number(oper_id);
        form2().orders().append(o);
    }
    void post_row(int r) {
        form2().current_row = r;
        post_payment();
    }
    QString payments_made() const {
        return host_->settlements_value("select count(*) from fsk_operations where act_id>60");
    }

private slots:
    // One host installation for the case (making one costs disk syncs), emptied of
    // operations and orders before each test.
    void initTestCase() {
        host_ = std::make_unique<testsupport::TestHost>();
        QVERIFY(host_->settlements(kSchema));
    }
    void cleanupTestCase() { host_.reset(); }
    void init() {
        QVERIFY(host_->settlements(
            "drop trigger if exists no_mark; delete from fsk_operations; delete from payments;"));
        session_ = std::make_unique<Session>();
        rec_ = std::make_unique<RecordingUi>();
        scope_ = std::make_unique<UiScope>(*rec_);
        form4().cnn.set_connection_string(
            data::access_connection_string(host_->settlements_file()));
        form4().cnn.open();
        form4().up_path = exports_.path();
        set_today(QDate(2026, 5, 14));
    }
    void cleanup() {
        set_today(QDate());
        scope_.reset();
        rec_.reset();
        session_.reset();
    }

    void card_parts_data() {
        QTest::addColumn<int>("accrual_act");
        QTest::addColumn<int>("payment_act");
        QTest::newRow("tax") << 41 << 62;
        QTest::newRow("penalty interest") << 42 << 63;
        QTest::newRow("fine") << 43 << 64;
        QTest::newRow("other part") << 44 << 62;
    }
    // The payment's kind follows the accrual's card part; the row holds the order's number,
    // date and amount (stored as the number) and the accrual's period, quotes and all.
    void card_parts() {
        QFETCH(int, accrual_act);
        QFETCH(int, payment_act);
        QVERIFY(host_->settlements(accrual(1001, 2, accrual_act, "Квартал 'I' 2024")));
        list(1001);
        post_row(1);
        const auto rows = host_->settlements_rows(
            "select card_id,deleted,input_day,act_id,term_day,summa,docum,period_name,docum_num,"
            "docum_date,typeof(summa) from fsk_operations where oper_id<>1001");
        QCOMPARE(rows, (QVector<QStringList>{{"2", "0", "2026-05-14", QString::number(payment_act),
                                              "2026-05-14", "1234.5", "Платежное поручение",
                                              "Квартал 'I' 2024", "15", "2024-03-05", "real"}}));
        QCOMPARE(form2().cards, QList<qint32>{2});
    }

    // The amount is inserted as the text "150000,55" and stored as the number: a sum over
    // the card keeps the kopecks.
    void card_sum_keeps_kopecks() {
        QVERIFY(host_->settlements(accrual(1001, 2, 41) + accrual(1002, 2, 41)));
        list(1001, "15", "05.03.2024", "150 000,55");
        list(1002, "16", "05.03.2024", "0,40");
        post_row(1);
        post_row(2);
        QCOMPARE(host_->settlements_value("select sum(summa) from fsk_operations where card_id=2 "
                                          "and act_id=62"),
                 QStringLiteral("150000.95"));
    }

    // The notice names the order and its year, offers the two "yes" answers and posts
    // nothing; "Да для всех" silences the later notices of the run.
    void already_posted() {
        QVERIFY(host_->settlements(accrual(1001, 1, 41) + accrual(1002, 1, 41) +
                                   accrual(1003, 1, 41) + "update payments set payment_done=1;"));
        list(1001, "7", "10.02.2024");
        list(1002, "8", "11.03.2025");
        list(1003, "9", "12.03.2025");
        QList<bool> enabled;
        rec_->on_show.push_back([&](QDialog& w) {
            for (QPushButton* b : static_cast<Form6&>(w).buttons())
                enabled.append(b->isEnabled());
            QCOMPARE(w.windowTitle(), QStringLiteral("Внимание"));
            press(1)(w);
        });
        rec_->on_show.push_back(press(2));
        post_row(1);
        QCOMPARE(enabled, (QList<bool>{true, true, false, false, false}));
        QCOMPARE(form6().Label1->text(),
                 QStringLiteral("Уплата по платежному поручению №7 за 2024 год уже проведена."));
        post_row(2);
        QCOMPARE(form6().Label1->text(),
                 QStringLiteral("Уплата по платежному поручению №8 за 2025 год уже проведена."));
        post_row(3);
        QCOMPARE(rec_->events.count(QStringLiteral("show Form6")), 2);
        QCOMPARE(form2().ops_count, 0);
        QCOMPARE(payments_made(), QStringLiteral("0"));
    }

    // A mark that cannot be set takes its payment back with it, whether the engine undid the
    // statement or the whole transaction; the failure is the output step's, and the next run
    // books the payment once.
    void failed_mark_data() {
        QTest::addColumn<QString>("undo");
        QTest::newRow("statement undone") << "abort";
        QTest::newRow("transaction undone") << "rollback";
    }
    void failed_mark() {
        QFETCH(QString, undo);
        QVERIFY(host_->settlements(accrual(1001, 1, 41) +
                                   "create trigger no_mark before update of payment_done on "
                                   "payments begin select raise(" +
                                   undo + ", 'запись заблокирована'); end;"));
        list(1001);
        form2().current_row = 1;
        save_data(true, true);
        QCOMPARE(rec_->texts(),
                 QStringList{"Произошла ошибка в модуле save_data(3): запись заблокирована"});
        QCOMPARE(payments_made(), QStringLiteral("0"));
        QVERIFY(!form2().suc);
        QVERIFY(host_->settlements("drop trigger no_mark;"));
        save_data(true, true);
        QCOMPARE(payments_made(), QStringLiteral("1"));
        QCOMPARE(host_->settlements_value("select payment_done from payments"), "1");
        QCOMPARE(form2().ops_count, 1);
    }

    // Runs as the print loop makes them, one after another on the same order: whatever the
    // kinds, the payment is posted once.
    void never_twice_data() {
        QTest::addColumn<QStringList>("runs"); // print, export or post; "+post": Check2 ticked
        QTest::newRow("posting twice") << QStringList{"post", "post"};
        QTest::newRow("export, posting, print")
            << QStringList{"export+post", "post", "print+post", "export+post"};
        QTest::newRow("export without posting first") << QStringList{"export", "post", "post"};
    }
    void never_twice() {
        QFETCH(QStringList, runs);
        QVERIFY(host_->settlements(accrual(1001, 1, 41)));
        list(1001);
        Form2& f = form2();
        for (const QString& run : runs) {
            form4().otvet = 0;
            form1().cancel_print = false;
            f.Check2->setChecked(run.endsWith("+post"));
            f.Check3->setChecked(false);
            f.current_row = 1;
            save_data(!run.startsWith("print"), run == "post");
        }
        QCOMPARE(payments_made(), QStringLiteral("1"));
        QVERIFY(!rec_->texts().join("").contains("save_data"));
    }
};

QTEST_MAIN(TestPosting)
#include "tst_posting.moc"
