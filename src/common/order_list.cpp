#include "common/order_list.h"

#include "common/session.h"
#include "platform/errors.h"

#include <QBrush>
#include <QColor>

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

void OrderList::pack(Row& row, const Order& order) {
    row.raw.reset();
    row.utf8.clear();
    for (const QString& t : order.texts) {
        // A lone surrogate would not come back from UTF-8 as it went in.
        if (!t.isEmpty() && !QStringView(t).isValidUtf16()) {
            row.raw = std::make_unique<Order>(order);
            row.utf8.clear();
            row.utf8.squeeze();
            return;
        }
    }
    qsizetype size = 0;
    for (const QString& t : order.texts)
        size += t.size();
    row.utf8.reserve(size + size / 2);
    for (int c = 0; c < kFieldCount; ++c) {
        row.utf8 += order.texts[size_t(c)].toUtf8();
        row.ends[size_t(c)] = quint32(row.utf8.size());
    }
    row.utf8.squeeze();
}

QString OrderList::unpack(const Row& row, int column) {
    if (row.raw)
        return row.raw->texts[size_t(column)];
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
    emit dataChanged(index(row, first), index(row, last));
}

void OrderList::clear() {
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    endResetModel();
}

int OrderList::append(const Order& order) {
    const int row = count();
    beginInsertRows(QModelIndex(), row, row);
    Row r;
    pack(r, order);
    r.ticked = order.ticked;
    r.color = order.color;
    rows_.push_back(std::move(r));
    endInsertRows();
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

void OrderList::set_order(int row, const Order& order) {
    Row& r = at(row);
    pack(r, order);
    r.ticked = order.ticked;
    r.color = order.color;
    changed(row, 0, kFieldCount - 1);
}

QString OrderList::text(int row, Field f) const {
    return unpack(at(row), column_of(f));
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
    at(row).ticked = ticked;
    changed(row, 0, 0);
}

void OrderList::set_all_ticks(bool ticked) {
    for (Row& r : rows_)
        r.ticked = ticked;
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(count() - 1, 0));
}

int OrderList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int OrderList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kFieldCount;
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
