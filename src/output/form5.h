#pragma once

#include "common/order.h"
#include "common/window.h"

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tavrelis {

// "Задать параметры платежного поручения вручную": the amount of one formed order, typed by
// hand over an imitation of the top of bank form 0401060. edit_payment gives it the order and
// what to do with the changed one.
class Form5 : public ModuleWindow {
    Q_OBJECT
public:
    Form5();
    ~Form5() override;

    // The white box of the imitation; the labels and Text1 are placed inside it.
    QWidget* Picture2;
    QLabel *Label1, *Label2; // underlines
    QLabel* Label3;          // Поступ. в банк плат.
    QLabel* Label4;          // Списано со сч. плат.
    QLabel* Label5;          // the title with the order's number
    QLabel *Label6, *Label7; // underlines
    QLabel* Label8;          // Дата
    QLabel* Label9;          // Вид платежа
    QLabel* Label10;         // the order's date
    QLabel* Label11;         // ЭЛЕКТРОННО
    QLabel* Label12;         // 0401060
    QLabel* Label13;         // the amount in words; empty marks an invalid amount
    QLabel* Label14;         // Сумма прописью
    QLabel* Label15;         // 01
    QLabel* Label16;         // Сумма
    QLabel* Label18;         // the receiver's INN
    QLabel* Label19;         // the receiver's KPP
    QLineEdit* Text1;        // the amount, the one field the user types in
    QPushButton* Command1;   // Сохранить
    QPushButton* Command2;   // Отмена

    // The order being edited, and where "Сохранить" puts the changed order before storing it
    // (the list shows what was saved even when storing it fails).
    std::optional<Order> editing;
    std::function<void(const Order&)> on_change;

    // Behaviours of the controls. Text1_Change runs on every change of the text, typed or set.
    void Text1_Change();
    void Command1_Click();
    void Command2_Click();

    // The close box unloads the window, so the next opening starts again from the design
    // values. "Сохранить" and "Отмена" only hide it.

protected:
    void reset_controls() override;
    // However it was opened, the amount has the focus, all selected: a digit replaces it.
    void showEvent(QShowEvent* e) override;

private:
    void build();
};

Form5& form5();

} // namespace tavrelis
