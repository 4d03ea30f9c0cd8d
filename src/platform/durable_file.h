#pragma once

#include <QByteArray>
#include <QString>

namespace tavrelis::platform {

// Writes a new file and flushes it to the disk; false with the reason on failure (the file
// is then removed). An existing file of the name is replaced.
bool write_durable(const QString& path, const QByteArray& bytes, QString& reason);

// Gives a complete file a second name that must not exist yet, without ever replacing a file:
// true when done, false with exists set when the name is taken (by anyone, at any moment),
// false with the reason on any other failure. On file systems without hard links the name is
// reserved by an exclusive create, and the file moved onto it.
bool link_new_name(const QString& from, const QString& to, bool& exists, QString& reason);

// The id of this process and the name of this machine, to tell whose work a record is.
QString process_owner();
// Whether the owner is this process, or a process of this machine that is gone.
bool owner_gone_or_self(const QString& owner);

// A step at which the crash tests stop the process at once, as a power cut would: when the
// environment names it (TAVRELIS_CRASH_AT), the process kills itself there.
void crash_point(const char* step);

} // namespace tavrelis::platform
