// "Далее >>": forms the payment orders and closes the formation window.

#include "forming/form1.h"

namespace tavrelis {

void Command2_Click() {
    form1().unload();
}

} // namespace tavrelis
