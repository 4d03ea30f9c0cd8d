#include "data/registry.h"

#include "platform/registry_file.h"

#include <QHash>

namespace tavrelis::data {

namespace {

// Open keys by handle, each its full path as the registry file names it. Only the .reg file
// backend exists here; on Windows these calls would be RegOpenKeyEx and its companions.
struct OpenKeys {
    QHash<RegKey, QString> paths;
    RegKey next = 1;
};

OpenKeys& open_keys() {
    static OpenKeys keys;
    return keys;
}

QString root_name(RegKey key) {
    switch (key) {
    case HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_USERS:
        return QStringLiteral("HKEY_USERS");
    default:
        return {};
    }
}

// The full path of a handle; empty for none.
QString path_of(RegKey key) {
    const QString root = root_name(key);
    return root.isEmpty() ? open_keys().paths.value(key) : root;
}

} // namespace

long reg_open_key_ex(RegKey root, const QString& sub_key, quint32 access, RegKey& result) {
    Q_UNUSED(access); // the file is only read, whatever access is asked for
    result = 0;
    const QString base = path_of(root);
    if (base.isEmpty())
        return REG_INVALID_HANDLE;
    QString sub = sub_key;
    while (sub.startsWith(u'\\'))
        sub.remove(0, 1);
    const QString path = sub.isEmpty() ? base : base + u'\\' + sub;
    if (!platform::registry_key_exists(path))
        return REG_FILE_NOT_FOUND;
    OpenKeys& keys = open_keys();
    result = keys.next++;
    keys.paths.insert(result, path);
    return REG_OK;
}

long reg_close_key(RegKey key) {
    if (!root_name(key).isEmpty())
        return REG_OK;
    return open_keys().paths.remove(key) ? REG_OK : REG_INVALID_HANDLE;
}

long reg_query_value(RegKey key, const QString& name, QVariant& out) {
    out = QVariant();
    const QString path = path_of(key);
    // A handle that is not open answers like a missing value: its type is none.
    const platform::RegValue v =
        path.isEmpty() ? platform::RegValue{} : platform::read_registry_value(path, name);
    switch (v.type) {
    case platform::RegSz:
        out = v.data.toString() + QChar(0);
        return REG_OK;
    case platform::RegDword:
        out = v.data.value<quint32>();
        return REG_OK;
    default:
        return -1;
    }
}

QVariant reg_get_value(RegKey root, const QString& key_path, const QString& value_name) {
    RegKey key = 0;
    reg_open_key_ex(root, key_path, KEY_ACCESS_0x3F, key);
    QVariant value;
    reg_query_value(key, value_name, value);
    reg_close_key(key);
    return value;
}

} // namespace tavrelis::data
