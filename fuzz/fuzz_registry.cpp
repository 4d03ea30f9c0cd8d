// The .reg reader on any file: each input is written as the registry file, then read the way
// the module reads it (the version value, the database path, a key's presence).

#include "data/registry.h"
#include "fuzz_support.h"
#include "platform/registry_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tavrelis;
using fuzzsupport::check;

namespace {

// One file for the whole run, in memory when the system has a RAM disk.
const QString& registry_path() {
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/tavrelis-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/tavrelis-fuzz-XXXXXX"));
    static const QString path = dir.filePath(QStringLiteral("registry.reg"));
    if (!dir.isValid())
        fuzzsupport::fail("no temporary folder for the registry file");
    return path;
}

void value_agrees_with_type(const platform::RegValue& v) {
    switch (v.type) {
    case platform::RegNone:
        check(!v.data.isValid(), "a missing value carries no data");
        break;
    case platform::RegSz:
    case platform::RegExpandSz:
        check(v.data.typeId() == QMetaType::QString, "a string value is text");
        break;
    case platform::RegDword:
        check(v.data.typeId() == QMetaType::UInt, "a dword value is a number");
        break;
    default:
        check(v.data.typeId() == QMetaType::QByteArray, "another value is bytes");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString& path = registry_path();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        fuzzsupport::fail("cannot write the registry file", path);
    f.close();
    platform::set_registry_file(path);

    value_agrees_with_type(
        platform::read_registry_value(QStringLiteral("HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo"),
                                      QStringLiteral("VersionAssemble")));

    const QVariant db = data::reg_get_value(data::HKEY_LOCAL_MACHINE,
                                            QStringLiteral("SOFTWARE\\Tormesk\\Valmora2\\General"),
                                            QStringLiteral("DataBasePath"));
    check(!db.isValid() || db.typeId() == QMetaType::UInt ||
              (db.typeId() == QMetaType::QString && db.toString().endsWith(QChar(0))),
          "reg_get_value gives nothing, a number or a string with its terminating zero");

    const bool general =
        platform::registry_key_exists(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk"));
    if (db.isValid())
        check(general, "a value's key exists");
    return 0;
}
