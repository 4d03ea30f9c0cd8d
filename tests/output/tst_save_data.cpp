#include "common/form4.h"
#include "common/form6.h"
#include "forming/form1.h"
#include "output/form2.h"
#include "output/save_data.h"
#include "support/support.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;

namespace {

const QString kInn = QStringLiteral("7701000001");
const QByteArray kOld = "old export";

} // namespace

class TestSaveData : public QObject {
    Q_OBJECT
    testsupport::WindowFixture fx_;
    std::unique_ptr<QTemporaryDir> exports_;

    // Orders 1..n numbered 1..n, dated as given; stored and listed.
    void orders(int n, const QString& date = "05.03.2024") {
        for (int i = 1; i <= n; ++i) {
            QVERIFY(fx_.host().settlements(
                QStringLiteral("insert into payments (oper_id, sum) values (%1, '1');").arg(i)));
            Order o;
            o[Field::Number] = QString::number(i);
            o[Field::PaymentDate] = date;
            o[Field::Sum] = "10,00";
            o[Field::InnSender] = kInn;
            o[Field::OperId] = QString::number(i);
            form2().orders().append(o);
        }
    }
    QString export_path(int number) const {
        return exports_->filePath(kInn + QStringLiteral("_N%1_20240305.xml").arg(number));
    }
    // A run as the print loop makes it: the answer and the cancel flag start afresh, each row
    // in turn, stopping after a cancelled one. The results of save_data, in row order.
    QList<bool> run(bool only_xml) {
        Form2& f = form2();
        form4().otvet = 0;
        form1().cancel_print = false;
        f.suc = false;
        QList<bool> results;
        for (int r = 1; r <= f.row_count() && !form1().cancel_print; ++r) {
            f.current_row = r;
            results.append(save_data(only_xml, false));
        }
        return results;
    }

private slots:
    void init() {
        fx_.init();
        exports_ = std::make_unique<QTemporaryDir>();
        fx_.open_settlements();
        form4().up_path = exports_->path();
    }
    void cleanup() { fx_.cleanup(); }

    // Orders 1..4 of an export run, where the files of 1, 2 and 4 are there already.
    void overwrite_data() {
        QTest::addColumn<QList<int>>("buttons"); // pressed in turn; 0: the close box
        QTest::addColumn<QString>("files");      // per order: n new, o old kept, - not written
        QTest::addColumn<bool>("cancelled");
        auto row = [](const char* tag, QList<int> buttons, const char* files, bool cancelled) {
            QTest::newRow(tag) << buttons << files << cancelled;
        };
        row("no for all on the second", {1, 4}, "nono", false);
        row("yes for all", {2}, "nnnn", false);
        row("no each time", {3, 3, 3}, "oono", false);
        row("yes, no, yes", {1, 3, 1}, "nonn", false);
        row("closed unanswered", {0, 0, 0}, "nnnn", false);
        row("cancel", {1, 5}, "no-o", true);
    }
    void overwrite() {
        QFETCH(QList<int>, buttons);
        QFETCH(QString, files);
        QFETCH(bool, cancelled);
        orders(4);
        for (int n : {1, 2, 4})
            QVERIFY(testsupport::write_file(export_path(n), kOld));
        for (int b : buttons)
            fx_.ui().on_show.push_back([b](QDialog&) {
                if (b)
                    form6().buttons()[b - 1]->click();
            });
        run(true);
        QCOMPARE(fx_.ui().events.count(QStringLiteral("show Form6")), buttons.size());
        QCOMPARE(form6().Label1->text(),
                 QStringLiteral("Файл выгрузки \"%1_N%2_20240305\" уже существует. "
                                "Перезаписать его?")
                     .arg(kInn)
                     .arg(buttons.size() < 3 ? buttons.size() : 4));
        QString got;
        for (int n = 1; n <= 4; ++n) {
            const QByteArray content = testsupport::read_file(export_path(n));
            got += content == kOld ? u'o' : content.isEmpty() ? u'-' : u'n';
        }
        QCOMPARE(got, files);
        QCOMPARE(form1().cancel_print, cancelled);
        QVERIFY(fx_.ui().boxes.isEmpty());
    }

    void failures_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("step");
        QTest::newRow("not a date") << QString("31.02.2024") << 4;
        QTest::newRow("no export folder") << QString("05.03.2024") << 5;
    }
    // A print run whose export fails: the number is recorded all the same.
    void failures() {
        QFETCH(QString, date);
        QFETCH(int, step);
        orders(1, date);
        form2().Check3->setChecked(true);
        if (step == 5)
            form4().up_path.clear();
        QCOMPARE(run(false), QList<bool>{true});
        QCOMPARE(fx_.stored(1, "number_ || print_done"), "11");
        QCOMPARE(fx_.ui().boxes.size(), 1);
        const QString prefix =
            QStringLiteral("Произошла ошибка в модуле save_data(%1): ").arg(step);
        const QString text = fx_.ui().boxes[0].text;
        QVERIFY2(text.startsWith(prefix) && text.size() > prefix.size() + 3, qPrintable(text));
        QVERIFY(!form2().suc);
        QCOMPARE(QDir(exports_->path()).entryList(QDir::Files).filter(".xml"), QStringList());
    }
};

QTEST_MAIN(TestSaveData)
#include "tst_save_data.moc"
