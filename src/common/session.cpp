#include "common/session.h"

#include "common/shared.h"

namespace tavrelis {

namespace {
Session* active = nullptr;
} // namespace

Session::Session() : previous_{active}, shared_(std::make_unique<Shared>()) {
    active = this;
}

Session::~Session() = default;

Session::Previous::~Previous() {
    active = session;
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
