#pragma once

#include <QTest>

// A row of a data table on one line: its tag, then its values in the columns' order.
template <class... Values> void row(const char* tag, const Values&... values) {
    (QTest::newRow(tag) << ... << values);
}
