#pragma once

#include <QString>
#include <optional>

namespace tavrelis {

// The receiver requisites of a single tax payment (ЕНП).
struct EnpRequisites {
    QString receiver, inn, kpp, rs, bik, ks, bank, kbk;
};

// Reads Templates/enp.ini: UTF-8 key=value lines. Nothing when the file is missing,
// unreadable, or lacks one of the eight values.
std::optional<EnpRequisites> read_enp_file(const QString& path);

// The payer's status (field 101): "13" for a natural person (a 12-digit INN), else "01".
QString payer_status(const QString& inn_sender);

} // namespace tavrelis
