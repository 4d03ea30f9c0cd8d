#pragma once

#include <QString>

namespace tavrelis {

// True when a select on the table of the settlements database succeeds (req1.cpp).
bool table_exists(const QString& name);

// The forming run of "Далее >>": turns the accruals matching the formation window's choices
// into payment orders, fills the formed-orders list and remembers the choices. Reports its
// own failures; never raises a std::exception.
void sluj1();

} // namespace tavrelis
