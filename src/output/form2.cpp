#include "output/form2.h"

#include "common/amount.h"
#include "common/form4.h"
#include "common/numbers.h"
#include "common/session.h"
#include "common/settings.h"
#include "common/shared.h"
#include "forming/compose.h"
#include "forming/form1.h"
#include "output/bank_upload.h"
#include "output/edit_payment.h"
#include "output/export_run.h"
#include "output/upload_journal.h"
#include "platform/errors.h"
#include "platform/ui.h"

#include <QHash>

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>

namespace tavrelis {

namespace {

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
    "from payments where oper_id between ? and ?");

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

namespace {
const bool registered =
    register_window("Form2") && set_orders_window([]() -> OrdersWindow& { return form2(); });
} // namespace

void Form2::build() {
    L1 = new QTreeView(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->setModel(&formed_orders());
    L1->setRootIsDecorated(false);
    L1->setUniformRowHeights(true);
    L1->setAllColumnsShowFocus(true);
    L1->header()->setStretchLastSection(false);
    const int dpi = L1->logicalDpiX();
    for (const FieldInfo& f : field_table())
        L1->setColumnWidth(column_of(f.field), f.twips * dpi / 1440);
    L1->setColumnHidden(column_of(Field::OperId), true);

    Frame2 = new QGroupBox(QStringLiteral("Отметить"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Command5 = make_button(Frame2, "Command5", QStringLiteral("Все"));
    Command6 = make_button(Frame2, "Command6", QStringLiteral("Ни одного"));
    auto* marks = new QVBoxLayout(Frame2);
    marks->addWidget(Command5);
    marks->addWidget(Command6);

    Command9 = make_button(this, "Command9", QStringLiteral("Правка"));

    Frame1 = new QGroupBox(QStringLiteral("Действия"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Check3 = check(Frame1, "Check3", QStringLiteral("Выгрузить в XML  ----------- >"));
    Command3 = make_button(Frame1, "Command3", QStringLiteral("Путь выгрузки"));
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

    Command10 = make_button(this, "Command10", QStringLiteral("Выполнить"));
    Command11 = make_button(this, "Command11", QStringLiteral("Выгрузить в банк-клиент"));
    Command1 = make_button(this, "Command1", QStringLiteral("<< Назад"));
    Command8 = make_button(this, "Command8", QStringLiteral("Выход"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse); // a folder to copy

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label3->setWordWrap(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(L1, 0, 0, 1, 6);
    grid->addWidget(Label2, 1, 0, 1, 3);
    grid->addWidget(Label3, 1, 3, 1, 3);
    grid->addWidget(Frame2, 2, 0, 2, 1);
    grid->addWidget(Command9, 2, 1);
    grid->addWidget(Frame1, 2, 2, 2, 1);
    grid->addWidget(Command10, 2, 3);
    grid->addWidget(Command11, 3, 3);
    grid->addWidget(Command1, 3, 4);
    grid->addWidget(Command8, 3, 5);
    grid->addWidget(Label1, 4, 0, 1, 6);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(3, 1);
    resize(1000, 600);

    connect(&formed_orders(), &OrderList::ticks_changed, this, [this] { show_ticked(); });
    L1->installEventFilter(this); // Space ticks the current row
    connect(Check3, &QCheckBox::toggled, this, [this] { Check3_Click(); });
    connect(Check4, &QCheckBox::toggled, this, [this] { Check4_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { edit_selected(); });
    connect(L1, &QTreeView::doubleClicked, this, [this] { edit_selected(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command10, &QPushButton::clicked, this, [] { Command10_Click(); });
    connect(Command11, &QPushButton::clicked, this, [this] {
        set_status(QStringLiteral("Файл для банк-клиента не создан")); // until one is
        Command11_Click();
    });
}

// The state a freshly loaded window has. The design state does not follow the check boxes'
// rules (Check1 is enabled although Check4 is clear), so their behaviours stay silent here.
void Form2::reset_controls() {
    const QSignalBlocker b1(Check1), b2(Check2), b3(Check3), b4(Check4), b5(Check5);
    orders().clear();
    Check3->setChecked(false);
    Command3->setEnabled(true);
    Check4->setChecked(false);
    Check1->setChecked(true);
    Check1->setEnabled(true);
    Check2->setChecked(false);
    Check5->setChecked(false);
    Label1->clear();
}

void Form2::show_ticked() {
    const OrderList& list = orders();
    Label2->setText(QStringLiteral("Отмечено: ") + QString::number(list.ticked_count()) +
                    QStringLiteral(" на сумму ") + razr(list.ticked_sum()));
}

// The colour is the session's, set by the forming; the window shows it as it is.
void Form2::showEvent(QShowEvent* e) {
    const int bgr = shared().my_color;
    const QColor posted(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff);
    Label3->setText(QStringLiteral("<span style=\"color:%1\">■ Цветом</span> — уплата проведена; "
                                   "N — напечатано")
                        .arg(posted.name()));
    show_ticked();
    ModuleWindow::showEvent(e);
}

bool Form2::eventFilter(QObject* watched, QEvent* e) {
    if (watched == L1 && e->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(e);
        const int r = current_list_row();
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && r > 0) {
            orders().set_ticked(r - 1, !ticked(r));
            return true;
        }
    }
    return ModuleWindow::eventFilter(watched, e);
}

void Form2::set_status(const QString& text) {
    Label1->setText(text);
}

void Form2::prepare_export_run() {
    Check3->setChecked(true);
    Check4->setChecked(false);
    Check2->setChecked(false);
    Check5->setChecked(false);
    Command3->setEnabled(true);
    Check1->setEnabled(false);
}

OrderList& Form2::orders() const {
    return formed_orders();
}

int Form2::row_count() const {
    return orders().count();
}

QString Form2::cell(int r, Field f) const {
    return orders().text(r - 1, f);
}

void Form2::set_cell(int r, Field f, const QString& text) {
    orders().set_text(r - 1, f, text);
}

bool Form2::ticked(int r) const {
    return orders().ticked(r - 1);
}

int Form2::current_list_row() const {
    const QModelIndex i = L1->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

namespace {

// A field's text as text_or_empty reads it, in UTF-8: the select's own bytes, or a number's
// digits written into digits (one too long for them, a tiny fraction or a huge number, made
// as Qt makes it into spill).
QByteArrayView field_utf8(const data::Recordset& rs, int i, std::array<char, 32>& digits,
                          QByteArray& spill) {
    using Kind = data::Recordset::Kind;
    char* const begin = digits.data();
    char* const end = begin + digits.size();
    switch (rs.kind(i)) {
    case Kind::Null:
        return {};
    case Kind::Whole:
        return {begin, std::to_chars(begin, end, rs.whole(i)).ptr};
    case Kind::Real: {
        // The shortest text that reads back, as Qt writes it: no sign on a zero.
        const double d = rs.real(i);
        const auto [last, failed] =
            std::to_chars(begin, end, d == 0 ? 0.0 : d, std::chars_format::fixed);
        if (std::isfinite(d) && failed == std::errc())
            return {begin, last};
        spill = rs.text(i).toUtf8();
        return spill;
    }
    case Kind::Text:
    case Kind::Bytes:
        return rs.utf8(i);
    }
    return {};
}

// A key as the rows are matched to the list by it.
qint64 key_of(const data::Recordset& rs, int i) {
    return rs.kind(i) == data::Recordset::Kind::Whole ? rs.whole(i) : rs.field(i).toLongLong();
}

// A flag that compares with a number as it stands: null, or a number.
bool plain_flag(const data::Recordset& rs, int i) {
    const auto kind = rs.kind(i);
    return kind == data::Recordset::Kind::Null || kind == data::Recordset::Kind::Whole ||
           kind == data::Recordset::Kind::Real;
}

// A flag of plain_flag compared with a number.
bool flag_equals(const data::Recordset& rs, int i, int n) {
    switch (rs.kind(i)) {
    case data::Recordset::Kind::Whole:
        return double(rs.whole(i)) == n;
    case data::Recordset::Kind::Real:
        return rs.real(i) == n;
    default:
        return false;
    }
}

// An amount whose text surely reads as kopecks and has words, so that they can wait until
// shown: a whole part of at most twelve digits.
bool plain_amount(const data::Recordset& rs, int i) {
    constexpr int kDigits = 12;
    switch (rs.kind(i)) {
    case data::Recordset::Kind::Whole:
        return std::abs(rs.whole(i)) < 1'000'000'000'000;
    case data::Recordset::Kind::Real:
        return std::isfinite(rs.real(i)) && std::fabs(rs.real(i)) < 1e12;
    case data::Recordset::Kind::Text: {
        // As the module writes amounts: digits in groups split by one blank, perhaps a minus
        // and a decimal separator.
        const QByteArrayView t = rs.utf8(i);
        const auto digit = [&t](qsizetype at) {
            return at >= 0 && at < t.size() && t[at] >= '0' && t[at] <= '9';
        };
        qsizetype at = !t.isEmpty() && t[0] == '-' ? 1 : 0;
        int digits = 0;
        for (; at < t.size() && digits < kDigits; ++at) {
            if (digit(at))
                ++digits;
            else if (t[at] != ' ' || !digit(at - 1) || !digit(at + 1))
                break;
        }
        if (digits == 0)
            return false;
        if (at < t.size() && (t[at] == ',' || t[at] == '.'))
            ++at;
        else
            return at == t.size();
        while (digit(at))
            ++at;
        return at == t.size();
    }
    default:
        return false;
    }
}

} // namespace

void Form2::refresh_list() {
    // Fields of the select after the stored ones.
    constexpr int kPaymentDone = select_index(kLastStored) + 1;
    constexpr int kOperId = kPaymentDone + 1;
    constexpr int kPrintDone = kOperId + 1;
    // The error box names the step of the rebuild that failed.
    int step = 1;
    try {
        OrderList& list = orders();
        const int n = list.count();
        QList<qint32> ids;
        ids.reserve(n);
        for (int r = 0; r < n; ++r) {
            const std::optional<qint32> id = list.plain_key(r);
            ids.append(id ? *id : to_long(list.text(r, Field::OperId)));
        }

        step = 2;
        OrderList::Rebuild rebuild(list);
        rebuild.reserve(n);

        step = 3;
        Shared& sh = shared();
        qint64 k = qint64(sh.last_number) + 1; // numbers are 32-bit; beyond is an overflow

        step = 4;
        const FormingRun enp = enp_run();
        const QByteArray no_document_date = kNoDocumentDate.toUtf8();
        // A fast row's texts by column, and room for the numbers among them.
        std::array<QByteArrayView, kFieldCount> fields{};
        std::array<std::array<char, 32>, kFieldCount> digits;
        std::array<QByteArray, kFieldCount> spills;
        std::array<quint32, kFieldCount> ends{};
        QList<qint64> listed;
        listed.reserve(ids.size());
        // A row read straight from its UTF-8; anything unusual in it goes the way each field
        // is read and checked.
        const auto plain = [&](const data::Recordset& rs) {
            return plain_amount(rs, select_index(Field::Sum)) &&
                   rs.kind(kOperId) == data::Recordset::Kind::Whole && plain_flag(rs, kPrintDone) &&
                   plain_flag(rs, kPaymentDone) &&
                   (!flag_equals(rs, kPrintDone, 0) || k <= std::numeric_limits<qint32>::max());
        };
        // One listed order from the current row of a select, whose plainness the caller knows.
        const auto add_row = [&](const data::Recordset& rs, qint32 id, bool is_plain) {
            if (is_plain) {
                const bool printed = !flag_equals(rs, kPrintDone, 0);
                // The row's texts straight from the select's UTF-8, in column order, written
                // once into a block of their size.
                constexpr int kNumber = column_of(Field::Number);
                fields[kNumber] =
                    printed ? field_utf8(rs, select_index(Field::Number), digits[kNumber],
                                         spills[kNumber])
                            : QByteArrayView(digits[kNumber].data(),
                                             std::to_chars(digits[kNumber].data(),
                                                           digits[kNumber].data() + 32, k++)
                                                 .ptr);
                for (int c = column_of(kFirstStored); c <= column_of(kLastStored); ++c)
                    fields[size_t(c)] = field_utf8(rs, select_index(Field(c)), digits[size_t(c)],
                                                   spills[size_t(c)]);
                constexpr int kDate = column_of(Field::DocumentDate);
                constexpr int kKbk = column_of(Field::Kbk);
                if (fields[kDate].isEmpty() && is_enp_kbk(QString::fromUtf8(fields[kKbk]), enp))
                    fields[kDate] = no_document_date;
                constexpr int kId = column_of(Field::OperId);
                fields[kId] = field_utf8(rs, kOperId, digits[kId], spills[kId]);
                qsizetype size = printed ? 1 : 0;
                for (const QByteArrayView f : fields)
                    size += f.size();
                QByteArray texts(size, Qt::Uninitialized);
                char* const begin = texts.data();
                char* out = begin;
                for (int c = 0; c < kFieldCount; ++c) {
                    if (c == kNumber && printed)
                        *out++ = 'N';
                    if (!fields[size_t(c)].isEmpty())
                        out = std::copy(fields[size_t(c)].begin(), fields[size_t(c)].end(), out);
                    ends[size_t(c)] = quint32(out - begin);
                }
                rebuild.append(std::move(texts), ends,
                               flag_equals(rs, kPaymentDone, 1) ? sh.my_color : 0, true);
                listed.append(id);
                return;
            }
            OrderRow row(list);
            Order& o = row.order;
            for (int c = column_of(kFirstStored); c <= column_of(kLastStored); ++c)
                o.texts[size_t(c)] = rs.text_or_empty(select_index(Field(c)));
            if (o[Field::DocumentDate].isEmpty() && is_enp_kbk(o[Field::Kbk], enp))
                o[Field::DocumentDate] = kNoDocumentDate;
            o[Field::SumWords] = sum_rub_kop(read_kopecks(rs.text(select_index(Field::Sum))));
            o[Field::OperId] = rs.text(kOperId);
            if (field_equals(rs, kPrintDone, 0)) {
                if (k > std::numeric_limits<qint32>::max())
                    throw Error(QStringLiteral("Overflow"));
                o[Field::Number] = QString::number(k++);
            } else {
                o[Field::Number] =
                    QStringLiteral("N") + rs.text_or_empty(select_index(Field::Number));
            }
            o.color = field_equals(rs, kPaymentDone, 1) ? sh.my_color : 0;
            listed.append(id);
        };

        // The listed orders in one statement, not one each: on a server every statement waits
        // for its answer. The rows of the key range not listed are passed over. A list in the
        // order of its keys, as formed, meets the select's rows in the same order and is
        // filled as they are read; any other is filled from all of them read first.
        const auto [low, high] = std::minmax_element(ids.cbegin(), ids.cend());
        const QVariantList range =
            ids.isEmpty() ? QVariantList() : QVariantList{qlonglong(*low), qlonglong(*high)};
        bool streamed = !ids.isEmpty() && std::adjacent_find(ids.cbegin(), ids.cend(),
                                                             std::greater_equal<>()) == ids.cend();
        if (streamed) {
            qsizetype next = 0; // of ids
            std::optional<qint64> last;
            sh.cnn.each_row(kOrderSelect, range, [&](const data::Recordset& rs) {
                if (!streamed)
                    return;
                const qint64 id = key_of(rs, kOperId);
                // Out of order, or a key twice (the last one counts), or a row whose failure
                // might be another's with the same key: all rows are read first.
                if ((last && id <= *last) || !plain(rs)) {
                    streamed = false;
                    return;
                }
                last = id;
                while (next < ids.size() && ids[next] < id)
                    ++next; // gone
                if (next < ids.size() && ids[next] == id)
                    add_row(rs, ids[next++], true);
            });
            if (!streamed) {
                rebuild.restart();
                k = qint64(sh.last_number) + 1;
                listed.clear();
            }
        }
        if (!streamed && !ids.isEmpty()) {
            data::Recordset rs = sh.cnn.execute(kOrderSelect, range);
            struct Found {
                qint64 oper_id;
                int row; // of rs
                bool operator<(const Found& o) const { return oper_id < o.oper_id; }
            };
            std::vector<Found> found;
            found.reserve(size_t(rs.record_count()));
            for (int i = 0; !rs.eof(); rs.move_next(), ++i)
                found.push_back({key_of(rs, kOperId), i});
            std::stable_sort(found.begin(), found.end());
            for (const qint32 id : ids) {
                // Of rows with the same key, the last one read.
                const auto after = std::upper_bound(found.cbegin(), found.cend(), Found{id, 0});
                if (after == found.cbegin() || (after - 1)->oper_id != id)
                    continue; // the order is gone
                rs.move_to((after - 1)->row);
                add_row(rs, id, plain(rs));
            }
        }

        // Each row's tooltip tells what the stored data say has happened to the order; where
        // it was sent to the bank is known only from the journal.
        step = 5;
        if (upload_journal_exists(sh.cnn)) {
            const QHash<qint64, SentTo> sent = sent_orders(sh.cnn, listed);
            for (int r = 0; r < int(listed.size()) && r < list.count(); ++r)
                if (const auto to = sent.constFind(listed[r]); to != sent.constEnd())
                    list.set_sent(r, QStringLiteral("выгружено в банк %1 (файл %2)")
                                         .arg(to->when, QFileInfo(to->file).fileName()));
        }
    } catch (const std::exception& e) {
        report_failure(QStringLiteral("Возникла ошибка в модуле Tavrelis.Form2.refresh_list"), step,
                       e);
    }
}

void Form2::on_unload() {
    write_settings_or_say(form1().S);
}

// "Правка" and the list's double click: the selected row in the editor; nothing without one.
void Form2::edit_selected() {
    if (row_count() == 0)
        return;
    const int r = current_list_row();
    if (r == 0)
        return;
    edit_payment(orders().order(r - 1),
                 [this, r](const Order& o) { orders().set_order(r - 1, o); });
}

void Form2::Check3_Click() {
    Command3->setEnabled(Check3->isChecked());
}

void Form2::Check4_Click() {
    Check1->setEnabled(Check4->isChecked());
}

void Form2::Command5_Click() {
    orders().set_all_ticks(true);
}

void Form2::Command6_Click() {
    orders().set_all_ticks(false);
}

void Form2::Command3_Click() {
    Form4& f4 = form4();
    const int answer =
        platform::msgbox(QStringLiteral("Текущий путь выгрузки: ") + shared().up_path +
                             QStringLiteral(". Хотите изменить его?"),
                         platform::vbYesNo | platform::vbDefaultButton2, kTitle);
    if (answer != platform::vbYes)
        return;
    // The chooser stores the folder itself when the user closes it with "Закрыть".
    f4.open_at(shared().up_path);
    platform::show_modal(f4);
}

void Form2::Command1_Click() {
    QLineEdit* start = form1().Text1;
    start->setText(QString::number(qint64(shared().last_number) + 1));
    start->update();
    unload();
}

void Form2::Command8_Click() {
    form1().exiter = true;
    unload();
}

} // namespace tavrelis
