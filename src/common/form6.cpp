#include "common/form6.h"

#include "common/form4.h"
#include "common/session.h"
#include "common/shared.h"
#include "common/window.h"
#include "platform/ui.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrelis {

Form6::Form6() {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Вопрос"));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText); // file paths may hold "<"
    Label1->setMinimumWidth(360);

    auto make = [this](const char* name, const QString& caption, quint8 answer) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, [this, answer] {
            shared().otvet = answer;
            done(answer);
        });
        return b;
    };
    Command1 = make("Command1", QStringLiteral("Да"), 1);
    Command2 = make("Command2", QStringLiteral("Да для всех"), 2);
    Command3 = make("Command3", QStringLiteral("Нет"), 3);
    Command4 = make("Command4", QStringLiteral("Нет для всех"), 4);
    Command5 = make("Command5", QStringLiteral("Отмена"), 5);

    auto* row = new QHBoxLayout;
    for (QPushButton* b : buttons())
        row->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(row);
}

Form6::~Form6() = default;

Form6& form6() {
    return Session::current().get<Form6>();
}

namespace {
const bool registered = register_window("Form6");
} // namespace

quint8 ask(const QString& caption, const QString& text, std::array<bool, 5> enabled) {
    Form6& f = form6();
    f.setWindowTitle(caption);
    f.Label1->setText(text);
    const auto buttons = f.buttons();
    for (size_t i = 0; i < buttons.size(); ++i)
        buttons[i]->setEnabled(enabled[i]);
    platform::show_modal(f);
    return shared().otvet;
}

} // namespace tavrelis
