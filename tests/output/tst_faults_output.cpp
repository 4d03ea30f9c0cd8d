// Faults met by a run of "Выполнить" over formed orders: what the user is shown and what is
// left on disk.

#include "common/form4.h"
#include "common/session.h"
#include "common/shared.h"
#include "common/window.h"
#include "data/connection.h"
#include "forming/form1.h"
#include "output/export_run.h"
#include "output/form2.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "platform/registry_file.h"
#include "support/cases.h"
#include "support/demo_host.h"
#include "support/faults.h"
#include "support/forming_data.h"
#include "support/host_state.h"
#include "support/support.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QtTest>

#include <memory>

using namespace tavrelis;
using namespace testsupport;
namespace fd = testsupport::forming;

namespace {

const QString kSaveData = QStringLiteral("Произошла ошибка в модуле save_data(");
const QString kPrintError =
    QStringLiteral("Произошла ошибка при формировании документа для вывода на печать: ");
const QString kGone = QStringLiteral(
    "3): Either BOF or EOF is True, or the current record has been deleted. Requested "
    "operation requires a current record.");

} // namespace

class TestFaultsOutput : public QObject {
    Q_OBJECT

    FormingFixture fx_;
    std::unique_ptr<QTemporaryDir> out_;

    QString pdf_dir() const { return out_->filePath(QStringLiteral("printed")); }
    QString folder() const { return out_->filePath(QStringLiteral("Выгрузка")); }
    HostState state() {
        return capture_host(fx_.host().settlements_file(),
                            fx_.host().dir() +
                                QStringLiteral("/appdata/V2_Payments/V2_payments.ini"));
    }

    // Two accruals formed as the user forms them; the list is left as the forming leaves it
    // (both ticked, export run chosen), the export folder as given.
    Form2& formed(const QString& export_folder) {
        for (qint64 id : {1001, 1002}) {
            if (!fd::add_accrual(fx_.host(), {.oper_id = id, .summa = 1234.5}))
                qWarning("accrual %lld not added", id);
        }
        testsupport::open_formation(fd::kReportSet);
        Command2_Click();
        shared().up_path = export_folder;
        return form2();
    }

    // Neither order printed, posted or given an operation; no sheet, no export file.
    void nothing_recorded(const HostState& before) {
        QCOMPARE(fx_.host().settlements_value(
                     "select group_concat(print_done || payment_done) from payments where "
                     "oper_id in (1001, 1002)"),
                 QStringLiteral("00,00"));
        QCOMPARE(state().operations, before.operations);
        QCOMPARE(QDir(pdf_dir()).entryList(QDir::Files), QStringList());
        QCOMPARE(QDir(folder()).entryList(QDir::Files), QStringList());
    }

private slots:
    void init() {
        fx_.init();
        out_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(pdf_dir()));
        QVERIFY(QDir().mkpath(folder()));
        platform::set_print_folder(pdf_dir());
    }

    void cleanup() {
        make_writable(fx_.host().settlements_file());
        platform::set_print_folder(QString());
        fx_.cleanup();
        out_.reset();
    }

    void database_during_run_data() {
        columns<QString, QString>(); // sql, left (oper_id and payment_done of the orders after)
        row("accrual gone", "delete from fsk_operations where oper_id=1001", "10010,10021");
        row("order gone", "delete from payments where oper_id=1001", "10021");
    }
    // A posting run meets the fault at the first order: the output step's box; that order
    // gets no operation and stays unposted; the second order is posted as usual, and the
    // list, rebuilt from the table, drops an order that is gone.
    void database_during_run() {
        auto [sql, left] = fetch<QString, QString>();
        Form2& f2 = formed(folder());
        f2.Check3->setChecked(false); // the forming chose an export run
        f2.Check2->setChecked(true);
        QCOMPARE(run_sql(fx_.host().settlements_file(), sql), QString());
        const HostState before = state();
        Command10_Click();
        QCOMPARE(fx_.ui().texts(),
                 (QStringList{kSaveData + kGone,
                              "Проведено 1 операций уплаты в 1 карточек расчета с бюджетом"}));
        QCOMPARE(fx_.ui().boxes[0].icon, QStringLiteral("none"));
        const HostState after = state();
        QCOMPARE(after.operations.size(), before.operations.size() + 1);
        QCOMPARE(invariant_violations(before, after), QStringList());
        QCOMPARE(fx_.host().settlements_value(
                     "select group_concat(oper_id || payment_done) from payments where oper_id "
                     "in (1001, 1002)"),
                 left);
        QCOMPARE(f2.row_count(), left.count(u',') + 1);
    }

    void template_faulty_data() {
        columns<QString, QString,
                QString>(); // fault, run, box (after the print error prefix; <T> for the template)
        const QString missing = "Не найден шаблон платежного поручения \"<T>\" (42)";
        const QString unreadable = "Не удалось открыть документ";
        auto row = [](const char* fault, const char* run, const QString& box) {
            QTest::newRow(fault) << fault << run << box;
        };
        row("missing", "print", missing);
        row("folder", "export", missing);
        row("no kbk", "export", "В шаблоне платежного поручения нет поля <kbk> (44)");
        row("cut", "print", unreadable);
        row("external entity", "export", unreadable);
        row("entity bomb", "print", unreadable);
    }
    // The template beside the module is missing, wrong or hostile, in a session of the host
    // that loads a copy of the module from a folder of the test's making. The run ends in the
    // print error box at its first order; nothing is printed, exported or recorded, nothing an
    // entity names shows anywhere, and memory does not blow up.
    void template_faulty() {
        auto [fault, run, box] = fetch<QString, QString, QString>();
        DemoHost place{out_->filePath(QStringLiteral("desk"))};
        QVERIFY(place.make());
        QVERIFY(place.own_module(nullptr));
        const QString templ = place.module + QStringLiteral("/Templates/Payments.xml");
        QByteArray t = read_file(templ);
        QVERIFY(t.contains("<kbk>") && t.contains("<w:t>0401060"));
        QVERIFY(QFile::remove(templ));
        // What must show nowhere: the text of the file an entity names, or "lol" expanded.
        const QByteArray secret = fault == "entity bomb" ? "lollol" : "secret-of-the-host-7f3a";
        const QString target = out_->filePath(QStringLiteral("target.txt"));
        QVERIFY(write_file(target, secret));
        // Both make &x; in the first run text stand for something else.
        QByteArray dtd = "<!ENTITY x SYSTEM \"" + QUrl::fromLocalFile(target).toEncoded() + "\">";
        if (fault == "entity bomb") {
            dtd = "<!ENTITY x0 \"lol\">";
            for (int k = 1; k <= 9; ++k)
                dtd += "<!ENTITY x" + QByteArray::number(k) + " \"" +
                       ("&x" + QByteArray::number(k - 1) + ";").repeated(10) + "\">";
            dtd += "<!ENTITY x \"&x9;\">";
        }
        if (fault.contains("entit"))
            t.insert(t.indexOf("<w:wordDocument"), "<!DOCTYPE w:wordDocument [" + dtd + "]>")
                .replace("<w:t>0401060", "<w:t>&x;0401060");
        if (fault == "no kbk")
            t.replace("<kbk>", "<kbk_>");
        if (fault == "folder")
            QVERIFY(QDir().mkpath(templ));
        else if (fault != "missing")
            QVERIFY(write_file(templ, fault == "cut" ? t.left(t.size() - 200) : t));

        const HostRun idle = run_host(place, {}, nullptr, true);
        const HostState before = capture_host(place.settlements(), place.settings());
        const QStringList choice =
            run == "print"
                ? QStringList{"Form2.Check4 check", "Form2.Check1 uncheck", "Form2.Check3 uncheck"}
                : QStringList{"Form2.Check4 uncheck", "Form2.Check3 check"};
        const HostRun r =
            run_host(place,
                     QStringList{"Form1.DTPicker3 date 28.01.2027", "Form1.Command2 click"} +
                         choice + QStringList{"Form2.Command10 click", "answer OK"},
                     nullptr, true);
        QVERIFY2(r.exit_code == 0, qPrintable(r.stderr_text));
        QVERIFY2(r.peak_kb - idle.peak_kb < 100 * 1024,
                 qPrintable(QStringLiteral("%1 kB against %2").arg(r.peak_kb).arg(idle.peak_kb)));
        const QString said = r.transcript.join(u'\n');
        const QString expected =
            "msgbox title=\"" + kTitle + "\" icon=critical buttons=OK \"" +
            QString(kPrintError + box.replace("<T>", QDir::toNativeSeparators(templ)))
                .replace(u'"', QStringLiteral("\"\""));
        QVERIFY2(said.contains(expected), qPrintable(said));
        QVERIFY(!said.contains(QString::fromLatin1(secret)));
        for (const QFileInfo& f : QDir(place.temp()).entryInfoList(QDir::Files))
            QVERIFY2(!read_file(f.filePath()).contains(secret), qPrintable(f.filePath()));
        QCOMPARE(capture_host(place.settlements(), place.settings()).operations, before.operations);
        QCOMPARE(place.value("select count(*) from payments where print_done<>0"), "0");
        QCOMPARE(QDir(place.pdfs()).entryList(QDir::Files), QStringList());
        QCOMPARE(QDir(place.exports()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestFaultsOutput)
#include "tst_faults_output.moc"
