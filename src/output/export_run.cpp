#include "output/export_run.h"

#include "common/form4.h"
#include "common/window.h"
#include "output/form2.h"
#include "output/pechat.h"
#include "output/save_data.h"
#include "platform/shell.h"
#include "platform/ui.h"

#include <QCheckBox>

namespace tavrelis {

namespace {

bool export_question() {
    const QString kind = form4().to_excel ? QStringLiteral("Excel") : QStringLiteral("XML");
    return platform::msgbox(QStringLiteral("Выгрузка в ") + kind +
                                QStringLiteral(" успешно выполнена. Открыть папку, содержащую "
                                               "выгруженные документы?"),
                            platform::vbYesNo, kTitle) == platform::vbYes;
}

void posting_summary() {
    const Form2& f2 = form2();
    platform::msgbox(QStringLiteral("Проведено ") + QString::number(f2.ops_count) +
                         QStringLiteral(" операций уплаты в ") + QString::number(f2.cards_count) +
                         QStringLiteral(" карточек расчета с бюджетом"),
                     platform::vbInformation, kTitle);
}

} // namespace

void Command10_Click() {
    Form2& f2 = form2();
    Form4& f4 = form4();
    const bool print = f2.Check4->isChecked();
    const bool xml = f2.Check3->isChecked();
    const bool post = f2.Check2->isChecked();
    if (!print && !xml && !post)
        return;

    f4.to_excel = f2.Check5->isChecked();
    f2.cards.clear();
    bool open_folder = false;
    // One pass of the print loop; false when it closed the window.
    auto pass = [&f2](bool only_xml, bool pay) {
        f2.ops_count = 0;
        f2.cards_count = 0;
        return pechat(only_xml, pay);
    };
    const auto exported = [&f2, &f4] { return f2.suc || (excel_ok() && f4.to_excel); };

    if (print) {
        if (!pass(false, false))
            return;
        f2.refresh_list();
        if (xml && exported())
            open_folder = export_question();
        if (post)
            posting_summary();
    } else if (xml) {
        if (!pass(true, false))
            return;
        f2.refresh_list();
        if (exported())
            open_folder = export_question();
        if (post)
            posting_summary();
    } else {
        if (!pass(true, true))
            return;
        f2.refresh_list();
        posting_summary();
    }

    if (open_folder)
        platform::open_folder(f4.up_path);
}

} // namespace tavrelis
