#include "output/form7.h"

#include "common/session.h"
#include "platform/ui.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tavrelis {

Form7::Form7() {
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Проверка реквизитов"));

    Label1 = new QLabel(QStringLiteral("В отмеченных платежных поручениях найдены ошибки "
                                       "реквизитов. Банк может не принять такие поручения."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    L1 = new QTreeWidget(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->setRootIsDecorated(false);
    L1->setUniformRowHeights(true);
    L1->setHeaderLabels(
        {QStringLiteral("№ п/п"), QStringLiteral("Поле"), QStringLiteral("Ошибка")});
    L1->header()->setStretchLastSection(true);
    L1->setColumnWidth(0, 70);
    L1->setColumnWidth(1, 220);
    Command1 = make_button(this, "Command1", QStringLiteral("Выгрузить"));
    Command2 = make_button(this, "Command2", QStringLiteral("Отмена"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(L1, 1);
    layout->addLayout(buttons);
    resize(760, 360);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

Form7::~Form7() = default;

Form7& form7() {
    return Session::current().get<Form7>();
}

namespace {
const bool registered = register_window("Form7");
} // namespace

bool Form7::confirm(const QList<ListedProblem>& problems) {
    L1->clear();
    for (const ListedProblem& p : problems)
        L1->addTopLevelItem(new QTreeWidgetItem(QStringList{p.number, p.field, p.problem}));
    upload_ = false;
    platform::show_modal(*this);
    return upload_;
}

void Form7::reset_controls() {
    L1->clear();
}

void Form7::Command1_Click() {
    upload_ = true;
    unload();
}

void Form7::Command2_Click() {
    upload_ = false;
    unload();
}

} // namespace tavrelis
