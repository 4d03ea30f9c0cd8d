#include "output/export_run.h"

#include "common/form4.h"
#include "common/numbers.h"
#include "common/shared.h"
#include "common/window.h"
#include "forming/form1.h"
#include "output/form2.h"
#include "output/pechat.h"
#include "output/save_data.h"
#include "platform/shell.h"
#include "platform/ui.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace tavrelis {

namespace {

bool export_question() {
    const QString kind = shared().to_excel ? QStringLiteral("Excel") : QStringLiteral("XML");
    return platform::msgbox(QStringLiteral("Выгрузка в ") + kind +
                                QStringLiteral(" успешно выполнена. Открыть папку, содержащую "
                                               "выгруженные документы?"),
                            platform::vbYesNo, kTitle) == platform::vbYes;
}

void posting_summary(const RunTally& tally) {
    platform::msgbox(QStringLiteral("Проведено ") + QString::number(tally.ops_count) +
                         QStringLiteral(" операций уплаты в ") +
                         QString::number(tally.cards.size()) +
                         QStringLiteral(" карточек расчета с бюджетом"),
                     platform::vbInformation, kTitle);
}

QString native_folder(const QString& file) {
    return QDir::toNativeSeparators(QFileInfo(file).absolutePath());
}

QString native_folder_of_dir(const QString& folder) {
    return QDir::toNativeSeparators(QDir::cleanPath(folder));
}

// The status of the run just ended, from what it put out.
QString status_after_run(const RunTally& out, bool posting) {
    RunOutcome run;
    run.sheets = out.sheets;
    if (!out.pdfs.isEmpty())
        run.pdf_folder = native_folder(out.pdfs.last());
    else if (!out.printers.isEmpty())
        run.printer = out.printers.last();
    run.files = int(out.files.size());
    run.file_kind = shared().to_excel ? QStringLiteral("Excel") : QStringLiteral("XML");
    if (!out.files.isEmpty())
        run.files_folder = native_folder(out.files.last());
    run.posting = posting;
    run.operations = out.ops_count;
    run.cards = int(out.cards.size());
    run.cancelled = out.cancelled;
    return run_status(run);
}

} // namespace

QString run_status(const RunOutcome& run) {
    QStringList parts;
    if (run.cancelled)
        parts.append(QStringLiteral("Печать отменена"));
    if (run.sheets > 0) {
        const QString sheets = QStringLiteral("Напечатано ") +
                               count_text(run.sheets, QStringLiteral("лист"),
                                          QStringLiteral("листа"), QStringLiteral("листов"));
        if (!run.pdf_folder.isEmpty())
            parts.append(sheets + QStringLiteral(": PDF в папке ") + run.pdf_folder);
        else if (!run.printer.isEmpty())
            parts.append(sheets + QStringLiteral(" на принтере ") + run.printer);
        else
            parts.append(sheets);
    }
    if (run.files > 0)
        parts.append(QStringLiteral("Выгружено в ") + run.file_kind + QStringLiteral(": ") +
                     count_text(run.files, QStringLiteral("файл"), QStringLiteral("файла"),
                                QStringLiteral("файлов")) +
                     QStringLiteral(" в папке ") + run.files_folder);
    if (run.posting)
        parts.append(
            QStringLiteral("Проведено операций уплаты: ") + QString::number(run.operations) +
            QStringLiteral(", карточек расчета с бюджетом: ") + QString::number(run.cards));
    if (parts.isEmpty())
        return QStringLiteral("Ничего не напечатано и не выгружено");
    return parts.join(QStringLiteral("; "));
}

QString folder_not_opened(const QString& folder) {
    return QStringLiteral("; папку ") + native_folder_of_dir(folder) +
           QStringLiteral(" открыть не удалось: не найден файловый менеджер");
}

void Command10_Click() {
    Form2& f2 = form2();
    Shared& sh = shared();
    const bool print = f2.Check4->isChecked();
    const bool xml = f2.Check3->isChecked();
    const bool post = f2.Check2->isChecked();
    if (!print && !xml && !post)
        return;

    sh.to_excel = f2.Check5->isChecked();
    RunTally tally;
    bool open_folder = false;
    // One pass of the print loop; false when it closed the window.
    auto pass = [&tally](bool only_xml, bool pay) { return pechat({only_xml, pay}, tally); };
    const auto exported = [&tally, &sh] { return tally.exported || (excel_ok() && sh.to_excel); };

    // The status comes before the questions, so that they stand beside the folder it names.
    if (print) {
        if (!pass(false, false))
            return;
        f2.refresh_list();
        f2.set_status(status_after_run(tally, post));
        if (xml && exported())
            open_folder = export_question();
        if (post)
            posting_summary(tally);
    } else if (xml) {
        if (!pass(true, false))
            return;
        f2.refresh_list();
        f2.set_status(status_after_run(tally, post));
        if (exported())
            open_folder = export_question();
        if (post)
            posting_summary(tally);
    } else {
        if (!pass(true, true))
            return;
        f2.refresh_list();
        f2.set_status(status_after_run(tally, true));
        posting_summary(tally);
    }

    if (open_folder && !platform::open_folder(sh.up_path))
        f2.set_status(f2.Label1->text() + folder_not_opened(sh.up_path));
}

} // namespace tavrelis
