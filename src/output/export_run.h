#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tavrelis {

// "Выполнить" in the formed-orders window: one run over the ticked orders, of the kind the
// check boxes choose (Напечатать: a print run; else Выгрузить в XML: an export run; else
// Провести уплаты в карточку: a posting run; none of them: nothing), then the list rebuilt,
// the export question (which opens the export folder on "Да") and the posting summary.
void Command10_Click();

// What a run did, as the status line of the formed-orders window tells it.
struct RunOutcome {
    int sheets = 0;
    QString pdf_folder; // where the sheets went as PDF files
    QString printer;    // or the printer they went to
    int files = 0;
    QString file_kind = QStringLiteral("XML");
    QString files_folder;
    bool posting = false;
    int operations = 0;
    int cards = 0;
    bool cancelled = false; // «Отменить всю печать» or «Отмена» at the overwrite question
};
QString run_status(const RunOutcome& run);
// Said after the status when the export folder could not be opened.
QString folder_not_opened(const QString& folder);

} // namespace tavrelis
