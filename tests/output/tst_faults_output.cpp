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
#include "support/faults.h"
#include "support/forming_data.h"
#include "support/host_state.h"
#include "support/rows.h"
#include "support/support.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include <memory>
#include <sys/resource.h>

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

const char* const kChildVariable = "TAVRELIS_TEMPLATE_RUN";

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
            fd::Accrual a;
            a.oper_id = id;
            a.summa = 1234.5;
            if (!fd::add_accrual(fx_.host(), a))
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
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("left"); // oper_id and payment_done of the orders after
        row("accrual gone", "delete from fsk_operations where oper_id=1001", "10010,10021");
        row("order gone", "delete from payments where oper_id=1001", "10021");
    }
    // A posting run meets the fault at the first order: the output step's box; that order
    // gets no operation and stays unposted; the second order is posted as usual, and the
    // list, rebuilt from the table, drops an order that is gone.
    void database_during_run() {
        QFETCH(QString, sql);
        QFETCH(QString, left);
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
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("run");
        QTest::addColumn<QString>("box"); // after the print error prefix; <T> for the template
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
    // The template beside the module is missing, wrong or hostile; the run goes in a process
    // of its own that loads a copy of the module from a folder of the test's making. It ends
    // in the print error box at its first order; nothing is printed, exported or recorded,
    // nothing an entity names shows anywhere, and memory does not blow up.
    void template_faulty() {
        QFETCH(QString, fault);
        QFETCH(QString, run);
        QFETCH(QString, box);
        formed(folder());
        const HostState before = state();

        QTemporaryDir module;
        const QDir shipped_dir(platform::module_folder());
        QVERIFY(
            QFile::copy(shipped_dir.filePath("libtavrelis.so"), module.filePath("libtavrelis.so")));
        const QString templ = module.filePath(QStringLiteral("Templates/Payments.xml"));
        QVERIFY(QDir().mkpath(module.filePath(QStringLiteral("Templates"))));
        QByteArray t = read_file(shipped_dir.filePath(QStringLiteral("Templates/Payments.xml")));
        QVERIFY(t.contains("<kbk>") && t.contains("<w:t>0401060"));
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
        const QString temp = out_->filePath(QStringLiteral("temp"));
        QVERIFY(QDir().mkpath(temp));

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : {std::pair{"LD_LIBRARY_PATH", module.path()},
                                          {kChildVariable, run},
                                          {"TAVRELIS_REGISTRY", fx_.host().registry_file()},
                                          {"TAVRELIS_SETTLEMENTS", fx_.host().settlements_file()},
                                          {"TAVRELIS_EXPORT", folder()},
                                          {"TAVRELIS_PRINT_TO", pdf_dir()},
                                          {"TEMP", temp}})
            env.insert(QLatin1String(name), value);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAllStandardError().constData());
        const QStringList lines =
            QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        if (lines.value(0) != QStringLiteral("module ") + module.path())
            QSKIP("this build finds the module by a run path that LD_LIBRARY_PATH cannot "
                  "override, so no copy of the module can be loaded");
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[1].startsWith("grew ") && lines[1].mid(5).toLongLong() < 100 * 1024,
                 qPrintable(lines[1]));
        const QString expected = box.replace("<T>", QDir::toNativeSeparators(templ));
        QVERIFY2(lines[2].startsWith("box critical|" + kTitle + u'|' + kPrintError + expected),
                 qPrintable(lines[2]));
        QVERIFY(!lines[2].contains(QString::fromLatin1(secret)));
        for (const QFileInfo& f : QDir(temp).entryInfoList(QDir::Files))
            QVERIFY2(!read_file(f.filePath()).contains(secret), qPrintable(f.filePath()));
        QCOMPARE(state().payments, before.payments);
        nothing_recorded(before);
    }
};
// The run of template_faulty in its own process: both orders through a print or an export
// run; the growth of its peak memory and its boxes go to standard output.
int template_run(const QString& run) {
    platform::set_registry_file(qEnvironmentVariable("TAVRELIS_REGISTRY"));
    platform::set_today(fd::kToday);
    platform::set_print_folder(qEnvironmentVariable("TAVRELIS_PRINT_TO"));
    Session session;
    platform::RecordingUi ui;
    platform::UiScope scope(ui);
    Shared& sh = shared();
    sh.cnn.set_connection_string(
        data::access_connection_string(qEnvironmentVariable("TAVRELIS_SETTLEMENTS")));
    sh.cnn.open();
    sh.nomer = QStringLiteral("1");
    sh.up_path = qEnvironmentVariable("TAVRELIS_EXPORT");
    form1().emp = false;
    Form2& f2 = form2();
    for (const char* id : {"1001", "1002"}) {
        Order o;
        o[Field::OperId] = QLatin1String(id);
        f2.orders().append(o);
    }
    f2.refresh_list();
    f2.Command5_Click();
    const bool print = run == QLatin1String("print");
    f2.Check4->setChecked(print);
    f2.Check1->setChecked(false);
    f2.Check3->setChecked(!print);
    f2.Check2->setChecked(false);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    Command10_Click();
    getrusage(RUSAGE_SELF, &after);
    QTextStream out(stdout);
    out << "module " << platform::module_folder() << "\n";
    out << "grew " << (after.ru_maxrss - before.ru_maxrss) << "\n"; // peak, in kB
    for (const auto& b : ui.boxes)
        out << "box " << b.icon << '|' << b.title << '|' << QString(b.text).replace(u'\n', u' ')
            << "\n";
    return 0;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kChildVariable))
        return template_run(qEnvironmentVariable(kChildVariable));
    TestFaultsOutput t;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&t, argc, argv);
}

#include "tst_faults_output.moc"
