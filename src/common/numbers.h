#pragma once

#include <QString>

class QComboBox;

namespace tavrelis {

// Number texts in the Russian form the module shows and stores, whatever the machine's
// locale: decimal comma, digit groups separated by blanks.

// Reads a number text: optional sign, digits (blanks between them are group separators),
// optionally "," or "." and more digits. Surrounding blanks are ignored. No exponent, no
// "inf"/"nan". False when the text is not such a number.
bool read_number(const QString& text, double& value);

// The amount as the platform writes a double: at most 15 significant digits, decimal comma,
// no exponent, no trailing zeros after the comma ("10000000,29", "0,5", "-3", "0").
// Infinity and NaN give "inf", "-inf" and "nan".
QString number_text(double value);

// Amount text: whole roubles in groups of three digits separated by one blank, "," and
// exactly two kopeck digits ("1 234 567,80"). The kopecks are the first two digits after
// the separator of the text itself, never rounded. A negative amount keeps its "-".
// Throws Error("Type mismatch") for an empty or non-numeric text.
QString razr(const QString& S);

// The text with every blank (U+0020) removed.
QString bez_razr(const QString& S);

// Order number text, possibly with the printed mark "N": when "N" is anywhere in it the
// first character is dropped. The rest, blanks around it ignored, is read as a number and
// rounded to a whole one as the platform does (halves to even). Throws Error("Type
// mismatch") for an empty or non-numeric text and Error("Overflow") outside 32 bits.
qint32 clean_number(const QString& S);

// Selects the first entry of obj whose text equals str exactly; no match leaves the
// selection as it is. The change runs the list's click behaviour (currentIndexChanged).
void number(QComboBox* obj, const QString& str);

} // namespace tavrelis
