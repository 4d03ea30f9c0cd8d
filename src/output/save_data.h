#pragma once

#include <QString>

namespace tavrelis {

// The output step for the order in the current row of form2().L1, called by the print loop
// with the flags of its run (only_xml false: a print run; only_xml and not pay: an export run;
// only_xml and pay: a posting run):
//  - a print run records the order's number in payments (print_done=1, number_);
//  - the payment is posted when "Провести уплаты в карточку" is ticked or in a posting run;
//  - the export file is written when "Выгрузить в XML" is ticked or in an export run, as a
//    workbook when shared().to_excel is set; an existing file is replaced only as the user
//    answers (shared().otvet, shared with the already-posted notice), and "Отмена" sets
//    form1().cancel_print.
// True when the number was recorded: only then does the print loop print the sheet. A failure
// is reported in the box "Произошла ошибка в модуле save_data(…): …" and the result reached so
// far is returned; nothing is rolled back.
bool save_data(bool only_xml, bool pay);

// The export folder up_path with one separator at its end, made when it is missing; an empty
// up_path or a folder that cannot be made raises an error.
QString export_folder();

// Set at the start of every call of save_data and to the result of the spreadsheet export;
// false when the formed-orders window opens and kept between runs. The export run offers the
// export folder when a spreadsheet export went well.
bool& excel_ok();

} // namespace tavrelis
