#pragma once

#include "common/requisites.h"

#include <QString>
#include <optional>

namespace tavrelis {

// The receiver of a single tax payment (ЕНП), as the tax service publishes it. The values
// change now and then, so they live in a file the user can edit, never in the code.
struct EnpRequisites {
    QString receiver, inn, kpp, rs, bik, ks, bank, kbk;
    bool operator==(const EnpRequisites&) const = default;
};

// A UTF-8 file of key=value lines (a byte-order mark allowed; blank lines and lines starting
// with "#" or ";" skipped; blanks around keys and values dropped). Nothing when the file
// cannot be read, is not UTF-8, or lacks one of the eight keys or leaves it empty.
std::optional<EnpRequisites> read_enp_file(const QString& path);

// Templates/enp.ini beside the module.
QString enp_file_path();

// What check_bank_order needs of the requisites; no rules when there are none.
BudgetRules budget_rules(const std::optional<EnpRequisites>& enp);

} // namespace tavrelis
