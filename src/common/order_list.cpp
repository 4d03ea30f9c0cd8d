#include "common/order_list.h"

#include "common/amount.h"
#include "common/session.h"
#include "platform/codepage.h"
#include "platform/errors.h"

#include <QBrush>
#include <QColor>
#include <limits>

namespace tavrelis {

OrderList::OrderList() = default;
OrderList::~OrderList() = default;

OrderList& formed_orders() {
    return Session::current().get<OrderList>();
}

namespace {
OrdersWindowAccessor orders_window_accessor = nullptr;
} // namespace

bool set_orders_window(OrdersWindowAccessor accessor) {
    orders_window_accessor = accessor;
    return true;
}

OrdersWindow& orders_window() {
    if (!orders_window_accessor)
        throw Error(QStringLiteral("Object variable or With block variable not set"));
    return orders_window_accessor();
}

namespace {

// One to nine ASCII digits as their number; -1 for anything else.
template <typename Char> qint32 plain_digits(const Char* p, qsizetype n) {
    if (n < 1 || n > 9)
        return -1;
    qint32 v = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        v = v * 10 + qint32(p[i] - '0');
    }
    return v;
}

} // namespace

void OrderList::pack(Row& row, const Order& order) {
    const QString& key = order[Field::OperId];
    row.key = plain_digits(key.utf16(), key.size());
    row.raw.reset();
    row.words_from_sum = false;
    // Measured first, so that the row's buffer is allocated once at its size.
    qsizetype size = 0;
    for (const QString& t : order.texts) {
        const qsizetype n = platform::utf8_size(t);
        if (n < 0) {
            // A lone surrogate would not come back from UTF-8 as it went in.
            row.raw = std::make_unique<Order>(order);
            row.utf8 = QByteArray();
            return;
        }
        size += n;
    }
    if (size == 0) { // a row appended to be filled
        row.utf8 = QByteArray();
        row.ends.fill(0);
        return;
    }
    row.utf8 = QByteArray(size, Qt::Uninitialized);
    char* const begin = row.utf8.data();
    char* out = begin;
    for (int c = 0; c < kFieldCount; ++c) {
        out = platform::put_utf8(out, order.texts[size_t(c)]);
        row.ends[size_t(c)] = quint32(out - begin);
    }
}

QString OrderList::unpack(const Row& row, int column) {
    if (row.raw)
        return row.raw->texts[size_t(column)];
    if (row.words_from_sum && column == column_of(Field::SumWords))
        return sum_rub_kop(read_kopecks(unpack(row, column_of(Field::Sum))));
    const quint32 begin = column == 0 ? 0 : row.ends[size_t(column - 1)];
    const quint32 end = row.ends[size_t(column)];
    return QString::fromUtf8(row.utf8.constData() + begin, qsizetype(end - begin));
}

const OrderList::Row& OrderList::at(int row) const {
    if (row < 0 || row >= count())
        throw Error(QStringLiteral("Index out of bounds"));
    return rows_[size_t(row)];
}

OrderList::Row& OrderList::at(int row) {
    if (row < 0 || row >= count())
        throw Error(QStringLiteral("Index out of bounds"));
    return rows_[size_t(row)];
}

void OrderList::changed(int row, int first, int last) {
    if (!rebuilding_)
        emit dataChanged(index(row, first), index(row, last));
}

void OrderList::count_tick(const Row& r, int sign) {
    count_tick(unpack(r, column_of(Field::Sum)), sign);
}

void OrderList::count_tick(const QString& sum, int sign) {
    qint64 amount = 0;
    try {
        amount = read_kopecks(sum).value();
    } catch (const std::exception&) {
        amount = 0; // the list shows what it was given; only a sum counts
    }
    ticked_count_ += sign;
    if (__builtin_add_overflow(ticked_kopecks_, sign * amount, &ticked_kopecks_))
        ticked_kopecks_ = amount * sign > 0 ? std::numeric_limits<qint64>::max()
                                            : std::numeric_limits<qint64>::min();
}

void OrderList::set_sent(int row, const QString& text) {
    if (sent_.size() <= size_t(row))
        sent_.resize(size_t(row) + 1);
    sent_[size_t(row)] = text;
}

void OrderList::drop_rows() {
    rows_.clear();
    rows_.shrink_to_fit();
    sent_.clear();
    ticked_count_ = 0;
    ticked_kopecks_ = 0;
}

void OrderList::clear() {
    beginResetModel();
    drop_rows();
    endResetModel();
    emit ticks_changed();
}

int OrderList::append(const Order& order) {
    const int row = count();
    if (!rebuilding_)
        beginInsertRows(QModelIndex(), row, row);
    Row r;
    pack(r, order);
    r.ticked = order.ticked;
    r.color = order.color;
    rows_.push_back(std::move(r));
    if (!rebuilding_)
        endInsertRows();
    if (order.ticked) {
        count_tick(order[Field::Sum], 1);
        if (!rebuilding_)
            emit ticks_changed();
    }
    return row;
}

Order OrderList::order(int row) const {
    const Row& r = at(row);
    Order o;
    if (r.raw)
        o = *r.raw;
    else
        for (int c = 0; c < kFieldCount; ++c)
            o.texts[size_t(c)] = unpack(r, c);
    o.ticked = r.ticked;
    o.color = r.color;
    return o;
}

void OrderList::set_order(int row, const Order& order, bool words_from_sum) {
    Row& r = at(row);
    const bool counted = r.ticked || order.ticked;
    if (r.ticked)
        count_tick(r, -1);
    pack(r, order);
    if (words_from_sum && r.raw) // kept as given: made now
        r.raw->texts[size_t(column_of(Field::SumWords))] =
            sum_rub_kop(read_kopecks(order[Field::Sum]));
    else
        r.words_from_sum = words_from_sum;
    r.ticked = order.ticked;
    r.color = order.color;
    if (r.ticked)
        count_tick(order[Field::Sum], 1);
    changed(row, 0, kFieldCount - 1);
    if (counted && !rebuilding_)
        emit ticks_changed();
}

QString OrderList::text(int row, Field f) const {
    return unpack(at(row), column_of(f));
}

std::optional<qint32> OrderList::plain_key(int row) const {
    const qint32 key = at(row).key;
    return key >= 0 ? std::optional<qint32>(key) : std::nullopt;
}

void OrderList::set_text(int row, Field f, const QString& text) {
    Order o = order(row);
    o[f] = text;
    set_order(row, o);
}

bool OrderList::ticked(int row) const {
    return at(row).ticked;
}

void OrderList::set_ticked(int row, bool ticked) {
    Row& r = at(row);
    const bool was = r.ticked;
    r.ticked = ticked;
    changed(row, 0, 0);
    if (was != ticked) {
        count_tick(r, ticked ? 1 : -1);
        emit ticks_changed();
    }
}

void OrderList::set_all_ticks(bool ticked) {
    ticked_count_ = 0;
    ticked_kopecks_ = 0;
    for (Row& r : rows_) {
        r.ticked = ticked;
        if (ticked)
            count_tick(r, 1);
    }
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(count() - 1, 0));
    emit ticks_changed();
}

// The views see an empty list until the rebuild ends, so that one asked to draw meanwhile
// (behind a message box) reads no row they have not heard of.
OrderList::Rebuild::Rebuild(OrderList& list) : list_(list) {
    list_.clear();
    list_.rebuilding_ = true;
}

OrderList::Rebuild::~Rebuild() {
    list_.rebuilding_ = false;
    list_.beginResetModel();
    list_.endResetModel();
    emit list_.ticks_changed();
}

void OrderList::Rebuild::restart() {
    list_.drop_rows();
}

void OrderList::Rebuild::append(QByteArray utf8, const std::array<quint32, kFieldCount>& ends,
                                int color, bool words_from_sum) {
    Row& r = list_.rows_.emplace_back();
    utf8.truncate(ends.back());
    r.utf8 = std::move(utf8);
    r.ends = ends;
    r.color = color;
    r.words_from_sum = words_from_sum;
    constexpr int kKey = column_of(Field::OperId);
    r.key =
        plain_digits(r.utf8.constData() + ends[kKey - 1], qsizetype(ends[kKey] - ends[kKey - 1]));
}

int OrderList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int OrderList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kFieldCount;
}

// What has happened to an order, as the list knows it: its printed number (the "N" mark) and
// the colour of a posted payment.
QString OrderList::what_happened(const Row& r, const QString& sent) {
    const QString number = unpack(r, column_of(Field::Number));
    QStringList done;
    done.append(number.startsWith(u'N') ? QStringLiteral("Напечатано под номером ") + number.mid(1)
                                        : QStringLiteral("Не напечатано"));
    if (!sent.isEmpty())
        done.append(sent);
    done.append(r.color != 0 ? QStringLiteral("уплата проведена в карточку")
                             : QStringLiteral("уплата не проведена"));
    return done.join(QStringLiteral("; "));
}

QVariant OrderList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    const Row& r = rows_[size_t(index.row())];
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return col == 0 ? QVariant() : QVariant(unpack(r, col));
    case Qt::CheckStateRole:
        return col == 0 ? QVariant::fromValue(r.ticked ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::TextAlignmentRole:
        if (col == column_of(Field::Sum))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::ToolTipRole:
        return what_happened(r, size_t(index.row()) < sent_.size() ? sent_[size_t(index.row())]
                                                                   : QString());
    case Qt::ForegroundRole: {
        if (col < column_of(Field::Number) || col > column_of(Field::SumWords))
            return {};
        const int bgr = r.color;
        return QBrush(QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff));
    }
    default:
        return {};
    }
}

bool OrderList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole ||
        index.row() >= count())
        return false;
    set_ticked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags OrderList::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant OrderList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kFieldCount)
        return {};
    return QString::fromUtf16(field_table()[size_t(section)].caption);
}

} // namespace tavrelis
