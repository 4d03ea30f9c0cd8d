#pragma once

#include "data/connection.h"

#include <QDate>
#include <QDialog>
#include <QList>
#include <QString>
#include <QTreeWidget>

class QComboBox;
class QPushButton;

namespace tavrelis {

// The folder tree of the chooser: the chain of folders down to the current one, then its
// subfolders. A double click on an entry goes there.
class FolderTree : public QTreeWidget {
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE go_to)
public:
    explicit FolderTree(QWidget* parent = nullptr);
    // Goes to a folder; false, with nothing changed, when it cannot be read.
    Q_INVOKABLE bool setPath(const QString& folder);
    QString path() const { return path_; }
    void go_to(const QString& folder) { setPath(folder); }

private:
    QString path_;
};

// "Выбор папки для выгрузки": the folder chooser. Loaded hidden for the whole call of
// porvik, it holds the values every window shares.
class Form4 : public QDialog {
    Q_OBJECT
public:
    Form4();
    ~Form4() override;

    QComboBox* Drive1;
    FolderTree* Dir1;
    QPushButton* Command1; // Закрыть

    // Shared values.
    quint8 otvet = 0; // last answer of the question window, 1..5; 0 before any
    QList<int> org;   // remembered chosen positions of the organisations list
    int v_p = -1, o_p = -1, n_n = -1, kbk = -1, osnov = -1, t_p = -1, period = -1;
    quint8 t_t = 0;         // remembered operation type position
    QString nomer;          // remembered start number; next free number while printing
    QString naznach;        // remembered purpose text
    QDate d_o, d_pp, d_doc; // remembered dates
    int my_color = 0;       // text colour of stored or paid rows, 0x00BBGGRR
    QString up_path;        // export folder
    bool to_excel = false;  // export as spreadsheets
    data::Connection cnn;   // settlements database
    data::Connection cnn2;  // taxpayer database
    data::Recordset rs, rs2;
    qint32 last_number = 0;
    qint32 last_year = 0;

    // What the opener does before showing the chooser: the folder, and the drive it is on.
    void open_at(const QString& folder);
    void Drive1_Change();
    void Command1_Click();

private:
    void fill_drives();
};

Form4& form4();

} // namespace tavrelis
