// The coded payment fields on any list position and any text: the period indicator, the KBK
// with its operation digit and the lookups beside them.

#include "forming/codes.h"
#include "fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace tavrelis;
using fuzzsupport::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int type = in.ConsumeIntegral<int>();
    const int pos = in.ConsumeIntegral<int>();
    const std::string raw = in.ConsumeRemainingBytesAsString();
    const QString text = QString::fromUtf8(raw.data(), qsizetype(raw.size()));
    const QString detail = QString::number(type) + " " + QString::number(pos) + " " + text;

    const QString period = period_indicator(type, text);
    check(period.endsWith(text.right(4)), "the period indicator ends in the year", detail);
    static const QStringList prefixes{"МС.", "КВ.", "ПЛ.", "ГД.01."};
    if (type >= 0 && type < prefixes.size())
        check(period.startsWith(prefixes[type]), "the period indicator names its type", detail);
    else
        check(period == text.right(4), "no period type gives the year alone", detail);

    const QString kbk = kbk_with_operation(text, pos);
    const qsizetype at = qMin<qsizetype>(text.size(), 13);
    check(kbk.size() == (text.size() >= 14 ? text.size() : at + 1), "the KBK keeps its length",
          detail + " -> " + kbk);
    check(kbk.left(at) == text.left(at) && kbk.mid(at + 1) == text.mid(14),
          "only the operation digit changes", detail + " -> " + kbk);
    check(kbk[at] >= u'0' && kbk[at] <= u'4', "the operation digit is 0..4", detail + " -> " + kbk);

    const int digit = operation_digit(pos);
    check(digit >= 0 && digit <= 3, "operation_digit is 0..3", detail);
    const int implied = operation_type_for_payment_type(pos);
    check(implied >= -1 && implied < operation_type_items().size(),
          "the implied operation type is a list position", detail);
    const int period_type = period_type_for_period(text);
    check(period_type >= 0 && period_type < period_type_items().size(),
          "the implied period type is a list position", detail);
    check(basis_code(pos).isEmpty() == (pos < 0 || pos >= basis_items().size()),
          "a basis code for every basis position", detail);
    check(payment_type_code(pos).isEmpty() == (pos < 0 || pos >= payment_type_items().size()),
          "a payment type code for every payment type position", detail);
    return 0;
}
