#pragma once

#include "common/window.h"
#include "data/connection.h"

#include <QDialog>
#include <QHash>
#include <QStringList>
#include <QVariantList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QLabel;
class QGroupBox;

namespace tavrelis {

class DatePicker;

// "Формирование платежных поручений": the formation window.
class Form1 : public ModuleWindow {
    Q_OBJECT
public:
    Form1();
    ~Form1() override;

    // Controls, by their design names.
    QGroupBox* Frame1;
    QListWidget* List1;
    QComboBox* Combo1;     // КБК
    QComboBox* Combo2;     // Наименование налога
    QComboBox* Combo3;     // Период
    QComboBox* Combo4;     // Тип операции (hidden)
    QComboBox* Combo6;     // Вид платежа
    QComboBox* Combo7;     // Очередность платежа
    QComboBox* Combo8;     // Основание платежа
    QComboBox* Combo9;     // Тип платежа
    QComboBox* Combo10;    // Тип периода (hidden, disabled)
    QLabel* Label4;        // label of Combo4
    QLabel* Label10;       // label of Combo10
    QLabel* Label15;       // the nearest due dates with accruals, under Дата операции
    QLineEdit* Text1;      // № п/п, начиная с:
    QLineEdit* Text2;      // Назначение платежа
    DatePicker* DTPicker1; // Дата п/п
    DatePicker* DTPicker2; // Дата документа
    DatePicker* DTPicker3; // Дата операции
    QPushButton* Command1; // Снять все
    QPushButton* Command2; // Далее >>
    QPushButton* Command3; // Выбрать все
    QPushButton* Command4; // Выход
    QCheckBox* Check1;     // Единый налоговый платеж (ЕНП)

    // Public values.
    bool exiter = true;
    bool emp = true;
    bool pechatat = false;
    bool cancel_print = false;
    QString S, bez; // settings file and folder
    qint32 accstream_id = 0;
    QString db_path, db_file_path, db_file_path2;
    QString inn, kpp;
    QVariantList ids_acc; // per List1 entry: the report set's id, or a branch's ids "1,2"
    QStringList ids_kbk;  // per Combo1 entry: the tax code as stored
    QString acc_list;
    qint32 nom = 0;
    QHash<QString, QString> inn_by_acc, kpp_by_acc;

    void req1(qint32 acc);
    void init_();

    // Behaviours of the controls, run whenever the position changes.
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void Combo9_Click();
    void Command1_Click();
    void Command3_Click();
    void Command4_Click();
    void Check1_Click();
    void DTPicker3_Change();
    // Names the nearest due dates with accruals that a forming with these choices would take.
    void show_due_dates();

protected:
    // Closing the window writes the settings; the public values stay.
    void on_unload() override;
    void reset_controls() override;
    void showEvent(QShowEvent* e) override;

private:
    void look_up_due_dates();
    bool due_dates_queued_ = false;
    void build();
    void purpose_text();
    // "Далее >>" is open when a tax can be chosen, or for a single tax payment, which needs none.
    void forming_allowed();
    QList<QWidget*> enp_disabled() const;
    void fail_with(const QString& message);
};

Form1& form1();

// Whether the single-tax-payment choice is ticked.
bool enp_mode();

// The choice's last state for this user: a file of its own beside the settings file, so that
// the settings file keeps its three lines. Unreadable means unticked; a failed write is
// silent, as the choice is only a convenience.
QString enp_choice_file(const QString& settings_folder);
bool read_enp_choice(const QString& settings_folder);
void write_enp_choice(const QString& settings_folder, bool on);

// The purpose a single tax payment gets unless the user types another.
inline const QString kEnpPurpose = QStringLiteral("Единый налоговый платеж");

// The "Далее >>" handler; the forming lives beside it.
void Command2_Click();

} // namespace tavrelis
