#include "data/literals.h"

#include <cstring>

namespace tavrelis::data {

namespace {

bool word_char(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

bool digit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Whether the word ending just before i, with blanks between, is w (any case).
bool word_before(const QString& s, qsizetype i, QStringView w) {
    while (i > 0 && s[i - 1].isSpace())
        --i;
    const qsizetype end = i;
    while (i > 0 && word_char(s[i - 1]))
        --i;
    return QStringView(s).mid(i, end - i).compare(w, Qt::CaseInsensitive) == 0;
}

// X'..' is a blob, not a text: it stays as written.
bool blob_prefix(const QString& s, qsizetype quote) {
    const QChar x = s[quote - 1];
    return (x == u'x' || x == u'X') && (quote < 2 || !word_char(s[quote - 2]));
}

} // namespace

bool carries_values(const QString& sql) {
    qsizetype i = 0;
    while (i < sql.size() && sql[i].isSpace())
        ++i;
    const QStringView rest = QStringView(sql).mid(i, 7);
    for (const char* w : {"select", "insert", "update", "delete", "with"}) {
        const qsizetype n = qsizetype(std::strlen(w));
        if (rest.size() >= n &&
            rest.left(n).compare(QLatin1StringView(w), Qt::CaseInsensitive) == 0 &&
            (rest.size() == n || !(rest[n].isLetterOrNumber() || rest[n] == u'_')))
            return true;
    }
    return false;
}

Lifted lift_literals(const QString& sql) {
    Lifted out;
    QString& shape = out.shape;
    shape.reserve(sql.size());
    const qsizetype n = sql.size();
    bool numbers = true; // past ORDER BY or GROUP BY numbers name columns
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == u'\'' && (i == 0 || !blob_prefix(sql, i))) {
            QString value;
            qsizetype j = i + 1;
            bool closed = false;
            while (j < n) {
                if (sql[j] == u'\'') {
                    if (j + 1 < n && sql[j + 1] == u'\'') {
                        value += u'\'';
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                value += sql[j++];
            }
            if (!closed) { // the engine reports it on the text as written
                shape += QStringView(sql).mid(i);
                break;
            }
            shape += u'?';
            out.values.append(value);
            i = j;
        } else if (c == u'\'') { // a blob
            const qsizetype e = sql.indexOf(u'\'', i + 1);
            const qsizetype j = e < 0 ? n : e + 1;
            shape += QStringView(sql).mid(i, j - i);
            i = j;
        } else if (c == u'"' || c == u'[' || c == u'`') {
            const QChar close = c == u'[' ? u']' : c;
            qsizetype j = i + 1;
            while (j < n && sql[j] != close)
                ++j;
            j = qMin(j + 1, n);
            shape += QStringView(sql).mid(i, j - i);
            i = j;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            qsizetype j = i;
            while (j < n && sql[j] != u'\n')
                ++j;
            shape += QStringView(sql).mid(i, j - i);
            i = j;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype e = sql.indexOf(QStringLiteral("*/"), i + 2);
            const qsizetype j = e < 0 ? n : e + 2;
            shape += QStringView(sql).mid(i, j - i);
            i = j;
        } else if ((digit(c) || (c == u'.' && i + 1 < n && digit(sql[i + 1]))) &&
                   (i == 0 || (!word_char(sql[i - 1]) && sql[i - 1] != u'.'))) {
            // A number: digits, a fraction, an exponent; a letter right after makes it a name.
            qsizetype j = i;
            bool real = false;
            const bool hex = c == u'0' && i + 1 < n && (sql[i + 1] == u'x' || sql[i + 1] == u'X');
            while (j < n && digit(sql[j]))
                ++j;
            if (j < n && sql[j] == u'.') {
                real = true;
                ++j;
                while (j < n && digit(sql[j]))
                    ++j;
            }
            if (j < n && (sql[j] == u'e' || sql[j] == u'E')) {
                qsizetype k = j + 1;
                if (k < n && (sql[k] == u'+' || sql[k] == u'-'))
                    ++k;
                if (k < n && digit(sql[k])) {
                    real = true;
                    j = k;
                    while (j < n && digit(sql[j]))
                        ++j;
                }
            }
            const bool name = j < n && (word_char(sql[j]) || sql[j] == u'.');
            const QStringView text = QStringView(sql).mid(i, j - i);
            if (hex || name || !numbers) {
                qsizetype k = j;
                while (k < n && (word_char(sql[k]) || sql[k] == u'.'))
                    ++k;
                shape += QStringView(sql).mid(i, k - i);
                i = k;
                continue;
            }
            bool fits = false;
            const qlonglong whole = real ? 0 : text.toLongLong(&fits);
            if (!fits) {
                // The engine reads a real (and a whole number past 64 bits) its own way, which
                // is not always the nearest double: left as written, it stays the engine's.
                shape += text;
                i = j;
                continue;
            }
            out.values.append(whole);
            shape += u'?';
            i = j;
        } else if (word_char(c)) {
            qsizetype j = i;
            while (j < n && word_char(sql[j]))
                ++j;
            const QStringView w = QStringView(sql).mid(i, j - i);
            if (w.compare(u"by", Qt::CaseInsensitive) == 0 &&
                (word_before(sql, i, u"order") || word_before(sql, i, u"group")))
                numbers = false;
            shape += w;
            i = j;
        } else {
            shape += c;
            ++i;
        }
    }
    return out;
}

} // namespace tavrelis::data
