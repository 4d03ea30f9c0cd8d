#pragma once

#include "common/order.h"

#include <QString>

namespace tavrelis {

// Writes an order as a workbook: a copy of template.xls
// from the module's folder whose first sheet gets the 28 list texts in column B, treated as
// in the XML export, saved under path. A fresh spreadsheet instance is started and quit for
// every call. True when the workbook was saved; a missing or unsupported spreadsheet program
// and any other failure are reported in a box, and give false.
bool out_excel(const QString& path, const Order& o);

} // namespace tavrelis
