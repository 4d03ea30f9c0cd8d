#pragma once

#include <QDateEdit>

namespace tavrelis {

// A date as people type it: "28.01.2027", "28012027", "28.01.27", "280127"; also "28.1.27",
// and "28" or "28.01", which take the month and year they lack from `base`. Two-digit years
// are of this century. An invalid date for a text of any other shape or a day that is not.
QDate parse_typed_date(const QString& text, const QDate& base);

// The date picker of the windows. The user's date counts once it is committed: picked in the
// calendar, or confirmed with Enter or by leaving the field; picked is then emitted once for
// that date. Typing, the arrows and the wheel only prepare a date. Typing starts a new date
// wherever the cursor stands. A date the module's own code sets goes through set_value and is
// not taken for the user's; any other date set from outside counts as picked at once.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);
    void set_value(const QDate& d);
    // Opens the calendar, as F4 and Alt+Down do.
    void open_calendar();
    bool typing() const { return typing_; }

public slots:
    void commit();

signals:
    void picked(const QDate& d);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    // Tab leaves the field: a date is typed whole, not section by section.
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void show_typed();
    // Ends typing: the typed date, when it is one, becomes the value; else the old one stays.
    void take_typed();
    void mark_days_off(int year, int month);

    bool in_code_ = false;
    bool preparing_ = false; // a change by the keys or the wheel, not yet committed
    bool typing_ = false;
    QString typed_;
    QDate committed_;
};

} // namespace tavrelis
