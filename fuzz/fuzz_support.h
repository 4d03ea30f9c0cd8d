#pragma once

// What every fuzz target shares: a broken property aborts with a readable message, so
// libFuzzer keeps the input as a crash like any sanitizer finding.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzzsupport {

[[noreturn]] inline void fail(const char* property, const QString& detail = QString()) {
    std::fprintf(stderr, "\nproperty broken: %s\n%s\n", property, detail.toUtf8().constData());
    std::abort();
}

inline void check(bool holds, const char* property, const QString& detail = QString()) {
    if (!holds)
        fail(property, detail);
}

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QString utf8(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace fuzzsupport
