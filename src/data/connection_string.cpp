#include "data/connection_string.h"

#include <QFile>

namespace tavrelis::data {

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

} // namespace tavrelis::data
