#pragma once

namespace tavrelis {

// The module's one public object: the host creates it and calls porvik.
class Class1 {
public:
    void porvik(int& acc_id);
};

} // namespace tavrelis
