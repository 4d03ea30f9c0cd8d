#pragma once

#include <QByteArray>
#include <QString>

namespace tavrelis::platform {

// The windows-1251 code page the module's files use, whatever the machine's locale.
// A character with no code is written as "?".
QByteArray to_cp1251(const QString& text);
QString from_cp1251(const QByteArray& bytes);
bool encodable_cp1251(QChar c);

} // namespace tavrelis::platform
