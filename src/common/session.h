#pragma once

#include <QObject>
#include <map>
#include <memory>
#include <typeindex>

namespace tavrelis {

struct Shared;

// What lives for one call of porvik: the windows, created on first use, and with them
// their public values. Nothing survives the session but files and databases.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The session in force; one is made for callers (tests) that did not open one.
    static Session& current();

    template <class T> T& get() {
        auto& slot = objects_[std::type_index(typeid(T))];
        if (!slot)
            slot = std::make_unique<T>();
        return static_cast<T&>(*slot);
    }
    template <class T> bool has() const { return objects_.count(std::type_index(typeid(T))) != 0; }

    // The values the windows share, made with the session; they outlive its windows.
    Shared& shared() { return *shared_; }

private:
    // The session before this one, made current again when this one has gone: members go in
    // the reverse of their order, so its windows and values close while it is still current.
    struct Previous {
        Session* session;
        ~Previous();
    };
    Previous previous_;
    std::unique_ptr<Shared> shared_;
    std::map<std::type_index, std::unique_ptr<QObject>> objects_;
};

} // namespace tavrelis
