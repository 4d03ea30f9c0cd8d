#pragma once

#include "platform/ui.h"
#include "script_steps.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QDialog;
class QWidget;

namespace host {

// Drives the module's windows from a session script, with no display and nobody at the keys.
//
// The module shows a window or a box through the platform seam; the seam consumes the next
// steps of the script while that window is shown (a step may open a nested window or a box,
// which consume the steps after it). When the steps run out, every box gets its default
// button and every window its close box until the body returns.
//
// How the script reaches the controls (objectName = design name):
//  - drop-down: QComboBox; `select` sets currentIndex (currentIndexChanged fires when the
//    position changes) and then emits activated/textActivated, as a user's pick does.
//  - text box: QLineEdit (its whole text is selected and replaced with insert(), so the
//    validator, maxLength, textEdited and textChanged behave as for typing), QTextEdit or
//    QPlainTextEdit (setPlainText).
//  - date picker: QDateTimeEdit; `date` sets the date (dateChanged fires when it changes);
//    a date outside the picker's range is refused, as the calendar would.
//  - check box: QCheckBox; `check`/`uncheck` click it only when its state differs.
//  - `List1`: QListWidget; `choose`/`unchoose` make the entry current (no selection change)
//    and then set its selection.
//  - `L1`: a list view (QTreeView over a model; Form2's of 30 columns with the check box in
//    column 0, Form7's of three: number, field, problem); `tick`
//    sets the check state of column 0 through the model; `pick` makes the row current and
//    emits clicked; `dblclick` emits doubleClicked for column 0 of the current row.
//  - folder chooser `Dir1`: any widget with a readable and writable Q_PROPERTY `path`
//    (QString); `path` writes the absolute folder into it, and its setter must behave as the
//    user's navigation. `expect` reads it back.
//  - button: QAbstractButton, click(). Window close box: QWidget::close().
//  - expect texts: drop-down currentText; check box 0/1 (2 when partly ticked); button
//    enabled 1/0; date picker dd.mm.yyyy; List1 chosen positions joined by ","; L1 the current
//    row (1-based, 0 when none); line/text edits and labels their text; Dir1 its path.
//
// A stop (script error, failed expectation) is thrown as an exception that deliberately does
// not derive from std::exception: it passes through the module's `catch (const
// std::exception&)` handlers up to run(). Module code must therefore never use `catch (...)`
// around code that may show a window or a box. Should a stop be swallowed anyway, the next
// box or window throws it again.
class ScriptSession : public tavrelis::platform::Ui {
public:
    enum ExitCode { Ok = 0, Failed = 1, ScriptError = 2 };

    ScriptSession();
    ~ScriptSession() override;
    ScriptSession(const ScriptSession&) = delete;
    ScriptSession& operator=(const ScriptSession&) = delete;

    // Reads a UTF-8 script file / parses a script text. On failure: false, `error` (and
    // stop_line()) hold "line <n>: ..." and exit_code() is 2; run() then does nothing.
    static bool load(const QString& file, ScriptSession& out, QString* error);
    static bool parse(const QString& text, ScriptSession& out, QString* error);

    // Runs the body (the module's entry) with this session as the seam; returns when the
    // body returns or the session stops. Other exceptions pass through.
    void run(const std::function<void()>& body);

    int message(const QString& text, int flags, const QString& title) override;
    void show_modal(QDialog& window) override;

    int exit_code() const { return exit_code_; } // ExitCode
    QString stop_line() const { return stop_line_; }
    QStringList transcript() const { return transcript_; }
    bool write_transcript(const QString& path) const; // UTF-8, one event a line
    // Adds an event that is neither a box nor a window, such as a folder the module opens.
    void note(const QString& line) { transcript_.append(line); }

    // Whether a stop is also written to stderr; on by default.
    void set_echo_stops(bool on) { echo_stops_ = on; }

    // When set, every window is also saved as <folder>/<W>-<n>.png when it is shown and
    // again before each of its button clicks, for screenshots of a session.
    void set_grab_folder(const QString& folder) { grab_folder_ = folder; }

private:
    struct Stop {};

    [[noreturn]] void stop(int code, const QString& line);
    [[noreturn]] void stop_at(const script::Step& step, const QString& reason);
    void execute(const script::Step& step);
    QDialog* shown_window(const script::Step& step);
    QWidget* find_control(QDialog& window, const script::Step& step);
    QWidget* control_to_act_on(const script::Step& step);
    QString control_text(QWidget* w, const script::Step& step);
    void expect_equal(const script::Step& step, const QString& expected, const QString& actual);
    void dump(QWidget* w, const script::Step& step);

    std::vector<script::Step> steps_;
    std::size_t next_ = 0;
    QList<QPointer<QDialog>> shown_; // innermost last
    QStringList transcript_;
    QString stop_line_;
    int exit_code_ = Ok;
    bool stopped_ = false;
    bool echo_stops_ = true;
    QString grab_folder_;
    int grabs_ = 0;
    void grab(QWidget& window);
    int defaults_ = 0; // boxes and windows closed by default after the steps ran out
};

} // namespace host
