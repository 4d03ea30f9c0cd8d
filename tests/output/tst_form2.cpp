#include "common/form4.h"
#include "common/session.h"
#include "data/connection.h"
#include "forming/form1.h"
#include "output/form2.h"
#include "platform/codepage.h"
#include "platform/recording_ui.h"
#include "support/support.h"
#include "support/testhost.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

const QString kRefreshError =
    QStringLiteral("Возникла ошибка в модуле Tavrelis.Form2.refresh_list(");

// A stored order with the columns the tests look at; the rest stay null.
QString order(int oper_id, const QString& sum, int print_done = 0, const QString& number = "NULL",
              int payment_done = 0) {
    return QStringLiteral("insert into payments (oper_id, number_, sum, receiver, payment_done, "
                          "print_done) values (%1, %2, '%3', 'УФК %1', %4, %5);")
        .arg(oper_id)
        .arg(number)
        .arg(sum)
        .arg(payment_done)
        .arg(print_done);
}

// Rows as the forming leaves them: one per order, linked by column 29.
void list_orders(Form2& f, const QList<int>& ids) {
    for (int id : ids)
        f.add_row()->setText(29, QString::number(id));
}

QStringList column(const Form2& f, int col) {
    QStringList out;
    for (int r = 1; r <= f.L1->topLevelItemCount(); ++r)
        out.append(f.cell(r, col));
    return out;
}

QList<Qt::CheckState> ticks(const Form2& f) {
    QList<Qt::CheckState> out;
    for (int r = 0; r < f.L1->topLevelItemCount(); ++r)
        out.append(f.L1->topLevelItem(r)->checkState(0));
    return out;
}

} // namespace

class TestForm2 : public QObject {
    Q_OBJECT

    // One host installation for the whole case (making one costs disk syncs), emptied of
    // orders before each test; each test has a session and a recording Ui of its own.
    std::unique_ptr<testsupport::TestHost> host_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<RecordingUi> rec_;
    std::unique_ptr<UiScope> scope_;

    Form2& open_form2() {
        form4().cnn.set_connection_string(
            data::access_connection_string(host_->settlements_file()));
        form4().cnn.open();
        form4().my_color = 0xC0C000;
        return form2();
    }

private slots:
    void init() {
        const bool intact =
            host_ && host_->settlements_value("select count(*) from sqlite_master where "
                                              "name='payments'") == "1";
        if (!intact)
            host_ = std::make_unique<testsupport::TestHost>();
        QVERIFY(host_->settlements("delete from payments;"));
        session_ = std::make_unique<Session>();
        rec_ = std::make_unique<RecordingUi>();
        scope_ = std::make_unique<UiScope>(*rec_);
    }
    void cleanup() {
        scope_.reset();
        rec_.reset();
        session_.reset();
    }
    void cleanupTestCase() { host_.reset(); }

    void design() {
        Form2& f = form2();
        QCOMPARE(f.windowTitle(), QStringLiteral("Сформированные платежные поручения"));
        QCOMPARE(f.L1->columnCount(), 30);
        QCOMPARE(f.L1->topLevelItemCount(), 0);
        QVERIFY(f.L1->isColumnHidden(29));
        QCOMPARE(f.findChild<QTreeWidget*>("L1"), f.L1);
        const QList<QPair<const char*, QString>> captions{
            {"Frame2", "Отметить"},
            {"Frame1", "Действия"},
            {"Command5", "Все"},
            {"Command6", "Ни одного"},
            {"Command9", "Правка"},
            {"Command3", "Путь выгрузки"},
            {"Command10", "Выполнить"},
            {"Command1", "<< Назад"},
            {"Command8", "Выход"},
            {"Check3", "Выгрузить в XML  ----------- >"},
            {"Check4", "Напечатать  --------------------- >"},
            {"Check1", "С предпросмотром"},
            {"Check2", "Провести уплаты в карточку"},
        };
        for (const auto& [name, caption] : captions) {
            QWidget* w = f.findChild<QWidget*>(name);
            QVERIFY2(w, name);
            if (auto* box = qobject_cast<QGroupBox*>(w))
                QCOMPARE(box->title(), caption);
            else
                QCOMPARE(qobject_cast<QAbstractButton*>(w)->text(), caption);
        }
        QVERIFY(f.findChild<QCheckBox*>("Check5"));
        QVERIFY(f.Check5->isHidden());
        // Design state of the run options.
        QVERIFY(!f.Check3->isChecked());
        QVERIFY(f.Command3->isEnabled());
        QVERIFY(!f.Check4->isChecked());
        QVERIFY(f.Check1->isChecked());
        QVERIFY(f.Check1->isEnabled());
        QVERIFY(!f.Check2->isChecked());
        QVERIFY(!f.Check5->isChecked());
    }

    void columns_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("twips");
        QTest::newRow("check box") << 0 << "" << 706;
        QTest::newRow("number") << 1 << "№ п/п" << 1235;
        QTest::newRow("sum") << 3 << "Сумма" << 2469;
        QTest::newRow("kbk") << 7 << "КБК" << 3704;
        QTest::newRow("bank") << 12 << "Банк" << 2999;
        QTest::newRow("ks sender") << 19 << "Кор.Счет отпр." << 3528;
        QTest::newRow("priority") << 22 << "Очер.плат." << 1940;
        QTest::newRow("aim") << 25 << "Назначение" << 8819;
        QTest::newRow("document date") << 27 << "Дата докум" << 2293;
        QTest::newRow("in words") << 28 << "Сумма прописью" << 12347;
        QTest::newRow("oper_id") << 29 << "oper_id" << 0;
    }
    void columns() {
        QFETCH(int, col);
        QFETCH(QString, caption);
        QFETCH(int, twips);
        Form2& f = form2();
        QCOMPARE(f.L1->headerItem()->text(col), caption);
        const int expected = twips * f.L1->logicalDpiX() / 1440;
        QCOMPARE(f.L1->header()->sectionSize(col), expected);
    }

    // A row as the forming adds it: checkable, unticked, texts black.
    void add_row_shape() {
        Form2& f = form2();
        form4().my_color = 0xC0C000;
        QTreeWidgetItem* row = f.add_row();
        QCOMPARE(f.L1->topLevelItemCount(), 1);
        QVERIFY(row->flags() & Qt::ItemIsUserCheckable);
        QCOMPARE(row->checkState(0), Qt::Unchecked);
        for (int col = 1; col <= 28; ++col)
            QCOMPARE(row->foreground(col), QBrush(Qt::black));
        QCOMPARE(f.cell(1, 29), QString());
        QVERIFY_THROWS_EXCEPTION(std::exception, f.cell(2, 1));
        QVERIFY_THROWS_EXCEPTION(std::exception, f.cell(1, 30));
    }

    void numbering_data() {
        QTest::addColumn<int>("last_number");
        QTest::addColumn<QList<int>>("printed"); // stored number, 0 = not printed
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("second printed")
            << 14 << QList<int>{0, 9, 0} << QStringList{"15", "N9", "16"};
        QTest::newRow("none printed") << 0 << QList<int>{0, 0, 0} << QStringList{"1", "2", "3"};
        QTest::newRow("all printed") << 14 << QList<int>{3, 4, 5} << QStringList{"N3", "N4", "N5"};
        QTest::newRow("first printed") << 7 << QList<int>{7, 0, 0} << QStringList{"N7", "8", "9"};
    }
    void numbering() {
        QFETCH(int, last_number);
        QFETCH(QList<int>, printed);
        QFETCH(QStringList, shown);
        QString sql;
        for (int i = 0; i < printed.size(); ++i)
            sql += printed[i] ? order(101 + i, "10,00", 1, QString("'%1'").arg(printed[i]))
                              : order(101 + i, "10,00");
        QVERIFY(host_->settlements(sql));
        Form2& f = open_form2();
        form4().last_number = last_number;
        list_orders(f, {101, 102, 103});
        f.refresh_list();
        QCOMPARE(column(f, 1), shown);
        QCOMPARE(column(f, 29), QStringList({"101", "102", "103"}));
        QVERIFY(rec_->boxes.isEmpty());
    }

    // The rows keep their order, not that of the table.
    void list_order_kept() {
        QVERIFY(host_->settlements(order(1, "1,00") + order(2, "2,00") + order(3, "3,00")));
        Form2& f = open_form2();
        list_orders(f, {3, 1, 2});
        f.refresh_list();
        QCOMPARE(column(f, 29), QStringList({"3", "1", "2"}));
        QCOMPARE(column(f, 3), QStringList({"3,00", "1,00", "2,00"}));
        QCOMPARE(column(f, 1), QStringList({"1", "2", "3"}));
    }

    void deleted_order_dropped() {
        QVERIFY(host_->settlements(order(1, "1,00") + order(2, "2,00") + order(3, "3,00")));
        Form2& f = open_form2();
        form4().last_number = 14;
        list_orders(f, {1, 2, 3});
        QVERIFY(host_->settlements("delete from payments where oper_id=2"));
        f.refresh_list();
        QCOMPARE(column(f, 29), QStringList({"1", "3"}));
        QCOMPARE(column(f, 1), QStringList({"15", "16"}));
    }

    // With no row there is nothing to ask: a closed connection would fail any statement.
    void empty_list_sends_nothing() {
        Form2& f = open_form2();
        form4().cnn.close();
        f.refresh_list();
        QCOMPARE(f.L1->topLevelItemCount(), 0);
        QVERIFY(rec_->boxes.isEmpty());
        // The same closed connection does fail once there is a row to look up.
        list_orders(f, {1});
        f.refresh_list();
        QCOMPARE(rec_->boxes.size(), 1);
        QVERIFY(rec_->boxes[0].text.startsWith(kRefreshError + "4): "));
    }

    void rows_come_back_unticked() {
        QVERIFY(host_->settlements(order(1, "1,00") + order(2, "2,00")));
        Form2& f = open_form2();
        list_orders(f, {1, 2});
        f.Command5->click();
        QCOMPARE(ticks(f), QList<Qt::CheckState>({Qt::Checked, Qt::Checked}));
        f.refresh_list();
        QCOMPARE(ticks(f), QList<Qt::CheckState>({Qt::Unchecked, Qt::Unchecked}));
        QVERIFY(f.L1->topLevelItem(0)->flags() & Qt::ItemIsUserCheckable);
    }

    void colour_data() {
        QTest::addColumn<int>("payment_done");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("paid") << 1 << QColor("#00c0c0");
        QTest::newRow("unpaid") << 0 << QColor(Qt::black);
        QTest::newRow("other flag") << 2 << QColor(Qt::black);
    }
    void colour() {
        QFETCH(int, payment_done);
        QFETCH(QColor, colour);
        QVERIFY(host_->settlements(order(1, "1,00", 0, "NULL", payment_done)));
        Form2& f = open_form2();
        list_orders(f, {1});
        f.refresh_list();
        QTreeWidgetItem* row = f.L1->topLevelItem(0);
        for (int col = 1; col <= 28; ++col)
            QCOMPARE(row->foreground(col).color(), colour);
    }

    // Column 28 takes the kopecks of the stored digits, also where a double cannot hold them.
    void words_of_stored_sum_data() {
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("words");
        QTest::addColumn<int>("boxes"); // of d_sumpro, past the range of the words
        QTest::newRow("digits past the second cut") << "10,999"
                                                    << "Десять рублей 99 копеек" << 0;
        QTest::newRow("past a double's kopecks") << "12 345 678 901 234,57"
                                                 << "рубля 57 копеек" << 1;
    }
    void words_of_stored_sum() {
        QFETCH(QString, sum);
        QFETCH(QString, words);
        QFETCH(int, boxes);
        QVERIFY(host_->settlements(order(1, sum)));
        Form2& f = open_form2();
        list_orders(f, {1});
        f.refresh_list();
        QCOMPARE(f.cell(1, 28), words);
        QCOMPARE(rec_->boxes.size(), boxes);
    }

    // Columns 2 to 27 as stored, dates as dd.mm.yyyy, null as empty; 28 in words.
    void texts_of_a_row() {
        QVERIFY(host_->settlements(
            "insert into payments (oper_id, number_, payment_date, sum, receiver, inn, kpp, kbk, "
            "okato, bik, rs, ks, bank, sender, inn_sender, kpp_sender, okato_sender, bik_sender, "
            "rs_sender, ks_sender, bank_sender, way, priority, reason, payment_type, aim, period, "
            "document_date) values (77, '3', '2024-03-05', '1 234,50', 'УФК по г. Москве', "
            "'7701', '7702', '18210101011011000110', '45000', '044525000', '4010', NULL, "
            "'ГУ Банка России', 'ООО Ромашка', '7703', '7704', '45001', '044525225', '4070', "
            "'3010', 'ПАО Сбербанк', 'электронно', '5', 'ТП', NULL, 'Налог за 2023 год', "
            "'ГД.00.2023', '2024-02-29');"));
        Form2& f = open_form2();
        list_orders(f, {77});
        f.refresh_list();
        const QStringList expected{"05.03.2024",
                                   "1 234,50",
                                   "УФК по г. Москве",
                                   "7701",
                                   "7702",
                                   "18210101011011000110",
                                   "45000",
                                   "044525000",
                                   "4010",
                                   "",
                                   "ГУ Банка России",
                                   "ООО Ромашка",
                                   "7703",
                                   "7704",
                                   "45001",
                                   "044525225",
                                   "4070",
                                   "3010",
                                   "ПАО Сбербанк",
                                   "электронно",
                                   "5",
                                   "ТП",
                                   "",
                                   "Налог за 2023 год",
                                   "ГД.00.2023",
                                   "29.02.2024"};
        QStringList got;
        for (int col = 2; col <= 27; ++col)
            got.append(f.cell(1, col));
        QCOMPARE(got, expected);
        QCOMPARE(f.cell(1, 28),
                 QStringLiteral("Одна тысяча двести тридцать четыре рубля 50 копеек"));
        QCOMPARE(f.cell(1, 29), QStringLiteral("77"));
        QCOMPARE(f.cell(1, 0), QString());
    }

    void tick_all_and_none() {
        Form2& f = form2();
        for (int i = 0; i < 3; ++i)
            f.add_row();
        f.L1->topLevelItem(1)->setCheckState(0, Qt::Checked);
        f.Command5->click();
        QCOMPARE(ticks(f), QList<Qt::CheckState>(3, Qt::Checked));
        f.Command6->click();
        QCOMPARE(ticks(f), QList<Qt::CheckState>(3, Qt::Unchecked));
    }

    void back_to_formation() {
        Form2& f = form2();
        form4().last_number = 14;
        form1().exiter = false;
        form1().S = host_->dir() + "/settings.ini";
        rec_->on_show.push_back([](QDialog& d) { static_cast<Form2&>(d).Command1->click(); });
        show_modal(f);
        QCOMPARE(form1().Text1->text(), QStringLiteral("15"));
        QVERIFY(!form1().exiter);
        QCOMPARE(rec_->events, QStringList({"show Form2", "close Form2"}));
        QVERIFY(QFileInfo::exists(form1().S));
    }

    void exit_ends_work() {
        Form2& f = form2();
        form1().exiter = false;
        form1().S = host_->dir() + "/settings.ini";
        bool hidden = false;
        rec_->on_show.push_back([&](QDialog& d) {
            static_cast<Form2&>(d).Command8->click();
            hidden = !d.isVisible();
        });
        show_modal(f);
        QVERIFY(form1().exiter);
        QVERIFY(hidden);
        QVERIFY(QFileInfo::exists(form1().S));
    }

    void closing_writes_settings_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("close box") << "close";
        QTest::newRow("escape") << "escape";
    }
    // The settings file byte for byte; the window goes back to its design state.
    void closing_writes_settings() {
        QFETCH(QString, how);
        Form2& f = form2();
        form1().S = host_->dir() + "/V2_payments.ini";
        form4().up_path = "D:\\Выгрузка";
        form4().last_number = 14;
        form4().last_year = 2025;
        f.add_row();
        f.Check3->setChecked(true);
        f.Check4->setChecked(true);
        f.Check1->setChecked(false);
        f.Check2->setChecked(true);
        f.cards = {5, 6};
        rec_->on_show.push_back([&](QDialog& d) {
            if (how == "close")
                d.close();
            else
                QTest::keyClick(&d, Qt::Key_Escape);
        });
        show_modal(f);
        QVERIFY(!f.isVisible());
        QCOMPARE(testsupport::read_file(form1().S),
                 to_cp1251("D:\\Выгрузка") + QByteArray("\r\n 14 \r\n 2025 \r\n"));
        QCOMPARE(f.L1->topLevelItemCount(), 0);
        QVERIFY(!f.Check3->isChecked());
        QVERIFY(f.Command3->isEnabled());
        QVERIFY(!f.Check4->isChecked());
        QVERIFY(f.Check1->isChecked());
        QVERIFY(f.Check1->isEnabled());
        QVERIFY(!f.Check2->isChecked());
        QCOMPARE(f.cards, QList<qint32>({5, 6})); // window-level values stay
    }

    void failed_settings_write_still_closes() {
        Form2& f = form2();
        form1().S = host_->dir() + "/no such folder/V2_payments.ini";
        rec_->on_show.push_back([](QDialog& d) { d.close(); });
        show_modal(f);
        QVERIFY(!f.isVisible());
        QCOMPARE(rec_->boxes.size(), 1);
        QCOMPARE(rec_->boxes[0].icon, QStringLiteral("critical"));
        QCOMPARE(rec_->boxes[0].title, QStringLiteral("Вальмора-2: Фискалон"));
        QVERIFY(rec_->boxes[0].text.contains("no such folder"));
    }

    void folder_question_no_data() {
        QTest::addColumn<QList<int>>("answers");
        QTest::newRow("No") << QList<int>{vbNo};
        QTest::newRow("default button") << QList<int>{};
    }
    void folder_question_no() {
        QFETCH(QList<int>, answers);
        rec_->answers.assign(answers.begin(), answers.end());
        form4().up_path = host_->dir();
        form2().Command3->click();
        QCOMPARE(form4().up_path, host_->dir());
        QCOMPARE(rec_->boxes.size(), 1);
        const RecordingUi::Box& box = rec_->boxes[0];
        QCOMPARE(box.text, "Текущий путь выгрузки: " + host_->dir() + ". Хотите изменить его?");
        QCOMPARE(box.title, QStringLiteral("Вальмора-2: Фискалон"));
        QCOMPARE(box.buttons, QStringLiteral("YesNo"));
        QCOMPARE(box.answer, QStringLiteral("No"));
        QCOMPARE(rec_->events.size(), 1); // the box and nothing else
    }

    void folder_question_yes() {
        const QString start = host_->dir() + "/temp";
        const QString chosen = host_->dir() + "/home";
        form4().up_path = start;
        rec_->answers = {vbYes};
        QString opened_at;
        rec_->on_show.push_back([&](QDialog& d) {
            auto& chooser = static_cast<Form4&>(d);
            opened_at = chooser.Dir1->path();
            QVERIFY(chooser.Dir1->setPath(chosen));
            chooser.Command1->click();
        });
        form2().Command3->click();
        QCOMPARE(opened_at, start);
        QCOMPARE(form4().up_path, chosen);
        QCOMPARE(rec_->events.mid(1), QStringList({"show Form4", "close Form4"}));
    }

    void options_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("dependent");
        QTest::addColumn<bool>("start");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("Check3 ticked") << "Check3"
                                       << "Command3" << false << true;
        QTest::newRow("Check3 cleared") << "Check3"
                                        << "Command3" << true << false;
        QTest::newRow("Check4 ticked") << "Check4"
                                       << "Check1" << false << true;
        QTest::newRow("Check4 cleared") << "Check4"
                                        << "Check1" << true << false;
    }
    // A click sets the dependent control, whatever state it had.
    void options() {
        QFETCH(QString, box);
        QFETCH(QString, dependent);
        QFETCH(bool, start);
        QFETCH(bool, enabled);
        Form2& f = form2();
        auto* check = f.findChild<QCheckBox*>(box);
        auto* other = f.findChild<QWidget*>(dependent);
        {
            const QSignalBlocker quiet(check);
            check->setChecked(start);
        }
        other->setEnabled(!enabled);
        check->click();
        QCOMPARE(check->isChecked(), !start);
        QCOMPARE(other->isEnabled(), enabled);
    }

    // A change made in code, as the forming sets its defaults, runs the behaviour too.
    void options_set_in_code() {
        Form2& f = form2();
        f.Command3->setEnabled(false);
        f.Check1->setEnabled(false);
        f.Check3->setChecked(true);
        f.Check4->setChecked(true);
        QVERIFY(f.Command3->isEnabled());
        QVERIFY(f.Check1->isEnabled());
        f.Check4->setChecked(false);
        QVERIFY(!f.Check1->isEnabled());
    }

    void refresh_failure_data() {
        QTest::addColumn<QString>("id_text");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("rows_left"); // column 29 afterwards
        QTest::newRow("column 29 not a number")
            << "abc"
            << "" << kRefreshError + "1): Type mismatch" << QStringList{"1", "abc"};
        QTest::newRow("column 29 empty")
            << ""
            << "" << kRefreshError + "1): Type mismatch" << QStringList{"1", ""};
        QTest::newRow("payments dropped")
            << "2"
            << "drop table payments" << kRefreshError + "4): no such table: payments"
            << QStringList{};
        QTest::newRow("null sum") << "2"
                                  << "update payments set sum=NULL where oper_id=2"
                                  << kRefreshError + "4): Invalid use of Null"
                                  << QStringList{"1", ""};
        QTest::newRow("sum not a number")
            << "2"
            << "update payments set sum='много' where oper_id=2"
            << kRefreshError + "4): Type mismatch" << QStringList{"1", ""};
    }
    // A failure is reported in the module's error box and the list stays as far as it got.
    void refresh_failure() {
        QFETCH(QString, id_text);
        QFETCH(QString, sql);
        QFETCH(QString, message);
        QFETCH(QStringList, rows_left);
        QVERIFY(host_->settlements(order(1, "1,00") + order(2, "2,00")));
        Form2& f = open_form2();
        list_orders(f, {1});
        f.add_row()->setText(29, id_text);
        if (!sql.isEmpty())
            QVERIFY(host_->settlements(sql));
        f.refresh_list();
        QCOMPARE(rec_->texts(), QStringList({message}));
        QCOMPARE(rec_->boxes[0].title, QString());
        QCOMPARE(rec_->boxes[0].icon, QStringLiteral("none"));
        QCOMPARE(rec_->boxes[0].buttons, QStringLiteral("OK"));
        QCOMPARE(column(f, 29), rows_left);
    }

    void card_counted_data() {
        QTest::addColumn<QList<qint32>>("cards");
        QTest::addColumn<qint32>("card");
        QTest::addColumn<bool>("counted");
        QTest::newRow("empty") << QList<qint32>{} << 5 << false;
        QTest::newRow("first") << QList<qint32>{5, 7} << 5 << true;
        QTest::newRow("last") << QList<qint32>{5, 7} << 7 << true;
        QTest::newRow("absent") << QList<qint32>{5, 7} << 6 << false;
    }
    void card_counted() {
        QFETCH(QList<qint32>, cards);
        QFETCH(qint32, card);
        QFETCH(bool, counted);
        form2().cards = cards;
        QCOMPARE(form2().card_counted(card), counted);
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
