#pragma once

#include "common/requisites.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace tavrelis {

// The number an order goes to the bank under, from column 1 as the list shows it: a printed
// order keeps its stored number ("N15" gives "15"). Throws Error("Type mismatch") for a text
// that is no number (see clean_number).
QString exchange_number(const QString& shown);

// The list's amount text as the exchange file writes it: no blanks (no-break ones neither),
// a decimal point ("1 234,50" gives "1234.50").
QString exchange_amount(const QString& sum);

// The whole bank-client exchange file (1CClientBankExchange, format 1.03) for the orders, in
// their order: header, one "Платежное поручение" section per order, "КонецФайла". Every order
// is written under the number that its number_ holds, which the caller fixes beforehand.
// created gives the file's creation date and time. The period is that of the orders' payment
// dates (those that are dates; the creation date when none is); one РасчСчет line per
// distinct non-empty payer account, in order of first appearance.
// Bytes in windows-1251, "?" for a character without a code, CR LF after every line, no
// byte-order mark. Inside a value a CR LF pair or another control character (see
// control_character) becomes one blank. An empty status is payer_status's, an empty code
// and an empty document date "0".
QByteArray bank_exchange_file(const QList<BankOrderFields>& orders, const QDateTime& created);

} // namespace tavrelis
