#include "entry/class1.h"

namespace tavrelis {

void Class1::porvik(int& acc_id) { (void)acc_id; }

} // namespace tavrelis
