#pragma once

#include "common/window.h"

#include <QRect>

class QPushButton;
class QTextBrowser;

namespace tavrelis {

// "Подготовка к печати": the preview of one sheet and the question whether to print it.
// Each button sets the answer in the formation window's pechatat and cancel_print and
// unloads the window; the close box answers as "Не печатать лист".
class Form3 : public ModuleWindow {
    Q_OBJECT
public:
    Form3();
    ~Form3() override;

    QTextBrowser* WebBrowser1; // the sheet as the word processor renders it
    QPushButton* Command1;     // Печатать лист
    QPushButton* Command2;     // Не печатать лист
    QPushButton* Command3;     // Отменить всю печать (also Escape)

    // Loads a local HTML file into the view.
    void navigate(const QString& file);
    // Unloading hides the window and empties the view; the answer stays in form1().

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    // Escape: «Отменить всю печать».
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void reset_controls() override;

private:
    QRect placed_; // where the user left the window (frame position, size), for the next sheet
};

Form3& form3();

} // namespace tavrelis
