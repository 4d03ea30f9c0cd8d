#include "data/connection.h"

#include "platform/errors.h"
#include "platform/ui.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>
#include <QVarLengthArray>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <memory>
#include <thread>

namespace tavrelis::data {

namespace {

// The descriptions ADO gave for misuse of a connection or result set; callers show them.
const QString no_current_record = QStringLiteral(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.");
const QString no_such_item = QStringLiteral(
    "Item cannot be found in the collection corresponding to the requested name or ordinal.");
const QString object_closed = QStringLiteral("Operation is not allowed when the object is closed.");
const QString object_open = QStringLiteral("Operation is not allowed when the object is open.");

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
// '1234,50' and go into a numeric column are written as the number (1234.50), so the engine
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
        out += s.mid(t[k].begin + 1, t[k].end - t[k].begin - 2).replace(u',', u'.');
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

QString sql_quote(const QString& value) {
    QString v = value;
    return v.replace(u'\'', QStringLiteral("''"));
}

QString access_connection_string(const QString& path) {
    const QString head = QStringLiteral("Driver={Microsoft Access Driver (*.mdb)};Dbq=");
    // A path the plain form would cut at a ';', trim, or take for a braced value goes in
    // braces, the ODBC way, with '}' doubled; any other path stands as it is.
    if (!path.contains(u';') && path.trimmed().size() == path.size() && !path.startsWith(u'{'))
        return head + path;
    QString braced = path;
    braced.replace(u'}', QStringLiteral("}}"));
    return head + u'{' + braced + u'}';
}

QString dbq_of(const QString& connection_string) {
    const QString& s = connection_string;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype eq = s.indexOf(u'=', i);
        const qsizetype semi = s.indexOf(u';', i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            if (semi < 0)
                break;
            i = semi + 1; // a part without a value
            continue;
        }
        const QString key = s.mid(i, eq - i).trimmed();
        QString value;
        i = eq + 1;
        while (i < n && s[i] == u' ')
            ++i;
        if (i < n && s[i] == u'{') {
            // A braced value may hold ';'; "}}" stands for '}'.
            for (++i; i < n; ++i) {
                if (s[i] == u'}') {
                    if (i + 1 < n && s[i + 1] == u'}') {
                        value += u'}';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i];
            }
            const qsizetype next = s.indexOf(u';', i);
            i = next < 0 ? n : next + 1;
        } else {
            const qsizetype next = s.indexOf(u';', i);
            value = s.mid(i, (next < 0 ? n : next) - i).trimmed();
            i = next < 0 ? n : next + 1;
        }
        if (key.compare(QLatin1String("dbq"), Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// Recordset

Recordset::Recordset(QStringList names, QVector<QVector<QVariant>> rows)
    : fields_(int(names.size())), rows_(std::move(rows)) {}

Recordset::Recordset(int fields, QVector<QVector<QVariant>> rows)
    : fields_(fields), rows_(std::move(rows)) {}

const QVariant& Recordset::at(int i) const {
    if (pos_ < 0 || pos_ >= rows_.size())
        throw Error(no_current_record);
    const QVector<QVariant>& row = rows_[pos_];
    if (i < 0 || i >= row.size())
        throw Error(no_such_item);
    return row[i];
}

namespace {

QString text_of(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString:
        return *static_cast<const QString*>(v.constData());
    case QMetaType::LongLong:
        return QString::number(*static_cast<const qlonglong*>(v.constData()));
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'f', QLocale::FloatingPointShortest);
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

} // namespace

QString Recordset::text(int i) const {
    const QVariant& v = at(i);
    if (v.isNull())
        throw Error(QStringLiteral("Invalid use of Null"));
    return text_of(v);
}

QString Recordset::text_or_empty(int i) const {
    const QVariant& v = at(i);
    return v.isNull() ? QString() : text_of(v);
}

// ---------------------------------------------------------------------------------------------
// Connection

Connection::Connection() = default;

Connection::~Connection() {
    close();
}

namespace {

constexpr char kHeader[] = "SQLite format 3"; // and its terminating zero: 16 bytes

// How a host file stands before it is opened.
struct FileState {
    bool database = true; // a regular file with the engine's header, or not a regular file
    bool wal = false;     // kept in write-ahead-log mode
};

FileState file_state(const QString& path) {
    FileState st;
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return st; // the engine reports what stops it
    char header[20] = {};
    const qint64 got = f.read(header, sizeof header);
    st.database = got >= 16 && std::memcmp(header, kHeader, 16) == 0;
    st.wal = got >= 20 && header[18] == 2;
    return st;
}

} // namespace

void Connection::open() {
    if (db_)
        throw Error(object_open);
    const QString path = dbq_of(connection_string_);
    if (path.isEmpty())
        throw Error(QStringLiteral("The connection string names no database file (Dbq)."));
    // The engine would take an empty or foreign file for a new database and write its header
    // at the first write; a host file is never made a database here.
    const FileState st = file_state(path);
    if (!st.database)
        throw Error(QStringLiteral("file is not a database"));
    // What cannot be written is opened for reading: then every write fails alike, with
    // "attempt to write a readonly database", whether the file or its folder stops it.
    const QFileInfo info(path);
    const bool folder_writable = QFileInfo(info.absolutePath()).isWritable();
    const bool writable = info.isWritable() && folder_writable;
    QByteArray name = QFile::encodeName(path);
    int flags = SQLITE_OPEN_NOMUTEX | (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
    // Never SQLITE_OPEN_CREATE: a missing host database is an error, not a new empty one.
    if (st.wal && !folder_writable && !QFileInfo::exists(path + QStringLiteral("-shm"))) {
        // A log-mode file is read through a shared-memory file beside it, which this folder
        // cannot take. None there means no connection has the file open, so it is read as
        // it stands.
        name = "file:" + QUrl::toPercentEncoding(path, "/") + "?immutable=1";
        flags |= SQLITE_OPEN_URI;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    auto fail = [&db]() {
        const QString msg = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close_v2(db);
        throw Error(msg);
    };
    if (rc != SQLITE_OK)
        fail();
    sqlite3_busy_handler(db, &Connection::on_busy, this);
    // The journal mode is the host's, kept in the file: a log-mode file syncs at checkpoints
    // (safe there); a rollback journal keeps the engine's full syncs.
    if (st.wal &&
        sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
    // nArg 2 keeps SQLite's own variadic format() (printf) out of the Access form.
    if (sqlite3_create_function_v2(db, "format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   format_function, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
    db_ = db;
}

// Another process's lock: wait for it up to kLockWait with the busy cursor, then give up,
// and the statement fails with "database is locked".
int Connection::on_busy(void* self, int count) {
    auto& c = *static_cast<Connection*>(self);
    if (count == 0) {
        c.wait_.start();
        if (!c.waiting_) {
            c.waiting_ = true;
            cursor(true);
        }
    }
    const qint64 left = kLockWait - c.wait_.elapsed();
    if (left <= 0)
        return 0;
    static constexpr int delays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    const int step = count < int(std::size(delays)) ? delays[count] : 100;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(step, left)));
    return 1;
}

void Connection::end_wait() {
    if (!waiting_)
        return;
    waiting_ = false;
    cursor(false);
}

// The cursor is only a sign; nothing may unwind through the engine's frames.
void Connection::cursor(bool busy) noexcept {
    try {
        platform::wait_cursor(busy);
    } catch (...) {
    }
}

void Connection::close() {
    if (!db_)
        return;
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

// Each text is compiled afresh: the module's statements carry their values in the text, so a
// text seldom comes again, and keeping compiled statements around cost more than it saved.
Recordset Connection::execute(const QString& sql, const QVariantList& params) {
    if (!db_)
        throw Error(object_closed);
    // The wait a statement meets ends with it, however it ends.
    const std::unique_ptr<Connection, void (*)(Connection*)> wait(
        this, [](Connection* c) { c->end_wait(); });
    const QByteArray text = translate_access(store_numbers(db_, sql)).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &stmt, &tail) != SQLITE_OK)
        throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
    if (!stmt)
        throw Error(QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                   "'PROCEDURE', 'SELECT', or 'UPDATE'."));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owner(stmt, sqlite3_finalize);
    // One statement per call, as the driver took it; a trailing ';' is harmless.
    for (const char* p = tail; p && p < text.constData() + text.size(); ++p)
        if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            throw Error(QStringLiteral("Characters found after end of SQL statement."));
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(stmt, i + 1);
        } else if (v.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(stmt, i + 1, v.toDouble());
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong ||
                   v.typeId() == QMetaType::Bool) {
            rc = sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
        } else if (v.typeId() == QMetaType::QByteArray) {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob64(stmt, i + 1, b.constData(), sqlite3_uint64(b.size()),
                                     SQLITE_TRANSIENT);
        } else {
            const QByteArray b = v.toString().toUtf8();
            rc = sqlite3_bind_text64(stmt, i + 1, b.constData(), sqlite3_uint64(b.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        if (rc != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
    }

    int rc = sqlite3_step(stmt);
    // Taken after the first step: a change of schema recompiles the statement inside it.
    const int columns = sqlite3_column_count(stmt);
    QVarLengthArray<bool, 64> dates(columns);
    for (int c = 0; c < columns; ++c) {
        const char* type = sqlite3_column_decltype(stmt, c);
        dates[c] = type && sqlite3_stricmp(type, "DATE") == 0;
    }
    QVector<QVector<QVariant>> rows;
    for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) {
        QVector<QVariant> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_NULL:
                row.push_back(QVariant());
                break;
            case SQLITE_INTEGER:
                row.push_back(qlonglong(sqlite3_column_int64(stmt, c)));
                break;
            case SQLITE_FLOAT:
                row.push_back(sqlite3_column_double(stmt, c));
                break;
            case SQLITE_BLOB: {
                const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, c));
                row.push_back(QByteArray(p, sqlite3_column_bytes(stmt, c)));
                break;
            }
            default: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                const int len = sqlite3_column_bytes(stmt, c);
                row.push_back(dates[c] ? date_text(p, len) : QString::fromUtf8(p, len));
            }
            }
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
    return Recordset(columns, std::move(rows));
}

} // namespace tavrelis::data
