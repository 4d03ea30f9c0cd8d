#pragma once

#include "platform/errors.h"

#include <QTest>

// Shapes the test cases share.

// A row of a data table on one line: its tag, then its values in the columns' order.
template <class... Values> void row(const char* tag, const Values&... values) {
    (QTest::newRow(tag) << ... << values);
}

// The description of the error a call raises; empty when it returns.
template <class Call> QString error_of(Call&& call) {
    try {
        call();
    } catch (const tavrelis::Error& e) {
        return e.description();
    }
    return {};
}
