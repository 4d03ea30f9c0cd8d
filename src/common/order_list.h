#pragma once

#include "common/numbers.h"
#include "common/order.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <memory>
#include <optional>
#include <vector>

namespace tavrelis {

// The formed orders of the session, as the formed-orders list shows them: one row an order,
// one column a field (column 0 the tick, 29 the hidden oper_id), the colour of columns 1 to
// 28 the order's. Rows are 0-based here; the windows count them from 1.
//
// Each row keeps its texts packed in one block, so that a list of a hundred thousand orders
// costs about a kilobyte an order rather than thirty separate strings.
class OrderList : public QAbstractTableModel {
    Q_OBJECT
public:
    OrderList();
    ~OrderList() override;

    int count() const { return int(rows_.size()); }
    void clear();
    // Adds an order at the end; returns its row.
    int append(const Order& order);
    // The order of a row; a row that is not there raises "Index out of bounds".
    Order order(int row) const;
    // With words_from_sum, the order's amount in words is left empty, to be made from its
    // amount (a number) when read.
    void set_order(int row, const Order& order, bool words_from_sum = false);
    QString text(int row, Field f) const;
    // The row's oper_id when it is one to nine ASCII digits, as its number, kept beside the
    // row; nothing for any other text.
    std::optional<qint32> plain_key(int row) const;
    void set_text(int row, Field f, const QString& text);
    bool ticked(int row) const;
    void set_ticked(int row, bool ticked);
    void set_all_ticks(bool ticked);
    // The ticked rows and the sum of their amounts (an amount that is not a number counts 0),
    // kept as the ticks and amounts change.
    int ticked_count() const { return ticked_count_; }
    Kopecks ticked_sum() const { return Kopecks(ticked_kopecks_); }
    // Where the order of a row was sent to the bank ("выгружено в банк ..."), for its tooltip,
    // which tells besides whether it is printed and posted; cleared with the list.
    void set_sent(int row, const QString& text);

    // The list filled anew in one go: the rows are gone when it starts, and the views hear of
    // the new ones and of the ticks once, when it ends, however it ends.
    class Rebuild {
    public:
        explicit Rebuild(OrderList& list);
        ~Rebuild();
        Rebuild(const Rebuild&) = delete;
        Rebuild& operator=(const Rebuild&) = delete;
        // Appends an unticked row of texts given in UTF-8, one after another in column order,
        // ends[c] where column c ends. Bytes that are not UTF-8 read as the rest of Qt reads
        // them; the row keeps the block, cut at the last end. With words_from_sum, the amount
        // in words is made from the amount when it is read, and must then be left empty; the
        // amount must then be a number.
        void append(QByteArray utf8, const std::array<quint32, kFieldCount>& ends, int color,
                    bool words_from_sum);
        // Empty again, to be filled another way.
        void restart();
        void reserve(int rows) { list_.rows_.reserve(size_t(rows)); }

    private:
        OrderList& list_;
    };

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void ticks_changed();

private:
    struct Row {
        QByteArray utf8;                         // the texts one after another
        std::array<quint32, kFieldCount> ends{}; // where each text ends in utf8
        std::unique_ptr<Order> raw;              // texts UTF-8 cannot carry exactly
        bool ticked = false;
        bool words_from_sum = false; // the amount in words made when it is read
        int color = 0;
        qint32 key = -1; // the oper_id of plain digits, else -1
    };
    static void pack(Row& row, const Order& order);
    static QString unpack(const Row& row, int column);
    static QString what_happened(const Row& r, const QString& sent);
    const Row& at(int row) const;
    Row& at(int row);
    void changed(int row, int first, int last);
    // Adds (sign 1) or takes away (-1) a ticked row from the totals.
    void count_tick(const Row& r, int sign);
    void count_tick(const QString& sum, int sign);

    void drop_rows();
    std::vector<Row> rows_;
    std::vector<QString> sent_; // by row, where known
    bool rebuilding_ = false;
    int ticked_count_ = 0;
    qint64 ticked_kopecks_ = 0;
};

// A row appended at once and written on leaving the scope, whether its filling ended or
// failed: the list shows an order as far as it got, as a list filled cell by cell would.
class OrderRow {
public:
    explicit OrderRow(OrderList& list) : list_(list), row_(list.append(Order{})) {}
    ~OrderRow() { list_.set_order(row_, order, words_from_sum); }
    OrderRow(const OrderRow&) = delete;
    OrderRow& operator=(const OrderRow&) = delete;

    Order order;
    bool words_from_sum = false; // as set_order takes it

private:
    OrderList& list_;
    int row_;
};

// The session's formed orders: forming fills them, the formed-orders window shows them.
OrderList& formed_orders();

// The formed-orders window as the forming sees it. The window lives above the forming and
// registers itself; the forming makes it exist and sets its run options for an export run.
class OrdersWindow {
public:
    virtual void prepare_export_run() = 0;

protected:
    ~OrdersWindow() = default;
};
using OrdersWindowAccessor = OrdersWindow& (*)();
bool set_orders_window(OrdersWindowAccessor accessor);
// The registered window, made on first use; an error when none is registered.
OrdersWindow& orders_window();

} // namespace tavrelis
