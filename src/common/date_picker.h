#pragma once

#include <QDateEdit>

namespace tavrelis {

// The date picker of the windows. A date the module's own code sets goes through
// set_value and is not taken for the user's pick; every other change is, and emits picked.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);
    void set_value(const QDate& d);

signals:
    void picked(const QDate& d);

private:
    bool in_code_ = false;
};

} // namespace tavrelis
