// Forming through "Далее >>" on a host of the test's own: what it refuses and picks, and how a
// bad value ends the run. The scripted sessions show the formed orders.

#include "common/date_picker.h"
#include "common/form4.h"
#include "common/session.h"
#include "common/window.h"
#include "forming/compose.h"
#include "forming/form1.h"
#include "forming/forming.h"
#include "output/form2.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "support/cases.h"
#include "support/forming_data.h"
#include "support/window_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
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
} // namespace

class TestSluj1 : public QObject {
    Q_OBJECT

    testsupport::FormingFixture fx_;

    Form1& open() { return fx_.open(); }
    // Opens the window with a start number and presses "Далее >>".
    void form(const QString& start) {
        open().Text1->setText(start);
        Command2_Click();
    }
    void accrual(qint64 oper_id) { QVERIFY(add_accrual(fx_.host(), {.oper_id = oper_id})); }

    static QString text(int r, int col) { return form2().cell(r + 1, Field(col)); }
    static QStringList column(int col) {
        QStringList out;
        for (int r = 0; r < form2().row_count(); ++r)
            out.append(text(r, col));
        return out;
    }
    QString count(const QString& sql) { return fx_.host().settlements_value(sql); }

private slots:
    void init() { fx_.init(); }
    void cleanup() { fx_.cleanup(); }

    void start_number_data() {
        columns<QString, QString>(); // start, message
        QTest::newRow("letters") << "abc" << kNotNumber;
        QTest::newRow("decimal comma") << "12,5" << kNotWhole;
        QTest::newRow("past a whole number") << "2147483648" << kErrorPrefix + "1): Overflow";
    }
    void start_number() {
        auto [start, message] = fetch<QString, QString>();
        accrual(1001);
        form(start);
        QCOMPARE(fx_.ui().texts(), QStringList({message}));
        QCOMPARE(form1().exiter, true);
        QCOMPARE(form1().List1->count(), 0); // the window was unloaded all the same
        QCOMPARE(count("select count(*) from payments"), QStringLiteral("0"));
    }

    // Dates as the list shows them, every digit of the year in its place.
    void list_dates() {
        QCOMPARE(list_date(QDate(2001, 1, 9)) + u' ' + list_date(QDate(1999, 10, 31)) +
                     list_date(QDate()),
                 "09.01.2001 31.10.1999");
    }

    void accrual_selection_data() {
        columns<QString, bool>(); // change, formed
        QTest::newRow("matching") << "" << true;
        QTest::newRow("deleted") << "update fsk_operations set deleted=1" << false;
        row("other due date", "update fsk_operations set term_day='2026-05-15'", false);
        QTest::newRow("other tax") << "update fsk_operations set card_id=3" << false;
    }
    void accrual_selection() {
        auto [change, formed] = fetch<QString, bool>();
        accrual(1001);
        if (!change.isEmpty())
            QVERIFY(fx_.host().settlements(change));
        form("1");
        QCOMPARE(fx_.ui().texts(), QStringList());
        QCOMPARE(form2().row_count(), formed ? 1 : 0);
        QCOMPARE(count("select count(*) from payments"), formed ? "1" : "0");
        QCOMPARE(form1().emp, !formed);
    }

    // The amount in words of a new and of a kept order, and the box of one too large for
    // words, which comes while forming.
    void amount_in_words_data() {
        columns<QVariant, bool, QString, QString,
                QString>(); // summa, kept, words, box, aim (the purpose typed, or the window's own)
        const QString none;
        row("new", QVariant(1234.5), false, "Одна тысяча двести тридцать четыре рубля 50 копеек",
            none, none);
        QTest::newRow("kept") << QVariant(7.0) << true << "Десять рублей 00 копеек" << none << none;
        row("twelve digits", QVariant(999999999999.99), false,
            "Девятьсот девяносто девять миллиардов девятьсот "
            "девяносто девять миллионов девятьсот девяносто девять "
            "тысяч девятьсот девяносто девять рублей 99 копеек",
            none, none);
        row("thirteen digits", QVariant(1e12), false, "рублей 00 копеек",
            "5): Subscript out of range", none);
        // A text UTF-8 cannot carry keeps the row as it is given, words and all.
        row("lone surrogate in the purpose", QVariant(2.0), false, "Два рубля 00 копеек", none,
            QStringLiteral("Налог ") + QChar(0xD800));
    }
    void amount_in_words() {
        auto [summa, kept, words, box, aim] = fetch<QVariant, bool, QString, QString, QString>();
        QVERIFY(add_accrual(fx_.host(), {.oper_id = 1001, .summa = summa}));
        if (kept) {
            QVERIFY(add_stored_order(fx_.host(), {.oper_id = 1001, .sum = "10,00"}));
        }
        Form1& f1 = open();
        f1.Text1->setText(QStringLiteral("1"));
        if (!aim.isEmpty())
            f1.Text2->setText(aim);
        Command2_Click();
        if (!aim.isEmpty())
            QCOMPARE(text(0, column_of(Field::Aim)), aim);
        const QStringList boxes = fx_.ui().texts();
        QCOMPARE(boxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QVERIFY2(boxes[0].endsWith(box), qPrintable(boxes[0]));
        QCOMPARE(text(0, column_of(Field::SumWords)), words);
        QCOMPARE(form2().row_count(), 1);
        QVERIFY(fx_.ui().texts() == boxes); // reading the words raised nothing more
    }

    void operation_digit_of_kbk_data() {
        columns<int, qint64, QString>(); // payment_type, oper_id, kbk
        QTest::newRow("налог") << 0 << qint64(1001) << "18210101011011000110";
        QTest::newRow("пени") << 4 << qint64(1002) << "18210101011012000110";
        QTest::newRow("штраф") << 7 << qint64(1003) << "18210101011013000110";
    }
    void operation_digit_of_kbk() {
        auto [payment_type, oper_id, kbk] = fetch<int, qint64, QString>();
        for (int i = 0; i < 3; ++i) {
            QVERIFY(add_accrual(fx_.host(), {.oper_id = 1001 + i, .act_id = kTaxAction + i}));
        }
        Form1& f1 = open();
        f1.Combo9->setCurrentIndex(payment_type);
        Command2_Click();
        QCOMPARE(column(29), QStringList({QString::number(oper_id)}));
        QCOMPARE(text(0, 7), kbk);
        QCOMPARE(count("select kbk from payments"), kbk);
    }

    // No organisation chosen (or only a branch without report set), or no receiver for the
    // tax: the box, the work ends, nothing stored.
    void refused_data() {
        columns<QString, QString>(); // fault, message
        QTest::newRow("none chosen") << "none" << kNoOrganisation;
        QTest::newRow("a branch without report set") << "branch" << kNoOrganisation;
        QTest::newRow("receiver of another tax") << kOtherTaxCode << kNoReceiver;
        QTest::newRow("no receiver") << "-" << kNoReceiver;
    }
    void refused() {
        auto [fault, message] = fetch<QString, QString>();
        QVERIFY(fx_.host().taxpayer("insert into person (id,type,personrealid) values (12,2,102);"
                                    "insert into legalperson (id,inn,kpp,fullname) values "
                                    "(102,'7701000001','773301001','Без комплекта');"
                                    "insert into branches values (10,12)"));
        accrual(1001);
        const bool organisations = fault == "none" || fault == "branch";
        if (!organisations) {
            QVERIFY(fx_.host().settlements("delete from requisites"));
            if (fault != "-")
                QVERIFY(add_receiver(fx_.host(), kInn, kKpp, fault,
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
        QCOMPARE(fx_.ui().texts(), QStringList({message}));
        QCOMPARE(fx_.ui().boxes[0].title, kTitle);
        QCOMPARE(fx_.ui().boxes[0].icon, QStringLiteral("critical"));
        QCOMPARE(form1().exiter, true);
        QCOMPARE(count("select count(*) from payments"), QStringLiteral("0"));
    }

    void bad_value_ends_the_run_data() {
        columns<QString, QString>(); // change, description
        const QString amount =
            QStringLiteral("update fsk_operations set summa=%1 where oper_id=1002");
        QTest::newRow("null amount") << amount.arg("null") << "Invalid use of Null";
        row("receiver field", "update requisites set bik=null", "Invalid use of Null");
        row("own field", "update self_requisites set rs=null", "Invalid use of Null");
        QTest::newRow("infinite amount") << amount.arg("9e999") << "Type mismatch";
        QTest::newRow("NaN amount") << amount.arg("'NaN'") << "Type mismatch";
    }
    void bad_value_ends_the_run() {
        auto [change, description] = fetch<QString, QString>();
        accrual(1001);
        accrual(1002);
        QVERIFY(add_stored_order(fx_.host(), {.oper_id = 1001})); // kept: needs no requisites
        QVERIFY(fx_.host().settlements(change));
        form("10");
        QCOMPARE(fx_.ui().texts(), QStringList({kErrorPrefix + "8): " + description}));
        QCOMPARE(column(29), QStringList({"1001", "1002"}));
        QCOMPARE(text(1, 1), QStringLiteral("11"));
        QVERIFY(!form2().ticked(2));
        // What was stored stays.
        QCOMPARE(count("select group_concat(oper_id || ':' || number_) from payments"),
                 QStringLiteral("1001:10"));
        QCOMPARE(form1().exiter, true);
    }
};

QTEST_MAIN(TestSluj1)
#include "tst_sluj1.moc"
