#pragma once

#include "platform/objects.h"

#include <QString>

namespace tavrelis::platform {

// The stand-in for the host's working-day calendar: Saturdays, Sundays and the Russian
// public holidays are days off; a host data file may add days off and working days.
std::unique_ptr<WorkCalendar> make_work_calendar(const QString& data_file);

// The calendar data file of the host installation; empty for none.
void set_calendar_file(const QString& path);
QString calendar_file();

} // namespace tavrelis::platform
