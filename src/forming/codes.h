#pragma once

#include <QString>
#include <QStringList>

// The coded fields of a tax payment order. The formation window offers each as a list of
// plain-language choices; these tables turn a list position (zero-based, -1 for nothing
// chosen) into the value stored in the order. No state, no database.

namespace tavrelis {

// Items of the drop-downs, in list order.
const QStringList& basis_items();          // Combo8 "Основание платежа"
const QStringList& payment_type_items();   // Combo9 "Тип платежа"
const QStringList& kind_items();           // Combo6 "Вид платежа"
const QStringList& priority_items();       // Combo7 "Очередность платежа"
const QStringList& period_type_items();    // Combo10 "Тип периода"
const QStringList& operation_type_items(); // Combo4 "Тип операции"

// Basis code ("ТП", "ЗД", ...) of a Combo8 position; empty outside 0..10.
QString basis_code(int pos);
// Payment type code ("НС", ..., "0") of a Combo9 position; empty outside 0..10.
QString payment_type_code(int pos);
// Payment kind: the chosen text for positions above 0; "<не заполнено>" and no choice are empty.
QString kind_text(int pos, const QString& text);
// Priority: the chosen text for any chosen position, else empty.
QString priority_text(int pos, const QString& text);

// Tax period indicator from a Combo10 position and the period text ("II квартал 2010" with
// quarters gives "КВ.02.2010"); with no period type, the year alone.
QString period_indicator(int type, const QString& period);

// Operation digit of the KBK for a Combo4 position: 1, 2 or 3 for positions 0..2; 0 for
// "Пусто" and no choice, which form no orders.
int operation_digit(int pos);
// The KBK with its fourteenth character replaced by position + 1 (0 with nothing chosen);
// a KBK shorter than 14 characters gets the digit appended.
QString kbk_with_operation(const QString& kbk, int pos);

// The Combo4 position a Combo9 position implies; -1 leaves Combo4 as it is.
int operation_type_for_payment_type(int pos);
// The Combo10 position a period text implies: quarters, half-years, "иное" or months.
int period_type_for_period(const QString& period);

} // namespace tavrelis
