#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testsupport::hostile {

// The entries of tests/data/hostile.txt, decoded; empty with *error for a bad or repeated line.
QStringList corpus(QString* error);

// A text as a windows-1251 file holds it ("?" for no code), by the C library's converter.
QString through_cp1251(const QString& text);
// Bytes of a windows-1251 file read back as text, by the C library's converter.
QString from_cp1251_file(const QByteArray& bytes);

// The five XML special characters escaped, the ampersand first.
QString xml_escaped(const QString& text);

// The value the print template receives for a text field: "&" becomes a blank and a
// character with no windows-1251 code "?".
QString printed(const QString& text);

// A text for a test's failure message: escapes shown, cut to a readable length.
QString shown(const QString& text);

} // namespace testsupport::hostile
