#include "support/hostile.h"

#include "support/support.h"

#include <QHash>
#include <QRegularExpression>

#include <iconv.h>

namespace testsupport::hostile {

namespace {

// One conversion through the C library's iconv; false when a character has no code there.
bool convert(const char* to, const char* from, const QByteArray& in, QByteArray* out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return false;
    QByteArray src = in, dst(in.size() * 4 + 16, '\0');
    char *inp = src.data(), *outp = dst.data();
    size_t inleft = size_t(src.size()), outleft = size_t(dst.size());
    const size_t rc = iconv(cd, &inp, &inleft, &outp, &outleft);
    iconv_close(cd);
    *out = dst.left(dst.size() - qsizetype(outleft));
    return rc != size_t(-1);
}

// One line of the corpus decoded; false with *error for a malformed line.
bool decode_line(const QString& line, QString* out, QString* error) {
    out->clear();
    if (line == QLatin1String("\\empty"))
        return true;
    const auto fail = [out, error](const QString& why) {
        out->clear();
        *error = why;
        return false;
    };
    if (line.startsWith(u' ') || line.endsWith(u' '))
        return fail(QStringLiteral("a literal blank at either end (use \\s)"));
    static const QRegularExpression repeat_at_start(QStringLiteral("^\\\\repeat\\{([1-9]\\d*)\\}"));
    const QRegularExpressionMatch repeat = repeat_at_start.match(line);
    if (!repeat.hasMatch() && line.startsWith(QLatin1String("\\repeat{")))
        return fail(QStringLiteral("bad \\repeat{N}"));
    // A backslash and what it escapes; a code point wider than six digits or past the last
    // one fails as a bad \u.
    static const QRegularExpression escape(
        QStringLiteral("\\\\(?:u\\{([0-9A-Fa-f]{1,6})\\}|([\\\\nrts#])|(u)|(.)|$)"));
    static const QHash<QChar, QChar> simple{{u'\\', u'\\'}, {u'n', u'\n'}, {u'r', u'\r'},
                                            {u't', u'\t'},  {u's', u' '},  {u'#', u'#'}};
    const QString text = line.mid(repeat.capturedLength());
    qsizetype at = 0;
    for (QRegularExpressionMatchIterator it = escape.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        *out += text.mid(at, m.capturedStart() - at);
        at = m.capturedEnd();
        const char32_t code = m.captured(1).toUInt(nullptr, 16);
        if (m.capturedLength(2))
            *out += simple[m.captured(2)[0]];
        else if (m.capturedLength(1) && code <= 0x10FFFF)
            *out += QString::fromUcs4(&code, 1);
        else if (m.capturedLength(1) || m.capturedLength(3))
            return fail(QStringLiteral("bad \\u{HHHH}"));
        else if (m.capturedLength(4))
            return fail(QStringLiteral("unknown escape \\") + m.captured(4));
        else
            return fail(QStringLiteral("a backslash at the end"));
    }
    *out += text.mid(at);
    if (repeat.hasMatch()) {
        const QList<uint> unit = out->toUcs4();
        if (unit.isEmpty())
            return fail(QStringLiteral("nothing to repeat"));
        QList<uint> all;
        while (all.size() < repeat.captured(1).toInt())
            all += unit;
        all.resize(repeat.captured(1).toInt());
        *out = QString::fromUcs4(reinterpret_cast<const char32_t*>(all.constData()), all.size());
    }
    return true;
}

} // namespace

QStringList corpus(QString* error) {
    const QString file = data_path(QStringLiteral("hostile.txt"));
    const QStringList lines = QString::fromUtf8(read_file(file)).split(u'\n');
    QStringList out;
    for (int n = 1; n <= lines.size(); ++n) {
        const QString& line = lines[n - 1];
        QString entry, why;
        if (line.endsWith(u'\r'))
            why = QStringLiteral("the file must use LF line ends");
        else if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        else if (decode_line(line, &entry, &why) && out.contains(entry))
            why = QStringLiteral("repeats an earlier entry");
        if (!why.isEmpty()) {
            *error = QStringLiteral("line %1: %2").arg(n).arg(why);
            return {};
        }
        out.append(entry);
    }
    if (out.isEmpty())
        *error = QStringLiteral("cannot read ") + file;
    return out;
}

QString through_cp1251(const QString& text) {
    QString out;
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        QByteArray bytes;
        out += convert("WINDOWS-1251", "UTF-8", one.toUtf8(), &bytes) ? one : QStringLiteral("?");
    }
    return out;
}

QString from_cp1251_file(const QByteArray& bytes) {
    QByteArray utf8;
    if (!convert("UTF-8", "WINDOWS-1251", bytes, &utf8))
        return QStringLiteral("<not windows-1251>");
    return QString::fromUtf8(utf8);
}

QString xml_escaped(const QString& text) {
    return QString(text)
        .replace(u'&', QStringLiteral("&amp;"))
        .replace(u'<', QStringLiteral("&lt;"))
        .replace(u'>', QStringLiteral("&gt;"))
        .replace(u'\'', QStringLiteral("&apos;"))
        .replace(u'"', QStringLiteral("&quot;"));
}

QString printed(const QString& text) {
    return through_cp1251(text).replace(u'&', u' ');
}

QString shown(const QString& text) {
    const QString s = text.left(60)
                          .replace(u'\\', QStringLiteral("\\\\"))
                          .replace(u'\n', QStringLiteral("\\n"))
                          .replace(u'\r', QStringLiteral("\\r"))
                          .replace(u'\t', QStringLiteral("\\t"));
    return u'«' + s + (text.size() > 60 ? QStringLiteral("…") : QString()) + u'»';
}

} // namespace testsupport::hostile
