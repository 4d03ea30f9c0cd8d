#include "platform/errors.h"

namespace tavrelis {

QString describe(const std::exception& e) {
    if (auto* err = dynamic_cast<const Error*>(&e))
        return err->description();
    return QString::fromUtf8(e.what());
}

} // namespace tavrelis
