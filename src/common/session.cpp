#include "common/session.h"

namespace tavrelis {

namespace {
Session* active = nullptr;
} // namespace

Session::Session() : previous_(active) {
    active = this;
}

Session::~Session() {
    // Windows go in reverse order of creation would be nicer, but none refers to another
    // in its destructor; clearing first keeps `current()` valid while they close.
    objects_.clear();
    active = previous_;
}

Session& Session::current() {
    if (!active) {
        static Session fallback;
        return fallback;
    }
    return *active;
}

} // namespace tavrelis
