#pragma once

#include <QString>
#include <QVariantList>

namespace tavrelis::data {

// A statement with its literals lifted out: the text with a "?" where each literal stood,
// and the literals' values in order (a text as QString, a whole number as qlonglong).
struct Lifted {
    QString shape;
    QVariantList values;
};

// Lifts the string and number literals of a statement out into parameters, so that texts
// that differ only in their values share one compiled statement and a value is never read
// as SQL (an apostrophe, a NUL). The meaning stays: a sign stays an operator before its
// number; quoted names ("..." and [...]), comments, hexadecimal numbers and the numbers of
// ORDER BY and GROUP BY (which name result columns), blobs and reals are left as written.
Lifted lift_literals(const QString& sql);

// Whether the statement's literals are values to lift: a select, insert, update or delete; a
// schema change or a setting runs as written.
bool carries_values(const QString& sql);

} // namespace tavrelis::data
