#pragma once

namespace tavrelis {

// "Правка" of the formed-orders window, and its list's double click: opens the editor Form5
// for the selected row of Form2's L1 and returns when the editor is hidden. Does nothing for
// an empty list, a list with no selected row, or an order no longer in payments; refuses an
// order whose payment was posted. A failure is reported in the module's error box and never
// escapes.
void edit_payment();

} // namespace tavrelis
