#pragma once

#include "common/order.h"
#include "common/order_list.h"
#include "common/window.h"

#include <QList>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTreeView;

namespace tavrelis {

// "Сформированные платежные поручения": the formed-orders window.
class Form2 : public ModuleWindow, public OrdersWindow {
    Q_OBJECT
public:
    Form2();
    ~Form2() override;

    // The list: a view of the session's formed orders (formed_orders()), 30 columns;
    // column 0 holds the check box, 1..28 the row's texts, 29 the order's oper_id (never seen).
    QTreeView* L1;
    QGroupBox* Frame2;      // Отметить
    QPushButton* Command5;  // Все
    QPushButton* Command6;  // Ни одного
    QPushButton* Command9;  // Правка
    QGroupBox* Frame1;      // Действия
    QCheckBox* Check3;      // Выгрузить в XML
    QPushButton* Command3;  // Путь выгрузки
    QCheckBox* Check4;      // Напечатать
    QCheckBox* Check1;      // С предпросмотром
    QCheckBox* Check2;      // Провести уплаты в карточку
    QCheckBox* Check5;      // spreadsheet instead of XML (hidden)
    QPushButton* Command10; // Выполнить
    QPushButton* Command11; // Выгрузить в банк-клиент
    QPushButton* Command1;  // << Назад
    QPushButton* Command8;  // Выход
    QLabel* Label1;         // the status line: what the last run did, and where
    QLabel* Label2;         // the ticked orders and their sum
    QLabel* Label3;         // what the highlight colour and the N mark mean

    void set_status(const QString& text);

    OrderList& orders() const;
    int row_count() const;
    // The field of the 1-based row r; a row that is not there raises an error ("Index out
    // of bounds").
    QString cell(int r, Field f) const;
    void set_cell(int r, Field f, const QString& text);
    bool ticked(int r) const;
    // The 1-based row of the list's current row, 0 when none.
    int current_list_row() const;

    // Rebuilds L1 from payments, keeping the rows' order. A failure is reported in the
    // module's error box and leaves the list as far as the rebuild got; it never escapes.
    void refresh_list();

    // The forming's defaults: an export run of the new orders.
    void prepare_export_run() override;

    // "Правка" and the list's double click: the selected order in the editor.
    void edit_selected();

    // Behaviours of the controls; the check boxes' run whenever their state changes, by the
    // user or by code, so the forming's defaults keep the dependent controls in step.
    void Check3_Click();
    void Check4_Click();
    void Command1_Click();
    void Command3_Click();
    void Command5_Click();
    void Command6_Click();
    void Command8_Click();

protected:
    // The settings are written; the window-level values stay.
    void on_unload() override;
    void reset_controls() override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void build();
    void show_ticked();
};

Form2& form2();

} // namespace tavrelis
