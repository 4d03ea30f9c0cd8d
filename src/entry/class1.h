#pragma once

#include "platform/objects.h"

#include <memory>

namespace tavrelis {

// The module's one public object: the host creates it and calls porvik.
class Class1 {
public:
    Class1();
    ~Class1();
    // Runs the module's work for a report set; returns when the user ends it.
    void porvik(int& acc_id);

private:
    bool create_version();
    std::unique_ptr<platform::VersionInfo> ver;
};

} // namespace tavrelis
