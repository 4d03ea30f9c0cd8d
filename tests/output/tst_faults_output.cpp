// Faults met by a run of "Выполнить" over formed orders: what the user is shown and what is
// left on disk.

#include "common/form4.h"
#include "common/form6.h"
#include "common/session.h"
#include "common/settings.h"
#include "common/window.h"
#include "data/connection.h"
#include "forming/form1.h"
#include "output/excel_export.h"
#include "output/export_run.h"
#include "output/form2.h"
#include "output/save_data.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "platform/registry_file.h"
#include "support/faults.h"
#include "support/forming_data.h"
#include "support/host_state.h"
#include "support/support.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <cerrno>
#include <memory>
#include <sys/resource.h>
#include <tuple>

using namespace tavrelis;
using namespace testsupport;
namespace fd = testsupport::forming;

namespace {

const QString kSaveData = QStringLiteral("Произошла ошибка в модуле save_data(");
const QString kPrintError =
    QStringLiteral("Произошла ошибка при формировании документа для вывода на печать: ");
const QString kNoCurrentRecord = QStringLiteral(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.");
const QString kExportQuestion = QStringLiteral(
    "Выгрузка в XML успешно выполнена. Открыть папку, содержащую выгруженные документы?");

QString summary(int operations, int cards) {
    return QStringLiteral("Проведено %1 операций уплаты в %2 карточек расчета с бюджетом")
        .arg(operations)
        .arg(cards);
}

const char* const kChildVariable = "TAVRELIS_TEMPLATE_RUN";

} // namespace

class TestFaultsOutput : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHost> host_;
    std::unique_ptr<QTemporaryDir> out_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<platform::RecordingUi> ui_;
    std::unique_ptr<platform::UiScope> scope_;

    QString pdf_dir() const { return out_->filePath(QStringLiteral("printed")); }
    QString settings_file() const {
        return host_->dir() + QStringLiteral("/appdata/V2_Payments/V2_payments.ini");
    }
    HostState state() const { return capture_host(host_->settlements_file(), settings_file()); }
    QString stored(qint64 oper_id, const char* column) const {
        return host_->settlements_value(QStringLiteral("select %1 from payments where oper_id=%2")
                                            .arg(QLatin1String(column))
                                            .arg(oper_id));
    }
    int operations_count() const {
        return host_->settlements_value(QStringLiteral("select count(*) from fsk_operations"))
            .toInt();
    }
    QStringList pdfs() const {
        return QDir(pdf_dir()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    }

    // Two accruals formed as the user forms them; the list is left as the forming leaves it
    // (both ticked, export run chosen), the export folder as given.
    Form2& formed(const QString& export_folder) {
        for (qint64 id : {1001, 1002}) {
            fd::Accrual a;
            a.oper_id = id;
            a.summa = 1234.5;
            if (!fd::add_accrual(*host_, a))
                qWarning("accrual %lld not added", id);
        }
        Form1& f1 = form1();
        const SettingsPaths paths = settings_paths();
        f1.S = paths.S;
        f1.bez = paths.bez;
        f1.Text1->setText(settings_startup(paths));
        f1.req1(fd::kReportSet);
        Command2_Click();
        form4().up_path = export_folder;
        return form2();
    }

    static void choose(Form2& f2, bool print, bool xml, bool post) {
        f2.Check4->setChecked(print);
        f2.Check1->setChecked(false);
        f2.Check3->setChecked(xml);
        f2.Check2->setChecked(post);
    }

    // Nothing recorded for either order: no number, not printed, not posted, no operation.
    void nothing_recorded(int operations_before) {
        for (qint64 id : {1001, 1002}) {
            QCOMPARE(stored(id, "print_done"), QStringLiteral("0"));
            QCOMPARE(stored(id, "payment_done"), QStringLiteral("0"));
        }
        QCOMPARE(operations_count(), operations_before);
        QCOMPARE(pdfs(), QStringList());
    }

    static void plain_box(const platform::RecordingUi::Box& b) {
        QCOMPARE(b.title, QString());
        QCOMPARE(b.icon, QStringLiteral("none"));
        QCOMPARE(b.buttons, QStringLiteral("OK"));
    }

private slots:
    void init() {
        platform::set_today(fd::kToday);
        host_ = std::make_unique<TestHost>();
        QVERIFY(fd::standard(*host_));
        out_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(pdf_dir()));
        platform::set_print_folder(pdf_dir());
        session_ = std::make_unique<Session>();
        ui_ = std::make_unique<platform::RecordingUi>();
        scope_ = std::make_unique<platform::UiScope>(*ui_);
    }

    void cleanup() {
        scope_.reset();
        ui_.reset();
        session_.reset();
        make_writable(host_->settlements_file());
        platform::set_print_folder(QString());
        host_.reset();
        out_.reset();
        platform::set_today(QDate());
    }

    // A folder that went missing since the start-up is made again, every missing level.
    // A missing export folder is made, every level; a plain file on its path stops each
    // order with the level it could not make, nothing exported or recorded, the file kept.
    void export_folder() {
        const QString folder = out_->filePath(QStringLiteral("нет/такой/папки"));
        Form2& f2 = formed(folder);
        ui_->answers.push_back(platform::vbNo);
        Command10_Click();
        QCOMPARE(ui_->texts(), QStringList{kExportQuestion});
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);

        const QString blocked = out_->filePath(QStringLiteral("файл"));
        QVERIFY(write_file(blocked, "не папка"));
        form4().up_path = blocked + QStringLiteral("/Выгрузка/2026");
        const int operations = operations_count();
        ui_->boxes.clear();
        f2.Check3->setChecked(true);
        f2.Command5_Click();
        Command10_Click();
        const QString box = kSaveData + QStringLiteral("5): Ошибка создания каталога \"") +
                            blocked + QStringLiteral("/\": \r\n") + qt_error_string(EEXIST);
        QCOMPARE(ui_->texts(), (QStringList{box, box}));
        plain_box(ui_->boxes[0]);
        QCOMPARE(read_file(blocked), QByteArray("не папка"));
        QCOMPARE(operations_count(), operations);
        QCOMPARE(f2.row_count(), 2);
    }

    // The export file cannot be written: no permission (not as root), or a folder in its
    // place (which the user is first asked to replace).
    void export_folder_not_writable_data() {
        QTest::addColumn<bool>("by_permissions");
        QTest::newRow("no write permission") << true;
        QTest::newRow("a folder in the file's place") << false;
    }
    void export_folder_not_writable() {
        QFETCH(bool, by_permissions);
        const QString folder = out_->filePath(QStringLiteral("Выгрузка"));
        QVERIFY(QDir().mkpath(folder));
        Form2& f2 = formed(folder);
        const int operations = operations_count();
        QStringList files;
        for (int r = 1; r <= 2; ++r) {
            f2.current_row = r;
            files << export_file_name();
        }
        if (by_permissions) {
            if (running_as_root())
                QSKIP("running as root: permissions do not stop root from writing");
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        } else {
            for (const QString& f : files)
                QVERIFY(QDir().mkpath(f));
            ui_->on_show.push_back(
                [](QDialog& w) { static_cast<Form6&>(w).buttons()[1]->click(); });
        }
        Command10_Click();
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);

        QStringList texts = ui_->texts();
        QCOMPARE(texts.size(), 2);
        for (int r = 0; r < 2; ++r) {
            const QString prefix =
                kSaveData + QStringLiteral("7): Не удалось создать файл \"") + files[r] + "\": ";
            QVERIFY2(texts[r].startsWith(prefix), qPrintable(texts[r]));
            QVERIFY(texts[r].size() > prefix.size());
            plain_box(ui_->boxes[r]);
        }
        if (!by_permissions) {
            QCOMPARE(ui_->events.filter(QStringLiteral("show Form6")).size(), 1);
            for (const QString& f : files)
                QVERIFY(QFileInfo(f).isDir());
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
        nothing_recorded(operations);
    }

    // The disk fills up while an order's XML file is written: the output step reports it,
    // and the file stays as far as it was written.
    void export_disk_full() {
        const QString folder = out_->filePath(QStringLiteral("Выгрузка"));
        QVERIFY(QDir().mkpath(folder));
        Form2& f2 = formed(folder);
        f2.current_row = 1;
        const QString file = export_file_name();
        choose(f2, false, true, false);
        {
            FileSizeLimit full(100);
            save_data(true, false);
        }
        QCOMPARE(ui_->texts().size(), 1);
        const QString prefix = kSaveData + "7): Не удалось записать файл \"" + file + "\": ";
        QVERIFY2(ui_->texts()[0].startsWith(prefix), qPrintable(ui_->texts()[0]));
        QVERIFY(QFileInfo(file).size() <= 100);
        QVERIFY(!f2.suc);
    }

    void temp_folder_unusable_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("a plain file in its place") << "file";
        QTest::newRow("the disk full") << "full";
    }

    // The filled template cannot be saved in the temporary folder: every run kind ends in
    // the print error box at its first order; nothing is exported, printed or recorded.
    void temp_folder_unusable() {
        QFETCH(QString, fault);
        const QString folder = out_->filePath(QStringLiteral("Выгрузка"));
        QVERIFY(QDir().mkpath(folder));
        Form2& f2 = formed(folder);
        const int operations = operations_count();
        QString temp = platform::temp_folder();
        std::unique_ptr<FileSizeLimit> full;
        if (fault == QLatin1String("file")) {
            temp = out_->filePath(QStringLiteral("temp"));
            QVERIFY(write_file(temp, "не папка"));
            qputenv("TEMP", QFile::encodeName(temp));
        } else {
            full = std::make_unique<FileSizeLimit>(0);
        }
        const QString box =
            kPrintError +
            QStringLiteral("Не удалось сохранить заполненный бланк во временной папке \"") +
            QDir::toNativeSeparators(temp) + QStringLiteral("\" (45)");
        for (const auto& [print, xml, post] :
             {std::tuple{true, true, true}, std::tuple{false, true, false},
              std::tuple{false, false, true}}) {
            ui_->boxes.clear();
            choose(f2, print, xml, post);
            f2.Command5_Click();
            Command10_Click();
            QCOMPARE(ui_->texts().first(), box);
            QCOMPARE(ui_->boxes.first().icon, QStringLiteral("critical"));
            QCOMPARE(ui_->boxes.first().title, kTitle);
            if (post)
                QCOMPARE(ui_->texts().last(), summary(0, 0));
        }
        full.reset();
        qputenv("TEMP", QFile::encodeName(host_->dir() + QStringLiteral("/temp")));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
        nothing_recorded(operations);
    }

    void database_during_run_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("posted"); // orders posted by the run
        const QString gone = kSaveData + QStringLiteral("3): ") + kNoCurrentRecord;
        QTest::newRow("locked by another writer")
            << "locked" << QStringList{kSaveData + "3): database is locked", summary(0, 0)} << 0;
        QTest::newRow("accrual gone") << "accrual gone" << QStringList{gone, summary(1, 1)} << 1;
        QTest::newRow("order gone") << "order gone" << QStringList{gone, summary(1, 1)} << 1;
    }

    // A posting run meets the fault at the first order: the output step's box; that order
    // gets no operation and stays unposted; the second order is posted as usual.
    void database_during_run() {
        QFETCH(QString, fault);
        QFETCH(QStringList, boxes);
        QFETCH(int, posted);
        Form2& f2 = formed(out_->filePath(QStringLiteral("Выгрузка")));
        choose(f2, false, false, true);
        std::unique_ptr<HeldLock> lock;
        if (fault == QLatin1String("locked")) {
            f2.orders().set_ticked(1, false); // one wait is enough
            lock = std::make_unique<HeldLock>(host_->settlements_file());
            QVERIFY2(lock->held(), qPrintable(lock->error()));
        } else if (fault == QLatin1String("accrual gone")) {
            QCOMPARE(
                run_sql(host_->settlements_file(), "delete from fsk_operations where oper_id=1001"),
                QString());
        } else {
            QCOMPARE(run_sql(host_->settlements_file(), "delete from payments where oper_id=1001"),
                     QString());
        }
        const HostState before = state();
        Command10_Click();
        lock.reset();

        QCOMPARE(ui_->texts(), boxes);
        plain_box(ui_->boxes[0]);
        const HostState after = state();
        QCOMPARE(after.operations.size(), before.operations.size() + posted);
        QCOMPARE(invariant_violations(before, after), QStringList());
        if (fault != QLatin1String("order gone"))
            QCOMPARE(stored(1001, "payment_done"), QStringLiteral("0"));
        QCOMPARE(stored(1002, "payment_done"), QString::number(posted));
        // The list is rebuilt from the table: an order that is gone is dropped.
        QCOMPARE(f2.row_count(), fault == QLatin1String("order gone") ? 1 : 2);
    }

    // The disk fills up while the workbook is saved: the export says so and returns false,
    // and no short workbook is left under the export file's name.
    void workbook_disk_full() {
        const QString folder = out_->filePath(QStringLiteral("Выгрузка"));
        QVERIFY(QDir().mkpath(folder));
        Form2& f2 = formed(folder);
        f2.current_row = 1;
        const QString whole_file = folder + QStringLiteral("/whole.xls");
        QVERIFY(out_excel(whole_file));
        const qint64 size = QFileInfo(whole_file).size();
        QVERIFY(size > 1000);
        const QString file = folder + QStringLiteral("/short.xls");
        bool result = true;
        {
            FileSizeLimit full(size - 100);
            result = out_excel(file);
        }
        QVERIFY(!result);
        QCOMPARE(ui_->texts().size(), 1);
        const QString prefix = QStringLiteral("Произошла ошибка в модуле out_excel(5): Не удалось "
                                              "сохранить книгу \"") +
                               file + QStringLiteral("\": ");
        QVERIFY2(ui_->texts()[0].startsWith(prefix), qPrintable(ui_->texts()[0]));
        plain_box(ui_->boxes[0]);
        QVERIFY(!QFileInfo::exists(file));
    }

    void template_faulty_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("run");
        QTest::addColumn<QString>("box"); // after the print error prefix; <T> for the template
        const QString missing = "Не найден шаблон платежного поручения \"<T>\" (42)";
        QTest::newRow("missing, print") << "missing"
                                        << "print" << missing;
        QTest::newRow("a folder in its place, export") << "folder"
                                                       << "export" << missing;
        QTest::newRow("without the key kbk, export")
            << "no kbk"
            << "export"
            << "В шаблоне платежного поручения нет поля <kbk> (44)";
        QTest::newRow("not a whole document, print") << "cut"
                                                     << "print"
                                                     << "Не удалось открыть документ";
        QTest::newRow("an external entity, export") << "external entity"
                                                    << "export"
                                                    << "Не удалось открыть документ";
        QTest::newRow("exponential entities, print") << "entity bomb"
                                                     << "print"
                                                     << "Не удалось открыть документ";
    }

    // The template beside the module is missing, wrong or hostile; the run goes in a process
    // of its own that loads a copy of the module from a folder of the test's making. It ends
    // in the print error box at its first order; nothing is printed, exported or recorded,
    // nothing an entity names shows anywhere, and memory does not blow up.
    void template_faulty() {
        QFETCH(QString, fault);
        QFETCH(QString, run);
        QFETCH(QString, box);
        const QString folder = out_->filePath(QStringLiteral("Выгрузка"));
        QVERIFY(QDir().mkpath(folder));
        formed(folder);
        const HostState before = state();

        QTemporaryDir module;
        const QString library = QStringLiteral("libtavrelis.so");
        QVERIFY(QFile::copy(QDir(platform::module_folder()).filePath(library),
                            QDir(module.path()).filePath(library)));
        const QString templ = module.filePath(QStringLiteral("Templates/Payments.xml"));
        QVERIFY(QDir().mkpath(module.filePath(QStringLiteral("Templates"))));
        const QByteArray shipped = read_file(
            QDir(platform::module_folder()).filePath(QStringLiteral("Templates/Payments.xml")));
        QVERIFY(shipped.contains("<kbk>"));
        if (fault == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(templ));
        else if (fault == QLatin1String("no kbk"))
            QVERIFY(write_file(templ, QByteArray(shipped).replace("<kbk>", "<kbk_>")));
        else if (fault == QLatin1String("cut"))
            QVERIFY(write_file(templ, shipped.left(shipped.size() - 200)));
        // What must show nowhere: the text of the file an entity names, or "lol" expanded.
        const QByteArray secret =
            fault == QLatin1String("entity bomb") ? "lollol" : "secret-of-the-host-7f3a";
        const QString target = out_->filePath(QStringLiteral("target.txt"));
        QVERIFY(write_file(target, secret));
        if (fault.contains(QLatin1String("entit"))) {
            // Both make &x; in the first run text stand for something else.
            QByteArray dtd =
                "<!ENTITY x SYSTEM \"" + QUrl::fromLocalFile(target).toEncoded() + "\">";
            if (fault == QLatin1String("entity bomb")) {
                dtd = "<!ENTITY x0 \"lol\">";
                for (int k = 1; k <= 9; ++k)
                    dtd += QStringLiteral("<!ENTITY x%1 \"%2\">")
                               .arg(k)
                               .arg(QStringLiteral("&x%1;").arg(k - 1).repeated(10))
                               .toUtf8();
                dtd += "<!ENTITY x \"&x9;\">";
            }
            QByteArray t = shipped;
            t.insert(t.indexOf("<w:wordDocument"), "<!DOCTYPE w:wordDocument [" + dtd + "]>");
            QVERIFY(t.contains("<w:t>0401060"));
            QVERIFY(write_file(templ, t.replace("<w:t>0401060", "<w:t>&x;0401060")));
        }
        const QString temp = out_->filePath(QStringLiteral("temp"));
        QVERIFY(QDir().mkpath(temp));

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), module.path());
        env.insert(QLatin1String(kChildVariable), run);
        env.insert(QStringLiteral("TAVRELIS_REGISTRY"), host_->registry_file());
        env.insert(QStringLiteral("TAVRELIS_SETTLEMENTS"), host_->settlements_file());
        env.insert(QStringLiteral("TAVRELIS_EXPORT"), folder);
        env.insert(QStringLiteral("TAVRELIS_PRINT_TO"), pdf_dir());
        env.insert(QStringLiteral("TEMP"), temp);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(60000));
        const QString err = QString::fromUtf8(child.readAllStandardError());
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 qPrintable(err));
        const QStringList lines =
            QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        if (lines.value(0) != QStringLiteral("module ") + module.path())
            QSKIP("this build finds the module by a run path that LD_LIBRARY_PATH cannot "
                  "override, so no copy of the module can be loaded");
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[1].startsWith(QStringLiteral("grew ")) &&
                     lines[1].mid(5).toLongLong() < 100 * 1024,
                 qPrintable(lines[1]));
        const QString expected =
            box.replace(QStringLiteral("<T>"), QDir::toNativeSeparators(templ));
        QVERIFY2(lines[2].startsWith(QStringLiteral("box critical|") + kTitle + u'|' + kPrintError +
                                     expected),
                 qPrintable(lines[2]));
        QVERIFY(!lines[2].contains(QString::fromLatin1(secret)));
        for (const QString& dir : {temp, pdf_dir(), folder})
            for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Files))
                QVERIFY2(!read_file(f.filePath()).contains(secret), qPrintable(f.filePath()));

        QCOMPARE(invariant_violations(before, state()), QStringList());
        QCOMPARE(state().payments, before.payments);
        QCOMPARE(pdfs(), QStringList());
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
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
    Form4& f4 = form4();
    f4.cnn.set_connection_string(
        data::access_connection_string(qEnvironmentVariable("TAVRELIS_SETTLEMENTS")));
    f4.cnn.open();
    f4.nomer = QStringLiteral("1");
    f4.up_path = qEnvironmentVariable("TAVRELIS_EXPORT");
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
