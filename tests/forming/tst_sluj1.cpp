// Forming payment orders through "Далее >>" on a host installation of the test's own.

#include "common/date_picker.h"
#include "common/form4.h"
#include "common/session.h"
#include "common/settings.h"
#include "common/window.h"
#include "forming/form1.h"
#include "forming/forming.h"
#include "output/form2.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "support/forming_data.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace tavrelis;
using namespace testsupport::forming;
using testsupport::TestHost;

namespace {

const QString kNotNumber = QStringLiteral("Номер платежного поручения должен быть числом");
const QString kNotWhole =
    QStringLiteral("Номер платежного поручения должен быть положительным, целым числом");
const QString kNoOrganisation = QStringLiteral("Необходимо выбрать хотя бы одного налоплательщика");
const QString kNoReceiver =
    QStringLiteral("Для данного сочетания ИНН, КПП и КБК отсутствуют реквизиты получателя");
const QString kErrorPrefix = QStringLiteral("Возникла ошибка в модуле Tavrelis.Form1.sluj1(");
const QColor kHighlight(0, 192, 192);
const QColor kBlack(0, 0, 0);

// The stored order with its dates as the list shows them: fields 0..26 are list cells 1..27,
// then oper_id, payment_done, print_done.
const QString kStoredSelect = QStringLiteral(
    "select number_,strftime('%d.%m.%Y',payment_date),sum,receiver,inn,kpp,kbk,okato,bik,rs,ks,"
    "bank,sender,inn_sender,kpp_sender,okato_sender,bik_sender,rs_sender,ks_sender,bank_sender,"
    "way,priority,reason,payment_type,aim,period,strftime('%d.%m.%Y',document_date),oper_id,"
    "payment_done,print_done from payments where oper_id=");

} // namespace

class TestSluj1 : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHost> host_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<platform::RecordingUi> ui_;
    std::unique_ptr<platform::UiScope> scope_;

    // The formation window as the entry method shows it: settings read, req1 run.
    Form1& open() {
        Form1& f1 = form1();
        const SettingsPaths paths = settings_paths();
        f1.S = paths.S;
        f1.bez = paths.bez;
        f1.Text1->setText(settings_startup(paths));
        f1.exiter = true;
        f1.req1(kReportSet);
        f1.Combo1->setCurrentIndex(f1.Combo1->findText(kKbk));
        return f1;
    }
    // Opens the window with a start number and presses "Далее >>".
    void form(const QString& start) {
        open().Text1->setText(start);
        Command2_Click();
    }
    void accrual(qint64 oper_id, QVariant summa = 100.0, int card = kCard) {
        Accrual a;
        a.oper_id = oper_id;
        a.summa = summa;
        a.card_id = card;
        QVERIFY(add_accrual(*host_, a));
    }
    void stored_order(qint64 oper_id, const QString& number, int print_done, int payment_done) {
        StoredOrder o;
        o.oper_id = oper_id;
        o.number = number;
        o.print_done = print_done;
        o.payment_done = payment_done;
        QVERIFY(add_stored_order(*host_, o));
    }

    static int rows() { return form2().row_count(); }
    static QString text(int r, int col) { return form2().cell(r + 1, Field(col)); }
    static QColor colour(int r, int col) {
        return qvariant_cast<QBrush>(form2().orders().index(r, col).data(Qt::ForegroundRole))
            .color();
    }
    static QStringList cells(int r) {
        QStringList out;
        for (int col = 0; col < kFieldCount; ++col)
            out.append(text(r, col));
        return out;
    }
    static QStringList column(int col) {
        QStringList out;
        for (int r = 0; r < rows(); ++r)
            out.append(text(r, col));
        return out;
    }
    QStringList stored(const QString& oper_id) const {
        const auto found = host_->settlements_rows(kStoredSelect + oper_id);
        return found.isEmpty() ? QStringList() : found[0];
    }
    QString count(const QString& sql) const { return host_->settlements_value(sql); }

private slots:
    void init() {
        platform::set_today(kToday);
        host_ = std::make_unique<TestHost>();
        QVERIFY(standard(*host_));
        session_ = std::make_unique<Session>();
        ui_ = std::make_unique<platform::RecordingUi>();
        scope_ = std::make_unique<platform::UiScope>(*ui_);
    }
    void cleanup() {
        scope_.reset();
        ui_.reset();
        session_.reset(); // closes the connections before the folder goes
        host_.reset();
        platform::set_today(QDate());
    }

    void printed_kept_order_keeps_its_number() {
        accrual(1001);
        accrual(1002);
        accrual(1003);
        stored_order(1002, "5", 1, 0);
        form("10");
        QCOMPARE(ui_->texts(), QStringList());
        QCOMPARE(column(29), QStringList({"1001", "1002", "1003"}));
        QCOMPARE(column(1), QStringList({"10", "N5", "11"}));
        QCOMPARE(stored("1001").value(0), QStringLiteral("10"));
        QCOMPARE(stored("1002").value(0), QStringLiteral("5"));
        QCOMPARE(stored("1002").value(29), QStringLiteral("1"));
        QCOMPARE(stored("1003").value(0), QStringLiteral("11"));
        for (int r = 1; r <= 3; ++r)
            QVERIFY(form2().ticked(r));
        QCOMPARE(colour(0, 1), kBlack);
        QCOMPARE(colour(1, 28), kHighlight);
        // Forming again renumbers the unprinted orders and keeps what the first run stored.
        form("20");
        QCOMPARE(column(1), QStringList({"20", "N5", "21"}));
        QCOMPARE(stored("1003").value(0), QStringLiteral("21"));
        QCOMPARE(colour(0, 2), kHighlight);
        QCOMPARE(count("select count(*) from payments"), QStringLiteral("3"));
    }

    void start_number_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("message");
        QTest::newRow("letters") << "abc" << kNotNumber;
        QTest::newRow("decimal comma") << "12,5" << kNotWhole;
        QTest::newRow("zero") << "0" << QString();
    }
    void start_number() {
        QFETCH(QString, start);
        QFETCH(QString, message);
        accrual(1001);
        form(start);
        if (message.isEmpty()) {
            QCOMPARE(ui_->texts(), QStringList());
            QCOMPARE(column(1), QStringList({"0"}));
            QCOMPARE(form1().exiter, false);
            return;
        }
        QCOMPARE(ui_->texts(), QStringList({message}));
        QCOMPARE(form1().exiter, true);
        QCOMPARE(form1().List1->count(), 0); // the window was unloaded all the same
        QCOMPARE(count("select count(*) from payments"), QStringLiteral("0"));
    }

    void unsound_stored_order_is_replaced_data() {
        QTest::addColumn<QVariant>("sum");
        QTest::newRow("null") << QVariant();
        QTest::newRow("not a number") << QVariant(QStringLiteral("сто"));
    }
    void unsound_stored_order_is_replaced() {
        QFETCH(QVariant, sum);
        accrual(1001, 42.0);
        StoredOrder o;
        o.oper_id = 1001;
        o.number = "5";
        o.sum = sum;
        o.payment_done = 1;
        o.print_done = 1;
        QVERIFY(add_stored_order(*host_, o));
        form("10");
        QCOMPARE(ui_->texts(), QStringList());
        QCOMPARE(column(1), QStringList({"10"}));
        const QStringList s = stored("1001");
        QCOMPARE(s.value(0), QStringLiteral("10"));
        QCOMPARE(s.value(2), QStringLiteral("42,00"));
        QCOMPARE(s.value(3), kReceiver);
        QCOMPARE(s.value(28), QStringLiteral("0"));
        QCOMPARE(s.value(29), QStringLiteral("0"));
        QCOMPARE(colour(0, 1), kBlack);
    }

    // A kept order gets the new number; unless paid, also the choices of the window, while
    // requisites, amount, KBK, purpose and period stay as stored.
    void kept_order_data() {
        QTest::addColumn<int>("paid");
        QTest::newRow("unpaid") << 0;
        QTest::newRow("paid") << 1;
    }
    void kept_order() {
        QFETCH(int, paid);
        accrual(1001, 777.0);
        stored_order(1001, "3", 0, paid);
        QStringList expected = stored("1001");
        Form1& f1 = open();
        f1.Text1->setText("7");
        f1.Combo6->setCurrentIndex(4); // СРОЧНО
        f1.Combo7->setCurrentIndex(0); // 3
        f1.Combo8->setCurrentIndex(3); // ТР
        f1.Combo9->setCurrentIndex(0); // налог или сбор: НС (stored: АВ)
        f1.Text2->setText("другое назначение");
        f1.DTPicker1->set_value(QDate(2026, 5, 20));
        f1.DTPicker2->set_value(QDate(2026, 5, 21));
        Command2_Click();
        expected[0] = "7";
        if (!paid) {
            expected[1] = "20.05.2026";
            expected[20] = "СРОЧНО";
            expected[21] = "3";
            expected[22] = "ТР";
            expected[23] = "НС";
            expected[26] = "21.05.2026";
        }
        QCOMPARE(stored("1001"), expected);
        QCOMPARE(cells(0).mid(1, 27), expected.mid(0, 27));
    }

    void fact_payments_data() {
        QTest::addColumn<bool>("table");
        QTest::addColumn<bool>("paid");
        QTest::addColumn<QString>("payment_done");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("no table") << false << false << "0" << kBlack;
        QTest::newRow("table, paid") << true << true << "1" << kHighlight;
    }
    void fact_payments() {
        QFETCH(bool, table);
        QFETCH(bool, paid);
        QFETCH(QString, payment_done);
        QFETCH(QColor, colour);
        accrual(1001);
        accrual(1002);
        if (paid)
            QVERIFY(host_->settlements("insert into fact_payments (oper_id,summa) values "
                                       "(1001,100),(1001,100)"));
        if (!table)
            QVERIFY(host_->settlements("drop table fact_payments"));
        form("1");
        QCOMPARE(ui_->texts(), QStringList());
        QCOMPARE(stored("1001").value(28), payment_done);
        QCOMPARE(this->colour(0, 28), colour);
        QCOMPARE(stored("1002").value(28), QStringLiteral("0"));
        QCOMPARE(this->colour(1, 1), kBlack);
    }

    void accrual_selection_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("formed");
        QTest::newRow("matching") << "" << true;
        QTest::newRow("deleted") << "update fsk_operations set deleted=1" << false;
        QTest::newRow("other due date")
            << "update fsk_operations set term_day='2026-05-15'" << false;
        QTest::newRow("other tax") << "update fsk_operations set card_id=3" << false;
        QTest::newRow("not an accrual") << "update fsk_operations set act_id=11" << false;
        QTest::newRow("branch") << "update fsk_operations set card_id=2" << true;
    }
    void accrual_selection() {
        QFETCH(QString, change);
        QFETCH(bool, formed);
        accrual(1001);
        if (!change.isEmpty())
            QVERIFY(host_->settlements(change));
        form("1");
        QCOMPARE(ui_->texts(), QStringList());
        QCOMPARE(rows(), formed ? 1 : 0);
        QCOMPARE(count("select count(*) from payments"), formed ? "1" : "0");
        QCOMPARE(form1().emp, !formed);
    }

    void operation_digit_of_kbk_data() {
        QTest::addColumn<int>("payment_type");
        QTest::addColumn<qint64>("oper_id");
        QTest::addColumn<QString>("kbk");
        QTest::newRow("налог") << 0 << qint64(1001) << "18210101011011000110";
        QTest::newRow("пени") << 4 << qint64(1002) << "18210101011012000110";
        QTest::newRow("штраф") << 7 << qint64(1003) << "18210101011013000110";
    }
    void operation_digit_of_kbk() {
        QFETCH(int, payment_type);
        QFETCH(qint64, oper_id);
        QFETCH(QString, kbk);
        for (int i = 0; i < 3; ++i) {
            Accrual a;
            a.oper_id = 1001 + i;
            a.act_id = kTaxAction + i;
            QVERIFY(add_accrual(*host_, a));
        }
        Form1& f1 = open();
        f1.Combo9->setCurrentIndex(payment_type);
        Command2_Click();
        QCOMPARE(column(29), QStringList({QString::number(oper_id)}));
        QCOMPARE(text(0, 7), kbk);
        QCOMPARE(stored(QString::number(oper_id)).value(6), kbk);
    }

    // No organisation chosen (or only a branch without report set), or no receiver for the
    // tax: the box, the work ends, nothing stored. A receiver of this tax alone passes.
    void refused_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("none chosen") << "none" << kNoOrganisation;
        QTest::newRow("a branch without report set") << "branch" << kNoOrganisation;
        QTest::newRow("receiver of this tax") << kTaxCode << QString();
        QTest::newRow("receiver of another tax") << kOtherTaxCode << kNoReceiver;
        QTest::newRow("no receiver") << "-" << kNoReceiver;
    }
    void refused() {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QVERIFY(host_->taxpayer("insert into person (id,type,personrealid) values (12,2,102);"
                                "insert into legalperson (id,inn,kpp,fullname) values "
                                "(102,'7701000001','773301001','Без комплекта');"
                                "insert into branches values (10,12)"));
        accrual(1001);
        const bool organisations = fault == "none" || fault == "branch";
        if (!organisations) {
            QVERIFY(host_->settlements("delete from requisites"));
            if (fault != "-")
                QVERIFY(add_receiver(*host_, kInn, kKpp, fault,
                                     {"получатель", "1", "2", "3", "4", "5", "6", "7"}));
        }
        Form1& f1 = open();
        f1.Text1->setText("1");
        if (organisations) {
            f1.Command1_Click();
            if (fault == "branch")
                f1.List1->item(2)->setSelected(true);
        }
        Command2_Click();
        if (message.isEmpty()) {
            QCOMPARE(ui_->texts(), QStringList());
            QCOMPARE(text(0, 4), QStringLiteral("получатель"));
            return;
        }
        QCOMPARE(ui_->texts(), QStringList({message}));
        QCOMPARE(ui_->boxes[0].title, kTitle);
        QCOMPARE(ui_->boxes[0].icon, QStringLiteral("critical"));
        QCOMPARE(form1().exiter, true);
        QCOMPARE(count("select count(*) from payments"), QStringLiteral("0"));
    }

    void bad_value_ends_the_run_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("description");
        const QString amount =
            QStringLiteral("update fsk_operations set summa=%1 where oper_id=1002");
        QTest::newRow("null amount") << amount.arg("null") << "Invalid use of Null";
        QTest::newRow("receiver field") << "update requisites set bik=null"
                                        << "Invalid use of Null";
        QTest::newRow("amount not a number") << amount.arg("'12р'") << "Type mismatch";
        QTest::newRow("infinite amount") << amount.arg("9e999") << "Type mismatch";
        QTest::newRow("NaN amount") << amount.arg("'NaN'") << "Type mismatch";
    }
    void bad_value_ends_the_run() {
        QFETCH(QString, change);
        QFETCH(QString, description);
        accrual(1001);
        accrual(1002);
        stored_order(1001, "1", 0, 0); // kept: needs no requisites
        QVERIFY(host_->settlements(change));
        form("10");
        QCOMPARE(ui_->texts(), QStringList({kErrorPrefix + "8): " + description}));
        QCOMPARE(column(29), QStringList({"1001", "1002"}));
        QCOMPARE(text(1, 1), QStringLiteral("11"));
        QVERIFY(!form2().ticked(2));
        QCOMPARE(stored("1001").value(0), QStringLiteral("10")); // what was stored stays
        QCOMPARE(stored("1002"), QStringList());
        QCOMPARE(form1().exiter, true);
    }

    void new_order_columns_data() {
        QTest::addColumn<bool>("branch");
        QTest::addColumn<QVariant>("docum_date");
        QTest::newRow("taxpayer, no document date") << false << QVariant();
        QTest::newRow("branch, document date") << true << QVariant(QDate(2026, 3, 31));
    }
    void new_order_columns() {
        QFETCH(bool, branch);
        QFETCH(QVariant, docum_date);
        Accrual a;
        a.oper_id = 1001;
        a.summa = 1234567.8;
        a.card_id = branch ? kBranchCard : kCard;
        a.docum_date = docum_date;
        QVERIFY(add_accrual(*host_, a));
        Form1& f1 = open();
        f1.Text1->setText("4");
        f1.DTPicker1->set_value(QDate(2026, 5, 15));
        f1.DTPicker2->set_value(QDate(2026, 5, 16));
        Command2_Click();
        QCOMPARE(ui_->texts(), QStringList());
        const QString empty;
        QStringList expected = {
            "4",
            "15.05.2026",
            "1 234 567,80",
            branch ? empty : kReceiver,
            branch ? empty : kReceiverInn,
            branch ? empty : kReceiverKpp,
            kKbk,
            branch ? empty : kReceiverOkato,
            branch ? empty : kReceiverBik,
            branch ? empty : kReceiverRs,
            branch ? empty : kReceiverKs,
            branch ? empty : kReceiverBank,
            branch ? empty : kSender,
            branch ? kBranchInn : kInn,
            branch ? kBranchKpp : kKpp,
            branch ? empty : kSenderOkato,
            branch ? empty : kSenderBik,
            branch ? empty : kSenderRs,
            branch ? empty : kSenderKs,
            branch ? empty : kSenderBank,
            "ЭЛЕКТРОННО",
            "3",
            "ТП",
            "НС",
            kTaxName + " за " + kQuarter,
            "КВ.02.2026",
            branch ? "31.03.2026" : "16.05.2026",
        };
        QCOMPARE(cells(0).mid(1, 27), expected);
        QCOMPARE(text(0, 28),
                 QStringLiteral("Один миллион двести тридцать четыре тысячи пятьсот шестьдесят "
                                "семь рублей 80 копеек"));
        expected << "1001"
                 << "0"
                 << "0";
        QCOMPARE(stored("1001"), expected);
    }

    void amount_rounding_data() {
        QTest::addColumn<QVariant>("summa");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("box"); // of d_sumpro, past the range of the words
        QTest::newRow("carry") << QVariant(QStringLiteral("99,995")) << "100,00"
                               << "Сто рублей 00 копеек"
                               << "";
        QTest::newRow("past the words and a double's kopecks")
            << QVariant(12345678901234.567) << "12 345 678 901 234,57"
            << "рубля 57 копеек"
            << "возникла ошибка в модуле Tavrelis.module2.d_sumpro(5): Subscript out of range";
    }
    void amount_rounding() {
        QFETCH(QVariant, summa);
        QFETCH(QString, shown);
        QFETCH(QString, words);
        QFETCH(QString, box);
        const QStringList boxes = box.isEmpty() ? QStringList() : QStringList{box};
        accrual(1001, summa);
        form("1");
        QCOMPARE(ui_->texts(), boxes);
        QCOMPARE(text(0, 3), shown);
        QCOMPARE(text(0, 28), words);
        QCOMPARE(stored("1001").value(2), shown);
        // A kept order is shown from the stored amount the same way.
        form("1");
        QCOMPARE(ui_->texts(), boxes + boxes);
        QCOMPARE(text(0, 3), shown);
        QCOMPARE(text(0, 28), words);
    }

    void apostrophes_and_quotes_stored_exactly() {
        const QString receiver = QStringLiteral("ООО \"Берёзка\" и К'");
        const QString aim = QStringLiteral("Налог 'за' квартал ''особый''");
        const QString period = QStringLiteral("Д'Артаньян");
        QVERIFY(host_->settlements("update requisites set receiver=" + literal(receiver)));
        QVERIFY(host_->taxpayer("insert into time_by_month (TIME_ID,REPORT_ID,name,the_year) "
                                "values (3,1," +
                                literal(period) + ",2026)"));
        Accrual a;
        a.oper_id = 1001;
        a.period_name = period + " 2026";
        QVERIFY(add_accrual(*host_, a));
        for (int run = 0; run < 2; ++run) { // composed, then kept and refreshed
            Form1& f1 = open();
            f1.Combo3->setCurrentIndex(f1.Combo3->findText(period + " 2026"));
            f1.Text2->setText(aim);
            Command2_Click();
            QCOMPARE(ui_->texts(), QStringList());
            QCOMPARE(text(0, 4), receiver);
            QCOMPARE(text(0, 25), aim);
            QCOMPARE(stored("1001").value(3), receiver);
            QCOMPARE(stored("1001").value(24), aim);
        }
    }
};

QTEST_MAIN(TestSluj1)
#include "tst_sluj1.moc"
