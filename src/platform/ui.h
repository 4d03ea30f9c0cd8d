#pragma once

#include <QString>
#include <functional>

class QDialog;

namespace tavrelis::platform {

// Flags of a message box, with the values of the original's vocabulary.
enum MsgFlags : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,
};

enum MsgAnswer : int { vbOK = 1, vbYes = 6, vbNo = 7 };

inline constexpr int kButtonsMask = 0x0f;
inline constexpr int kIconMask = 0xf0;

// Every message box and every modal showing of a window goes through this seam.
class Ui {
public:
    virtual ~Ui() = default;
    // Shows a box; returns vbOK, vbYes or vbNo. An empty title means the box has none of its own.
    virtual int message(const QString& text, int flags, const QString& title) = 0;
    // Shows the window modally; returns when it is hidden again.
    virtual void show_modal(QDialog& window) = 0;
    // The busy cursor over every window while the module waits (on), and the cursor as it
    // was again (off). Calls come in pairs.
    virtual void wait_cursor(bool on);
};

// The answer a box gives when nobody presses anything but its default button.
int default_answer(int flags);
QString icon_name(int flags);    // none, critical, question, exclamation, information
QString buttons_name(int flags); // OK, YesNo
QString answer_name(int answer); // OK, Yes, No

// The seam in force; QMessageBox and exec() unless a host or test put another in place.
Ui& ui();
void set_ui(Ui* ui); // nullptr restores the widget implementation

int msgbox(const QString& text, int flags = vbOKOnly, const QString& title = QString());
void show_modal(QDialog& window);
void wait_cursor(bool on);

// Qt's own texts (context menus, standard buttons, its dialogs) in Russian, from Qt's
// translations, whatever the machine's locale; once per process. False when they are missing.
bool use_russian_qt_texts();

// Puts a Ui in place for a scope.
class UiScope {
public:
    explicit UiScope(Ui& ui);
    ~UiScope();
    UiScope(const UiScope&) = delete;
    UiScope& operator=(const UiScope&) = delete;

private:
    Ui* previous_;
};

} // namespace tavrelis::platform
