#include "output/save_data.h"

#include "common/files.h"
#include "common/form4.h"
#include "common/form6.h"
#include "common/numbers.h"
#include "common/session.h"
#include "common/shared.h"
#include "common/window.h"
#include "forming/form1.h"
#include "output/excel_export.h"
#include "output/form2.h"
#include "output/posting.h"
#include "output/xml_export.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "platform/ui.h"

#include <QCheckBox>
#include <QFileInfo>

namespace tavrelis {

namespace {

// Values of the output step that live as long as the formed-orders window, that is the session.
class OutputValues : public QObject {
public:
    bool excel_ok = false;
};

bool is_separator(QChar c) {
    return c == u'/' || c == u'\\' || c == platform::separator();
}

// The name of the export file without folder and extension.
QString export_base_name(const Order& o) {
    return o[Field::InnSender] + QStringLiteral("_N") + o[Field::Number] + u'_' +
           order_date(o[Field::PaymentDate]).toString(QStringLiteral("yyyyMMdd"));
}

QString extension() {
    return shared().to_excel ? QStringLiteral(".xls") : QStringLiteral(".xml");
}

// Whether an existing export file may be replaced: "Да для всех" and "Нет для всех" hold for
// the rest of the run; otherwise the user is asked. A window closed without an answer
// leaves otvet as it was, and anything but a "no" lets the file be replaced.
bool may_overwrite(const QString& base_name, RunTally& tally) {
    Shared& sh = shared();
    if (sh.otvet == 2)
        return true;
    if (sh.otvet == 4)
        return false;
    const quint8 answer = ask(QStringLiteral("Вопрос"),
                              QStringLiteral("Файл выгрузки \"") + base_name +
                                  QStringLiteral("\" уже существует. Перезаписать его?"),
                              {true, true, true, true, true});
    if (answer == 5)
        tally.cancelled = true;
    return answer != 3 && answer != 4 && answer != 5;
}

bool ticked(const QCheckBox* box) {
    return box->checkState() == Qt::Checked;
}

} // namespace

QString export_folder() {
    QString folder = shared().up_path;
    if (folder.trimmed().isEmpty())
        throw Error(
            QStringLiteral("Не задан путь выгрузки. Укажите папку кнопкой «Путь выгрузки»"));
    if (!folder_exists(folder)) {
        QString err;
        if (!make_folder_tree(folder, err))
            throw Error(err.isEmpty()
                            ? QStringLiteral("Не удалось создать папку выгрузки \"%1\"").arg(folder)
                            : err);
    }
    while (folder.size() > 1 && is_separator(folder.back()))
        folder.chop(1);
    if (!is_separator(folder.back()))
        folder += platform::separator();
    return folder;
}

bool& excel_ok() {
    return Session::current().get<OutputValues>().excel_ok;
}

bool save_data(const IssuedOrder& order, const OutputOptions& options, RunTally& tally) {
    bool result = false;
    // The box names the step that failed.
    int step = 1;
    try {
        excel_ok() = true;
        Form2& f2 = form2();
        Shared& sh = shared();

        if (!options.only_xml) {
            step = 2;
            const qint32 number = clean_number(order.order[Field::Number]);
            // Every accrual of a single tax payment records the one number it went under.
            for (const Order& member : order.members)
                sh.cnn.execute(
                    QStringLiteral("update payments set print_done=1,number_=? where oper_id=?"),
                    {QString::number(number), row_oper_id(member[Field::OperId])});
            result = true;
        }

        if (ticked(f2.Check2) || (options.only_xml && options.pay)) {
            step = 3;
            // Each accrual is booked into its own card with its own amount; counted once
            // committed, so that a payment taken back is not in the summary.
            for (const Order& member : order.members) {
                const std::optional<qint32> card = post_payment(member);
                if (!card)
                    continue;
                ++tally.ops_count;
                if (!tally.cards.contains(*card))
                    tally.cards.append(*card);
                tally.exported = true;
            }
        }

        if (ticked(f2.Check3) || (options.only_xml && !options.pay)) {
            step = 4;
            const QString base = export_base_name(order.order);
            step = 5;
            const QString path = export_folder() + base + extension();
            step = 6;
            if (QFileInfo::exists(path) && !may_overwrite(base, tally))
                return result;
            step = 7;
            if (sh.to_excel) {
                excel_ok() = out_excel(path, order.order);
                if (excel_ok())
                    tally.files.append(path);
            } else {
                out_xml(path, order.order);
                tally.exported = true;
                tally.files.append(path);
            }
        }
        return result;
    } catch (const std::exception& e) {
        report_failure(QStringLiteral("Произошла ошибка в модуле save_data"), step, e);
        return result;
    }
}

} // namespace tavrelis
