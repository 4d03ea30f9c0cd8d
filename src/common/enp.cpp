#include "common/enp.h"

#include <QFile>
#include <QHash>

namespace tavrelis {

std::optional<EnpRequisites> read_enp_file(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QHash<QString, QString> values;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        const QString t = line.trimmed();
        const qsizetype eq = t.indexOf(u'=');
        if (t.isEmpty() || t.startsWith(u'#') || t.startsWith(u';') || eq < 0)
            continue;
        values.insert(t.left(eq).trimmed(), t.mid(eq + 1).trimmed());
    }
    EnpRequisites r;
    const std::pair<const char*, QString*> keys[] = {
        {"receiver", &r.receiver}, {"inn", &r.inn}, {"kpp", &r.kpp},   {"rs", &r.rs},
        {"bik", &r.bik},           {"ks", &r.ks},   {"bank", &r.bank}, {"kbk", &r.kbk}};
    for (const auto& [key, member] : keys) {
        *member = values.value(QLatin1String(key));
        if (member->isEmpty())
            return std::nullopt;
    }
    return r;
}

QString payer_status(const QString& inn_sender) {
    return inn_sender.size() == 12 ? QStringLiteral("13") : QStringLiteral("01");
}

} // namespace tavrelis
