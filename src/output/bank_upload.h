#pragma once

#include "common/order.h"
#include "common/requisites.h"

#include <QDateTime>
#include <QString>

namespace tavrelis {

// An order of the formed-orders list as the checks and the exchange file take it: its texts
// as the list shows them, number_ the number as shown.
BankOrderFields bank_order_fields(const Order& order);

// The exchange file's name in a folder (which ends in a separator): "to_bank_", the payer's
// INN, "_", the moment as yyyyMMdd_HHmmss, ".txt"; while a file of that name is there, "_1",
// "_2", … before ".txt".
QString bank_file_name(const QString& folder, const QString& payer_inn, const QDateTime& moment);

// "Выгрузить в банк-клиент" in the formed-orders window: the ticked orders checked, shown in
// Form7 when a check finds a problem, numbered as a print run numbers them and written in one
// exchange file in the export folder; only once the file is complete are they recorded as
// printed, the counters moved on and the list rebuilt. Then the question whether to open the
// folder.
void Command11_Click();

} // namespace tavrelis
