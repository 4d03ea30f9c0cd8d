#pragma once

#include <QDialog>
#include <QList>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tavrelis {

// "Сформированные платежные поручения": the formed-orders window.
class Form2 : public QDialog {
    Q_OBJECT
public:
    Form2();
    ~Form2() override;

    // The list: 30 columns; column 0 holds the check box, 1..28 the row's texts,
    // 29 the order's oper_id (never seen).
    QTreeWidget* L1;
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
    QPushButton* Command1;  // << Назад
    QPushButton* Command8;  // Выход

    // Window-level state.
    bool suc = false;
    qint32 ops_count = 0;
    qint32 cards_count = 0;
    qint32 current_row = 0; // 1-based row of L1 the output works on
    QList<qint32> cards;

    // Adds a row as the forming does: empty texts, black, unticked; column 29 left empty.
    QTreeWidgetItem* add_row();
    // Text of column col of the 1-based row r; a row or column that is not there raises an
    // error ("Index out of bounds").
    QString cell(int r, int col) const;

    // Rebuilds L1 from payments, keeping the rows' order. A failure is reported in the
    // module's error box and leaves the list as far as the rebuild got; it never escapes.
    void refresh_list();
    bool card_counted(qint32 card_id) const;

    // Closes the window: the settings are written, the list and options go back to their
    // design state; the window-level values stay.
    void unload();

    // Behaviours of the controls; the check boxes' run whenever their state changes, by the
    // user or by code, so the forming's defaults keep the dependent controls in step.
    void Check3_Click();
    void Check4_Click();
    void Command1_Click();
    void Command3_Click();
    void Command5_Click();
    void Command6_Click();
    void Command8_Click();

public slots:
    // Escape goes the way of the close box.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build();
    void reset_controls();
    void set_all_ticks(bool ticked);
    bool unloading_ = false;
};

Form2& form2();

} // namespace tavrelis
