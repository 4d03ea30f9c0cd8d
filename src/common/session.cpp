#include "common/session.h"

#include "common/shared.h"

namespace tavrelis {

namespace {
Session* active = nullptr;
} // namespace

Session::Session() : shared_(std::make_unique<Shared>()), previous_(active) {
    active = this;
}

Session::~Session() {
    // Windows go in reverse order of creation would be nicer, but none refers to another
    // in its destructor; clearing first keeps `current()` valid while they close.
    objects_.clear();
    active = previous_;
}

Shared& shared() {
    return Session::current().shared();
}

Session& Session::current() {
    if (!active) {
        static Session fallback;
        return fallback;
    }
    return *active;
}

} // namespace tavrelis
