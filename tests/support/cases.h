#pragma once

#include "platform/errors.h"

#include <QTest>

#include <tuple>
#include <utility>

// Shapes the test cases share.

namespace cases_detail {
// A table's columns are named by their places: a test takes its values back in the same order.
inline const char* const kColumn[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

template <class... Types, std::size_t... I> std::tuple<Types...> fetch(std::index_sequence<I...>) {
    return {*static_cast<Types*>(QTest::qData(kColumn[I], qMetaTypeId<Types>()))...};
}
} // namespace cases_detail

// The columns of a data table, by their types, named in a comment beside them; the test names
// them where it fetches.
template <class... Types> void columns() {
    static_assert(sizeof...(Types) <= std::size(cases_detail::kColumn));
    std::size_t i = 0;
    (QTest::addColumn<Types>(cases_detail::kColumn[i++]), ...);
}

// The current row's values: `auto [a, b] = fetch<A, B>();` with the types of `columns`.
template <class... Types> std::tuple<Types...> fetch() {
    return cases_detail::fetch<Types...>(std::index_sequence_for<Types...>());
}

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
