#include "script.h"

#include <QAbstractSpinBox>
#include <QBrush>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTextStream>
#include <QTreeView>
#include <exception>

namespace host {

using script::quote;
using script::Step;
using namespace tavrelis::platform;

namespace {

// A module that keeps re-showing windows after the script ended would never return; past this
// many default answers the session gives up instead of hanging.
constexpr int kMaxDefaults = 1000;

const char kPathProperty[] = "path";

bool has_path(const QWidget* w) {
    const int index = w->metaObject()->indexOfProperty(kPathProperty);
    return index >= 0 && w->metaObject()->property(index).isWritable();
}

QString name_of(const Step& step) {
    return step.window + QLatin1Char('.') + step.control;
}

QString is_not(const Step& step, const char* what) {
    return name_of(step) + QStringLiteral(" is not ") + QLatin1String(what);
}

QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

ScriptSession::ScriptSession() = default;
ScriptSession::~ScriptSession() = default;

bool ScriptSession::load(const QString& file, ScriptSession& out, QString* error) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        const QString line = QStringLiteral("cannot read the script ") + file;
        out.steps_.clear();
        out.exit_code_ = ScriptError;
        out.stop_line_ = line;
        out.stopped_ = true;
        if (error)
            *error = line;
        return false;
    }
    return parse(QString::fromUtf8(f.readAll()), out, error);
}

bool ScriptSession::parse(const QString& text, ScriptSession& out, QString* error) {
    QString reason;
    out.next_ = 0;
    if (!script::parse_steps(text, out.steps_, &reason)) {
        out.exit_code_ = ScriptError;
        out.stop_line_ = reason;
        out.stopped_ = true;
        if (error)
            *error = reason;
        return false;
    }
    return true;
}

void ScriptSession::run(const std::function<void()>& body) {
    if (stopped_)
        return;
    UiScope scope(*this);
    try {
        body();
        if (!stopped_ && next_ < steps_.size()) {
            const Step& step = steps_[next_];
            if (step.kind == Step::Answer)
                stop(ScriptError,
                     QStringLiteral("line %1: answer with no box shown").arg(step.line));
            stop_at(step, QStringLiteral("no window %1 is shown").arg(step.window));
        }
    } catch (const Stop&) {
    }
}

void ScriptSession::stop(int code, const QString& line) {
    exit_code_ = code;
    stop_line_ = line;
    stopped_ = true;
    if (echo_stops_)
        QTextStream(stderr) << line << '\n';
    throw Stop{};
}

void ScriptSession::stop_at(const Step& step, const QString& reason) {
    stop(ScriptError, QStringLiteral("line %1: %2: %3").arg(step.line).arg(step.source, reason));
}

int ScriptSession::message(const QString& text, int flags, const QString& title) {
    if (stopped_)
        throw Stop{};
    int answer = default_answer(flags);
    if (next_ < steps_.size()) {
        const Step& step = steps_[next_];
        if (step.kind != Step::Answer)
            stop(
                ScriptError,
                QStringLiteral("line %1: message box shown when the next step is not an answer: %2")
                    .arg(step.line)
                    .arg(quote(text)));
        ++next_;
        const bool yes_no = (flags & kButtonsMask) == vbYesNo;
        if (yes_no == (step.number == vbOK))
            stop_at(step, QStringLiteral("the box has no %1 button: %2")
                              .arg(answer_name(step.number), quote(text)));
        if (step.has_text)
            expect_equal(step, step.text, text);
        answer = step.number;
    } else if (++defaults_ > kMaxDefaults) {
        stop(ScriptError, QStringLiteral("the session does not end after the script: %1 more "
                                         "boxes and windows were closed by default")
                              .arg(kMaxDefaults));
    }
    transcript_.append(QStringLiteral("msgbox title=%1 icon=%2 buttons=%3 %4 -> %5")
                           .arg(quote(title), icon_name(flags), buttons_name(flags), quote(text),
                                answer_name(answer)));
    return answer;
}

void ScriptSession::grab(QWidget& window) {
    if (grab_folder_.isEmpty())
        return;
    QDir().mkpath(grab_folder_);
    window.grab().save(
        QDir(grab_folder_)
            .filePath(QStringLiteral("%1-%2.png").arg(window.objectName()).arg(++grabs_)));
}

void ScriptSession::show_modal(QDialog& window) {
    if (stopped_)
        throw Stop{};
    const QString name = window.objectName();
    transcript_.append(QStringLiteral("show ") + name);
    QPointer<QDialog> guard(&window);

    // Keeps the stack of shown windows true however the showing ends; a window left by a stop
    // is hidden without running its handlers.
    struct Shown {
        QList<QPointer<QDialog>>& stack;
        QPointer<QDialog> window;
        int uncaught = std::uncaught_exceptions();
        ~Shown() {
            stack.removeLast();
            if (std::uncaught_exceptions() > uncaught && window)
                window->hide();
        }
    };
    shown_.append(guard);
    Shown shown{shown_, guard};

    window.show();
    grab(window);
    while (guard && guard->isVisible()) {
        if (next_ < steps_.size()) {
            const Step& step = steps_[next_++];
            execute(step);
            continue;
        }
        if (++defaults_ > kMaxDefaults)
            stop(ScriptError, QStringLiteral("the session does not end after the script: %1 more "
                                             "boxes and windows were closed by default")
                                  .arg(kMaxDefaults));
        guard->close();
        if (guard && guard->isVisible())
            stop(ScriptError, QStringLiteral("%1 does not close with its close box").arg(name));
    }
    transcript_.append(QStringLiteral("close ") + name);
}

QDialog* ScriptSession::shown_window(const Step& step) {
    if (shown_.isEmpty() || !shown_.last() || shown_.last()->objectName() != step.window)
        stop_at(step, QStringLiteral("no window %1 is shown").arg(step.window));
    return shown_.last();
}

QWidget* ScriptSession::find_control(QDialog& window, const Step& step) {
    const QList<QWidget*> found = window.findChildren<QWidget*>(step.control);
    for (QWidget* w : found)
        if (w->window() == &window)
            return w;
    stop_at(step, QStringLiteral("no control %1 in %2").arg(step.control, step.window));
}

QWidget* ScriptSession::control_to_act_on(const Step& step) {
    QDialog* window = shown_window(step);
    QWidget* w = find_control(*window, step);
    if (!w->isVisibleTo(window))
        stop_at(step, name_of(step) + QStringLiteral(" is hidden"));
    if (!w->isEnabled())
        stop_at(step, name_of(step) + QStringLiteral(" is disabled"));
    return w;
}

QString ScriptSession::control_text(QWidget* w, const Step& step) {
    if (has_path(w))
        return w->property(kPathProperty).toString();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (auto* box = qobject_cast<QCheckBox*>(w))
        return QString::number(box->checkState() == Qt::Checked            ? 1
                               : box->checkState() == Qt::PartiallyChecked ? 2
                                                                           : 0);
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return flag(button->isEnabled());
    if (auto* picker = qobject_cast<QDateTimeEdit*>(w))
        return picker->date().toString(QStringLiteral("dd.MM.yyyy"));
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* edit = qobject_cast<QTextEdit*>(w))
        return edit->toPlainText();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w))
        return edit->toPlainText();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        QStringList chosen;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->isSelected())
                chosen.append(QString::number(i));
        return chosen.join(QLatin1Char(','));
    }
    if (auto* view = qobject_cast<QTreeView*>(w)) {
        const QModelIndex current = view->currentIndex();
        return QString::number(current.isValid() ? current.row() + 1 : 0);
    }
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(w))
        return spin->text();
    stop_at(step, name_of(step) + QStringLiteral(" has no text"));
}

void ScriptSession::expect_equal(const Step& step, const QString& expected, const QString& actual) {
    if (expected != actual)
        stop(Failed, QStringLiteral("line %1: expected %2 but was %3")
                         .arg(step.line)
                         .arg(quote(expected), quote(actual)));
}

void ScriptSession::dump(QWidget* w, const Step& step) {
    if (auto* view = qobject_cast<QTreeView*>(w)) {
        const QAbstractItemModel* m = view->model();
        for (int r = 0; m && r < m->rowCount(); ++r) {
            QStringList columns;
            for (int c = 1; c < m->columnCount(); ++c)
                columns.append(m->index(r, c).data().toString());
            const bool ticked = m->index(r, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
            const QColor colour =
                qvariant_cast<QBrush>(m->index(r, 1).data(Qt::ForegroundRole)).color();
            transcript_.append(
                QStringLiteral("L1 %1 %2 %3 ").arg(r + 1).arg(flag(ticked), colour.name()) +
                columns.join(QLatin1Char('\t')));
        }
        return;
    }
    transcript_.append(name_of(step) + QStringLiteral(" = ") + quote(control_text(w, step)));
    if (auto* combo = qobject_cast<QComboBox*>(w))
        for (int i = 0; i < combo->count(); ++i)
            transcript_.append(QStringLiteral("%1[%2] = %3")
                                   .arg(name_of(step))
                                   .arg(i)
                                   .arg(quote(combo->itemText(i))));
}

void ScriptSession::execute(const Step& step) {
    if (step.kind == Step::Answer)
        stop(ScriptError, QStringLiteral("line %1: answer with no box shown").arg(step.line));

    if (step.kind == Step::Close) {
        shown_window(step)->close();
        return;
    }

    if (!step.acts()) {
        QWidget* w = find_control(*shown_window(step), step);
        if (step.kind == Step::Expect) {
            expect_equal(step, step.text, control_text(w, step));
        } else if (step.kind == Step::Dump) {
            dump(w, step);
        } else {
            auto* view = qobject_cast<QTreeView*>(w);
            if (!view || !view->model())
                stop_at(step, name_of(step) + QStringLiteral(" is not a list view"));
            const QAbstractItemModel* m = view->model();
            if (step.kind == Step::ExpectRows) {
                expect_equal(step, QString::number(step.number), QString::number(m->rowCount()));
            } else if (step.number > m->rowCount()) {
                stop(Failed, QStringLiteral("line %1: expected %2 but there is no row %3 (%4 rows)")
                                 .arg(step.line)
                                 .arg(quote(step.text))
                                 .arg(step.number)
                                 .arg(m->rowCount()));
            } else {
                expect_equal(step, step.text,
                             m->index(step.number - 1, step.column).data().toString());
            }
        }
        return;
    }

    QWidget* w = control_to_act_on(step);

    switch (step.kind) {
    case Step::Click: {
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (!button)
            stop_at(step, is_not(step, "a button"));
        if (QWidget* top = button->window())
            grab(*top);
        button->click();
        return;
    }
    case Step::Select:
    case Step::SelectText: {
        auto* combo = qobject_cast<QComboBox*>(w);
        if (!combo)
            stop_at(step, is_not(step, "a drop-down list"));
        int index = step.number;
        if (step.kind == Step::SelectText) {
            index = -1;
            for (int i = 0; i < combo->count() && index < 0; ++i)
                if (combo->itemText(i) == step.text)
                    index = i;
            if (index < 0)
                stop_at(step,
                        QStringLiteral("no entry %1 in %2").arg(quote(step.text), name_of(step)));
        } else if (index >= combo->count()) {
            stop_at(step, QStringLiteral("no entry %1 in %2 (%3 entries)")
                              .arg(index)
                              .arg(name_of(step))
                              .arg(combo->count()));
        }
        const QString text = index >= 0 ? combo->itemText(index) : QString();
        QPointer<QComboBox> alive(combo);
        combo->setCurrentIndex(index);
        if (alive && index >= 0) {
            emit combo->activated(index);
            if (alive)
                emit combo->textActivated(text);
        }
        return;
    }
    case Step::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            if (edit->isReadOnly())
                stop_at(step, name_of(step) + QStringLiteral(" is read-only"));
            edit->selectAll();
            edit->insert(step.text);
        } else if (auto* edit = qobject_cast<QTextEdit*>(w)) {
            if (edit->isReadOnly())
                stop_at(step, name_of(step) + QStringLiteral(" is read-only"));
            edit->setPlainText(step.text);
        } else if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
            if (edit->isReadOnly())
                stop_at(step, name_of(step) + QStringLiteral(" is read-only"));
            edit->setPlainText(step.text);
        } else {
            stop_at(step, is_not(step, "a text box"));
        }
        return;
    case Step::Date: {
        auto* picker = qobject_cast<QDateTimeEdit*>(w);
        if (!picker)
            stop_at(step, is_not(step, "a date picker"));
        if (step.date < picker->minimumDate() || step.date > picker->maximumDate())
            stop_at(step, QStringLiteral("the date is outside the range of ") + name_of(step));
        picker->setDate(step.date);
        return;
    }
    case Step::Check:
    case Step::Uncheck: {
        auto* box = qobject_cast<QCheckBox*>(w);
        if (!box)
            stop_at(step, is_not(step, "a check box"));
        const Qt::CheckState wanted = step.kind == Step::Check ? Qt::Checked : Qt::Unchecked;
        QPointer<QCheckBox> alive(box);
        // A tristate box may need two clicks; a handler that refuses the change stops it.
        for (int i = 0; i < 2 && alive && alive->checkState() != wanted && alive->isEnabled(); ++i)
            alive->click();
        return;
    }
    case Step::Choose:
    case Step::Unchoose: {
        auto* list = qobject_cast<QListWidget*>(w);
        if (!list)
            stop_at(step, is_not(step, "a multi-choice list"));
        if (step.number >= list->count())
            stop_at(step, QStringLiteral("no entry %1 in %2 (%3 entries)")
                              .arg(step.number)
                              .arg(name_of(step))
                              .arg(list->count()));
        QListWidgetItem* item = list->item(step.number);
        list->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        item->setSelected(step.kind == Step::Choose);
        return;
    }
    case Step::Tick:
    case Step::Untick:
    case Step::Pick:
    case Step::DblClick: {
        auto* view = qobject_cast<QTreeView*>(w);
        if (!view || !view->model())
            stop_at(step, is_not(step, "a list view"));
        QAbstractItemModel* m = view->model();
        if (step.kind == Step::DblClick) {
            if (!view->currentIndex().isValid())
                stop_at(step, QStringLiteral("no row is selected in ") + name_of(step));
            emit view->doubleClicked(view->currentIndex().siblingAtColumn(0));
            return;
        }
        if (step.number > m->rowCount())
            stop_at(step, QStringLiteral("no row %1 in %2 (%3 rows)")
                              .arg(step.number)
                              .arg(name_of(step))
                              .arg(m->rowCount()));
        const QModelIndex item = m->index(step.number - 1, 0);
        if (view->isRowHidden(item.row(), QModelIndex()))
            stop_at(step,
                    QStringLiteral("row %1 of %2 is hidden").arg(step.number).arg(name_of(step)));
        if (step.kind == Step::Pick) {
            view->setCurrentIndex(item);
            emit view->clicked(view->currentIndex().siblingAtColumn(0));
            return;
        }
        const Qt::ItemFlags needed = Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
        if ((m->flags(item) & needed) != needed)
            stop_at(step, QStringLiteral("row %1 of %2 cannot be ticked")
                              .arg(step.number)
                              .arg(name_of(step)));
        m->setData(item, step.kind == Step::Tick ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
        return;
    }
    case Step::Path: {
        if (!has_path(w))
            stop_at(step, is_not(step, "a folder chooser"));
        const QFileInfo folder(step.text);
        if (!folder.isDir())
            stop_at(step, QStringLiteral("no folder ") + quote(step.text));
        w->setProperty(kPathProperty, QDir::cleanPath(folder.absoluteFilePath()));
        return;
    }
    default:
        return;
    }
}

bool ScriptSession::write_transcript(const QString& path) const {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray bytes;
    for (const QString& line : transcript_)
        bytes += line.toUtf8() + '\n';
    return f.write(bytes) == bytes.size() && f.flush();
}

} // namespace host
