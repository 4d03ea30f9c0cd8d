#pragma once

#include <QDate>
#include <QString>

#include "common/order.h"

namespace tavrelis {

namespace data {
class Recordset;
}

// What one forming run hands to the composing of each of its orders.
struct FormingRun {
    QString tax_code;           // the chosen tax's code, as stored in the settlements cards
    bool fact_payments = false; // whether the host keeps the table fact_payments
};

// An amount rounded to two decimals, ties to the even digit, as a plain decimal text with a
// comma ("1234,50", "-0,12"). The tie is decided on the digits of the text itself, not on a
// binary double: the database's 0.135 reads as the text "0.135" (the shortest text that reads
// back as the same double) and is a tie, so it goes to 0,14, while the double itself lies a
// hair above 0.135. Accepts what read_number accepts; Error("Type mismatch") otherwise.
QString round_amount(const QString& amount);

// The value of a rounded amount text, for the amount in words.
double amount_value(const QString& rounded);

// Dates as the list and the statements carry them: dd.mm.yyyy.
QString list_date(const QDate& d);

// Composes a new order for the current row of the accrual query (fields: summa, report-set
// id, tax code, docum_date, oper_id) into the order, whose number and oper_id are already
// set, and stores it in payments. A null amount, oper_id or copied requisites field, or a
// report set the window does not know, raises an error; the order then stays as far as it
// was filled.
void compose_order(Order& o, const data::Recordset& accrual, const FormingRun& run);

// Refreshes a kept order that is not yet paid: the order, filled from the stored one, takes
// the window's current kind, priority, codes and dates, and is written back.
void refresh_order(Order& o);

} // namespace tavrelis
