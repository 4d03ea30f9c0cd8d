#include "common/form4.h"
#include "common/form6.h"
#include "common/shared.h"
#include "output/form2.h"
#include "output/posting.h"
#include "output/save_data.h"
#include "platform/env.h"
#include "support/cases.h"
#include "support/window_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

// Accrual kinds by card part 1, 2, 3, one of a part the payments do not know and one of none.
const QString kSchema = QStringLiteral(
    "insert into fsk_actions (act_id, act_prim_id, CardPart_ID) values "
    "(41,4,1),(42,4,2),(43,4,3),(44,4,7),(45,4,null);"
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

} // namespace

class TestPosting : public QObject {
    Q_OBJECT

    testsupport::WindowFixture fx_;
    QTemporaryDir exports_;

    // Lists an order as the print loop leaves it: number, date, amount, payer INN, oper_id.
    void list(int oper_id, const QString& number = "15", const QString& date = "05.03.2024") {
        Order o;
        o[Field::Number] = number;
        o[Field::PaymentDate] = date;
        o[Field::Sum] = "1 234,50";
        o[Field::InnSender] = QStringLiteral("7701000001");
        o[Field::OperId] = QString::number(oper_id);
        form2().orders().append(o);
    }
    // Posts a listed order, counting what was posted as a run does.
    void post_row(int r) {
        if (const std::optional<qint32> card = post_payment(form2().orders().order(r - 1))) {
            ++posted_;
            if (!cards_.contains(*card))
                cards_.append(*card);
        }
    }
    int posted_ = 0;
    QList<qint32> cards_;
    QString payments_made() {
        return fx_.host().settlements_value("select count(*) from fsk_operations where act_id>60");
    }

private slots:
    void init() {
        fx_.init();
        posted_ = 0;
        cards_.clear();
        // Kinds as a host may keep them, a part left empty allowed.
        QVERIFY(fx_.host().settlements(
            "drop trigger if exists no_mark; delete from fsk_operations; drop table fsk_actions;"
            "create table fsk_actions (act_id integer primary key, act_prim_id, CardPart_ID);"
            "delete from fsk_cardlist;" +
            kSchema));
        fx_.open_settlements();
        shared().up_path = exports_.path();
        set_today(QDate(2026, 5, 14));
    }
    void cleanup() {
        set_today(QDate());
        fx_.cleanup();
    }

    void card_parts_data() {
        columns<int, int>(); // accrual_act, payment_act
        QTest::newRow("tax") << 41 << 62;
        QTest::newRow("penalty interest") << 42 << 63;
        QTest::newRow("fine") << 43 << 64;
        QTest::newRow("other part") << 44 << 62;
        QTest::newRow("no part") << 45 << 62;
    }
    // The payment's kind follows the accrual's card part; the row holds the order's number,
    // date and amount (stored as the number) and the accrual's period, quotes and all.
    void card_parts() {
        auto [accrual_act, payment_act] = fetch<int, int>();
        QVERIFY(fx_.host().settlements(accrual(1001, 2, accrual_act, "Квартал 'I' 2024")));
        list(1001);
        post_row(1);
        const auto rows = fx_.host().settlements_rows(
            "select card_id,deleted,input_day,act_id,term_day,summa,docum,period_name,docum_num,"
            "docum_date,typeof(summa) from fsk_operations where oper_id<>1001");
        QCOMPARE(rows, (QVector<QStringList>{{"2", "0", "2026-05-14", QString::number(payment_act),
                                              "2026-05-14", "1234.5", "Платежное поручение",
                                              "Квартал 'I' 2024", "15", "2024-03-05", "real"}}));
        QCOMPARE(cards_, QList<qint32>{2});
    }

    // The notice names the order and its year, offers the two "yes" answers and posts
    // nothing; "Да для всех" silences the later notices of the run.
    void already_posted() {
        QVERIFY(fx_.host().settlements(accrual(1001, 1, 41) + accrual(1002, 1, 41) +
                                       accrual(1003, 1, 41) +
                                       "update payments set payment_done=1;"));
        list(1001, "7", "10.02.2024");
        list(1002, "8", "11.03.2025");
        list(1003, "9", "12.03.2025");
        QStringList shown;
        for (int answer : {1, 2})
            fx_.ui().on_show.push_back([&, answer](QDialog& w) {
                QString enabled;
                for (QPushButton* b : static_cast<Form6&>(w).buttons())
                    enabled += b->isEnabled() ? u'1' : u'0';
                shown << w.windowTitle() + ' ' + enabled + ' ' + form6().Label1->text();
                static_cast<Form6&>(w).buttons()[answer - 1]->click();
            });
        for (int r = 1; r <= 3; ++r)
            post_row(r);
        const QString notice = "Внимание 11000 Уплата по платежному поручению №%1 за %2 год уже "
                               "проведена.";
        QCOMPARE(shown, QStringList({notice.arg(7).arg(2024), notice.arg(8).arg(2025)}));
        QCOMPARE(posted_, 0);
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
        QVERIFY(fx_.host().settlements(accrual(1001, 1, 41) +
                                       "create trigger no_mark before update of payment_done on "
                                       "payments begin select raise(" +
                                       undo + ", 'запись заблокирована'); end;"));
        list(1001);
        const Order o = form2().orders().order(0);
        const IssuedOrder one{{1}, o, {o}};
        RunTally failed;
        save_data(one, {true, true}, failed);
        QCOMPARE(fx_.ui().texts(),
                 QStringList{"Произошла ошибка в модуле save_data(3): запись заблокирована"});
        QCOMPARE(payments_made(), QStringLiteral("0"));
        QVERIFY(!failed.exported);
        QCOMPARE(failed.ops_count, 0);
        QVERIFY(fx_.host().settlements("drop trigger no_mark;"));
        RunTally next;
        save_data(one, {true, true}, next);
        QCOMPARE(payments_made(), QStringLiteral("1"));
        QCOMPARE(fx_.host().settlements_value("select payment_done from payments"), "1");
        QCOMPARE(next.ops_count, 1);
        QCOMPARE(next.cards, QList<qint32>{1});
        QVERIFY(next.exported);
    }
};

QTEST_MAIN(TestPosting)
#include "tst_posting.moc"
