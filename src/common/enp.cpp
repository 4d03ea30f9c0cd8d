#include "common/enp.h"

#include "platform/env.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace tavrelis {

std::optional<EnpRequisites> read_enp_file(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    // A file saved in windows-1251 by mistake would give mangled names; better none at all.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;

    EnpRequisites enp;
    const std::pair<const char16_t*, QString EnpRequisites::*> keys[] = {
        {u"receiver", &EnpRequisites::receiver}, {u"inn", &EnpRequisites::inn},
        {u"kpp", &EnpRequisites::kpp},           {u"rs", &EnpRequisites::rs},
        {u"bik", &EnpRequisites::bik},           {u"ks", &EnpRequisites::ks},
        {u"bank", &EnpRequisites::bank},         {u"kbk", &EnpRequisites::kbk},
    };
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'\uFEFF'))
            line = line.sliced(1).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QStringView key = line.first(eq).trimmed();
        for (const auto& [name, member] : keys)
            if (key == QStringView(name))
                enp.*member = line.sliced(eq + 1).trimmed().toString();
    }
    for (const auto& [name, member] : keys)
        if ((enp.*member).isEmpty())
            return std::nullopt;
    return enp;
}

QString enp_file_path() {
    return QDir(platform::module_folder()).filePath(QStringLiteral("Templates/enp.ini"));
}

BudgetRules budget_rules(const std::optional<EnpRequisites>& enp) {
    if (!enp)
        return {};
    return {enp->inn, enp->kpp, enp->rs};
}

} // namespace tavrelis
