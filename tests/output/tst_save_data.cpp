#include "common/form4.h"
#include "common/form6.h"
#include "common/session.h"
#include "forming/form1.h"
#include "output/form2.h"
#include "output/save_data.h"
#include "platform/objects.h"
#include "platform/recording_ui.h"
#include "support/support.h"
#include "support/testhost.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

const QString kInn = QStringLiteral("7701000001");
const QByteArray kOld = "old export";

std::function<void(QDialog&)> press(int answer) {
    return [answer](QDialog& w) { static_cast<Form6&>(w).buttons()[answer - 1]->click(); };
}

class Excel2010 : public Spreadsheet {
public:
    QString Version() const override { return QStringLiteral("14.0"); }
};

class Objects : public ObjectFactory {
public:
    std::unique_ptr<VersionInfo> create_version() override { return nullptr; }
    std::unique_ptr<WorkCalendar> create_calendar() override { return nullptr; }
    std::unique_ptr<Spreadsheet> create_spreadsheet() override {
        return std::make_unique<Excel2010>();
    }
};

} // namespace

class TestSaveData : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestHost> host_;
    std::unique_ptr<QTemporaryDir> exports_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<RecordingUi> rec_;
    std::unique_ptr<UiScope> scope_;

    // Orders 1..n numbered 1..n, dated 05.03.2024, on accruals of card 1; stored and listed.
    void orders(int n, const QString& date = "05.03.2024") {
        QString sql;
        for (int i = 1; i <= n; ++i) {
            sql += QStringLiteral("insert into fsk_operations (oper_id, card_id, act_id, "
                                  "period_name) values (%1, 1, 41, 'I квартал 2024');"
                                  "insert into payments (oper_id, sum) values (%1, '10,00');")
                       .arg(i);
            QTreeWidgetItem* row = form2().add_row();
            for (int col = 1; col <= 28; ++col)
                row->setText(col, QStringLiteral("c%1").arg(col));
            row->setText(1, QString::number(i));
            row->setText(2, date);
            row->setText(3, QStringLiteral("10,00"));
            row->setText(14, kInn);
            row->setText(29, QString::number(i));
        }
        QVERIFY(host_->settlements(sql));
    }
    QString export_path(int number, const QString& ext = ".xml") const {
        return exports_->filePath(kInn + QStringLiteral("_N%1_20240305").arg(number) + ext);
    }
    // A run as the print loop makes it: the answer and the cancel flag start afresh, each row
    // in turn, stopping after a cancelled one. The results of save_data, in row order.
    QList<bool> run(bool only_xml, bool pay) {
        Form2& f = form2();
        form4().otvet = 0;
        form1().cancel_print = false;
        f.suc = false;
        QList<bool> results;
        for (int r = 1; r <= f.L1->topLevelItemCount() && !form1().cancel_print; ++r) {
            f.current_row = r;
            results.append(save_data(only_xml, pay));
        }
        return results;
    }

private slots:
    void initTestCase() {
        host_ = std::make_unique<testsupport::TestHost>();
        QVERIFY(host_->settlements("insert into fsk_actions values (41, 4, 1, 'Начислено');"));
    }
    void cleanupTestCase() { host_.reset(); }
    void init() {
        QVERIFY(host_->settlements("delete from fsk_operations; delete from payments;"));
        exports_ = std::make_unique<QTemporaryDir>();
        session_ = std::make_unique<Session>();
        rec_ = std::make_unique<RecordingUi>();
        scope_ = std::make_unique<UiScope>(*rec_);
        form4().cnn.set_connection_string(
            data::access_connection_string(host_->settlements_file()));
        form4().cnn.open();
        form4().up_path = exports_->path();
    }
    void cleanup() {
        set_factory(nullptr);
        scope_.reset();
        rec_.reset();
        session_.reset();
    }

    void file_name_data() {
        QTest::addColumn<QString>("inn");
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("to_excel");
        QTest::addColumn<QString>("folder_end"); // appended to the export folder
        QTest::addColumn<QString>("name");
        QTest::newRow("xml") << kInn << "05.03.2024" << false << "" << kInn + "_N1_20240305.xml";
        QTest::newRow("new year") << kInn << "01.01.2024" << false << ""
                                  << kInn + "_N1_20240101.xml";
        QTest::newRow("spreadsheet")
            << kInn << "31.12.2025" << true << "/" << kInn + "_N1_20251231.xls";
        QTest::newRow("no payer INN") << ""
                                      << "05.03.2024" << false << "/"
                                      << "_N1_20240305.xml";
        QTest::newRow("missing folder") << kInn << "05.03.2024" << false << "/a/b"
                                        << "a/b/" + kInn + "_N1_20240305.xml";
    }
    void file_name() {
        QFETCH(QString, inn);
        QFETCH(QString, date);
        QFETCH(bool, to_excel);
        QFETCH(QString, folder_end);
        QFETCH(QString, name);
        orders(1, date);
        form2().L1->topLevelItem(0)->setText(14, inn);
        form2().current_row = 1;
        form4().to_excel = to_excel;
        form4().up_path += folder_end;
        QCOMPARE(export_file_name(), exports_->path() + QDir::separator() + name);
        QVERIFY(QFileInfo(export_file_name()).dir().exists());
    }

    // A print run records the number; the other runs use it without recording it.
    void recording_data() {
        QTest::addColumn<bool>("only_xml");
        QTest::addColumn<bool>("recorded");
        QTest::newRow("print") << false << true;
        QTest::newRow("export") << true << false;
    }
    void recording() {
        QFETCH(bool, only_xml);
        QFETCH(bool, recorded);
        orders(2);
        form2().L1->topLevelItem(1)->setText(1, QStringLiteral("N15"));
        form2().Check3->setChecked(true);
        QCOMPARE(run(only_xml, false), (QList<bool>{recorded, recorded}));
        QCOMPARE(host_->settlements_value("select group_concat(ifnull(number_,'-') || ':' || "
                                          "print_done) from payments order by oper_id"),
                 recorded ? QStringLiteral("1:1,15:1") : QStringLiteral("-:0,-:0"));
        QVERIFY(QFile::exists(export_path(1)));
        QVERIFY(form2().suc);
        QVERIFY(excel_ok());
        QVERIFY(rec_->boxes.isEmpty());
    }

    // Orders 1..4 of an export run, where the files of 1, 2 and 4 are there already.
    void overwrite_data() {
        QTest::addColumn<QList<int>>("answers"); // buttons pressed, in turn; 0: the close box
        QTest::addColumn<QString>("files");      // per order: n new, o old kept, - not written
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("no for all on the second")
            << QList<int>{1, 4} << QStringLiteral("nono") << false;
        QTest::newRow("yes for all") << QList<int>{2} << QStringLiteral("nnnn") << false;
        QTest::newRow("no each time") << QList<int>{3, 3, 3} << QStringLiteral("oono") << false;
        QTest::newRow("yes, no, yes") << QList<int>{1, 3, 1} << QStringLiteral("nonn") << false;
        QTest::newRow("closed unanswered") << QList<int>{0, 0, 0} << "nnnn" << false;
        QTest::newRow("cancel") << QList<int>{1, 5} << QStringLiteral("no-o") << true;
    }
    void overwrite() {
        QFETCH(QList<int>, answers);
        QFETCH(QString, files);
        QFETCH(bool, cancelled);
        orders(4);
        for (int n : {1, 2, 4})
            QVERIFY(testsupport::write_file(export_path(n), kOld));
        for (int a : answers)
            rec_->on_show.push_back(a ? press(a) : [](QDialog&) {});
        run(true, false);
        QCOMPARE(rec_->events.count(QStringLiteral("show Form6")), answers.size());
        QCOMPARE(form6().windowTitle(), QStringLiteral("Вопрос"));
        QCOMPARE(form6().Label1->text(),
                 QStringLiteral("Файл выгрузки \"%1_N%2_20240305\" уже существует. "
                                "Перезаписать его?")
                     .arg(kInn)
                     .arg(answers.size() < 3 ? answers.size() : 4));
        for (QPushButton* b : form6().buttons())
            QVERIFY(b->isEnabled());
        for (int n = 1; n <= 4; ++n) {
            const QByteArray content = testsupport::read_file(export_path(n));
            const QChar expected = files[n - 1];
            QCOMPARE(content == kOld ? u'o' : content.isEmpty() ? u'-' : u'n', expected);
        }
        QCOMPARE(form1().cancel_print, cancelled);
        QVERIFY(rec_->boxes.isEmpty());
    }

    // "Отмена" in a print run: the number is recorded, so the sheet is still printed.
    void cancel_in_print_run() {
        orders(2);
        form2().Check3->setChecked(true);
        QVERIFY(testsupport::write_file(export_path(1), kOld));
        rec_->on_show.push_back(press(5));
        QCOMPARE(run(false, false), QList<bool>{true});
        QVERIFY(form1().cancel_print);
        QCOMPARE(testsupport::read_file(export_path(1)), kOld);
        QCOMPARE(host_->settlements_value("select count(*) from payments where print_done=1"), "1");
    }

    // "Да для всех" to the already-posted notice also answers the overwrite question.
    void posted_notice_answers_overwrite() {
        orders(2);
        QVERIFY(host_->settlements("update payments set payment_done=1;"));
        QVERIFY(testsupport::write_file(export_path(1), kOld));
        QVERIFY(testsupport::write_file(export_path(2), kOld));
        form2().Check2->setChecked(true);
        rec_->on_show.push_back(press(2));
        run(true, false);
        QCOMPARE(rec_->events, QStringList({"show Form6", "close Form6"}));
        QCOMPARE(form6().windowTitle(), QStringLiteral("Внимание"));
        QVERIFY(testsupport::read_file(export_path(1)) != kOld);
        QVERIFY(testsupport::read_file(export_path(2)) != kOld);
    }

    void failures_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("up_path"); // "file": below a file, where no folder can be
        QTest::addColumn<int>("step");
        QTest::newRow("empty date") << ""
                                    << "" << 4;
        QTest::newRow("not a date") << "31.02.2024"
                                    << "" << 4;
        QTest::newRow("folder cannot be made") << "05.03.2024"
                                               << "file" << 5;
        QTest::newRow("no export folder") << "05.03.2024"
                                          << "none" << 5;
    }
    void failures() {
        QFETCH(QString, date);
        QFETCH(QString, up_path);
        QFETCH(int, step);
        orders(1, date);
        form2().Check3->setChecked(true);
        if (up_path == u"file") {
            QVERIFY(testsupport::write_file(exports_->filePath("file"), "x"));
            form4().up_path = exports_->filePath("file/sub");
        } else if (up_path == u"none") {
            form4().up_path.clear();
        }
        QCOMPARE(run(false, false), QList<bool>{true}); // the number was recorded
        QCOMPARE(host_->settlements_value("select number_ from payments"), "1");
        QCOMPARE(rec_->boxes.size(), 1);
        const QString prefix =
            QStringLiteral("Произошла ошибка в модуле save_data(%1): ").arg(step);
        QVERIFY2(rec_->boxes[0].text.startsWith(prefix), qPrintable(rec_->boxes[0].text));
        QVERIFY(rec_->boxes[0].text.size() > prefix.size() + 3);
        QCOMPARE(rec_->boxes[0].title, QString());
        QCOMPARE(rec_->boxes[0].icon, QStringLiteral("none"));
        QVERIFY(!form2().suc);
        QCOMPARE(QDir(exports_->path()).entryList(QDir::Files).filter(".xml"), QStringList());
    }

    void spreadsheet_export_data() {
        QTest::addColumn<bool>("supported");
        QTest::newRow("stand-in") << true;
        QTest::newRow("other version") << false;
    }
    void spreadsheet_export() {
        QFETCH(bool, supported);
        Objects other;
        if (!supported)
            set_factory(&other);
        orders(1);
        form4().to_excel = true;
        QCOMPARE(run(true, false), QList<bool>{false});
        QCOMPARE(excel_ok(), supported);
        QCOMPARE(QFile::exists(export_path(1, ".xls")), supported);
        QVERIFY(!form2().suc); // set by XML files and postings only
        QCOMPARE(rec_->boxes.size(), supported ? 0 : 1);
    }
};

QTEST_MAIN(TestSaveData)
#include "tst_save_data.moc"
