#pragma once

#include "common/order.h"

#include <QList>

namespace tavrelis {

class Form2;

// One payment order a run issues: the 1-based rows of the list it stands for, in list order,
// and the texts it goes out with. A single tax payment is one order for all the ticked
// accruals of one payer account and payment date (and, once printed, one number): the first
// row's texts with the total amount and its words. Every other row, and a single tax payment
// already paid (so that it is never paid again with the others), is an order of its own.
struct IssuedOrder {
    QList<int> rows;
    Order order;
    QList<Order> members; // the orders of rows, each with its own accrual and amount
};

// The orders of the ticked rows, in the order of their first rows.
QList<IssuedOrder> issued_orders(const Form2& f2);

} // namespace tavrelis
