// The Access dialect on any statement text: translate_access, and beside it the two texts
// every statement is built with, sql_quote and the connection string's Dbq.

#include "data/connection.h"
#include "data/dialect.h"
#include "fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace tavrelis;
using fuzzsupport::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string raw_value = in.ConsumeRandomLengthString(256);
    const std::string raw_sql = in.ConsumeRemainingBytesAsString();
    const QString value = QString::fromUtf8(raw_value.data(), qsizetype(raw_value.size()));
    const QString sql = QString::fromUtf8(raw_sql.data(), qsizetype(raw_sql.size()));

    const QString out = data::translate_access(sql);
    if (!sql.contains(u'&'))
        check(out == sql, "a statement without & is left alone", sql);
    // Every & outside a quoted text is gone, so a second pass finds nothing to do; groups
    // nested past what the engine takes are left as written.
    if (sql.count(u'(') < 256)
        check(data::translate_access(out) == out, "one pass translates every &",
              sql + "\n -> " + out);

    // A quoted value stays one literal whatever it holds: joined, it needs no guard.
    const QString literal = u'\'' + data::sql_quote(value) + u'\'';
    check(data::translate_access(QStringLiteral("a & ") + literal) ==
              QStringLiteral("ifnull(a,'')||") + literal,
          "a quoted value is one literal", value);

    // The connection string of a path names that path again.
    const QString dbq = data::dbq_of(sql);
    check(dbq.isEmpty() || sql.contains(QStringLiteral("dbq"), Qt::CaseInsensitive),
          "Dbq comes from a Dbq part", sql);
    check(data::dbq_of(data::access_connection_string(value)) == value,
          "the connection string of a path names it", value);
    return 0;
}
