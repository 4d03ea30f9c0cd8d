// The Access dialect of the module's statements as a PostgreSQL server runs them.

#include "data/pg_dialect.h"

#include "data/dialect.h"

#include <QFile>
#include <QRegularExpression>

namespace tavrelis::data {

namespace {

bool starts_with_word(const QString& s, QLatin1StringView word) {
    qsizetype i = 0;
    while (i < s.size() && s[i].isSpace())
        ++i;
    const qsizetype end = i + word.size();
    return QStringView(s).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0 &&
           (end >= s.size() || !(s[end].isLetterOrNumber() || s[end] == u'_'));
}

bool comma_number(QStringView v) {
    static const QRegularExpression re(QStringLiteral("^-?[0-9]+,[0-9]+$"));
    return re.match(v.toString()).hasMatch();
}

bool word_char(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

QChar next_visible(const QString& s, qsizetype i) {
    while (i < s.size() && s[i].isSpace())
        ++i;
    return i < s.size() ? s[i] : QChar();
}

} // namespace

QString link_uri(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString line = QString::fromUtf8(f.readLine(4096)).trimmed();
    if (line.startsWith(QLatin1String("postgresql://")) ||
        line.startsWith(QLatin1String("postgres://")))
        return line;
    return {};
}

QString comma_to_point(const QString& text) {
    if (!comma_number(text))
        return text;
    QString out = text;
    return out.replace(u',', u'.');
}

// select distinct without an order: SQLite gives each value where it first meets it, the
// server in an order of its own; the lists built from it must read alike on both.
QString first_seen_distinct(const QString& sql) {
    static const QRegularExpression distinct(
        QStringLiteral("^\\s*select\\s+distinct\\s+([\\w.\\s,]+?)\\s+from\\s+(.+)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression ordered(QStringLiteral("\\b(order|group)\\s+by\\b|\\bunion\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = distinct.match(sql);
    if (!m.hasMatch() || ordered.match(sql).hasMatch())
        return sql;
    const QStringList columns = m.captured(1).split(u',');
    QStringList inner, outer;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        outer << QStringLiteral("access_c%1").arg(i);
        inner << columns[i].trimmed() + QStringLiteral(" as access_c%1").arg(i);
    }
    return QStringLiteral("select %1 from (select %2, row_number() over () as access_row from %3) "
                          "access_distinct group by %1 order by min(access_row)")
        .arg(outer.join(u','), inner.join(u','), m.captured(2));
}

PgStatement pg_statement(const QString& sql, const QVariantList& params) {
    PgStatement st;
    if (starts_with_word(sql, QLatin1StringView("pragma"))) {
        st.no_op = true;
        return st;
    }
    const bool writes = starts_with_word(sql, QLatin1StringView("insert")) ||
                        starts_with_word(sql, QLatin1StringView("update"));
    const QString s = translate_access(first_seen_distinct(sql));
    QString out;
    out.reserve(s.size() + s.size() / 4);
    qsizetype taken = 0;  // the caller's parameters used
    QVector<bool> groups; // for each open "(": whether it holds a null-as-empty operand
    bool null_as_empty = false;
    const auto parameter = [&](const QVariant& v) {
        st.params << v;
        out += u'$' + QString::number(st.params.size());
        if (writes && v.typeId() == QMetaType::QString && comma_number(v.toString()))
            st.lifted << int(st.params.size() - 1);
    };
    for (qsizetype i = 0, n = s.size(); i < n;) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"') {
            qsizetype j = i + 1;
            while (j < n && !(s[j] == c && (j + 1 >= n || s[j + 1] != c)))
                j += s[j] == c ? 2 : 1;
            j = qMin(j + 1, n);
            const QStringView inner = QStringView(s).mid(i + 1, j - i - 2);
            // Alone as a value: what SQLite's side stores as the number.
            qsizetype b = out.size();
            while (b > 0 && out[b - 1].isSpace())
                --b;
            const QChar before = b > 0 ? out[b - 1] : QChar();
            const QChar after = next_visible(s, j);
            const bool alone = (before == u'(' || before == u',' || before == u'=') &&
                               (after == u',' || after == u')' || after.isNull() || after == u';' ||
                                after.isLetter());
            if (c == u'\'' && writes && alone && j - i >= 2 && comma_number(inner))
                parameter(inner.toString());
            else
                out += QStringView(s).mid(i, j - i);
            i = j;
        } else if (c == u'[') {
            // An Access name in brackets, folded as the server folds a plain name.
            const qsizetype j = s.indexOf(u']', i);
            const qsizetype end = j < 0 ? n : j;
            out += u'"' +
                   s.mid(i + 1, end - i - 1).toLower().replace(u'"', QStringLiteral("\"\"")) + u'"';
            i = end + 1;
        } else if (c == u'?') {
            parameter(taken < params.size() ? params[taken] : QVariant());
            ++taken;
            ++i;
        } else if (c == u'(') {
            out += null_as_empty ? QStringLiteral("((") : QStringLiteral("(");
            groups.push_back(null_as_empty);
            null_as_empty = false;
            ++i;
        } else if (c == u')') {
            // ifnull(x,'') as the SQLite side writes an operand of &: the operand as text.
            if (!groups.isEmpty() && groups.takeLast()) {
                if (out.endsWith(QLatin1String(",''"))) {
                    out.chop(3);
                    out += QStringLiteral(")::text,'')");
                } else {
                    out += QStringLiteral("))");
                }
            } else {
                out += u')';
            }
            ++i;
        } else if (word_char(c)) {
            qsizetype j = i;
            while (j < n && word_char(s[j]))
                ++j;
            const QStringView w = QStringView(s).mid(i, j - i);
            const bool call = next_visible(s, j) == u'(';
            const bool after_dot = !out.isEmpty() && out.back() == u'.';
            if (c.isDigit() || after_dot) {
                out += w;
            } else if (call && w.compare(u"ifnull", Qt::CaseInsensitive) == 0) {
                out += QStringLiteral("coalesce");
                null_as_empty = true;
            } else if (call && w.compare(u"format", Qt::CaseInsensitive) == 0) {
                out += QStringLiteral("access_format");
            } else if (call && w.compare(u"last_insert_rowid", Qt::CaseInsensitive) == 0) {
                out += QStringLiteral("lastval");
            } else if (!call && w.compare(u"true", Qt::CaseInsensitive) == 0) {
                out += u'1';
            } else if (!call && w.compare(u"false", Qt::CaseInsensitive) == 0) {
                out += u'0';
            } else {
                out += w;
            }
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    st.text = out.toUtf8();
    return st;
}

QString pg_script(const QString& script) {
    QString s = script;
    static const QRegularExpression trigger(
        QStringLiteral("create\\s+trigger\\s+(\\w+)\\s+(before|after)\\s+((?:update(?:\\s+of\\s+"
                       "\\w+(?:\\s*,\\s*\\w+)*)?)|insert|delete)\\s+on\\s+(\\w+)\\s+(?:when\\s+"
                       "(.+?)\\s+)?begin\\s+select\\s+raise\\s*\\(\\s*\\w+\\s*,\\s*('(?:[^']|'')*'"
                       ")\\s*\\)\\s*;\\s*end"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    for (QRegularExpressionMatch m = trigger.match(s); m.hasMatch(); m = trigger.match(s)) {
        const QString name = m.captured(1);
        const QString when = m.captured(5);
        s.replace(m.capturedStart(), m.capturedLength(),
                  QStringLiteral("create function %1_raise() returns trigger language plpgsql as "
                                 "$raise$ begin raise exception '%', %6; end $raise$;\n"
                                 "create trigger %1 %2 %3 on %4 for each row %5 execute function "
                                 "%1_raise()")
                      .arg(name, m.captured(2), m.captured(3), m.captured(4),
                           when.isEmpty() ? QString() : QStringLiteral("when (%1)").arg(when),
                           m.captured(6)));
    }
    // The settings of an SQLite file mean nothing on the server.
    static const QRegularExpression pragma(QStringLiteral("\\bpragma\\s+[^;]*;?"),
                                           QRegularExpression::CaseInsensitiveOption);
    s.remove(pragma);
    static const QList<QPair<QRegularExpression, QString>> types = {
        {QRegularExpression(QStringLiteral("\\bINTEGER PRIMARY KEY\\b")),
         QStringLiteral("bigint generated by default as identity primary key")},
        {QRegularExpression(QStringLiteral("\\bINTEGER\\b")), QStringLiteral("bigint")},
        {QRegularExpression(QStringLiteral("\\bREAL\\b")), QStringLiteral("double precision")},
        {QRegularExpression(QStringLiteral("\\bDATE\\b")), QStringLiteral("access_date")},
        {QRegularExpression(QStringLiteral("\\bTEXT\\b")), QStringLiteral("text")}};
    for (const auto& [re, type] : types)
        s.replace(re, type);
    return s;
}

QString pg_dialect_setup() {
    // Dates are kept as ISO text, as in the SQLite files, so that they compare, sort and join
    // alike on both engines; the domain marks the columns whose values read back as dd.mm.yyyy.
    return QStringLiteral(R"sql(
create domain access_date as text;
-- A text column compared with a number compares with the number's text, as SQLite does.
create function access_text_eq(a text, b bigint) returns boolean
language sql immutable as $eq$ select a = b::text $eq$;
create function access_text_ne(a text, b bigint) returns boolean
language sql immutable as $ne$ select a <> b::text $ne$;
create operator = (leftarg = text, rightarg = bigint, function = access_text_eq);
create operator <> (leftarg = text, rightarg = bigint, function = access_text_ne);
create function access_format(v text, pattern text) returns text
language plpgsql immutable as $format$
declare
    m text[];
begin
    if lower(pattern) <> 'dd.mm.yyyy' then
        raise exception 'format: only the pattern ''dd.mm.yyyy'' is supported';
    end if;
    if v is null then
        return null;
    end if;
    m := regexp_match(v, '^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T].*)?$');
    if m is not null then
        return to_char(make_date(m[1]::int, m[2]::int, m[3]::int), 'YYYY-MM-DD');
    end if;
    m := regexp_match(v, '^\s*(\d{1,2})([./])(\d{1,2})\2(\d{4})(?:[ T].*)?\s*$');
    if m is not null then
        return to_char(make_date(m[4]::int, m[3]::int, m[1]::int), 'YYYY-MM-DD');
    end if;
    raise exception 'format: not a date: ''%''', v;
end
$format$;
)sql");
}

} // namespace tavrelis::data
