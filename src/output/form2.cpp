#include "output/form2.h"

#include "common/amount.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/session.h"
#include "entry/settings.h"
#include "forming/form1.h"
#include "output/edit_payment.h"
#include "output/export_run.h"
#include "platform/errors.h"
#include "platform/ui.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <array>
#include <limits>

namespace tavrelis {

namespace {

const QString kTitle = QStringLiteral("Вальмора-2: Фискалон");

constexpr int kColumns = 30;
constexpr int kIdColumn = 29;

struct Column {
    const char16_t* caption;
    int twips;
};

const std::array<Column, kColumns> kListColumns{{
    {u"", 706},
    {u"№ п/п", 1235},
    {u"Дата п/п", 2117},
    {u"Сумма", 2469},
    {u"Получатель", 2646},
    {u"ИНН", 1940},
    {u"КПП", 1940},
    {u"КБК", 3704},
    {u"ОКАТО", 2117},
    {u"БИК", 2117},
    {u"Р/С", 3528},
    {u"Кор.Счет", 3528},
    {u"Банк", 2999},
    {u"Отправитель", 2646},
    {u"ИНН отпр.", 1940},
    {u"КПП отпр.", 1940},
    {u"ОКАТО отпр.", 2117},
    {u"БИК отпр.", 2117},
    {u"Р/С отпр.", 3528},
    {u"Кор.Счет отпр.", 3528},
    {u"Банк отпр.", 2646},
    {u"Вид платежа", 2646},
    {u"Очер.плат.", 1940},
    {u"Основание", 1940},
    {u"Тип плат.", 1940},
    {u"Назначение", 8819},
    {u"Период", 2117},
    {u"Дата докум", 2293},
    {u"Сумма прописью", 12347},
    {u"oper_id", 0},
}};

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QCheckBox* check(QWidget* parent, const char* name, const QString& text) {
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

// A list text read as a 32-bit whole number, as the platform converts text to a long.
qint32 to_long(const QString& text) {
    if (text.contains(u'N')) // clean_number would take it for the printed mark
        throw Error(QStringLiteral("Type mismatch"));
    return clean_number(text);
}

// A field compared with a whole number, as the platform compares a field value: null
// equals nothing; a text must read as a number.
bool field_equals(const data::Recordset& rs, int i, int n) {
    if (rs.is_null(i))
        return false;
    const QVariant v = rs.field(i);
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double)
        return v.toDouble() == n;
    double value = 0;
    if (!read_number(rs.text(i), value))
        throw Error(QStringLiteral("Type mismatch"));
    return value == n;
}

const QString kOrderSelect = QStringLiteral(
    "select number_,payment_date,sum,receiver,inn,kpp,kbk,okato,bik,rs,ks,bank,sender,"
    "inn_sender,kpp_sender,okato_sender,bik_sender,rs_sender,ks_sender,bank_sender,way,"
    "priority,reason,payment_type,aim,period,document_date,payment_done,oper_id,print_done "
    "from payments where oper_id=");

// Draws the texts of columns 1 to 28 in a colour value of the form 0x00BBGGRR.
void color_row(QTreeWidgetItem* row, qint32 value) {
    const QBrush brush =
        value == 0 ? QBrush(Qt::black)
                   : QBrush(QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff));
    for (int col = 1; col <= 28; ++col)
        row->setForeground(col, brush);
}

} // namespace

Form2::Form2() {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Сформированные платежные поручения"));
    build();
    reset_controls();
}

Form2::~Form2() = default;

Form2& form2() {
    return Session::current().get<Form2>();
}

void Form2::build() {
    L1 = new QTreeWidget(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->setColumnCount(kColumns);
    L1->setRootIsDecorated(false);
    L1->setUniformRowHeights(true);
    L1->setAllColumnsShowFocus(true);
    L1->header()->setStretchLastSection(false);
    QStringList captions;
    for (const Column& c : kListColumns)
        captions.append(QString::fromUtf16(c.caption));
    L1->setHeaderLabels(captions);
    const int dpi = L1->logicalDpiX();
    for (int col = 0; col < kColumns; ++col)
        L1->setColumnWidth(col, kListColumns[col].twips * dpi / 1440);
    L1->setColumnHidden(kIdColumn, true);

    Frame2 = new QGroupBox(QStringLiteral("Отметить"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Command5 = button(Frame2, "Command5", QStringLiteral("Все"));
    Command6 = button(Frame2, "Command6", QStringLiteral("Ни одного"));
    auto* marks = new QVBoxLayout(Frame2);
    marks->addWidget(Command5);
    marks->addWidget(Command6);

    Command9 = button(this, "Command9", QStringLiteral("Правка"));

    Frame1 = new QGroupBox(QStringLiteral("Действия"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Check3 = check(Frame1, "Check3", QStringLiteral("Выгрузить в XML  ----------- >"));
    Command3 = button(Frame1, "Command3", QStringLiteral("Путь выгрузки"));
    Check4 = check(Frame1, "Check4", QStringLiteral("Напечатать  --------------------- >"));
    Check1 = check(Frame1, "Check1", QStringLiteral("С предпросмотром"));
    Check2 = check(Frame1, "Check2", QStringLiteral("Провести уплаты в карточку"));
    Check5 = check(Frame1, "Check5", QString());
    Check5->hide();
    auto* actions = new QGridLayout(Frame1);
    actions->addWidget(Check3, 0, 0);
    actions->addWidget(Command3, 0, 1);
    actions->addWidget(Check4, 1, 0);
    actions->addWidget(Check1, 1, 1);
    actions->addWidget(Check2, 2, 0, 1, 2);

    Command10 = button(this, "Command10", QStringLiteral("Выполнить"));
    Command1 = button(this, "Command1", QStringLiteral("<< Назад"));
    Command8 = button(this, "Command8", QStringLiteral("Выход"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(L1, 0, 0, 1, 6);
    grid->addWidget(Frame2, 1, 0, 2, 1);
    grid->addWidget(Command9, 1, 1);
    grid->addWidget(Frame1, 1, 2, 2, 1);
    grid->addWidget(Command10, 1, 3);
    grid->addWidget(Command1, 2, 4);
    grid->addWidget(Command8, 2, 5);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(3, 1);
    resize(1000, 600);

    connect(Check3, &QCheckBox::toggled, this, [this] { Check3_Click(); });
    connect(Check4, &QCheckBox::toggled, this, [this] { Check4_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command9, &QPushButton::clicked, this, [] { edit_payment(); });
    connect(L1, &QTreeWidget::itemDoubleClicked, this, [] { edit_payment(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command10, &QPushButton::clicked, this, [] { Command10_Click(); });
}

// The state a freshly loaded window has. The design state does not follow the check boxes'
// rules (Check1 is enabled although Check4 is clear), so their behaviours stay silent here.
void Form2::reset_controls() {
    const QSignalBlocker b1(Check1), b2(Check2), b3(Check3), b4(Check4), b5(Check5);
    L1->clear();
    Check3->setChecked(false);
    Command3->setEnabled(true);
    Check4->setChecked(false);
    Check1->setChecked(true);
    Check1->setEnabled(true);
    Check2->setChecked(false);
    Check5->setChecked(false);
}

QTreeWidgetItem* Form2::add_row() {
    auto* row = new QTreeWidgetItem(L1);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(0, Qt::Unchecked);
    color_row(row, 0);
    return row;
}

QString Form2::cell(int r, int col) const {
    if (r < 1 || r > L1->topLevelItemCount() || col < 0 || col >= kColumns)
        throw Error(QStringLiteral("Index out of bounds"));
    return L1->topLevelItem(r - 1)->text(col);
}

void Form2::refresh_list() {
    // The error box names the step of the rebuild that failed.
    int step = 1;
    try {
        const int n = L1->topLevelItemCount();
        QList<qint32> ids;
        ids.reserve(n);
        for (int r = 0; r < n; ++r)
            ids.append(to_long(L1->topLevelItem(r)->text(kIdColumn)));

        step = 2;
        L1->clear();

        step = 3;
        Form4& f4 = form4();
        qint64 k = qint64(f4.last_number) + 1; // numbers are 32-bit; beyond is an overflow

        step = 4;
        for (const qint32 id : ids) {
            const data::Recordset rs = f4.cnn.execute(kOrderSelect + QString::number(id));
            if (rs.empty())
                continue; // the order is gone
            QTreeWidgetItem* row = add_row();
            for (int col = 2; col <= 27; ++col)
                row->setText(col, rs.text_or_empty(col - 1));
            row->setText(28, sum_rub_kop(read_kopecks(rs.text(2))));
            row->setText(kIdColumn, rs.text(28));
            if (field_equals(rs, 29, 0)) {
                if (k > std::numeric_limits<qint32>::max())
                    throw Error(QStringLiteral("Overflow"));
                row->setText(1, QString::number(k++));
            } else {
                row->setText(1, QStringLiteral("N") + rs.text_or_empty(0));
            }
            color_row(row, field_equals(rs, 27, 1) ? f4.my_color : 0);
        }
    } catch (const std::exception& e) {
        platform::msgbox(QStringLiteral("Возникла ошибка в модуле Tavrelis.Form2.refresh_list(") +
                         QString::number(step) + QStringLiteral("): ") + describe(e));
    }
}

bool Form2::card_counted(qint32 card_id) const {
    for (const qint32 id : cards)
        if (id == card_id)
            return true;
    return false;
}

void Form2::unload() {
    if (unloading_)
        return;
    unloading_ = true;
    hide();
    try {
        write_settings(form1().S);
    } catch (const std::exception& e) {
        // The window closes in any case; the user learns the numbering was not saved.
        platform::msgbox(describe(e), platform::vbCritical, kTitle);
    }
    reset_controls();
    unloading_ = false;
}

void Form2::closeEvent(QCloseEvent* e) {
    e->accept();
    unload();
}

void Form2::reject() {
    unload();
}

void Form2::Check3_Click() {
    Command3->setEnabled(Check3->isChecked());
}

void Form2::Check4_Click() {
    Check1->setEnabled(Check4->isChecked());
}

void Form2::set_all_ticks(bool ticked) {
    const Qt::CheckState state = ticked ? Qt::Checked : Qt::Unchecked;
    for (int r = 0; r < L1->topLevelItemCount(); ++r)
        L1->topLevelItem(r)->setCheckState(0, state);
}

void Form2::Command5_Click() {
    set_all_ticks(true);
}

void Form2::Command6_Click() {
    set_all_ticks(false);
}

void Form2::Command3_Click() {
    Form4& f4 = form4();
    const int answer = platform::msgbox(QStringLiteral("Текущий путь выгрузки: ") + f4.up_path +
                                            QStringLiteral(". Хотите изменить его?"),
                                        platform::vbYesNo | platform::vbDefaultButton2, kTitle);
    if (answer != platform::vbYes)
        return;
    // The chooser stores the folder itself when the user closes it with "Закрыть".
    f4.open_at(f4.up_path);
    platform::show_modal(f4);
}

void Form2::Command1_Click() {
    QLineEdit* start = form1().Text1;
    start->setText(QString::number(qint64(form4().last_number) + 1));
    start->update();
    unload();
}

void Form2::Command8_Click() {
    form1().exiter = true;
    unload();
}

} // namespace tavrelis
