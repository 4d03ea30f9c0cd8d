#pragma once

#include <QString>

namespace tavrelis {

// The three-line settings file: export folder, last order number used, its year.
struct SettingsPaths {
    QString bez; // settings folder, with its trailing separator
    QString S;   // settings file
};

SettingsPaths settings_paths();

// The export folder a first run starts with: "C:\ПП" on Windows, the folder "ПП" in the
// user's home elsewhere.
QString default_export_folder();

// A number in the file's print form: " 0 ", "-5 ".
QString print_number(qint32 n);

// What the settings file holds.
struct SettingsValues {
    QString up_path;
    qint32 last_number = 0;
    qint32 last_year = 0;
};

// Reads the file's bytes (windows-1251, lines ending in CR LF or LF). Fewer than three lines
// raise "Input past end of file"; a number line that is not a whole number raises "Type
// mismatch", one outside 32 bits "Overflow". Touches nothing: no folder, no shared value.
SettingsValues parse_settings(const QByteArray& bytes);

// Start-up: makes the settings folder, reads the file into the shared up_path, last_number
// and last_year (or writes the defaults), makes the export folder, and returns the first
// free order number as text. A file with fewer than three lines or a non-number raises
// an error, for the entry method to report.
QString settings_startup(const SettingsPaths& paths);

// Writes the shared up_path, last_number and last_year; replaces the old file only once the
// new one is complete, so a failure never leaves it truncated. Raises an error on failure.
void write_settings(const QString& S);

// The settings written as soon as numbers are issued, so that a process killed afterwards never
// gives them again; false on failure, which the window's closing write tells.
bool save_counter(const QString& S);

// The settings write of a window that closes: it closes in any case, and a failure is told
// in a critical box with the error's description, so the user learns the numbering was not
// saved.
void write_settings_or_say(const QString& S);

} // namespace tavrelis
