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

// An amount of money in whole kopecks. An order's amount is read into one such value once,
// and its figures and its words are both written from it, so that they cannot disagree.
class Kopecks {
public:
    constexpr Kopecks() = default;
    constexpr explicit Kopecks(qint64 value) : value_(value) {}
    constexpr qint64 value() const { return value_; }
    constexpr bool negative() const { return value_ < 0; }
    // Whole roubles and the kopecks of the magnitude.
    constexpr qint64 roubles() const { return qint64(magnitude() / 100); }
    constexpr int kopecks() const { return int(magnitude() % 100); }
    friend constexpr bool operator==(Kopecks, Kopecks) = default;

private:
    constexpr quint64 magnitude() const {
        return value_ < 0 ? 0 - quint64(value_) : quint64(value_);
    }
    qint64 value_ = 0;
};

// A number text (what read_number reads) rounded to whole kopecks, halves to the even kopeck.
// The tie is decided on the digits as written, not on the nearest double: "0.135" gives 0,14
// and "10,125" gives 10,12. Throws Error("Type mismatch") for a text that is not a number and
// Error("Overflow") past 64 bits of kopecks.
Kopecks round_kopecks(const QString& text);

// A number held by the host, rounded the same way on its shortest decimal text (the digits
// that read back as the same double): 0.125 gives 0,12. An infinity or NaN is not a number:
// Error("Type mismatch"); Error("Overflow") past 64 bits of kopecks.
Kopecks to_kopecks(double amount);

// The kopecks of a number text as written: digits after the second decimal are dropped
// ("10,999" gives 10,99), as the amount in words reads them. Errors as round_kopecks.
Kopecks read_kopecks(const QString& text);

// The amount text of kopecks, as razr writes a text: "1 234 567,80", "-0,12".
QString razr(Kopecks amount);

// Kopecks written as the platform writes a double: "1500", "10,5", "0,05", "-3,25".
QString number_text(Kopecks amount);

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

// n and the word in the form the number asks for: 1 лист, 3 листа, 5 листов, 21 лист.
QString count_text(qint64 n, const QString& one, const QString& few, const QString& many);

} // namespace tavrelis
