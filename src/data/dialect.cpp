// The Access dialect of the module's statements, as the SQLite engine runs them: & joining
// texts with a null as empty, format(<date>,'dd.mm.yyyy'), dates read back as dd.mm.yyyy, and
// a decimal comma stored into a numeric column as the number.

#include "data/dialect.h"

#include "platform/errors.h"

#include <QDate>
#include <QVarLengthArray>
#include <sqlite3.h>

#include <algorithm>
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

// format(<date>,'dd.mm.yyyy'): Access gives the date's text, which Access then reads back as
// the date wherever it is stored or compared; here the stored form of a date is its ISO text,
// so that is what the call yields.
void format_function(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* pattern = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    if (!pattern || sqlite3_stricmp(pattern, "dd.mm.yyyy") != 0) {
        sqlite3_result_error(ctx, "format: only the pattern 'dd.mm.yyyy' is supported", -1);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int len = sqlite3_value_bytes(argv[0]);
    char iso[11];
    if (!text || !parse_date(text, len, iso)) {
        char* msg = sqlite3_mprintf("format: not a date: '%s'", text ? text : "");
        sqlite3_result_error(ctx, msg, -1);
        sqlite3_free(msg);
        return;
    }
    sqlite3_result_text(ctx, iso, 10, SQLITE_TRANSIENT);
}

// A stored DATE value as the module reads it: dd.mm.yyyy. Anything not in the ISO form is
// given as it is.
QString date_text(const char* p, int len) {
    if (len >= 10 && all_digits(p, 4) && p[4] == '-' && all_digits(p + 5, 2) && p[7] == '-' &&
        all_digits(p + 8, 2) && (len == 10 || p[10] == ' ' || p[10] == 'T')) {
        const char out[10] = {p[8], p[9], '.', p[5], p[6], '.', p[0], p[1], p[2], p[3]};
        return QString::fromLatin1(out, 10);
    }
    return QString::fromUtf8(p, len);
}

// ---------------------------------------------------------------------------------------------
// The Access dialect

struct Token {
    enum Kind { Literal, Quoted, Word, Punct } kind;
    qsizetype begin, end;
};

bool word_char(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'$';
}

// Splits the text into tokens; blanks between them are dropped. An unclosed quote runs to the
// end: the engine reports it.
QVector<Token> tokenize(const QString& s) {
    QVector<Token> out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        const qsizetype b = i;
        if (c == u'\'' || c == u'"') {
            ++i;
            while (i < n) {
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            out.push_back({c == u'\'' ? Token::Literal : Token::Quoted, b, i});
        } else if (c == u'[') {
            while (i < n && s[i] != u']')
                ++i;
            i = qMin(i + 1, n);
            out.push_back({Token::Quoted, b, i});
        } else if (word_char(c)) {
            while (i < n && word_char(s[i]))
                ++i;
            out.push_back({Token::Word, b, i});
        } else {
            ++i;
            if (i < n && ((c == u'<' && (s[i] == u'>' || s[i] == u'=')) ||
                          ((c == u'>' || c == u'!' || c == u'=') && s[i] == u'=') ||
                          (c == u'|' && s[i] == u'|')))
                ++i;
            out.push_back({Token::Punct, b, i});
        }
    }
    return out;
}

// Words that end an operand of &: Access binds & tighter than comparisons and logic, looser
// than arithmetic, and clause keywords stand outside any expression.
bool is_keyword(QStringView w) {
    static const QStringList words = {
        "select", "distinct", "distinctrow", "all",    "top",   "from",   "where",  "and",
        "or",     "not",      "xor",         "eqv",    "imp",   "as",     "on",     "in",
        "is",     "like",     "between",     "order",  "group", "by",     "having", "set",
        "values", "into",     "union",       "join",   "inner", "outer",  "when",   "then",
        "else",   "end",      "case",        "asc",    "desc",  "insert", "update", "delete",
        "escape", "limit",    "with",        "exists", "glob"};
    for (const QString& k : words)
        if (w.compare(k, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool is_boundary(const QString& s, const Token& t) {
    const QStringView v = QStringView(s).mid(t.begin, t.end - t.begin);
    if (t.kind == Token::Word)
        return is_keyword(v);
    if (t.kind != Token::Punct)
        return false;
    return v == u"," || v == u";" || v == u"=" || v == u"<" || v == u">" || v == u"<=" ||
           v == u">=" || v == u"<>" || v == u"!=" || v == u"==" || v == u"&";
}

bool is_amp(const QString& s, const Token& t) {
    return t.kind == Token::Punct && s[t.begin] == u'&';
}

bool is_char(const QString& s, const Token& t, char16_t c) {
    return t.kind == Token::Punct && t.end - t.begin == 1 && s[t.begin] == c;
}

// Token index of the ")" closing each "(", -1 for one never closed (it runs to the end of
// what holds it). Found once for the whole text, so that deep nesting is not searched
// again at every level.
QVector<qsizetype> closing_parens(const QString& s, const QVector<Token>& t) {
    QVector<qsizetype> match(t.size(), -1);
    QVector<qsizetype> open;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (is_char(s, t[i], u'('))
            open.push_back(i);
        else if (is_char(s, t[i], u')') && !open.isEmpty())
            match[open.takeLast()] = i;
    }
    return match;
}

// One element of an expression level: a token, or a parenthesised group.
struct Item {
    qsizetype begin, end; // source offsets
    bool amp = false;
    bool boundary = false;
    bool never_null = false; // a literal or a number needs no guard
    // A group: its tokens [from, to), the source [start, stop) they stand in, and whether
    // its ")" is there.
    bool group = false;
    qsizetype from = 0, to = 0, start = 0, stop = 0;
    bool closed = false;
};

// The engine refuses parentheses nested much deeper than a hundred ("parser stack overflow"),
// so a group deeper than this is left as written: the statement fails there either way, and
// the translation's recursion stays shallow whatever the text.
constexpr int kMaxDepth = 256;

struct Translation {
    const QString& s;
    const QVector<Token>& t;
    const QVector<qsizetype>& match;
    QString out;
    int depth = 0;

    // Translates the source between start and stop, which holds the tokens [from, to),
    // onto the end of out. Each level writes straight into out, so nothing is copied twice.
    void render(qsizetype from, qsizetype to, qsizetype start, qsizetype stop);
};

void Translation::render(qsizetype from, qsizetype to, qsizetype start, qsizetype stop) {
    QVector<Item> items;
    for (qsizetype i = from; i < to;) {
        const Token& tok = t[i];
        Item it;
        it.begin = tok.begin;
        if (is_char(s, tok, u'(')) {
            const qsizetype j = match[i] >= 0 && match[i] < to ? match[i] : to;
            it.group = true;
            it.from = i + 1;
            it.to = j;
            it.start = tok.end;
            it.closed = j < to;
            // Unclosed: the engine reports it.
            it.stop = it.closed ? t[j].begin : stop;
            it.end = it.closed ? t[j].end : stop;
            items.push_back(it);
            i = j + 1;
            continue;
        }
        it.end = tok.end;
        it.amp = is_amp(s, tok);
        it.boundary = is_boundary(s, tok) || is_char(s, tok, u')');
        it.never_null =
            tok.kind == Token::Literal || (tok.kind == Token::Word && s[tok.begin].isDigit());
        items.push_back(it);
        ++i;
    }

    auto write = [&](const Item& it) {
        if (!it.group || depth >= kMaxDepth) {
            out += QStringView(s).mid(it.begin, it.end - it.begin);
            return;
        }
        out += u'(';
        ++depth;
        render(it.from, it.to, it.start, it.stop);
        --depth;
        if (it.closed)
            out += u')';
    };
    // Items [a, b) with the blanks between them, as one operand.
    auto operand = [&](qsizetype a, qsizetype b) {
        const bool guard = !(b - a == 1 && items[a].never_null);
        if (guard)
            out += QStringLiteral("ifnull(");
        for (qsizetype k = a; k < b; ++k) {
            if (k > a)
                out += QStringView(s).mid(items[k - 1].end, items[k].begin - items[k - 1].end);
            write(items[k]);
        }
        if (guard)
            out += QStringLiteral(",'')");
    };

    qsizetype pos = start;
    qsizetype done = 0; // items already written
    const qsizetype n = items.size();
    for (qsizetype k = 0; k < n; ++k) {
        if (!items[k].amp)
            continue;
        qsizetype first = k;
        while (first > done && !items[first - 1].boundary)
            --first;
        for (qsizetype w = done; w < first; ++w) {
            out += QStringView(s).mid(pos, items[w].begin - pos);
            write(items[w]);
            pos = items[w].end;
        }
        if (first < k) {
            out += QStringView(s).mid(pos, items[first].begin - pos);
            operand(first, k);
        }
        // The chain a & b & c: each further operand runs to the next boundary.
        qsizetype j = k;
        while (j < n && items[j].amp) {
            const qsizetype from_item = j + 1;
            j = from_item;
            while (j < n && !items[j].boundary)
                ++j;
            out += QStringLiteral("||");
            if (from_item < j)
                operand(from_item, j);
        }
        pos = items[j - 1].end;
        done = j;
        k = j - 1;
    }
    for (qsizetype w = done; w < n; ++w) {
        out += QStringView(s).mid(pos, items[w].begin - pos);
        write(items[w]);
        pos = items[w].end;
    }
    out += QStringView(s).mid(pos, stop - pos);
}

// ---------------------------------------------------------------------------------------------
// Numbers written as text

// A number as the Russian number format writes it, with a decimal comma: Access stores such
// a text in a numeric column as the number, SQLite only a text with a point.
bool comma_number(QStringView v) {
    qsizetype i = 0;
    const qsizetype n = v.size();
    if (i < n && v[i] == u'-')
        ++i;
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < n && v[i] >= u'0' && v[i] <= u'9')
            ++i;
        return i > from;
    };
    if (!digits() || i >= n || v[i] != u',')
        return false;
    ++i;
    return digits() && i == n;
}

bool starts_with_word(const QString& s, QLatin1StringView word) {
    qsizetype i = 0;
    while (i < s.size() && s[i].isSpace())
        ++i;
    return QStringView(s).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0 &&
           (i + word.size() == s.size() || !word_char(s[i + word.size()]));
}

// Whether the text holds a literal such as '1234,50'; a cheap look before any parsing.
bool has_comma_number(const QString& s) {
    for (qsizetype i = s.indexOf(u'\''); i >= 0; i = s.indexOf(u'\'', i + 1)) {
        const qsizetype end = s.indexOf(u'\'', i + 1);
        if (end < 0)
            return false;
        if (comma_number(QStringView(s).mid(i + 1, end - i - 1)))
            return true;
        i = end;
    }
    return false;
}

QString identifier(const QString& s, const Token& t) {
    QString v = s.mid(t.begin, t.end - t.begin);
    if (t.kind == Token::Quoted && v.size() >= 2) {
        const QChar q = v[0];
        v = v.mid(1, v.size() - 2);
        if (q == u'"')
            v.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    }
    return v;
}

struct Column {
    QString name;
    bool numeric;
};

// The columns of a table in their order, and whether each takes numbers: a declared type
// of numeric affinity (INTEGER, REAL, NUMERIC and their kin), except DATE, which holds
// dates here. An unknown table has none (the statement reports it); a lock that outlasts
// the wait fails here as the statement would.
QVector<Column> columns_of(sqlite3* db, const QString& table) {
    QVector<Column> out;
    const qsizetype dot = table.lastIndexOf(u'.');
    const QByteArray name = table.mid(dot + 1).toUtf8();
    const QByteArray schema = dot < 0 ? QByteArray() : table.left(dot).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "select name,type from pragma_table_info(?1,?2)", -1, &stmt,
                                nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_text(stmt, 1, name.constData(), int(name.size()), SQLITE_STATIC);
        if (dot >= 0)
            sqlite3_bind_text(stmt, 2, schema.constData(), int(schema.size()), SQLITE_STATIC);
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
            const QByteArray t = QByteArray(type ? type : "").toUpper();
            const bool numeric = t.contains("INT") || (!t.contains("CHAR") && !t.contains("CLOB") &&
                                                       !t.contains("TEXT") && !t.contains("BLOB") &&
                                                       !t.isEmpty() && t != "DATE");
            out.push_back(
                {QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))),
                 numeric});
        }
    }
    const QString error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    if (rc == SQLITE_BUSY)
        throw Error(error);
    return out;
}

bool is_word(const QString& s, const Token& t, QLatin1StringView w) {
    return t.kind == Token::Word &&
           QStringView(s).mid(t.begin, t.end - t.begin).compare(w, Qt::CaseInsensitive) == 0;
}

// An insert's values and an update's assignments that are a single literal such as
// '1234,50' and go into a numeric column are written with a point ('1234.50'), so the engine
// stores the number, as Access does under the Russian number format. Anything else, and any
// statement of another shape, is left as it is.
QString store_numbers(sqlite3* db, const QString& s) {
    const bool insert = starts_with_word(s, QLatin1StringView("insert"));
    if ((!insert && !starts_with_word(s, QLatin1StringView("update"))) || !has_comma_number(s))
        return s;
    const QVector<Token> t = tokenize(s);
    const QVector<qsizetype> match = closing_parens(s, t);
    const qsizetype n = t.size();
    const auto name_at = [&](qsizetype i) {
        return i < n && (t[i].kind == Token::Word || t[i].kind == Token::Quoted);
    };
    QVector<qsizetype> numbers; // tokens to write as numbers
    QVector<Column> columns;
    const auto numeric = [&](const QString& column) {
        for (const Column& c : columns)
            if (c.name.compare(column, Qt::CaseInsensitive) == 0)
                return c.numeric;
        return false;
    };
    const auto number_literal = [&](qsizetype i) {
        return t[i].kind == Token::Literal && t[i].end - t[i].begin >= 2 &&
               s[t[i].end - 1] == u'\'' &&
               comma_number(QStringView(s).mid(t[i].begin + 1, t[i].end - t[i].begin - 2));
    };
    // The end of a value: the token after its last one.
    const auto value_end = [&](qsizetype i, bool in_list) {
        while (i < n && !is_char(s, t[i], u',') && !is_char(s, t[i], u';') &&
               !(in_list && is_char(s, t[i], u')')) &&
               !(!in_list && (is_word(s, t[i], QLatin1StringView("where")) ||
                              is_word(s, t[i], QLatin1StringView("from")) ||
                              is_word(s, t[i], QLatin1StringView("returning")) ||
                              is_word(s, t[i], QLatin1StringView("order")) ||
                              is_word(s, t[i], QLatin1StringView("limit")))))
            i = is_char(s, t[i], u'(') && match[i] >= 0 ? match[i] + 1 : i + 1;
        return i;
    };

    if (insert) {
        if (n < 4 || !is_word(s, t[1], QLatin1StringView("into")) || !name_at(2))
            return s;
        columns = columns_of(db, identifier(s, t[2]));
        QStringList targets;
        qsizetype i = 3;
        if (is_char(s, t[i], u'(')) {
            if (match[i] < 0)
                return s;
            for (++i; i < match[3]; i += 2) {
                if (!name_at(i) || !(is_char(s, t[i + 1], u',') || i + 1 == match[3]))
                    return s;
                targets << identifier(s, t[i]);
            }
            i = match[3] + 1;
        } else {
            for (const Column& c : columns)
                targets << c.name;
        }
        if (i >= n || !is_word(s, t[i], QLatin1StringView("values")))
            return s;
        for (++i; i < n && is_char(s, t[i], u'(') && match[i] >= 0;) {
            const qsizetype close = match[i];
            for (qsizetype k = 0, v = i + 1; v < close; ++k) {
                const qsizetype end = value_end(v, true);
                if (end == v + 1 && number_literal(v) && k < targets.size() && numeric(targets[k]))
                    numbers << v;
                v = end + 1;
            }
            i = close + 1;
            if (i + 1 < n && is_char(s, t[i], u','))
                ++i;
        }
    } else {
        if (n < 5 || !name_at(1) || !is_word(s, t[2], QLatin1StringView("set")))
            return s;
        columns = columns_of(db, identifier(s, t[1]));
        for (qsizetype i = 3; i + 2 < n && name_at(i) && is_char(s, t[i + 1], u'=');) {
            const qsizetype end = value_end(i + 2, false);
            if (end == i + 3 && number_literal(i + 2) && numeric(identifier(s, t[i])))
                numbers << i + 2;
            if (end >= n || !is_char(s, t[end], u','))
                break;
            i = end + 1;
        }
    }
    if (numbers.isEmpty())
        return s;
    QString out;
    out.reserve(s.size());
    qsizetype pos = 0;
    for (const qsizetype k : std::as_const(numbers)) {
        out += QStringView(s).mid(pos, t[k].begin - pos);
        // Still quoted: the column reads the text as a number exactly as the engine reads a
        // number written out, and the text stays a value to bind.
        out += s.mid(t[k].begin, t[k].end - t[k].begin).replace(u',', u'.');
        pos = t[k].end;
    }
    out += QStringView(s).mid(pos);
    return out;
}

} // namespace

QString translate_access(const QString& sql) {
    if (!sql.contains(u'&'))
        return sql;
    const QVector<Token> t = tokenize(sql);
    if (std::none_of(t.begin(), t.end(), [&](const Token& k) { return is_amp(sql, k); }))
        return sql;
    const QVector<qsizetype> match = closing_parens(sql, t);
    Translation tr{sql, t, match, QString(), 0};
    tr.out.reserve(sql.size() + sql.size() / 2);
    tr.render(0, t.size(), 0, sql.size());
    return tr.out;
}

bool register_access_functions(sqlite3* db) {
    // nArg 2 keeps SQLite's own variadic format() (printf) out of the Access form.
    return sqlite3_create_function_v2(db, "format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      format_function, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString stored_date_text(const char* p, int len) {
    return date_text(p, len);
}

QString store_comma_numbers(sqlite3* db, const QString& sql) {
    return store_numbers(db, sql);
}

} // namespace tavrelis::data
