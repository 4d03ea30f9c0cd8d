#pragma once

#include "platform/objects.h"

#include <QString>

namespace tavrelis::platform {

// The stand-in for the host's working-day calendar: Saturdays, Sundays and the Russian
// public holidays are days off; a host data file may add days off and working days.
//
// Data file, UTF-8 text, one entry a line:
//   off 2026-01-09    an extra day off
//   work 2026-11-01   a working Saturday, Sunday or holiday
// '#' starts a comment; blank lines are ignored; a line of any other shape is skipped.
// When a date is listed twice, the later line wins. A missing file changes nothing.
std::unique_ptr<WorkCalendar> make_work_calendar(const QString& data_file);

// The calendar data file of the host installation; empty for none.
void set_calendar_file(const QString& path);
QString calendar_file();

} // namespace tavrelis::platform
