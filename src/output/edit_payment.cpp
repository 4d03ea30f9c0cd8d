#include "output/edit_payment.h"

#include "common/form4.h"
#include "common/numbers.h"
#include "common/shared.h"
#include "output/form5.h"
#include "output/posting.h"
#include "platform/errors.h"
#include "platform/ui.h"

#include <QLabel>
#include <QLineEdit>

namespace tavrelis {

namespace {

// payment_done compared with 1 as the platform compares a field: null equals nothing, a text
// must read as a number.
bool posted(const data::Recordset& rs) {
    if (rs.is_null(0))
        return false;
    const QVariant v = rs.field(0);
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double)
        return v.toDouble() == 1;
    double value = 0;
    if (!read_number(rs.text(0), value))
        throw Error(QStringLiteral("Type mismatch"));
    return value == 1;
}

} // namespace

void edit_payment(const Order& o, std::function<void(const Order&)> on_change) {
    // The error box names the step that failed.
    int step = 2;
    try {
        const data::Recordset rs = shared().cnn.execute(
            QStringLiteral("select payment_done from payments where oper_id=?"),
            {row_oper_id(o[Field::OperId])});
        if (rs.empty())
            return; // the order is gone; nothing to edit

        step = 3;
        if (posted(rs)) {
            platform::msgbox(
                QStringLiteral(
                    "По данному начислению уже была проведена оплата, поэтому его нельзя изменить"),
                platform::vbOKOnly | platform::vbExclamation, kTitle);
            return;
        }

        step = 4;
        Form5& f5 = form5();
        f5.Label5->setText(QStringLiteral("ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №") + o[Field::Number]);
        f5.Label10->setText(o[Field::PaymentDate]);
        f5.Label13->setText(o[Field::SumWords]);
        f5.Label18->setText(QStringLiteral("ИНН ") + o[Field::Inn]);
        f5.Label19->setText(QStringLiteral("КПП ") + o[Field::Kpp]);
        // A text different from the field's runs its change event, which words it anew.
        f5.Text1->setText(bez_razr(o[Field::Sum]));
        f5.editing = o;
        f5.on_change = std::move(on_change);
    } catch (const std::exception& e) {
        report_failure(QStringLiteral("Возникла ошибка в модуле Tavrelis.Form2.edit_payment"), step,
                       e);
        return;
    }
    platform::show_modal(form5());
}

} // namespace tavrelis
