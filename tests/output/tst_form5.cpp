#include "common/form4.h"
#include "common/session.h"
#include "data/connection.h"
#include "output/edit_payment.h"
#include "output/form2.h"
#include "output/form5.h"
#include "platform/recording_ui.h"
#include "support/testhost.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

const QString kTitle = QStringLiteral("Вальмора-2: Фискалон");
const QString kRefused =
    QStringLiteral("Невозможно сохранить параметры: введено некорректное значение суммы уплаты");
const QString kPosted =
    QStringLiteral("По данному начислению уже была проведена оплата, поэтому его нельзя изменить");
const QString kNines = QStringLiteral(
    "Девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов девятьсот "
    "девяносто девять тысяч девятьсот девяносто девять рублей 00 копеек");

// One stored order of 1 234,50 with every column the editor rewrites.
QString order(int oper_id, const QString& document_date = "'2024-02-29'", int payment_done = 0,
              int print_done = 0) {
    return QStringLiteral(
               "insert into payments values (%1, '9', '2024-03-05', '1 234,50', 'ООО \"Д''Арт\"', "
               "'7701', '770101001', '18210101011011000110', '45000', '044525000', '4010', '', "
               "'ГУ Банка России', 'ООО Ромашка', '7703', '7704', '45001', '044525225', '4070', "
               "'3010', 'ПАО Сбербанк', 'электронно', '5', 'ТП', '0', 'Налог', 'ГД.00.2023', %2, "
               "%3, %4);")
        .arg(oper_id)
        .arg(document_date)
        .arg(payment_done)
        .arg(print_done);
}

int px(const QWidget* w, int twips) {
    return twips * w->logicalDpiX() / 1440;
}

QRect px(const QWidget* w, const QList<int>& twips) {
    return QRect(px(w, twips[0]), px(w, twips[1]), px(w, twips[2]), px(w, twips[3]));
}

} // namespace

class TestForm5 : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestHost> host_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<RecordingUi> rec_;
    std::unique_ptr<UiScope> scope_;

    // Form2 listing the stored orders, as refresh_list rebuilds it, with the first row selected.
    Form2& listed(const QList<int>& ids, qint32 last_number = 14) {
        form4().cnn.set_connection_string(
            data::access_connection_string(host_->settlements_file()));
        form4().cnn.open();
        form4().last_number = last_number;
        Form2& f = form2();
        for (int id : ids)
            f.add_row()->setText(29, QString::number(id));
        f.refresh_list();
        if (f.L1->topLevelItemCount() > 0)
            f.L1->setCurrentItem(f.L1->topLevelItem(0));
        return f;
    }

    // Opens the editor with "Правка", types an amount and presses a button of the editor.
    void edit(const QString& typed, const char* button) {
        rec_->on_show.push_back([typed, button](QDialog& d) {
            auto& f5 = static_cast<Form5&>(d);
            f5.Text1->selectAll();
            QTest::keyClicks(f5.Text1, typed);
            if (button)
                f5.findChild<QPushButton*>(button)->click();
        });
        form2().Command9->click();
    }

    QString stored(const QString& column) const {
        return host_->settlements_value("select " + column + " from payments where oper_id=7");
    }

private slots:
    // Amounts are Russian whatever the machine's locale; an English one would read "10,125" as
    // ten thousand one hundred and twenty-five.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // One host installation for the whole case (making one costs disk syncs), emptied of
    // orders before each test, or made anew when a test dropped the table.
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

    void design_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("twips"); // left, top, width, height in Picture2
        QTest::addColumn<double>("points");
        const QString line = "______________________";
        QTest::newRow("Label1") << "Label1" << line << QList{300, 360, 2115, 255} << 8.25;
        QTest::newRow("Label3") << "Label3"
                                << "Поступ. в банк плат." << QList{540, 660, 1695, 315} << 8.25;
        QTest::newRow("Label4") << "Label4"
                                << "Списано со сч. плат." << QList{3240, 660, 1695, 315} << 8.25;
        QTest::newRow("Label12") << "Label12"
                                 << "0401060" << QList{9840, 420, 675, 195} << 8.25;
        QTest::newRow("Label5") << "Label5"
                                << "ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №" << QList{660, 1140, 4155, 315} << 11.25;
        QTest::newRow("Label11") << "Label11"
                                 << "ЭЛЕКТРОННО" << QList{7860, 1200, 1335, 315} << 9.75;
        QTest::newRow("Label15") << "Label15"
                                 << "01" << QList{10320, 1320, 255, 255} << 8.25;
        QTest::newRow("Label7") << "Label7" << line << QList{7740, 1440, 2115, 255} << 8.25;
        QTest::newRow("Label8") << "Label8"
                                << "Дата" << QList{6120, 1680, 495, 315} << 8.25;
        QTest::newRow("Label9") << "Label9"
                                << "Вид платежа" << QList{8220, 1680, 1035, 315} << 8.25;
        QTest::newRow("Label14") << "Label14"
                                 << "Сумма прописью" << QList{300, 2340, 915, 555} << 9.75;
        QTest::newRow("Label13") << "Label13"
                                 << "" << QList{2160, 2340, 8475, 555} << 9.75;
        QTest::newRow("Label16") << "Label16"
                                 << "Сумма" << QList{6240, 3300, 915, 315} << 9.75;
        QTest::newRow("Label19") << "Label19"
                                 << "КПП" << QList{3420, 3360, 1755, 315} << 9.75;
        QTest::newRow("Text1") << "Text1"
                               << "0,00" << QList{7440, 3300, 2775, 315} << 0.0;
    }
    void design() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QList<int>, twips);
        QFETCH(double, points);
        Form5& f = form5();
        QCOMPARE(f.windowTitle(), "Задать параметры платежного поручения вручную");
        QWidget* w = f.Picture2->findChild<QWidget*>(name);
        QVERIFY(w);
        if (auto* l = qobject_cast<QLabel*>(w))
            QCOMPARE(l->text(), text);
        else
            QCOMPARE(qobject_cast<QLineEdit*>(w)->text(), text);
        const QRect r = w->geometry().translated(-f.Picture2->contentsRect().topLeft());
        QCOMPARE(r, px(&f, twips));
        if (points > 0) {
            QCOMPARE(w->font().pointSizeF(), points);
            QCOMPARE(QFontInfo(w->font()).family(), QStringLiteral("Liberation Serif"));
        }
    }

    void frame_and_buttons() {
        Form5& f = form5();
        QCOMPARE(f.size(), QSize(px(&f, 11910), px(&f, 5445)));
        QCOMPARE(f.Picture2->geometry(), px(&f, {60, 60, 11775, 4035}));
        QCOMPARE(f.Command1->text(), "Сохранить");
        QCOMPARE(f.Command1->geometry(), px(&f, {1080, 4560, 1995, 435}));
        QCOMPARE(f.Command2->text(), "Отмена");
        QCOMPARE(f.Command2->geometry(), px(&f, {8760, 4560, 1995, 435}));
        QCOMPARE(f.Text1->palette().color(QPalette::Base), QColor(192, 255, 255));
    }

    // Rendered, the imitation is white with black rules and the amount field light cyan. With
    // TAVRELIS_SCREENSHOT set, the picture is also written there (docs/screenshots/README.md).
    void rendering() {
        QVERIFY(host_->settlements(order(7)));
        listed({7});
        QImage shot;
        rec_->on_show.push_back([&](QDialog& d) { shot = d.grab().toImage(); });
        form2().Command9->click();
        QVERIFY(!shot.isNull());
        const QString out = qEnvironmentVariable("TAVRELIS_SCREENSHOT");
        if (!out.isEmpty())
            QVERIFY(shot.save(out));
        Form5& f = form5();
        const auto at = [&](int x, int y) {
            return shot.pixelColor(f.Picture2->pos() + f.Picture2->contentsRect().topLeft() +
                                   QPoint(px(&f, x), px(&f, y)));
        };
        QCOMPARE(at(5000, 2900), QColor(Qt::white));
        QCOMPARE(at(1560, 2800), QColor(Qt::black));  // after "Сумма прописью"
        QCOMPARE(at(10000, 3180), QColor(Qt::black)); // under the amount in words
        QCOMPARE(at(10100, 3480), QColor(192, 255, 255));
    }

    void empty_list_does_nothing() {
        Form2& f = listed({});
        form4().cnn.close(); // any statement would fail
        f.Command9->click();
        edit_payment();
        QVERIFY(rec_->events.isEmpty());
    }

    void no_selected_row_does_nothing() {
        QVERIFY(host_->settlements(order(7)));
        Form2& f = listed({7});
        f.L1->setCurrentItem(nullptr);
        f.Command9->click();
        QVERIFY(rec_->events.isEmpty());
    }

    void opening_data() {
        QTest::addColumn<int>("payment_done");
        QTest::addColumn<int>("print_done");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("title");
        QTest::newRow("posted") << 1 << 0 << QStringList{"msgbox " + kPosted} << "";
        QTest::newRow("not posted")
            << 0 << 0 << QStringList{"show Form5", "close Form5"} << "ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №15";
        QTest::newRow("printed") << 0 << 1 << QStringList{"show Form5", "close Form5"}
                                 << "ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №N9";
        QTest::newRow("flag 2") << 2 << 0 << QStringList{"show Form5", "close Form5"}
                                << "ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №15";
    }
    // A posted order is refused; any other opens, filled from the selected row.
    void opening() {
        QFETCH(int, payment_done);
        QFETCH(int, print_done);
        QFETCH(QStringList, events);
        QFETCH(QString, title);
        QVERIFY(host_->settlements(order(7, "NULL", payment_done, print_done)));
        listed({7});
        QStringList shown;
        rec_->on_show.push_back([&](QDialog& d) {
            auto& f5 = static_cast<Form5&>(d);
            for (QLabel* l : {f5.Label5, f5.Label10, f5.Label13, f5.Label18, f5.Label19})
                shown.append(l->text());
            shown.append(f5.Text1->text());
        });
        form2().Command9->click();
        QCOMPARE(rec_->events, events);
        if (payment_done == 1) {
            QCOMPARE(rec_->boxes[0].icon, "exclamation");
            QCOMPARE(rec_->boxes[0].title, kTitle);
            return;
        }
        QCOMPARE(shown, QStringList({title, "05.03.2024",
                                     "Одна тысяча двести тридцать четыре рубля 50 копеек",
                                     "ИНН 7701", "КПП 770101001", "1234,50"}));
    }

    void words_on_opening_data() {
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("words");
        QTest::newRow("field unchanged: the list's words") << "0,00"
                                                           << "из списка";
        QTest::newRow("field changed: worded anew")
            << "1 234,50"
            << "Одна тысяча двести тридцать четыре рубля 50 копеек";
    }
    // Label13 takes column 28 first; the amount then words it again only if the field's text
    // changes (a fresh editor holds 0,00).
    void words_on_opening() {
        QFETCH(QString, sum);
        QFETCH(QString, words);
        QVERIFY(host_->settlements(order(7) + "update payments set sum='" + sum + "';"));
        Form2& f = listed({7});
        f.L1->topLevelItem(0)->setText(28, "из списка");
        QString shown;
        rec_->on_show.push_back(
            [&](QDialog& d) { shown = static_cast<Form5&>(d).Label13->text(); });
        f.Command9->click();
        QCOMPARE(shown, words);
    }

    void double_click_opens() {
        QVERIFY(host_->settlements(order(7)));
        Form2& f = listed({7});
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const QRect cell = f.L1->visualItemRect(f.L1->topLevelItem(0));
        const QPoint number_cell(f.L1->columnWidth(0) + 10, cell.center().y());
        // What the mouse sends for a double click: a click, then the double click and its release.
        QTest::mouseClick(f.L1->viewport(), Qt::LeftButton, {}, number_cell);
        QTest::mouseDClick(f.L1->viewport(), Qt::LeftButton, {}, number_cell);
        QTest::mouseRelease(f.L1->viewport(), Qt::LeftButton, {}, number_cell);
        QCOMPARE(rec_->events, QStringList({"show Form5", "close Form5"}));
    }

    void amount_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("words"); // Label13 as typed; empty: refused
        QTest::addColumn<QString>("field"); // Text1 after saving
        QTest::addColumn<QString>("sum");   // column 3 and payments.sum
        QTest::addColumn<QString>("saved"); // column 28
        QTest::newRow("abc") << "abc"
                             << ""
                             << ""
                             << ""
                             << "";
        QTest::newRow("-5") << "-5"
                            << ""
                            << ""
                            << ""
                            << "";
        QTest::newRow("10^12") << "1000000000000"
                               << ""
                               << ""
                               << ""
                               << "";
        QTest::newRow("above by a kopeck") << "999999999999,01"
                                           << ""
                                           << ""
                                           << ""
                                           << "";
        QTest::newRow("largest") << "999999999999" << kNines << "999999999999"
                                 << "999 999 999 999,00" << kNines;
        QTest::newRow("half to even, down") << "10,125"
                                            << "Десять рублей 12 копеек"
                                            << "10,12"
                                            << "10,12"
                                            << "Десять рублей 12 копеек";
        // While typed the kopecks are cut; saving rounds them.
        QTest::newRow("half to even, up") << "2,675"
                                          << "Два рубля 67 копеек"
                                          << "2,68"
                                          << "2,68"
                                          << "Два рубля 68 копеек";
        QTest::newRow("whole") << "1500"
                               << "Одна тысяча пятьсот рублей 00 копеек"
                               << "1500"
                               << "1 500,00"
                               << "Одна тысяча пятьсот рублей 00 копеек";
        QTest::newRow("trailing zero") << "10,50"
                                       << "Десять рублей 50 копеек"
                                       << "10,5"
                                       << "10,50"
                                       << "Десять рублей 50 копеек";
        QTest::newRow("zero") << "0"
                              << "Hоль рублей 00 копеек"
                              << "0"
                              << "0,00"
                              << "Hоль рублей 00 копеек";
    }
    // The words follow every keystroke; "Сохранить" refuses an amount without them and stores
    // the rounded one otherwise.
    void amount() {
        QFETCH(QString, typed);
        QFETCH(QString, words);
        QFETCH(QString, field);
        QFETCH(QString, sum);
        QFETCH(QString, saved);
        QVERIFY(host_->settlements(order(7)));
        Form2& f = listed({7});
        QString words_typed, field_after;
        bool open_after = false;
        rec_->on_show.push_back([&](QDialog& d) {
            auto& f5 = static_cast<Form5&>(d);
            f5.Text1->selectAll();
            QTest::keyClicks(f5.Text1, typed);
            words_typed = f5.Label13->text();
            f5.Command1->click();
            open_after = f5.isVisible();
            field_after = f5.Text1->text();
        });
        f.Command9->click();
        QCOMPARE(words_typed, words);
        QCOMPARE(open_after, words.isEmpty());
        if (words.isEmpty()) {
            QCOMPARE(rec_->texts(), QStringList{kRefused});
            QCOMPARE(rec_->boxes[0].icon, "critical");
            QCOMPARE(rec_->boxes[0].title, kTitle);
            QCOMPARE(f.cell(1, 3), "1 234,50");
            QCOMPARE(stored("sum"), "1 234,50");
            return;
        }
        QVERIFY(rec_->boxes.isEmpty());
        QCOMPARE(field_after, field);
        QCOMPARE(f.cell(1, 3), sum);
        QCOMPARE(stored("sum"), sum);
        QCOMPARE(f.cell(1, 28), saved);
        QCOMPARE(form5().Text1->text(), field); // hidden, not destroyed
    }

    void document_date_data() {
        QTest::addColumn<QString>("stored_date");
        QTest::addColumn<QString>("after");
        QTest::newRow("empty") << "NULL"
                               << "<null>";
        QTest::newRow("date") << "'2024-02-29'"
                              << "2024-02-29";
    }
    // Every column but the keys and flags is rewritten from the list row, quotes and all.
    void document_date() {
        QFETCH(QString, stored_date);
        QFETCH(QString, after);
        QVERIFY(host_->settlements(order(7, stored_date)));
        listed({7});
        form2().L1->topLevelItem(0)->setText(25, "Налог за 'I' квартал");
        edit("1500", "Command1");
        QCOMPARE(stored("document_date"), after);
        QCOMPARE(stored("payment_date"), "2024-03-05");
        QCOMPARE(stored("receiver"), "ООО \"Д'Арт\"");
        QCOMPARE(stored("aim"), "Налог за 'I' квартал");
        QCOMPARE(stored("number_ || payment_done || print_done"), "900");
    }

    void leaving_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("field"); // Text1 once the editor is gone
        QTest::newRow("Отмена") << "cancel"
                                << "777";
        QTest::newRow("close box") << "close"
                                   << "0,00";
        QTest::newRow("escape") << "escape"
                                << "0,00";
    }
    // Leaving without saving changes neither the row nor the table; only the close box takes
    // the editor back to its design values.
    void leaving() {
        QFETCH(QString, how);
        QFETCH(QString, field);
        QVERIFY(host_->settlements(order(7)));
        Form2& f = listed({7});
        rec_->on_show.push_back([&](QDialog& d) {
            auto& f5 = static_cast<Form5&>(d);
            f5.Text1->selectAll();
            QTest::keyClicks(f5.Text1, "777");
            if (how == "cancel")
                f5.Command2->click();
            else if (how == "close")
                d.close();
            else
                QTest::keyClick(&d, Qt::Key_Escape);
            QVERIFY(!d.isVisible());
        });
        f.Command9->click();
        QCOMPARE(f.cell(1, 3), "1 234,50");
        QCOMPARE(f.cell(1, 28), "Одна тысяча двести тридцать четыре рубля 50 копеек");
        QCOMPARE(stored("sum"), "1 234,50");
        QCOMPARE(form5().Text1->text(), field);
        QCOMPARE(form5().Label5->text(),
                 how == "cancel" ? "ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №15" : "ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №");
        // The next opening fills the editor again.
        QString reopened;
        rec_->on_show.push_back(
            [&](QDialog& d) { reopened = static_cast<Form5&>(d).Text1->text(); });
        f.Command9->click();
        QCOMPARE(reopened, "1234,50");
    }

    void database_error_data() {
        QTest::addColumn<bool>("on_save");
        QTest::addColumn<QString>("message");
        QTest::newRow("select") << false
                                << "Возникла ошибка в модуле Tavrelis.Form2.edit_payment(2): "
                                   "no such table: payments";
        QTest::newRow("update") << true
                                << "Возникла ошибка в модуле Tavrelis.Form5.Command1_Click(5): "
                                   "no such table: payments";
    }
    // Reported in the module's error box; the work goes on.
    void database_error() {
        QFETCH(bool, on_save);
        QFETCH(QString, message);
        QVERIFY(host_->settlements(order(7)));
        Form2& f = listed({7});
        bool open_after = false;
        if (on_save)
            rec_->on_show.push_back([&](QDialog& d) {
                QVERIFY(host_->settlements("drop table payments"));
                static_cast<Form5&>(d).Command1->click();
                open_after = d.isVisible();
            });
        else
            QVERIFY(host_->settlements("drop table payments"));
        f.Command9->click();
        QCOMPARE(rec_->texts(), QStringList{message});
        QCOMPARE(rec_->boxes[0].title, QString());
        QCOMPARE(rec_->boxes[0].icon, "none");
        QCOMPARE(open_after, on_save);
        QCOMPARE(rec_->events.contains("show Form5"), on_save);
    }
};

QTEST_MAIN(TestForm5)
#include "tst_form5.moc"
