#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace tavrelis::platform {

// The per-user folder the settings live under: APPDATA when set, else the
// per-user config folder.
QString appdata();
// TEMP, then TMP, else the system's temporary folder.
QString temp_folder();
// The folder of the loaded module (the library), where Templates/ sits.
QString module_folder();

// One clock for the whole module; the host may fix it (tests, scripted sessions). A clock
// fixed by its day stands at noon of that day, so that names made from the time repeat.
QDate today();
QDateTime now();
void set_today(const QDate& day); // an invalid date returns to the system clock

// Where printing goes when the host says so: a folder for PDF files; empty for the printer.
void set_print_folder(const QString& folder);
QString print_folder();

// The separator of paths this system builds.
QChar separator();

} // namespace tavrelis::platform
