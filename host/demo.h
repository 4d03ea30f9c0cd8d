#pragma once

#include <QString>

namespace host {

// Report sets of the demo installation, as the host passes them to the module.
inline constexpr int demo_legal_report_set = 1; // ООО "Северный ветер" with two branches
inline constexpr int demo_natural_report_set = 2; // ИП Иванова Мария Петровна

// Whether dir already holds a host installation: its registry file or one of the databases.
bool holds_installation(const QString& dir);

// Creates a demo host installation in dir (made when missing): registry.reg naming
// dir/Data/ as the database folder and the host's version, and Data/Fsk_Base.mdb and
// Data/Valmora2.mdb with sample taxpayers, periods, taxes, settlement cards and accruals
// laid out around platform::today(). Refuses a folder that already holds an installation.
// On failure returns false with the reason in *error and leaves none of its files behind.
bool make_demo(const QString& dir, QString* error);

// For an interactive run: the period and due date the demo's current-quarter orders are
// formed for, as a hint in Russian; empty when dir holds no demo data.
QString demo_hint(const QString& dir);

} // namespace host
