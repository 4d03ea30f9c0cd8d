#pragma once

#include <QDate>
#include <QString>

#include "common/order.h"

#include <optional>

namespace tavrelis {

// Posts the payment of an order (one accrual's) into the settlement card of the accrual it
// pays: a payment operation of the accrual's card part, dated today, with the order's amount,
// number and date; the order is then marked as posted. Returns the card, or nothing when the
// order was posted before: it is never posted again, and the notice says so, unless "Да для
// всех" was given earlier in the run (shared().otvet 2). The payment and the mark are made
// together or not at all. No handler of its own: a failing statement raises.
std::optional<qint32> post_payment(const Order& o);

// The date a list text dd.mm.yyyy stands for; raises an error when it is not a date.
QDate order_date(const QString& text);

// The oper_id of a list row's column 29; raises an error when it is not a whole number.
qint64 row_oper_id(const QString& text);

} // namespace tavrelis
