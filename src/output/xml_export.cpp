#include "output/xml_export.h"

#include "common/numbers.h"
#include "output/form2.h"
#include "platform/codepage.h"
#include "platform/errors.h"

#include <QFile>
#include <array>

namespace tavrelis {

namespace {

// The element of each list column 1..28, in document order. The payer's territory code
// shares the name okato with the receiver's; readers tell them apart by position.
const std::array<QLatin1StringView, 28> kElements{{
    QLatin1StringView("nomer_pp"),      QLatin1StringView("data_pp"),
    QLatin1StringView("summa_digits"),  QLatin1StringView("receiver"),
    QLatin1StringView("inn"),           QLatin1StringView("kpp"),
    QLatin1StringView("kbk"),           QLatin1StringView("okato"),
    QLatin1StringView("bik2"),          QLatin1StringView("schet_1"),
    QLatin1StringView("schet_2"),       QLatin1StringView("bank"),
    QLatin1StringView("sender"),        QLatin1StringView("inn_sender"),
    QLatin1StringView("kpp_sender"),    QLatin1StringView("okato"),
    QLatin1StringView("bik1"),          QLatin1StringView("schet_3"),
    QLatin1StringView("schet_4"),       QLatin1StringView("bank_sender"),
    QLatin1StringView("payment_vid"),   QLatin1StringView("prior_payment"),
    QLatin1StringView("osnov_payment"), QLatin1StringView("payment_type"),
    QLatin1StringView("payment_aim"),   QLatin1StringView("period"),
    QLatin1StringView("data_doc"),      QLatin1StringView("summa_letters"),
}};

constexpr int kAmount = 3;

// Receiver, bank, sender, payer's bank, basis and purpose: the texts people type.
bool free_text(int col) {
    return col == 4 || col == 12 || col == 13 || col == 20 || col == 23 || col == 25;
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

QString export_text(int col, const QString& text) {
    if (col == kAmount)
        return bez_razr(text);
    if (free_text(col)) {
        QString s = text;
        return xml_escape(s);
    }
    return text;
}

void out_xml(const QString& path) {
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
    const Form2& f2 = form2();
    for (int col = 1; col <= 28; ++col) {
        const QLatin1StringView name = kElements[size_t(col - 1)];
        put(u'<' + name + u'>' + export_text(col, f2.cell(f2.current_row, col)) +
            QStringLiteral("</") + name + u'>');
    }
    put(QStringLiteral("</Document>"));
    if (!f.flush())
        throw Error(
            QStringLiteral("Не удалось записать файл \"%1\": %2").arg(path, f.errorString()));
    f.close();
}

} // namespace tavrelis
