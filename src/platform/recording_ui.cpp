#include "platform/recording_ui.h"

#include <QDialog>

namespace tavrelis::platform {

int RecordingUi::message(const QString& text, int flags, const QString& title) {
    int answer = default_answer(flags);
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    boxes.append({title, icon_name(flags), buttons_name(flags), text, answer_name(answer)});
    events.append(QStringLiteral("msgbox ") + text);
    return answer;
}

void RecordingUi::show_modal(QDialog& window) {
    events.append(QStringLiteral("show ") + window.objectName());
    window.show();
    if (!on_show.empty()) {
        auto action = std::move(on_show.front());
        on_show.pop_front();
        action(window);
    }
    if (window.isVisible())
        window.close();
    events.append(QStringLiteral("close ") + window.objectName());
}

void RecordingUi::wait_cursor(bool on) {
    events.append(on ? QStringLiteral("cursor busy") : QStringLiteral("cursor normal"));
}

QStringList RecordingUi::texts() const {
    QStringList out;
    for (const Box& b : boxes)
        out.append(b.text);
    return out;
}

} // namespace tavrelis::platform
