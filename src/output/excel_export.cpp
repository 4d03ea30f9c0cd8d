#include "output/excel_export.h"

#include "common/window.h"
#include "output/form2.h"
#include "output/xml_export.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "platform/objects.h"
#include "platform/ui.h"

namespace tavrelis {

namespace {

const QString kNoExcel = QStringLiteral(
    "Модуль формирования платежных поручений требует наличия Microsoft Excel 2003 или "
    "Microsoft Excel 2007. Установите одну из этих версий и повторите действие");

// Quits the instance however the export ends.
struct Quitter {
    platform::Spreadsheet* xl = nullptr;
    ~Quitter() {
        if (xl)
            xl->Quit();
    }
};

} // namespace

bool out_excel(const QString& path, const Order& o) {
    std::unique_ptr<platform::Spreadsheet> xl;
    try {
        xl = platform::factory().create_spreadsheet();
    } catch (const std::exception&) {
        xl.reset(); // a program that cannot be started is as good as none
    }
    if (!xl) {
        platform::msgbox(kNoExcel, platform::vbCritical, kTitle);
        return false;
    }
    Quitter quitter{xl.get()};

    // The box names the step that failed.
    int step = 1;
    try {
        const QString version = xl->Version();
        if (version != QStringLiteral("11.0") && version != QStringLiteral("12.0")) {
            platform::msgbox(kNoExcel, platform::vbCritical, kTitle);
            return false;
        }

        step = 2;
        platform::Workbook& book = xl->add_workbook(
            platform::module_folder() + platform::separator() + QStringLiteral("template.xls"));
        step = 3;
        platform::Worksheet& sheet = book.sheets(1);

        step = 4;
        // One sheet row a field, in the list's order.
        for (int c = column_of(kFirstExported); c <= column_of(kLastExported); ++c)
            sheet.set_cell(c, 2, export_text(Field(c), o.texts[size_t(c)]));

        step = 5;
        book.SaveAs(path);
        return true;
    } catch (const std::exception& e) {
        report_failure(QStringLiteral("Произошла ошибка в модуле out_excel"), step, e);
        return false;
    }
}

} // namespace tavrelis
