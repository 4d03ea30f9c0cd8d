#pragma once

#include "common/order.h"

#include <QString>

namespace tavrelis {

// The text with the five XML special characters replaced by their entities, "&" first, so
// that the entities put in are not escaped again; an entity already in the text is. The
// escaped text is also left in S.
QString xml_escape(QString& S);

// Text of a field as both export writers put it in: the amount without its blanks, the six
// free-text fields escaped, the rest as the list shows them.
QString export_text(Field f, const QString& text);

// The fields both export writers put out, in document order: the number to the amount in
// words.
constexpr Field kFirstExported = Field::Number;
constexpr Field kLastExported = Field::SumWords;

// Writes an order to path as the 31-line XML document, in
// windows-1251 with CR LF line ends, replacing a file of that name. A character with no
// windows-1251 code is written as "?". Raises an error when the row or the file fails; a
// file already begun stays as far as it was written.
void out_xml(const QString& path, const Order& o);

} // namespace tavrelis
