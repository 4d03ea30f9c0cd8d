#pragma once

#include "common/order.h"

#include <functional>

namespace tavrelis {

// Opens the editor Form5 for a formed order and returns when the editor is hidden;
// "Сохранить" hands the changed order to on_change before storing it. Does nothing for an
// order no longer in payments; refuses an order whose payment was posted. A failure is
// reported in the module's error box and never escapes.
void edit_payment(const Order& o, std::function<void(const Order&)> on_change);

} // namespace tavrelis
