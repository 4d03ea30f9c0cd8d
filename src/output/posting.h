#pragma once

#include <QDate>
#include <QString>

namespace tavrelis {

// Posts the payment of the order in the current row of form2().L1 into the settlement card
// of the accrual it pays: a payment operation of the accrual's card part, dated today, with
// the order's amount, number and date; the order is then marked as posted. An order already
// posted is never posted again: the notice says so, unless "Да для всех" was given earlier in
// the run (shared().otvet 2). Counts the operation in ops_count and a card not counted yet in
// cards and cards_count, and sets suc. The payment and the mark are made together or not at
// all. No handler of its own: a failing statement raises.
void post_payment();

// The date a list text dd.mm.yyyy stands for; raises an error when it is not a date.
QDate order_date(const QString& text);

// The oper_id of a list row's column 29; raises an error when it is not a whole number.
qint64 row_oper_id(const QString& text);

} // namespace tavrelis
