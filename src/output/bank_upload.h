#pragma once

#include "common/order.h"
#include "common/requisites.h"

#include <QDateTime>
#include <QString>

namespace tavrelis {

// An order of the formed-orders list as the checks and the exchange file take it: its texts
// as the list shows them, number_ the number as shown.
BankOrderFields bank_order_fields(const Order& order);

// The exchange file's name in a folder (which ends in a separator), without ".txt":
// "to_bank_", the payer's INN, "_", the moment as yyyyMMdd_HHmmss. A file of that name already
// there makes the upload's "_1", "_2", …, decided when the file is put in place.
QString bank_file_base(const QString& folder, const QString& payer_inn, const QDateTime& moment);

// Settles the uploads that ended half-way (see settle_claims), tells the user what became of
// their orders and moves the number counter past the numbers sent; true when orders were
// recorded as sent, so that the list must be rebuilt.
bool settle_uploads();
// The same when the formed-orders window opens: the list rebuilt when anything was settled, a
// failure reported in the module's error box.
void settle_uploads_or_say();

// "Выгрузить в банк-клиент" in the formed-orders window: the ticked orders sent before or paid
// left out unless the user says to send them again, the rest checked, shown in Form7 when a
// check finds a problem, numbered as a print run numbers them, claimed in the journal, written
// in one exchange file in the export folder; only once the file is complete are they recorded
// as printed and sent, the counter written at once and the list rebuilt. Then the question
// whether to open the folder.
void Command11_Click();

} // namespace tavrelis
