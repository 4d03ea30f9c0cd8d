#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace tavrelis::platform {

// The windows-1251 code page the module's files use, whatever the machine's locale.
// A character with no code is written as "?".
QByteArray to_cp1251(const QString& text);
QString from_cp1251(const QByteArray& bytes);
bool encodable_cp1251(QChar c);

// UTF-8 written by hand where texts are many and short (a list's rows, a statement's values):
// the length of a text in UTF-8, -1 when it holds a lone surrogate, which UTF-8 cannot carry;
// and the text written (one utf8_size found whole), returning where it ends.
qsizetype utf8_size(QStringView text);
char* put_utf8(char* out, QStringView text);

} // namespace tavrelis::platform
