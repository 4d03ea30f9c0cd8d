#include "support/hostile.h"

#include "support/support.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <cerrno>
#include <iconv.h>

namespace testsupport::hostile {

namespace {

// One conversion through the C library's iconv; false when a character has no code there.
bool convert(const char* to, const char* from, const QByteArray& in, QByteArray* out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return false;
    QByteArray src = in;
    QByteArray dst(in.size() * 4 + 16, '\0');
    char* inp = src.data();
    size_t inleft = size_t(src.size());
    char* outp = dst.data();
    size_t outleft = size_t(dst.size());
    const size_t rc = iconv(cd, &inp, &inleft, &outp, &outleft);
    iconv_close(cd);
    if (rc == size_t(-1))
        return false;
    dst.truncate(dst.size() - qsizetype(outleft));
    *out = dst;
    return true;
}

} // namespace

bool decode_line(const QString& line, QString* out, QString* error) {
    out->clear();
    if (line == QLatin1String("\\empty"))
        return true;
    if (line.startsWith(u' ') || line.endsWith(u' ')) {
        *error = QStringLiteral("a literal blank at either end (use \\s)");
        return false;
    }
    QString text = line;
    int repeat = -1;
    if (text.startsWith(QLatin1String("\\repeat{"))) {
        const qsizetype close = text.indexOf(u'}');
        bool ok = false;
        repeat = text.mid(8, close - 8).toInt(&ok);
        if (close < 0 || !ok || repeat < 1) {
            *error = QStringLiteral("bad \\repeat{N}");
            return false;
        }
        text = text.mid(close + 1);
    }
    QString s;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\') {
            s += c;
            continue;
        }
        if (++i >= text.size()) {
            *error = QStringLiteral("a backslash at the end");
            return false;
        }
        static const QHash<QChar, QChar> simple{{u'\\', u'\\'}, {u'n', u'\n'}, {u'r', u'\r'},
                                                {u't', u'\t'},  {u's', u' '},  {u'#', u'#'}};
        if (const auto it = simple.constFind(text[i]); it != simple.cend()) {
            s += *it;
            continue;
        }
        if (text[i] != u'u') {
            *error = QStringLiteral("unknown escape \\") + text[i];
            return false;
        }
        const qsizetype close = text.indexOf(u'}', i);
        bool ok = false;
        const uint code = text.mid(i + 2, close - i - 2).toUInt(&ok, 16);
        if (i + 1 >= text.size() || text[i + 1] != u'{' || close < 0 || !ok || close - i - 2 > 6 ||
            code > 0x10FFFF) {
            *error = QStringLiteral("bad \\u{HHHH}");
            return false;
        }
        const char32_t cp = code;
        s += QString::fromUcs4(&cp, 1);
        i = close;
    }
    if (repeat > 0) {
        const QList<uint> unit = s.toUcs4();
        if (unit.isEmpty()) {
            *error = QStringLiteral("nothing to repeat");
            return false;
        }
        QList<uint> all;
        while (all.size() < repeat)
            all += unit;
        all.resize(repeat);
        s = QString::fromUcs4(reinterpret_cast<const char32_t*>(all.constData()), all.size());
    }
    *out = s;
    return true;
}

QStringList corpus(QString* error) {
    QFile f(data_path(QStringLiteral("hostile.txt")));
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read ") + f.fileName();
        return {};
    }
    const QString all = QString::fromUtf8(f.readAll());
    QStringList out;
    QSet<QString> seen;
    int n = 0;
    for (QString line : all.split(u'\n')) {
        ++n;
        if (line.endsWith(u'\r')) {
            *error = QStringLiteral("line %1: the file must use LF line ends").arg(n);
            return {};
        }
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        QString entry, why;
        if (!decode_line(line, &entry, &why)) {
            *error = QStringLiteral("line %1: %2").arg(n).arg(why);
            return {};
        }
        if (seen.contains(entry)) {
            *error = QStringLiteral("line %1: repeats an earlier entry").arg(n);
            return {};
        }
        seen.insert(entry);
        out.append(entry);
    }
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
    QString s = text;
    s.replace(u'&', QStringLiteral("&amp;"));
    s.replace(u'<', QStringLiteral("&lt;"));
    s.replace(u'>', QStringLiteral("&gt;"));
    s.replace(u'\'', QStringLiteral("&apos;"));
    s.replace(u'"', QStringLiteral("&quot;"));
    return s;
}

QString printed(const QString& text) {
    return through_cp1251(text).replace(u'&', u' ');
}

QString shown(const QString& text) {
    QString s = text.left(60);
    s.replace(u'\\', QStringLiteral("\\\\"));
    s.replace(u'\n', QStringLiteral("\\n"));
    s.replace(u'\r', QStringLiteral("\\r"));
    s.replace(u'\t', QStringLiteral("\\t"));
    return u'«' + s + (text.size() > 60 ? QStringLiteral("…") : QString()) + u'»';
}

} // namespace testsupport::hostile
