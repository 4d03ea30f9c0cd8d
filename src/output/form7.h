#pragma once

#include "common/window.h"

#include <QList>
#include <QString>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tavrelis {

// A problem of one order as the check window lists it.
struct ListedProblem {
    QString number; // the order's number as the list shows it ("3", "N15")
    QString field;
    QString problem;
};

// "Проверка реквизитов": what the checks found in the orders about to go to the bank, and
// the choice to send them all the same. The close box answers as "Отмена".
class Form7 : public ModuleWindow {
    Q_OBJECT
public:
    Form7();
    ~Form7() override;

    QLabel* Label1;
    QTreeWidget* L1;       // one row a problem: number, field, problem
    QPushButton* Command1; // Выгрузить
    QPushButton* Command2; // Отмена

    // Lists the problems and shows the window modally; true when the user chose «Выгрузить».
    bool confirm(const QList<ListedProblem>& problems);

    void Command1_Click();
    void Command2_Click();

protected:
    void reset_controls() override;

private:
    bool upload_ = false;
};

Form7& form7();

} // namespace tavrelis
