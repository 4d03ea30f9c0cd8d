#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "common/order.h"
#include "common/shared.h"
#include "output/save_data.h"

namespace tavrelis {

// The print loop over the orders of the ticked rows of form2().L1, the way every run of
// "Выполнить" goes, telling in tally what it did:
//  - only_xml false: a print run (numbers, preview when "С предпросмотром" is ticked, output
//    step, printout);
//  - only_xml true, pay false: an export run; only_xml and pay: a posting run (output step
//    only, nothing printed).
// Each ticked order is filled into the word-processor template and opened in the word
// processor. Numbers come from shared().nomer and are used up only by sheets really printed;
// "N" numbers are kept. False when the run was abandoned because the word processor is of an
// unsupported version: the formed-orders window is then closed and the caller must not go on.
// Every other failure is reported in the module's print error box, and true is returned.
bool pechat(const OutputOptions& options, RunTally& tally);

// The 27 fields the template shows, in the order their keys are filled; each field's key
// is in the field table.
const QList<Field>& template_fields();

// The bytes a list text goes into the template as for a key: UTF-8 of the text for the named
// fields, the amount with its blanks removed and "-" for the decimal comma, and every other
// text one byte per character as the list shows it.
QByteArray template_value(const QString& key, const QString& text);

// Fills the 27 keys of the template buffer from an order, and the payer's status (field 101)
// where the template has a key for it.
void fill_keys(const Order& o);

// The name a printed sheet goes under: the payer's INN, "_N", the number and "_" with the
// order date as yyyymmdd, as the export file is named; without the date part when the date
// cannot be read.
QString sheet_name(const Order& o);

} // namespace tavrelis
