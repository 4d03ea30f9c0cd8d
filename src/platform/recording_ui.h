#pragma once

#include "platform/ui.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>

namespace tavrelis::platform {

// A Ui that answers from queues and records what was shown; used by tests.
class RecordingUi : public Ui {
public:
    struct Box {
        QString title;
        QString icon;    // none, critical, question, exclamation, information
        QString buttons; // OK, YesNo
        QString text;
        QString answer; // OK, Yes, No
    };

    // Answers for the next boxes (vbOK, vbYes, vbNo); the default button when empty.
    std::deque<int> answers;
    // Acts on each window shown, in turn; a window still open afterwards gets its close box.
    std::deque<std::function<void(QDialog&)>> on_show;

    QList<Box> boxes;
    // "show Form1", "close Form1", "msgbox <text>", "cursor busy", "cursor normal"
    QStringList events;

    int message(const QString& text, int flags, const QString& title) override;
    void show_modal(QDialog& window) override;
    void wait_cursor(bool on) override;

    QStringList texts() const; // the texts of every box, in order
};

} // namespace tavrelis::platform
