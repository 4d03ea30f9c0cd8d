#include "platform/objects.h"

#include "platform/registry_file.h"
#include "platform/word.h"
#include "platform/work_calendar.h"

namespace tavrelis::platform {

namespace {

// The host registers its version object under HKEY_CLASSES_ROOT; here the registration and
// the number it answers live in the registry file.
class RegisteredVersion : public VersionInfo {
public:
    explicit RegisteredVersion(int assemble) : assemble_(assemble) {}
    int VersionAssemble() const override { return assemble_; }

private:
    int assemble_;
};

class HostObjects : public ObjectFactory {
public:
    std::unique_ptr<VersionInfo> create_version() override {
        const RegValue v =
            read_registry_value(QStringLiteral("HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo"),
                                QStringLiteral("VersionAssemble"));
        if (v.type != RegDword)
            return nullptr;
        return std::make_unique<RegisteredVersion>(int(v.data.value<quint32>()));
    }
    std::unique_ptr<WorkCalendar> create_calendar() override {
        return make_work_calendar(calendar_file());
    }
};

HostObjects host_objects;
ObjectFactory* installed = nullptr;

} // namespace

std::unique_ptr<Spreadsheet> ObjectFactory::create_spreadsheet() {
    return std::make_unique<Spreadsheet>();
}

std::unique_ptr<WordApplication> ObjectFactory::create_word() {
    const QString version = registered_word_version();
    if (version.isEmpty())
        return nullptr;
    return make_word_application(version);
}

ObjectFactory& factory() {
    return installed ? *installed : host_objects;
}

void set_factory(ObjectFactory* f) {
    installed = f;
}

} // namespace tavrelis::platform
