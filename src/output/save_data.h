#pragma once

#include "output/enp_groups.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tavrelis {

// How a run of the print loop goes: only_xml false, a print run; only_xml and not pay, an export
// run; only_xml and pay, a posting run.
struct OutputOptions {
    bool only_xml = false;
    bool pay = false;
};

// What a run of the print loop did, for the status line and the summaries that follow it.
struct RunTally {
    bool exported = false;  // an export file written or a payment posted, and not cancelled
    bool cancelled = false; // "Отмена" at the overwrite question or in the preview
    int sheets = 0;
    QStringList pdfs;     // the PDF files sheets became
    QStringList printers; // the printers sheets went to
    QStringList files;    // the export files written
    qint32 ops_count = 0; // payments posted
    QList<qint32> cards;  // the cards they went into, each once
};

// The output step for one order a run issues:
//  - a print run records the order's number for each of its accruals (print_done=1, number_);
//  - the payment of each accrual is posted when "Провести уплаты в карточку" is ticked or in a
//    posting run;
//  - the export file is written when "Выгрузить в XML" is ticked or in an export run, as a
//    workbook when shared().to_excel is set; an existing file is replaced only as the user
//    answers (shared().otvet, shared with the already-posted notice), and "Отмена" cancels the
//    run (tally.cancelled).
// True when the number was recorded: only then does the print loop print the sheet. A failure
// is reported in the box "Произошла ошибка в модуле save_data(…): …" and the result reached so
// far is returned; nothing is rolled back.
bool save_data(const IssuedOrder& order, const OutputOptions& options, RunTally& tally);

// The export folder up_path with one separator at its end, made when it is missing; an empty
// up_path or a folder that cannot be made raises an error.
QString export_folder();

// Set at the start of every call of save_data and to the result of the spreadsheet export;
// false when the formed-orders window opens and kept between runs. The export run offers the
// export folder when a spreadsheet export went well.
bool& excel_ok();

} // namespace tavrelis
