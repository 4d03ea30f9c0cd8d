#pragma once

#include <QString>
#include <QVariant>

namespace tavrelis::data {

// A stored DATE value as the module reads it: dd.mm.yyyy, written to out; false when the text
// is not ISO, and then it reads as it is.
bool shown_date(const char* p, int len, char (&out)[10]);

// The value a DATE column stores for a date the module writes as d.m.yyyy (or '/' between, or
// already ISO, either possibly followed by a time): its ISO text. A text that is no date raises
// "format: not a date: '<text>'", the words the host's own date function gives.
QString stored_date(const QString& text);
// The same, an empty text stored as null.
QVariant stored_date_or_null(const QString& text);

} // namespace tavrelis::data
