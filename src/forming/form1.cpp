#include "forming/form1.h"

#include "common/date_picker.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/session.h"
#include "common/settings.h"
#include "common/shared.h"
#include "forming/codes.h"
#include "forming/due_dates.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "platform/objects.h"
#include "platform/ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalBlocker>

namespace tavrelis {

namespace {

QComboBox* combo(QWidget* parent, const char* name, const QStringList& items = {}) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    c->setCurrentIndex(-1);
    return c;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setBuddy(buddy);
    return l;
}

DatePicker* picker(QWidget* parent, const char* name) {
    auto* d = new DatePicker(parent);
    d->setObjectName(QLatin1String(name));
    return d;
}

} // namespace

Form1::Form1() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Формирование платежных поручений"));
    build();
    reset_controls();
}

Form1::~Form1() = default;

Form1& form1() {
    return Session::current().get<Form1>();
}

namespace {
const bool registered = register_window("Form1");
} // namespace

void Form1::build() {
    Frame1 = new QGroupBox(QStringLiteral("Организации"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    List1 = new QListWidget(Frame1);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::MultiSelection);
    Command3 = make_button(Frame1, "Command3", QStringLiteral("Выбрать все"));
    Command1 = make_button(Frame1, "Command1", QStringLiteral("Снять все"));
    auto* frame_layout = new QGridLayout(Frame1);
    frame_layout->addWidget(List1, 0, 0, 1, 2);
    frame_layout->addWidget(Command3, 1, 0);
    frame_layout->addWidget(Command1, 1, 1);

    Combo2 = combo(this, "Combo2");
    Combo1 = combo(this, "Combo1");
    Combo3 = combo(this, "Combo3");
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Combo6 = combo(this, "Combo6", kind_items());
    Combo7 = combo(this, "Combo7", priority_items());
    Combo8 = combo(this, "Combo8", basis_items());
    Combo9 = combo(this, "Combo9", payment_type_items());
    Combo4 = combo(this, "Combo4", operation_type_items());
    Combo10 = combo(this, "Combo10", period_type_items());
    for (QComboBox* c : {Combo8, Combo9, Combo2, Combo3})
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    DTPicker3 = picker(this, "DTPicker3");
    DTPicker1 = picker(this, "DTPicker1");
    DTPicker2 = picker(this, "DTPicker2");
    Command2 = make_button(this, "Command2", QStringLiteral("Далее >>"));
    Command4 = make_button(this, "Command4", QStringLiteral("Выход"));
    Check1 = new QCheckBox(QStringLiteral("Единый налоговый платеж (ЕНП)"), this);
    Check1->setObjectName(QStringLiteral("Check1"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(Frame1, 0, 0, 15, 1);
    int row = 0;
    grid->addWidget(Check1, row++, 1, 1, 4);
    auto add = [&](const char* name, const QString& text, QWidget* w) {
        grid->addWidget(label(this, name, text, w), row, 1);
        grid->addWidget(w, row, 2, 1, 3);
        ++row;
    };
    add("Label2", QStringLiteral("Наименование налога"), Combo2);
    add("Label1", QStringLiteral("КБК"), Combo1);
    add("Label3", QStringLiteral("Период"), Combo3);
    add("Label5", QStringLiteral("Назначение платежа"), Text2);
    add("Label6", QStringLiteral("Вид платежа"), Combo6);
    add("Label7", QStringLiteral("Очередность платежа"), Combo7);
    add("Label8", QStringLiteral("Основание платежа"), Combo8);
    add("Label9", QStringLiteral("Тип платежа"), Combo9);
    Label4 = label(this, "Label4", QStringLiteral("Тип операции"), Combo4);
    Label10 = label(this, "Label10", QStringLiteral("Тип периода"), Combo10);
    for (QWidget* w : std::initializer_list<QWidget*>{Label4, Combo4, Label10, Combo10})
        w->hide(); // steered only through "Тип платежа" and "Период"
    Combo10->setEnabled(false);
    Label10->setEnabled(false);
    add("Label11", QStringLiteral("Дата операции"), DTPicker3);
    Label15 = new QLabel(this);
    Label15->setObjectName(QStringLiteral("Label15"));
    Label15->setWordWrap(true);
    Label15->setTextFormat(Qt::RichText);
    grid->addWidget(Label15, row++, 2, 1, 3);
    add("Label12", QStringLiteral("Дата п/п"), DTPicker1);
    add("Label13", QStringLiteral("Дата документа"), DTPicker2);
    add("Label14", QStringLiteral("№ п/п, начиная с:"), Text1);
    grid->addWidget(Command2, row, 3);
    grid->addWidget(Command4, row, 4);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(2, 3);
    List1->setMinimumWidth(340);
    resize(1020, 520);

    // The start number was made beside the purpose but stands under the dates.
    setTabOrder(DTPicker2, Text1);
    // The single-payment choice was made last but stands above the tax.
    setTabOrder(Command1, Check1);
    setTabOrder(Check1, Combo2);

    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] { Combo1_Click(); });
    connect(Combo2, &QComboBox::currentIndexChanged, this, [this] { Combo2_Click(); });
    connect(Combo3, &QComboBox::currentIndexChanged, this, [this] { Combo3_Click(); });
    connect(Combo9, &QComboBox::currentIndexChanged, this, [this] { Combo9_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command2, &QPushButton::clicked, this, [] { Command2_Click(); });
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(DTPicker3, &DatePicker::picked, this, [this] { DTPicker3_Change(); });
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] { show_due_dates(); });
    for (QComboBox* c : {Combo1, Combo3, Combo4})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { show_due_dates(); });
    // A due date picked here is the user's pick: the working-day check runs for it.
    connect(Label15, &QLabel::linkActivated, this, [this](const QString& day) {
        DTPicker3->setDate(QDate::fromString(day, QStringLiteral("dd.MM.yyyy")));
    });
}

// The state a freshly loaded window has: lists empty, no choices, dates today.
void Form1::reset_controls() {
    const QSignalBlocker b1(Combo1), b2(Combo2), b3(Combo3), b4(Combo4), b6(Combo6), b7(Combo7),
        b8(Combo8), b9(Combo9), b10(Combo10), bl(List1), bc(Check1);
    Check1->setChecked(false);
    for (QWidget* w : enp_disabled())
        w->setEnabled(true);
    List1->clear();
    Combo1->clear();
    Combo2->clear();
    Combo3->clear();
    for (QComboBox* c : {Combo4, Combo6, Combo7, Combo8, Combo9, Combo10})
        c->setCurrentIndex(-1);
    Text1->setText(QStringLiteral("1"));
    Text2->clear();
    Label15->clear();
    const QDate today = platform::today();
    for (DatePicker* d : {DTPicker1, DTPicker2, DTPicker3})
        d->set_value(today);
    Command2->setEnabled(false);
}

void Form1::on_unload() {
    write_settings_or_say(S);
}

void Form1::purpose_text() {
    if (Check1->isChecked())
        return; // a single tax payment has a purpose of its own
    Text2->setText(Combo2->currentText() + QStringLiteral(" за ") + Combo3->currentText());
    Text2->setCursorPosition(0); // the start of a long purpose says most
}

// Qt reports a move to "no entry" again even when the list is already there, so the two
// lists would chase each other forever; they only follow a real change.
void Form1::Combo1_Click() {
    if (Combo2->currentIndex() != Combo1->currentIndex())
        Combo2->setCurrentIndex(Combo1->currentIndex());
    purpose_text();
}

void Form1::Combo2_Click() {
    if (Combo1->currentIndex() != Combo2->currentIndex())
        Combo1->setCurrentIndex(Combo2->currentIndex());
    purpose_text();
}

void Form1::Combo3_Click() {
    purpose_text();
    Combo10->setCurrentIndex(0);
    Combo10->setCurrentIndex(period_type_for_period(Combo3->currentText()));
}

void Form1::Combo9_Click() {
    const int pos = operation_type_for_payment_type(Combo9->currentIndex());
    if (pos >= 0)
        Combo4->setCurrentIndex(pos);
}

void Form1::Command3_Click() {
    for (int i = 0; i < List1->count(); ++i)
        List1->item(i)->setSelected(true);
}

void Form1::Command1_Click() {
    for (int i = 0; i < List1->count(); ++i)
        List1->item(i)->setSelected(false);
}

void Form1::showEvent(QShowEvent* e) {
    ModuleWindow::showEvent(e);
    look_up_due_dates();
}

// Only while the window is shown, and once for a burst of changes ("Выбрать все" changes every
// entry): filling the window would ask the database at every entry.
void Form1::show_due_dates() {
    if (!isVisible() || due_dates_queued_)
        return;
    due_dates_queued_ = true;
    QMetaObject::invokeMethod(this, &Form1::look_up_due_dates, Qt::QueuedConnection);
}

void Form1::look_up_due_dates() {
    due_dates_queued_ = false;
    if (!isVisible())
        return;
    QStringList accs;
    for (int i = 0; i < List1->count() && i < ids_acc.size(); ++i)
        if (List1->item(i)->isSelected() && !ids_acc.at(i).toString().isEmpty())
            accs.append(ids_acc.at(i).toString()); // a subdivision without accruals has none
    const int tax = Combo1->currentIndex();
    try {
        const QList<QDate> days =
            Check1->isChecked()
                ? enp_due_dates(accs.join(u','))
                : accrual_due_dates(accs.join(u','),
                                    tax >= 0 && tax < ids_kbk.size() ? ids_kbk.at(tax) : QString(),
                                    Combo3->currentText(), Combo4->currentIndex() + 1);
        Label15->setText(due_dates_text(nearest_due_dates(days, platform::today(), 3), true));
    } catch (const std::exception&) {
        Label15->clear(); // a hint only: the forming reports what is wrong with the database
    }
}

QList<QWidget*> Form1::enp_disabled() const {
    // The priority and the document date too: a single tax payment is paid with priority 5 and
    // carries no document date ("0").
    QList<QWidget*> controls{Combo2, Combo1, Combo3, Combo7, Combo8, Combo9, DTPicker2};
    for (const char* name : {"Label2", "Label1", "Label3", "Label7", "Label8", "Label9", "Label13"})
        if (auto* l = findChild<QLabel*>(QLatin1String(name)))
            controls.append(l);
    return controls;
}

void Form1::forming_allowed() {
    Command2->setEnabled(Combo1->count() > 0 || Check1->isChecked());
}

// Tax, period, basis, payment type and document date do not apply to a single tax payment,
// whose priority is 5.
void Form1::Check1_Click() {
    const bool on = Check1->isChecked();
    for (QWidget* w : enp_disabled())
        w->setEnabled(!on);
    if (on) {
        Text2->setText(kEnpPurpose);
        Text2->setCursorPosition(0);
    } else {
        purpose_text();
    }
    forming_allowed();
    show_due_dates();
    if (!bez.isEmpty())
        write_enp_choice(bez, on);
}

void Form1::Command4_Click() {
    exiter = true;
    unload();
}

void Form1::DTPicker3_Change() {
    const QDate picked = DTPicker3->date();
    auto calendar = platform::factory().create_calendar();
    if (!calendar) {
        platform::msgbox(QStringLiteral("Не удалось создать объект календаря рабочих дней"),
                         platform::vbCritical, kTitle);
        return;
    }
    const QDate working = calendar->working_day(picked);
    if (working == picked)
        return;
    if (platform::msgbox(QStringLiteral("Выбранная дата является нерабочим днем. Выбрать "
                                        "ближайший рабочий день?"),
                         platform::vbYesNo | platform::vbQuestion, kTitle) == platform::vbYes)
        DTPicker3->set_value(working);
}

void Form1::init_() {
    Shared& sh = shared();
    Command1_Click();
    for (int pos : sh.org)
        if (pos >= 0 && pos < List1->count())
            List1->item(pos)->setSelected(true);
    Combo6->setCurrentIndex(sh.v_p);
    Combo7->setCurrentIndex(sh.o_p);
    Combo2->setCurrentIndex(sh.n_n);
    Combo1->setCurrentIndex(sh.kbk);
    Text2->setText(sh.naznach);
    Combo8->setCurrentIndex(sh.osnov);
    Combo9->setCurrentIndex(sh.t_p);
    Combo3->setCurrentIndex(sh.period);
    DTPicker3->set_value(sh.d_o);
    DTPicker1->set_value(sh.d_pp);
    DTPicker2->set_value(sh.d_doc);
    Combo4->setCurrentIndex(sh.t_t);
}

bool enp_mode() {
    return form1().Check1->isChecked();
}

QString enp_choice_file(const QString& settings_folder) {
    return QDir(settings_folder).filePath(QStringLiteral("V2_payments_enp.ini"));
}

bool read_enp_choice(const QString& settings_folder) {
    QFile f(enp_choice_file(settings_folder));
    return f.open(QIODevice::ReadOnly) && f.readAll().trimmed() == "1";
}

void write_enp_choice(const QString& settings_folder, bool on) {
    QSaveFile f(enp_choice_file(settings_folder));
    if (f.open(QIODevice::WriteOnly) && f.write(on ? "1\r\n" : "0\r\n") == 3)
        f.commit();
}

} // namespace tavrelis
