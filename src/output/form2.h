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

    // Window-level state.
    bool suc = false;
    qint32 ops_count = 0;
    qint32 cards_count = 0;
    qint32 current_row = 0; // 1-based row of L1 the output works on
    // The order a print run issues for current_row when it stands for several rows (a single
    // tax payment): its rows, current_row first, and its texts with the total amount.
    QList<int> output_rows;
    Order output_order;
    QList<qint32> cards;
    // What the current run has put out, for the status line.
    struct RunOutput {
        int sheets = 0;
        QStringList pdfs;     // the PDF files sheets became
        QStringList printers; // the printers sheets went to
        QStringList files;    // the export files written
    };
    RunOutput run_output;
    void set_status(const QString& text);

    OrderList& orders() const;
    int row_count() const;
    // The field of the 1-based row r; a row that is not there raises an error ("Index out
    // of bounds").
    QString cell(int r, Field f) const;
    void set_cell(int r, Field f, const QString& text);
    bool ticked(int r) const;
    // The order the output works on: output_order when it is current_row's, else that row's.
    Order issued_order() const;
    // The rows it stands for: output_rows when they are current_row's, else that row alone.
    QList<int> issued_rows() const;
    // The 1-based row of the list's current row, 0 when none.
    int current_list_row() const;

    // Rebuilds L1 from payments, keeping the rows' order. A failure is reported in the
    // module's error box and leaves the list as far as the rebuild got; it never escapes.
    void refresh_list();
    bool card_counted(qint32 card_id) const;

    // The forming's defaults: an export run of the new orders.
    void prepare_export_run() override;

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
