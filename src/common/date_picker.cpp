#include "common/date_picker.h"

#include "platform/objects.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QTextCharFormat>

namespace tavrelis {

namespace {

bool all_digits(const QString& s) {
    for (const QChar c : s)
        if (!c.isDigit())
            return false;
    return !s.isEmpty();
}

bool is_separator(QChar c) {
    return c == u'.' || c == u',' || c == u'/' || c == u'-';
}

} // namespace

QDate parse_typed_date(const QString& text, const QDate& base) {
    QString t = text.trimmed();
    for (QChar& c : t)
        if (is_separator(c))
            c = u'.';
    QStringList parts;
    if (t.contains(u'.')) {
        parts = t.split(u'.');
        if (parts.size() > 1 && parts.last().isEmpty())
            parts.removeLast(); // "28.01." as typed before the year
        if (parts.size() > 3)
            return {};
        for (int i = 0; i < parts.size(); ++i)
            if (!all_digits(parts[i]) || parts[i].size() > (i == 2 ? 4 : 2))
                return {};
    } else {
        if (!all_digits(t))
            return {};
        switch (t.size()) {
        case 1:
        case 2:
            parts = {t};
            break;
        case 4:
            parts = {t.left(2), t.mid(2)};
            break;
        case 6:
        case 8:
            parts = {t.left(2), t.mid(2, 2), t.mid(4)};
            break;
        default:
            return {};
        }
    }
    const int day = parts[0].toInt();
    const int month = parts.size() > 1 ? parts[1].toInt() : base.month();
    int year = base.year();
    if (parts.size() > 2) {
        if (parts[2].size() == 2)
            year = 2000 + parts[2].toInt();
        else if (parts[2].size() == 4)
            year = parts[2].toInt();
        else
            return {};
    }
    return QDate(year, month, day);
}

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    setMinimumDate(QDate(1900, 1, 1));
    // The calendar's month and day names in Russian, as the module's dates are.
    setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    committed_ = date();
    connect(this, &QDateEdit::dateChanged, this, [this] {
        if (!in_code_ && !preparing_ && !calendarWidget()->window()->isVisible())
            commit();
    });
    QCalendarWidget* cal = calendarWidget();
    cal->window()->installEventFilter(this);
    connect(cal, &QCalendarWidget::currentPageChanged, this, &DatePicker::mark_days_off);
}

void DatePicker::set_value(const QDate& d) {
    typing_ = false;
    in_code_ = true;
    setDate(d);
    in_code_ = false;
    committed_ = date();
}

void DatePicker::commit() {
    if (typing_)
        take_typed();
    const QDate d = date();
    if (d == committed_)
        return;
    committed_ = d;
    emit picked(d);
}

void DatePicker::open_calendar() {
    if (typing_)
        take_typed();
    QStyleOptionComboBox opt;
    opt.initFrom(this);
    opt.editable = true;
    opt.subControls = QStyle::SC_All;
    const QRect arrow =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, this);
    const QPoint at = arrow.isValid() ? arrow.center() : QPoint(width() - 4, height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QDateEdit::mousePressEvent(&press);
}

void DatePicker::show_typed() {
    const QSignalBlocker quiet(lineEdit()); // the section logic must not see a half date
    lineEdit()->setText(typed_);
    lineEdit()->setCursorPosition(int(typed_.size()));
}

void DatePicker::take_typed() {
    typing_ = false;
    const QDate d = parse_typed_date(typed_, date());
    if (d.isValid() && d >= minimumDate() && d <= maximumDate()) {
        preparing_ = true;
        setDate(d);
        preparing_ = false;
    }
    const QSignalBlocker quiet(lineEdit());
    lineEdit()->setText(textFromDateTime(dateTime()));
}

void DatePicker::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if ((e->key() == Qt::Key_F4 && mods == Qt::NoModifier) ||
        (e->key() == Qt::Key_Down && mods == Qt::AltModifier)) {
        open_calendar();
        e->accept();
        return;
    }
    const QString t = e->text();
    if ((mods & ~Qt::ShiftModifier) == Qt::NoModifier && t.size() == 1 &&
        (t[0].isDigit() || is_separator(t[0]))) {
        if (!typing_) {
            typing_ = true;
            typed_.clear();
        }
        if (typed_.size() < 10)
            typed_ += t[0].isDigit() ? t[0] : QChar(u'.');
        show_typed();
        e->accept();
        return;
    }
    if (typing_) {
        switch (e->key()) {
        case Qt::Key_Backspace:
            typed_.chop(1);
            show_typed();
            e->accept();
            return;
        case Qt::Key_Escape: {
            typing_ = false;
            const QSignalBlocker quiet(lineEdit());
            lineEdit()->setText(textFromDateTime(dateTime()));
            e->accept();
            return;
        }
        default:
            take_typed();
        }
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        commit();
        e->accept();
        return;
    }
    preparing_ = true;
    QDateEdit::keyPressEvent(e);
    preparing_ = false;
}

void DatePicker::wheelEvent(QWheelEvent* e) {
    if (typing_)
        take_typed();
    preparing_ = true;
    QDateEdit::wheelEvent(e);
    preparing_ = false;
}

void DatePicker::focusOutEvent(QFocusEvent* e) {
    if (e->reason() == Qt::PopupFocusReason) {
        QDateEdit::focusOutEvent(e);
        return;
    }
    if (typing_)
        take_typed();
    preparing_ = true;
    QDateEdit::focusOutEvent(e);
    preparing_ = false;
    commit();
}

void DatePicker::mousePressEvent(QMouseEvent* e) {
    if (typing_)
        take_typed();
    QDateEdit::mousePressEvent(e);
}

bool DatePicker::focusNextPrevChild(bool next) {
    return QWidget::focusNextPrevChild(next);
}

// The calendar commits its date once it has closed, so that the question about a day off
// comes after the calendar is gone and only once.
bool DatePicker::eventFilter(QObject* watched, QEvent* e) {
    if (watched == calendarWidget()->window()) {
        if (e->type() == QEvent::Show)
            mark_days_off(calendarWidget()->yearShown(), calendarWidget()->monthShown());
        else if (e->type() == QEvent::Hide)
            QMetaObject::invokeMethod(this, &DatePicker::commit, Qt::QueuedConnection);
    }
    return QDateEdit::eventFilter(watched, e);
}

void DatePicker::mark_days_off(int year, int month) {
    auto calendar = platform::factory().create_calendar();
    if (!calendar)
        return;
    QTextCharFormat off;
    off.setForeground(Qt::red);
    const QDate first(year, month, 1);
    // The page shows some days of the months around it.
    for (QDate d = first.addDays(-7); d < first.addMonths(1).addDays(14); d = d.addDays(1))
        calendarWidget()->setDateTextFormat(d, calendar->working_day(d) == d ? QTextCharFormat()
                                                                             : off);
}

} // namespace tavrelis
