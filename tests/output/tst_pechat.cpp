#include "common/form4.h"
#include "common/session.h"
#include "data/connection.h"
#include "forming/form1.h"
#include "output/export_run.h"
#include "output/form2.h"
#include "output/form3.h"
#include "output/pechat.h"
#include "output/template_buffer.h"
#include "platform/env.h"
#include "platform/objects.h"
#include "platform/recording_ui.h"
#include "platform/shell.h"
#include "platform/word.h"
#include "support/support.h"
#include "support/testhost.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

const QString kTitle = QStringLiteral("Вальмора-2: Фискалон");
const QString kWordRequired =
    QStringLiteral("Модуль формирования платежных поручений требует наличия Microsoft Word 2003 "
                   "или Microsoft Word 2007. Установите одну из этих версий и повторите действие");
const QString kInn = QStringLiteral("7705012345");
const QString kExportQuestion = QStringLiteral(
    "Выгрузка в XML успешно выполнена. Открыть папку, содержащую выгруженные документы?");

// A stored order of accrual `id`, dated 28.01.2027; number and printed mark as given.
QString order_sql(int id, const QString& number = QStringLiteral("NULL"), int print_done = 0,
                  const QString& receiver = QStringLiteral("УФК по г. Москве")) {
    return QStringLiteral(
               "insert into payments (oper_id,number_,payment_date,sum,receiver,inn,kpp,kbk,okato,"
               "bik,rs,ks,bank,sender,inn_sender,kpp_sender,okato_sender,bik_sender,rs_sender,"
               "ks_sender,bank_sender,way,priority,reason,payment_type,aim,period,document_date,"
               "payment_done,print_done) values (%1,%2,'2027-01-28','1 234,50','%3','7705046089',"
               "'770501001','18210301000011000110','45286555000','044583001',"
               "'40101810800000010041','','ГУ Банка России','ООО Северный ветер','%4','770501002',"
               "'45286560000','044525225','40702810938000000001','30101810400000000225',"
               "'ПАО Сбербанк','электронно','5','ТП','НС','НДС','КВ.04.2026','2027-01-20',0,%5);")
        .arg(id)
        .arg(number, receiver, kInn)
        .arg(print_done);
}

// The accrual behind an order, so that it can be posted: card 5, tax part.
QString accrual_sql(int id) {
    return QStringLiteral("insert into fsk_operations (oper_id,card_id,deleted,input_day,act_id,"
                          "term_day,summa,period_name) values (%1,5,0,'2027-01-01',1,"
                          "'2027-01-28',1234.5,'IV квартал 2026');")
        .arg(id);
}

std::function<void(QDialog&)> press(const QString& button) {
    return [button](QDialog& w) {
        auto* b = w.findChild<QPushButton*>(button);
        QVERIFY2(b, qPrintable(button));
        b->click();
    };
}

// The stand-in word processor, counted, of the version given.
class CountingFactory : public ObjectFactory {
public:
    explicit CountingFactory(QString version, bool fails = false)
        : version_(std::move(version)), fails_(fails) {}
    std::unique_ptr<VersionInfo> create_version() override { return nullptr; }
    std::unique_ptr<WorkCalendar> create_calendar() override { return nullptr; }
    std::unique_ptr<WordApplication> create_word() override {
        ++created;
        return fails_ ? nullptr : make_word_application(version_);
    }
    int created = 0;

private:
    QString version_;
    bool fails_;
};

} // namespace

class TestPechat : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestHost> host_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<RecordingUi> rec_;
    std::unique_ptr<UiScope> scope_;
    std::unique_ptr<QTemporaryDir> out_;
    RecordingOpener opener_;
    std::unique_ptr<OpenerScope> opener_scope_;

    QString print_dir() const { return out_->filePath(QStringLiteral("printed")); }
    QString export_dir() const { return out_->filePath(QStringLiteral("export")); }

    QStringList printed() const {
        return QDir(print_dir()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }
    QStringList exported() const {
        return QDir(export_dir()).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    }
    QString stored(int id, const char* column) const {
        return host_->settlements_value(QStringLiteral("select %1 from payments where oper_id=%2")
                                            .arg(QLatin1String(column))
                                            .arg(id));
    }

    // The formed-orders list of the given orders, all ticked, as a forming leaves it with
    // the counter at 7.
    Form2& list(const QList<int>& ids) {
        Form4& f4 = form4();
        f4.cnn.set_connection_string(data::access_connection_string(host_->settlements_file()));
        f4.cnn.open();
        f4.last_number = 6;
        f4.nomer = QStringLiteral("7");
        f4.up_path = export_dir();
        form1().emp = false;
        form1().S = out_->filePath(QStringLiteral("V2_payments.ini")); // closing writes it
        Form2& f = form2();
        for (int id : ids)
            f.add_row()->setText(29, QString::number(id));
        f.refresh_list();
        f.Command5_Click();
        return f;
    }

    void print_run(Form2& f, bool preview) {
        f.Check4->setChecked(true);
        f.Check1->setChecked(preview);
        f.Check3->setChecked(false);
    }

private slots:
    void init() {
        if (!host_)
            host_ = std::make_unique<testsupport::TestHost>();
        QVERIFY(host_->settlements("delete from payments; delete from fsk_operations; "
                                   "delete from fsk_actions; insert into fsk_actions "
                                   "(act_id,act_prim_id,CardPart_ID) values (1,4,1);"));
        out_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(print_dir()));
        set_print_folder(print_dir());
        session_ = std::make_unique<Session>();
        rec_ = std::make_unique<RecordingUi>();
        scope_ = std::make_unique<UiScope>(*rec_);
        opener_.opened.clear();
        opener_scope_ = std::make_unique<OpenerScope>(opener_);
    }
    void cleanup() {
        opener_scope_.reset();
        scope_.reset();
        rec_.reset();
        session_.reset();
        set_print_folder(QString());
        set_factory(nullptr);
        out_.reset();
    }
    void cleanupTestCase() { host_.reset(); }

    void preview_window() {
        Form3& f = form3();
        QCOMPARE(f.windowTitle(), QStringLiteral("Подготовка к печати"));
        QCOMPARE(f.Command1->text(), QStringLiteral("Печатать лист"));
        QCOMPARE(f.Command2->text(), QStringLiteral("Не печатать лист"));
        QCOMPARE(f.Command3->text(), QStringLiteral("Отменить всю печать"));
        QCOMPARE(f.findChild<QTextBrowser*>("WebBrowser1"), f.WebBrowser1);
    }

    void preview_buttons_answer_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("pechatat");
        QTest::addColumn<bool>("cancel_print");
        QTest::newRow("print the sheet") << "Command1" << true << false;
        QTest::newRow("skip the sheet") << "Command2" << false << false;
        QTest::newRow("cancel all printing") << "Command3" << false << true;
        QTest::newRow("close box") << "" << false << false;
    }
    void preview_buttons_answer() {
        QFETCH(QString, button);
        QFETCH(bool, pechatat);
        QFETCH(bool, cancel_print);
        form1().pechatat = true; // an earlier sheet's answer never carries over
        form1().cancel_print = false;
        if (!button.isEmpty())
            rec_->on_show.push_back(press(button));
        show_modal(form3());
        QCOMPARE(form1().pechatat, pechatat);
        QCOMPARE(form1().cancel_print, cancel_print);
        QVERIFY(!form3().isVisible());
    }

    void forming_without_orders_does_nothing_at_all() {
        CountingFactory word(QStringLiteral("12.0"));
        set_factory(&word);
        form1().emp = true;
        form4().nomer = QStringLiteral("07");
        QVERIFY(pechat(false, false));
        QCOMPARE(word.created, 0);
        QCOMPARE(form4().nomer, QStringLiteral("07"));
        QVERIFY(rec_->events.isEmpty());
    }

    void no_ticked_row_still_checks_the_word_processor() {
        QVERIFY(host_->settlements(order_sql(1)));
        CountingFactory word(QStringLiteral("12.0"));
        set_factory(&word);
        Form2& f = list({1});
        f.Command6_Click();
        form4().nomer = QStringLiteral("07");
        print_run(f, true);
        QVERIFY(pechat(false, false));
        QCOMPARE(word.created, 1);
        QCOMPARE(form4().nomer, QStringLiteral("7")); // written back
        QVERIFY(rec_->events.isEmpty());
        QVERIFY(printed().isEmpty());
    }

    void accepted_versions_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("Word 2003") << "11.0" << true;
        QTest::newRow("Word 2007") << "12.0" << true;
        QTest::newRow("Word 2010") << "14.0" << false;
        QTest::newRow("Word 2000") << "9.0" << false;
    }
    void accepted_versions() {
        QFETCH(QString, version);
        QFETCH(bool, accepted);
        QVERIFY(host_->settlements(order_sql(1)));
        CountingFactory word(version);
        set_factory(&word);
        Form2& f = list({1});
        print_run(f, false);
        f.show();
        QCOMPARE(pechat(false, false), accepted);
        if (accepted) {
            QCOMPARE(printed(), QStringList{kInn + "_N7_20270128.pdf"});
            QVERIFY(f.isVisible());
            return;
        }
        QCOMPARE(rec_->texts(), QStringList{kWordRequired});
        QCOMPARE(rec_->boxes[0].icon, QStringLiteral("critical"));
        QCOMPARE(rec_->boxes[0].title, kTitle);
        QVERIFY(!f.isVisible());
        QVERIFY(printed().isEmpty());
        QCOMPARE(stored(1, "print_done"), QStringLiteral("0"));
        QCOMPARE(form4().nomer, QStringLiteral("7"));
    }

    void a_word_processor_that_cannot_start() {
        QVERIFY(host_->settlements(order_sql(1)));
        CountingFactory word(QStringLiteral("12.0"), true);
        set_factory(&word);
        Form2& f = list({1});
        print_run(f, false);
        f.suc = true;
        QVERIFY(pechat(false, false));
        QCOMPARE(rec_->texts(), QStringList{kWordRequired});
        QVERIFY(!f.suc);
        QCOMPARE(stored(1, "print_done"), QStringLiteral("0"));
    }

    // Two orders never printed, counter 7: the first sheet is skipped, the second printed.
    void a_skipped_sheet_leaves_its_number_to_the_next() {
        QVERIFY(host_->settlements(order_sql(1) + order_sql(2)));
        Form2& f = list({1, 2});
        print_run(f, true);
        rec_->on_show.push_back([](QDialog& w) {
            QVERIFY(qobject_cast<QTextBrowser*>(w.findChild<QWidget*>("WebBrowser1"))
                        ->toPlainText()
                        .contains(QStringLiteral("ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №")));
            press("Command2")(w);
        });
        rec_->on_show.push_back(press("Command1"));
        QVERIFY(pechat(false, false));
        QCOMPARE(rec_->events,
                 (QStringList{"show Form3", "close Form3", "show Form3", "close Form3"}));
        QCOMPARE(stored(1, "print_done"), QStringLiteral("0"));
        QCOMPARE(stored(2, "print_done"), QStringLiteral("1"));
        QCOMPARE(stored(2, "number_"), QStringLiteral("7"));
        QCOMPARE(form4().last_number, 7);
        QCOMPARE(form4().nomer, QStringLiteral("8"));
        QCOMPARE(printed(), QStringList{kInn + "_N7_20270128.pdf"});
    }

    void without_preview_every_sheet_prints() {
        QVERIFY(host_->settlements(order_sql(1) + order_sql(2)));
        Form2& f = list({1, 2});
        print_run(f, false);
        QVERIFY(pechat(false, false));
        QVERIFY(rec_->events.isEmpty());
        QCOMPARE(stored(1, "number_"), QStringLiteral("7"));
        QCOMPARE(stored(2, "number_"), QStringLiteral("8"));
        QCOMPARE(form4().last_number, 8);
        QCOMPARE(form4().nomer, QStringLiteral("9"));
        QCOMPARE(printed(), (QStringList{kInn + "_N7_20270128.pdf", kInn + "_N8_20270128.pdf"}));
        QCOMPARE(f.cell(1, 1), QStringLiteral("7"));
        QCOMPARE(f.cell(2, 1), QStringLiteral("8"));
    }

    void a_printed_order_keeps_its_number() {
        QVERIFY(host_->settlements(order_sql(1, "'15'", 1)));
        Form2& f = list({1});
        QCOMPARE(f.cell(1, 1), QStringLiteral("N15"));
        print_run(f, false);
        QVERIFY(pechat(false, false));
        QCOMPARE(stored(1, "number_"), QStringLiteral("15"));
        QCOMPARE(form4().last_number, 6);
        QCOMPARE(form4().nomer, QStringLiteral("7"));
        QCOMPARE(printed(), QStringList{kInn + "_N15_20270128.pdf"});
    }

    void cancelling_from_the_preview_ends_the_run() {
        QVERIFY(host_->settlements(order_sql(1) + order_sql(2) + order_sql(3)));
        Form2& f = list({1, 2, 3});
        print_run(f, true);
        rec_->on_show.push_back(press("Command1"));
        rec_->on_show.push_back(press("Command3"));
        f.suc = true;
        QVERIFY(pechat(false, false));
        QCOMPARE(rec_->events.count(QStringLiteral("show Form3")), 2);
        QCOMPARE(stored(1, "number_"), QStringLiteral("7"));
        QCOMPARE(stored(2, "print_done"), QStringLiteral("0"));
        QCOMPARE(stored(3, "print_done"), QStringLiteral("0"));
        QCOMPARE(form4().last_number, 7);
        QCOMPARE(form4().nomer, QStringLiteral("7")); // not written back
        QCOMPARE(printed().size(), 1);
        QVERIFY(!f.suc); // set false at the start, and nothing exported since
    }

    void an_export_run_uses_the_listed_numbers() {
        QVERIFY(host_->settlements(order_sql(1) + order_sql(2, "'12'", 1)));
        form4().last_number = 11;
        Form2& f = list({1, 2});
        form4().last_number = 11;
        f.refresh_list();
        f.Command5_Click();
        QCOMPARE(f.cell(1, 1), QStringLiteral("12"));
        QCOMPARE(f.cell(2, 1), QStringLiteral("N12"));
        f.Check3->setChecked(true);
        QVERIFY(pechat(true, false));
        QCOMPARE(f.cell(1, 1), QStringLiteral("12"));
        QCOMPARE(f.cell(2, 1), QStringLiteral("12"));
        QCOMPARE(stored(1, "print_done"), QStringLiteral("0"));
        QCOMPARE(form4().nomer, QStringLiteral("7"));
        QCOMPARE(exported(), QStringList{kInn + "_N12_20270128.xml"});
        QVERIFY(printed().isEmpty());
        QVERIFY(f.suc);
    }

    // "Отмена" at the overwrite question: the sheet, already numbered, still prints; nothing
    // after it is handled.
    void cancelling_at_the_overwrite_question_ends_after_the_sheet() {
        QVERIFY(host_->settlements(order_sql(1) + order_sql(2)));
        QVERIFY(QDir().mkpath(export_dir()));
        QVERIFY(
            testsupport::write_file(QDir(export_dir()).filePath(kInn + "_N7_20270128.xml"), "old"));
        Form2& f = list({1, 2});
        print_run(f, false);
        f.Check3->setChecked(true);
        rec_->on_show.push_back(press("Command5"));
        QVERIFY(pechat(false, false));
        QCOMPARE(rec_->events, (QStringList{"show Form6", "close Form6"}));
        QCOMPARE(printed(), QStringList{kInn + "_N7_20270128.pdf"});
        QCOMPARE(stored(1, "number_"), QStringLiteral("7"));
        QCOMPARE(stored(2, "print_done"), QStringLiteral("0"));
        QCOMPARE(form4().last_number, 7);
        QCOMPARE(form4().nomer, QStringLiteral("7"));
        QVERIFY(!f.suc);
    }

    void a_failure_while_forming_the_sheet_is_reported() {
        QVERIFY(host_->settlements(order_sql(1)));
        Form2& f = list({1});
        print_run(f, false);
        form4().nomer = QStringLiteral("семь");
        QVERIFY(pechat(false, false));
        QCOMPARE(rec_->texts(),
                 QStringList{"Произошла ошибка при формировании документа для вывода на печать: "
                             "Type mismatch (3)"});
        QCOMPARE(rec_->boxes[0].icon, QStringLiteral("critical"));
        QCOMPARE(rec_->boxes[0].title, kTitle);
        QCOMPARE(stored(1, "print_done"), QStringLiteral("0"));
    }

    void a_failure_while_printing_is_reported() {
        QVERIFY(host_->settlements(order_sql(1)));
        Form2& f = list({1});
        print_run(f, false);
        // A file where the folder for the sheets should be.
        QVERIFY(testsupport::write_file(out_->filePath(QStringLiteral("taken")), "x"));
        set_print_folder(out_->filePath(QStringLiteral("taken")));
        QVERIFY(pechat(false, false));
        QCOMPARE(rec_->boxes.size(), 1);
        QVERIFY2(rec_->boxes[0].text.startsWith(
                     QStringLiteral("Произошла ошибка при выводе документа на печать:")),
                 qPrintable(rec_->boxes[0].text));
        QVERIFY(rec_->boxes[0].text.endsWith(QStringLiteral(" (46)")));
        QCOMPARE(stored(1, "number_"), QStringLiteral("7")); // recorded before printing
        QCOMPARE(form4().nomer, QStringLiteral("7"));
        QCOMPARE(form4().last_number, 6);
    }

    void the_filled_file_carries_utf8_values() {
        QVERIFY(host_->settlements(order_sql(1, "NULL", 0, "Ёлки & Палки")));
        Form2& f = list({1});
        print_run(f, false);
        QVERIFY(pechat(false, false));
        const QByteArray filled = testsupport::read_file(filled_file(QString()));
        QVERIFY(filled.contains("\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB8   \xD0\x9F"));
        QVERIFY(filled.contains(">1234-50<"));
        QVERIFY(filled.contains(">7<"));
    }

    void a_locked_result_file_makes_the_sheet_use_result1() {
        QVERIFY(host_->settlements(order_sql(1)));
        QFile::remove(filled_file(QString()));
        QFile::remove(filled_file(QStringLiteral("1")));
        QVERIFY(QDir().mkpath(filled_file(QString()))); // result.xml cannot be written
        Form2& f = list({1});
        print_run(f, false);
        QVERIFY(pechat(false, false));
        QVERIFY(rec_->boxes.isEmpty());
        QCOMPARE(template_buffer().next_file, QStringLiteral("1"));
        QVERIFY(testsupport::read_file(filled_file(QStringLiteral("1"))).contains(">7<"));
        QCOMPARE(printed(), QStringList{kInn + "_N7_20270128.pdf"});
        QVERIFY(QDir().rmdir(filled_file(QString())));
    }

    // "Выполнить".

    void nothing_chosen_does_nothing() {
        QVERIFY(host_->settlements(order_sql(1)));
        CountingFactory word(QStringLiteral("12.0"));
        set_factory(&word);
        Form2& f = list({1});
        f.Check3->setChecked(false);
        f.Check4->setChecked(false);
        f.Check2->setChecked(false);
        Command10_Click();
        QCOMPARE(word.created, 0);
        QVERIFY(rec_->events.isEmpty());
        QVERIFY(exported().isEmpty());
    }

    void a_posting_run_over_no_ticked_row_reports_nothing_posted() {
        QVERIFY(host_->settlements(order_sql(1) + accrual_sql(1)));
        Form2& f = list({1});
        f.Command6_Click();
        f.Check2->setChecked(true);
        Command10_Click();
        QCOMPARE(rec_->texts(), QStringList{"Проведено 0 операций уплаты в 0 карточек расчета с "
                                            "бюджетом"});
        QCOMPARE(rec_->boxes[0].icon, QStringLiteral("information"));
        QCOMPARE(rec_->boxes[0].title, kTitle);
    }

    void a_posting_run_posts_and_reports() {
        QVERIFY(host_->settlements(order_sql(1) + accrual_sql(1) + order_sql(2) + accrual_sql(2)));
        Form2& f = list({1, 2});
        f.Check2->setChecked(true);
        Command10_Click();
        QCOMPARE(rec_->texts(), QStringList{"Проведено 2 операций уплаты в 1 карточек расчета с "
                                            "бюджетом"});
        QCOMPARE(stored(1, "payment_done"), QStringLiteral("1"));
        QVERIFY(exported().isEmpty());
        // The list is rebuilt: posted orders in the posted colour, nothing ticked.
        QCOMPARE(f.L1->topLevelItem(0)->checkState(0), Qt::Unchecked);
    }

    void export_run_asks_the_question_once_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("open the folder") << int(vbYes) << QStringList{"export"};
        QTest::newRow("leave it") << int(vbNo) << QStringList{};
    }
    void export_run_asks_the_question_once() {
        QFETCH(int, answer);
        QFETCH(QStringList, opened);
        QVERIFY(host_->settlements(order_sql(1) + order_sql(2)));
        Form2& f = list({1, 2});
        f.Check3->setChecked(true);
        rec_->answers.push_back(answer);
        Command10_Click();
        QCOMPARE(exported(), (QStringList{kInn + "_N7_20270128.xml", kInn + "_N8_20270128.xml"}));
        QCOMPARE(rec_->texts(), QStringList{kExportQuestion});
        QCOMPARE(rec_->boxes[0].buttons, QStringLiteral("YesNo"));
        QCOMPARE(rec_->boxes[0].icon, QStringLiteral("none"));
        QCOMPARE(rec_->boxes[0].title, kTitle);
        QStringList expected;
        for (const QString& o : opened)
            expected.append(out_->filePath(o));
        QCOMPARE(opener_.opened, expected);
        QCOMPARE(form4().to_excel, false);
    }

    void an_export_run_that_wrote_nothing_asks_nothing() {
        QVERIFY(host_->settlements(order_sql(1)));
        QVERIFY(QDir().mkpath(export_dir()));
        QVERIFY(
            testsupport::write_file(QDir(export_dir()).filePath(kInn + "_N7_20270128.xml"), "old"));
        Form2& f = list({1});
        f.Check3->setChecked(true);
        rec_->on_show.push_back(press("Command3")); // "Нет"
        Command10_Click();
        QCOMPARE(rec_->events, (QStringList{"show Form6", "close Form6"}));
        QVERIFY(opener_.opened.isEmpty());
    }

    void a_print_run_without_export_never_asks_the_export_question() {
        QVERIFY(host_->settlements(order_sql(1) + accrual_sql(1)));
        Form2& f = list({1});
        print_run(f, false);
        f.Check2->setChecked(true);
        Command10_Click();
        QCOMPARE(rec_->texts(), QStringList{"Проведено 1 операций уплаты в 1 карточек расчета с "
                                            "бюджетом"});
        QCOMPARE(printed().size(), 1);
        QCOMPARE(f.cell(1, 1), QStringLiteral("N7")); // the rebuilt list shows the number
    }

    void a_print_run_with_export_asks_it() {
        QVERIFY(host_->settlements(order_sql(1)));
        Form2& f = list({1});
        print_run(f, false);
        f.Check3->setChecked(true);
        Command10_Click();
        QCOMPARE(rec_->texts(), QStringList{kExportQuestion});
        QCOMPARE(exported(), QStringList{kInn + "_N7_20270128.xml"});
    }

    void an_unsupported_word_processor_closes_the_window_and_ends_the_run() {
        QVERIFY(host_->settlements(order_sql(1) + accrual_sql(1)));
        CountingFactory word(QStringLiteral("14.0"));
        set_factory(&word);
        Form2& f = list({1});
        f.Check3->setChecked(true);
        f.Check2->setChecked(true);
        f.show();
        Command10_Click();
        QCOMPARE(rec_->texts(), QStringList{kWordRequired});
        QVERIFY(!f.isVisible());
        QVERIFY(exported().isEmpty());
        QCOMPARE(stored(1, "payment_done"), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestPechat)
#include "tst_pechat.moc"
