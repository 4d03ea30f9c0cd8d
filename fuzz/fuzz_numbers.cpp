// Number texts: read_number, razr, bez_razr, clean_number on any text, and number_text on
// whatever value was read.

#include "common/numbers.h"
#include "fuzz_support.h"
#include "platform/errors.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

using namespace tavrelis;
using fuzzsupport::check;

namespace {

const QRegularExpression
    amount_shape(QStringLiteral("^-?(0|[1-9][0-9]{0,2}( [0-9]{3})*),[0-9]{2}$"));
const QRegularExpression number_shape(QStringLiteral("^-?[0-9]+(,[0-9]*[1-9])?$"));

void razr_properties(const QString& text, bool is_number) {
    QString r;
    try {
        r = razr(text);
    } catch (const Error& e) {
        check(!is_number, "razr refuses a text read_number reads", text);
        check(e.description() == QStringLiteral("Type mismatch"), "razr fails otherwise",
              e.description());
        return;
    }
    check(amount_shape.match(r).hasMatch(), "razr gives an amount text", text + " -> " + r);
    check(r != QStringLiteral("-0,00"), "razr gives a signed zero", text);
    check(razr(r) == r, "razr of an amount text is itself", r);
}

void clean_number_properties(const QString& text) {
    const QString rest = text.contains(u'N') ? text.mid(1) : text;
    double v = 0;
    const bool is_number = read_number(rest, v);
    try {
        const qint32 n = clean_number(text);
        check(is_number, "clean_number takes a non-number", text);
        check(std::fabs(double(n) - v) <= 0.5, "clean_number rounds to a neighbour", text);
    } catch (const Error& e) {
        if (e.description() == QStringLiteral("Overflow"))
            check(is_number && std::fabs(v) > 2147483647.0, "clean_number overflows in range",
                  text);
        else
            check(e.description() == QStringLiteral("Type mismatch") && !is_number,
                  "clean_number fails otherwise", text + " : " + e.description());
    }
}

void number_text_properties(double v) {
    const QString t = number_text(v);
    check(t == QStringLiteral("0") || number_shape.match(t).hasMatch(),
          "number_text gives a plain number", t);
    double w = 0;
    check(read_number(t, w), "number_text reads back", t);
    const double tolerance = std::fabs(v) * 1e-14 + std::numeric_limits<double>::denorm_min();
    check(std::fabs(w - v) <= tolerance, "number_text keeps 15 digits", t);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzzsupport::utf8(data, size);

    double v = 0;
    const bool is_number = read_number(text, v);
    if (is_number) {
        check(std::isfinite(v), "read_number gives a finite value", text);
        number_text_properties(v);
    }
    razr_properties(text, is_number);
    clean_number_properties(text);

    const QString plain = bez_razr(text);
    check(!plain.contains(u' ') && plain.size() == text.size() - text.count(u' '),
          "bez_razr removes the blanks and only them", text);
    return 0;
}
