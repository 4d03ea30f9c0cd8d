#pragma once

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

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void open_item(QTreeWidgetItem* item);
    QString path_;
};

// "Выбор папки для выгрузки": the folder chooser. Closed with "Закрыть", it stores the folder
// it shows as the export folder (shared().up_path).
class Form4 : public QDialog {
    Q_OBJECT
public:
    Form4();
    ~Form4() override;

    QComboBox* Drive1;
    FolderTree* Dir1;
    QPushButton* Command1; // Закрыть

    // What the opener does before showing the chooser: the folder, and the drive it is on.
    void open_at(const QString& folder);
    void Drive1_Change();
    void Command1_Click();

protected:
    // Enter presses the button that has the focus; in the tree it only opens the folder.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void fill_drives();
};

Form4& form4();

} // namespace tavrelis
