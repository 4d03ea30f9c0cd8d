#include "common/form4.h"
#include "common/form6.h"
#include "common/shared.h"
#include "forming/form1.h"
#include "output/form2.h"
#include "output/save_data.h"
#include "support/cases.h"
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

    // Orders 1..4 numbered 1..4, stored and listed, exported as the print loop exports them:
    // the answer and the tally start afresh, each order in turn, stopping after a cancelled
    // one.
    void export_four(RunTally& tally) {
        for (int i = 1; i <= 4; ++i)
            add_order(i, QString::number(i));
        shared().otvet = 0;
        for (int r = 1; r <= 4 && !tally.cancelled; ++r) {
            const Order o = form2().orders().order(r - 1);
            save_data({{r}, o, {o}}, {true, false}, tally);
        }
    }
    // An order stored and listed under a number.
    void add_order(int oper_id, const QString& number) {
        QVERIFY(fx_.host().settlements(
            QStringLiteral("insert into payments (oper_id, sum) values (%1, '1');").arg(oper_id)));
        Order o;
        o[Field::Number] = number;
        o[Field::OperId] = QString::number(oper_id);
        o[Field::PaymentDate] = "05.03.2024";
        o[Field::Sum] = "10,00";
        o[Field::InnSender] = kInn;
        form2().orders().append(o);
    }
    QString export_path(int number) const {
        return exports_->filePath(kInn + QStringLiteral("_N%1_20240305.xml").arg(number));
    }

private slots:
    void init() {
        fx_.init();
        exports_ = std::make_unique<QTemporaryDir>();
        fx_.open_settlements();
        shared().up_path = exports_->path();
    }
    void cleanup() { fx_.cleanup(); }

    // Orders 1..4 of an export run, where the files of 1, 2 and 4 are there already.
    void overwrite_data() {
        columns<QList<int>, QString,
                bool>(); // buttons (pressed in turn; 0: the close box), files (per order: n new, o
                         // old kept, - not written), cancelled
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
        auto [buttons, files, cancelled] = fetch<QList<int>, QString, bool>();
        for (int n : {1, 2, 4})
            QVERIFY(testsupport::write_file(export_path(n), kOld));
        for (int b : buttons)
            fx_.ui().on_show.push_back([b](QDialog&) {
                if (b)
                    form6().buttons()[b - 1]->click();
            });
        RunTally tally;
        export_four(tally);
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
        QCOMPARE(tally.cancelled, cancelled);
        QCOMPARE(tally.files.size(), files.count(u'n'));
        QVERIFY(fx_.ui().boxes.isEmpty());
    }

    // In a print run, a number that is no number stops the order at its step, before anything
    // is written.
    void number_no_number() {
        add_order(1, QStringLiteral("x"));
        RunTally tally;
        const Order o = form2().orders().order(0);
        save_data({{1}, o, {o}}, {false, false}, tally); // as a print run saves
        QCOMPARE(fx_.ui().texts(),
                 QStringList{"Произошла ошибка в модуле save_data(2): Type mismatch"});
        QCOMPARE(QDir(exports_->path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestSaveData)
#include "tst_save_data.moc"
