#pragma once

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;

namespace tavrelis {

// "Вопрос": the question window with five answers. It has no logic of its own: the caller
// sets the caption, the text and which buttons may be pressed, shows it modally and reads
// the answer from shared().otvet. A button stores its answer (1..5) and closes the window;
// the close box and Escape leave otvet as it was.
class Form6 : public QDialog {
    Q_OBJECT
public:
    Form6();
    ~Form6() override;

    QLabel* Label1;
    QPushButton* Command1; // "Да", 1
    QPushButton* Command2; // "Да для всех", 2
    QPushButton* Command3; // "Нет", 3
    QPushButton* Command4; // "Нет для всех", 4
    QPushButton* Command5; // "Отмена", 5

    std::array<QPushButton*, 5> buttons() const {
        return {Command1, Command2, Command3, Command4, Command5};
    }
};

Form6& form6();

// Sets the caption, the text and the enabled buttons (Command1..Command5 in order), shows
// the window modally and returns shared().otvet.
quint8 ask(const QString& caption, const QString& text, std::array<bool, 5> enabled);

} // namespace tavrelis
