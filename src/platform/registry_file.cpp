#include "platform/registry_file.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QtEndian>

#include <optional>

namespace tavrelis::platform {

namespace {

QString registry_path;

// Key paths and value names are compared regardless of case, as the registry does.
using Values = QHash<QString, RegValue>;
using Keys = QHash<QString, Values>;

QString key_id(const QString& path) {
    QString k = path.trimmed();
    while (k.endsWith(u'\\'))
        k.chop(1);
    while (k.startsWith(u'\\'))
        k.remove(0, 1);
    return k.toCaseFolded();
}

// regedit writes UTF-16LE with a BOM; files written by hand are usually UTF-8.
std::optional<QString> decode(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) {
        const qsizetype n = (bytes.size() - 2) / 2;
        QString s(n, Qt::Uninitialized);
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + 2;
        for (qsizetype i = 0; i < n; ++i)
            s[i] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
        return s;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (utf8.hasError())
        return std::nullopt;
    return s;
}

// A quoted text at s[i] == '"', with \\ and \" escapes; i ends after the closing quote.
bool read_quoted(const QString& s, qsizetype& i, QString& out) {
    if (i >= s.size() || s[i] != u'"')
        return false;
    for (++i; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 1 < s.size()) {
            out += s[++i];
        } else if (s[i] == u'"') {
            ++i;
            return true;
        } else {
            out += s[i];
        }
    }
    return false;
}

// "xx,xx,..." as bytes; false when an item is not a byte in hex.
bool read_hex_bytes(const QString& list, QByteArray& out) {
    const QString t = list.trimmed();
    if (t.isEmpty())
        return true;
    for (const QString& item : t.split(u',')) {
        const QString b = item.trimmed();
        bool ok = false;
        const uint v = b.toUInt(&ok, 16);
        if (!ok || b.size() > 2 || v > 0xFF)
            return false;
        out.append(char(v));
    }
    return true;
}

QString utf16le_text(const QByteArray& bytes) {
    QString s;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        s += QChar(qFromLittleEndian<quint16>(p + i));
    while (s.endsWith(QChar(0)))
        s.chop(1);
    return s;
}

// The data after "=": a quoted string, dword:XXXXXXXX or hex(N):bytes.
std::optional<RegValue> read_data(const QString& data) {
    RegValue v;
    if (data.startsWith(u'"')) {
        qsizetype i = 0;
        QString text;
        if (!read_quoted(data, i, text) || !data.mid(i).trimmed().isEmpty())
            return std::nullopt;
        v.type = RegSz;
        v.data = text;
        return v;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = data.mid(6).trimmed();
        bool ok = false;
        const uint n = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8)
            return std::nullopt;
        v.type = RegDword;
        v.data = quint32(n);
        return v;
    }
    if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        qsizetype i = 3;
        int type = RegBinary;
        if (i < data.size() && data[i] == u'(') {
            const qsizetype close = data.indexOf(u')', i);
            bool ok = false;
            type = close < 0 ? -1 : int(data.mid(i + 1, close - i - 1).toUInt(&ok, 16));
            if (!ok)
                return std::nullopt;
            i = close + 1;
        }
        if (i >= data.size() || data[i] != u':')
            return std::nullopt;
        QByteArray bytes;
        if (!read_hex_bytes(data.mid(i + 1), bytes))
            return std::nullopt;
        v.type = type;
        if (type == RegSz || type == RegExpandSz) {
            v.data = utf16le_text(bytes);
        } else if (type == RegDword) {
            if (bytes.size() != 4)
                return std::nullopt;
            v.data = qFromLittleEndian<quint32>(bytes.constData());
        } else {
            v.data = bytes;
        }
        return v;
    }
    return std::nullopt;
}

// The whole file; empty when it is missing or not a registry export. A line that cannot be
// read is skipped, as an import would leave that value out.
Keys load() {
    Keys keys;
    QFile f(registry_path);
    if (registry_path.isEmpty() || !f.open(QIODevice::ReadOnly))
        return keys;
    const std::optional<QString> text = decode(f.readAll());
    if (!text)
        return keys;
    QString all = *text;
    all.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    const QStringList lines = all.split(u'\n');
    qsizetype i = 0;
    while (i < lines.size() && lines[i].trimmed().isEmpty())
        ++i;
    if (i >= lines.size() ||
        lines[i].trimmed() != QLatin1String("Windows Registry Editor Version 5.00"))
        return keys;
    Values* current = nullptr;
    for (++i; i < lines.size(); ++i) {
        QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            current = nullptr;
            if (!line.endsWith(u']'))
                continue;
            const QString inner = line.mid(1, line.size() - 2);
            if (inner.startsWith(u'-')) {
                // A deleted key takes its subkeys with it.
                const QString gone = key_id(inner.mid(1));
                for (auto it = keys.begin(); it != keys.end();)
                    it = (it.key() == gone || it.key().startsWith(gone + u'\\')) ? keys.erase(it)
                                                                                 : std::next(it);
                continue;
            }
            const QString id = key_id(inner);
            if (!id.isEmpty())
                current = &keys[id];
            continue;
        }
        QString name;
        qsizetype at = 0;
        if (line.startsWith(u'@')) {
            at = 1;
        } else if (!read_quoted(line, at, name)) {
            continue;
        }
        while (at < line.size() && line[at].isSpace())
            ++at;
        if (at >= line.size() || line[at] != u'=')
            continue;
        QString data = line.mid(at + 1).trimmed();
        // Long hex lists go on over several lines, each but the last ending with a backslash.
        if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            while (data.endsWith(u'\\') && i + 1 < lines.size()) {
                data.chop(1);
                data += lines[++i].trimmed();
            }
        }
        if (!current)
            continue;
        if (data == QLatin1String("-")) {
            current->remove(name.toCaseFolded());
            continue;
        }
        if (const std::optional<RegValue> v = read_data(data))
            current->insert(name.toCaseFolded(), *v);
    }
    return keys;
}

} // namespace

// On Windows the module would read the system registry itself; this system keeps the host's
// registry in a .reg file, and this backend is the only one built.
void set_registry_file(const QString& path) {
    registry_path = path;
}

QString registry_file() {
    return registry_path;
}

RegValue read_registry_value(const QString& key, const QString& name) {
    const Keys keys = load();
    const auto k = keys.constFind(key_id(key));
    if (k == keys.constEnd())
        return {};
    return k->value(name.toCaseFolded());
}

bool registry_key_exists(const QString& key) {
    const QString id = key_id(key);
    if (id.isEmpty())
        return false;
    const Keys keys = load();
    for (auto it = keys.constBegin(); it != keys.constEnd(); ++it)
        if (it.key() == id || it.key().startsWith(id + u'\\'))
            return true;
    return false;
}

} // namespace tavrelis::platform
