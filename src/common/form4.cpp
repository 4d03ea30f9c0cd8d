#include "common/form4.h"
#include "common/shared.h"

#include "common/session.h"
#include "common/window.h"
#include "platform/ui.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QVBoxLayout>

namespace tavrelis {

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &FolderTree::open_item);
}

void FolderTree::open_item(QTreeWidgetItem* item) {
    if (item)
        setPath(item->data(0, Qt::UserRole).toString());
}

// Enter opens the folder under the cursor, as a double click does, and keeps the chooser open.
void FolderTree::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        open_item(currentItem());
    else
        QTreeWidget::keyPressEvent(e);
}

bool FolderTree::setPath(const QString& folder) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable())
        return false;
    const QDir dir(info.absoluteFilePath());
    if (!dir.isReadable())
        return false;
    path_ = QDir::cleanPath(dir.absolutePath());
    clear();
    // The chain from the root down, each level one step further in.
    QStringList chain;
    for (QDir d(path_);;) {
        chain.prepend(d.absolutePath());
        if (!d.cdUp())
            break;
    }
    QTreeWidgetItem* parent = nullptr;
    for (const QString& level : chain) {
        const QString name =
            QFileInfo(level).fileName().isEmpty() ? level : QFileInfo(level).fileName();
        auto* item =
            parent ? new QTreeWidgetItem(parent, {name}) : new QTreeWidgetItem(this, {name});
        item->setData(0, Qt::UserRole, level);
        item->setExpanded(true);
        parent = item;
    }
    setCurrentItem(parent);
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        auto* item = new QTreeWidgetItem(parent, {sub});
        item->setData(0, Qt::UserRole, dir.filePath(sub));
    }
    return true;
}

Form4::Form4() {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Выбор папки для выгрузки"));
    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1 = new FolderTree(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Command1 = make_button(this, "Command1", QStringLiteral("Закрыть"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Drive1);
    layout->addWidget(Dir1, 1);
    layout->addWidget(Command1, 0, Qt::AlignRight);
    resize(360, 420);
    fill_drives();
    connect(Drive1, &QComboBox::currentIndexChanged, this, [this] { Drive1_Change(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void Form4::keyPressEvent(QKeyEvent* e) {
    if (!press_focused_button(*this, e))
        QDialog::keyPressEvent(e);
}

Form4::~Form4() = default;

Form4& form4() {
    return Session::current().get<Form4>();
}

namespace {
const bool registered = register_window("Form4");
} // namespace

void Form4::fill_drives() {
    const QSignalBlocker block(Drive1);
    Drive1->clear();
    QStringList roots;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
        roots.append(v.rootPath());
    if (!roots.contains(QDir::rootPath()))
        roots.append(QDir::rootPath());
    roots.sort();
    roots.removeDuplicates();
    Drive1->addItems(roots);
}

void Form4::open_at(const QString& folder) {
    // The drive is the mount point the folder lies on, the longest that holds it.
    QString drive;
    const QString abs = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    for (int i = 0; i < Drive1->count(); ++i) {
        const QString root = Drive1->itemText(i);
        const bool holds =
            root == QDir::rootPath() || abs == root || abs.startsWith(root + QLatin1Char('/'));
        if (holds && root.size() > drive.size())
            drive = root;
    }
    {
        const QSignalBlocker block(Drive1);
        Drive1->setCurrentIndex(Drive1->findText(drive));
    }
    if (!Dir1->setPath(folder))
        Dir1->setPath(drive.isEmpty() ? QDir::rootPath() : drive);
}

void Form4::Drive1_Change() {
    if (!Dir1->setPath(Drive1->currentText()))
        platform::msgbox(QStringLiteral("Этот диск недоступен"), platform::vbCritical,
                         QStringLiteral("Вальмора-2: Фискалон"));
}

void Form4::Command1_Click() {
    shared().up_path = Dir1->path();
    hide();
}

} // namespace tavrelis
