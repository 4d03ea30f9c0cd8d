#pragma once

#include <QDialog>
#include <QString>
#include <exception>

class QCloseEvent;
class QKeyEvent;
class QPushButton;

namespace tavrelis {

// The title of every box that carries one.
extern const QString kTitle;

// A push button named by its design name; Enter never presses it unasked.
QPushButton* make_button(QWidget* parent, const char* name, const QString& text);

// Enter on the enabled button that has the focus in window presses it, as in every window of
// the module; true when it did, and the key is then taken.
bool press_focused_button(QWidget& window, QKeyEvent* e);

// The failure box of a procedure with a handler: its fixed prefix, which ends where the
// step begins ("Возникла ошибка в модуле Tavrelis.Form1.sluj1"), then "(" step "): " and the
// error's description; OK only, no icon, no title.
void report_failure(const QString& prefix, int step, const std::exception& e);

// What the module's windows share: unloading hides the window, runs its unload handler and
// puts its controls back to their design state; the close box and Escape unload it.
class ModuleWindow : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    void unload();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;
    // Enter presses the button that has the focus; elsewhere it does what the dialog does.
    void keyPressEvent(QKeyEvent* e) override;
    // Runs while the window is hidden, before its controls go back (the settings write).
    virtual void on_unload() {}
    virtual void reset_controls() = 0;

private:
    bool unloading_ = false;
};

// Registers a window's design name, so that a scripted session naming a window the module
// does not have is refused when it is read.
bool register_window(const char* name);
// Whether a module window has the design name.
bool is_window_name(const QString& name);

} // namespace tavrelis
