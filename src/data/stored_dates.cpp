// The host keeps a date as its ISO text, yyyy-mm-dd, so that dates compare, sort and join
// alike on both engines; the module reads and writes dd.mm.yyyy.

#include "data/stored_dates.h"

#include "platform/errors.h"

#include <QDate>

#include <cstring>

namespace tavrelis::data {

namespace {

// ---------------------------------------------------------------------------------------------
// Dates

bool all_digits(const char* p, int n) {
    for (int i = 0; i < n; ++i)
        if (p[i] < '0' || p[i] > '9')
            return false;
    return true;
}

int number_of(const char* p, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

// Reads a run of 1..max digits at p; returns how many were read.
int read_digits(const char* p, const char* end, int max, int& value) {
    int n = 0;
    while (p + n < end && n < max && p[n] >= '0' && p[n] <= '9')
        ++n;
    value = number_of(p, n);
    return n;
}

// A date text as d.m.yyyy (also with '/'), or ISO yyyy-mm-dd, either possibly followed by a
// time after a blank or a 'T'. Writes the ISO form into out (11 bytes); false when not a date.
bool parse_date(const char* p, int len, char* out) {
    const char* end = p + len;
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    while (end > p && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    int y = 0, m = 0, d = 0;
    const char* q = p;
    int n = read_digits(q, end, 4, y);
    if (n == 4 && q + n < end && q[n] == '-') {
        q += n + 1;
        if ((n = read_digits(q, end, 2, m)) == 0 || q + n >= end || q[n] != '-')
            return false;
        q += n + 1;
        if ((n = read_digits(q, end, 2, d)) == 0)
            return false;
        q += n;
    } else {
        d = y;
        if (n == 0 || n > 2 || q + n >= end || (q[n] != '.' && q[n] != '/'))
            return false;
        const char sep = q[n];
        q += n + 1;
        if ((n = read_digits(q, end, 2, m)) == 0 || q + n >= end || q[n] != sep)
            return false;
        q += n + 1;
        if ((n = read_digits(q, end, 4, y)) != 4)
            return false;
        q += n;
    }
    if (q != end && *q != ' ' && *q != 'T')
        return false;
    if (!QDate::isValid(y, m, d) || y < 1)
        return false;
    const auto digit = [](int v) { return char('0' + v % 10); };
    const char iso[] = {digit(y / 1000), digit(y / 100), digit(y / 10), digit(y),      '-',
                        digit(m / 10),   digit(m),       '-',           digit(d / 10), digit(d)};
    std::memcpy(out, iso, 10);
    out[10] = '\0';
    return true;
}

} // namespace

bool shown_date(const char* p, int len, char (&out)[10]) {
    if (len >= 10 && all_digits(p, 4) && p[4] == '-' && all_digits(p + 5, 2) && p[7] == '-' &&
        all_digits(p + 8, 2) && (len == 10 || p[10] == ' ' || p[10] == 'T')) {
        const char shown[10] = {p[8], p[9], '.', p[5], p[6], '.', p[0], p[1], p[2], p[3]};
        std::memcpy(out, shown, 10);
        return true;
    }
    return false;
}

QString stored_date(const QString& text) {
    const QByteArray b = text.toUtf8();
    char iso[11];
    if (!parse_date(b.constData(), int(b.size()), iso))
        throw Error(QStringLiteral("format: not a date: '%1'").arg(text));
    return QString::fromLatin1(iso, 10);
}

QVariant stored_date_or_null(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(stored_date(text));
}

} // namespace tavrelis::data
