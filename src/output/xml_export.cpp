#include "output/xml_export.h"

#include "common/numbers.h"
#include "output/form2.h"
#include "platform/codepage.h"
#include "platform/errors.h"

#include <QFile>

namespace tavrelis {

namespace {

// Receiver, bank, sender, payer's bank, basis and purpose: the texts people type.
bool free_text(Field f) {
    return f == Field::Receiver || f == Field::Bank || f == Field::Sender ||
           f == Field::BankSender || f == Field::Reason || f == Field::Aim;
}

} // namespace

QString xml_escape(QString& S) {
    S.replace(u'&', QStringLiteral("&amp;"));
    S.replace(u'<', QStringLiteral("&lt;"));
    S.replace(u'>', QStringLiteral("&gt;"));
    S.replace(u'\'', QStringLiteral("&apos;"));
    S.replace(u'"', QStringLiteral("&quot;"));
    return S;
}

QString export_text(Field f, const QString& text) {
    if (f == Field::Sum)
        return bez_razr(text);
    if (free_text(f)) {
        QString s = text;
        return xml_escape(s);
    }
    return text;
}

void out_xml(const QString& path, const Order& o) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(
            QStringLiteral("Не удалось создать файл \"%1\": %2").arg(path, f.errorString()));
    const auto put = [&](const QString& line) {
        const QByteArray bytes = platform::to_cp1251(line) + QByteArrayLiteral("\r\n");
        if (f.write(bytes) != bytes.size())
            throw Error(
                QStringLiteral("Не удалось записать файл \"%1\": %2").arg(path, f.errorString()));
    };

    put(QStringLiteral(R"(<?xml version="1.0" encoding="windows-1251" standalone="no"?>)"));
    put(QStringLiteral("<Document>"));
    for (int c = column_of(kFirstExported); c <= column_of(kLastExported); ++c) {
        const QLatin1StringView name(field_table()[size_t(c)].element);
        put(u'<' + name + u'>' + export_text(Field(c), o.texts[size_t(c)]) + QStringLiteral("</") +
            name + u'>');
    }
    put(QStringLiteral("</Document>"));
    if (!f.flush())
        throw Error(
            QStringLiteral("Не удалось записать файл \"%1\": %2").arg(path, f.errorString()));
    f.close();
}

} // namespace tavrelis
