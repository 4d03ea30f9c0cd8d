#include "common/date_picker.h"

namespace tavrelis {

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    setMinimumDate(QDate(1900, 1, 1));
    connect(this, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        if (!in_code_)
            emit picked(d);
    });
}

void DatePicker::set_value(const QDate& d) {
    in_code_ = true;
    setDate(d);
    in_code_ = false;
}

} // namespace tavrelis
