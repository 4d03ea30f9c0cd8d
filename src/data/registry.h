#pragma once

#include <QString>
#include <QVariant>

namespace tavrelis::data {

// A registry key handle: a predefined root or a key opened under one; 0 is none.
using RegKey = quintptr;

inline constexpr RegKey HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr RegKey HKEY_CURRENT_USER = 0x80000001;
inline constexpr RegKey HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr RegKey HKEY_USERS = 0x80000003;

// Query value, set value, create subkey, enumerate subkeys, notify, create link.
inline constexpr quint32 KEY_ACCESS_0x3F = 0x3F;

// System status codes of the registry calls.
inline constexpr long REG_OK = 0;             // ERROR_SUCCESS
inline constexpr long REG_FILE_NOT_FOUND = 2; // ERROR_FILE_NOT_FOUND
inline constexpr long REG_INVALID_HANDLE = 6; // ERROR_INVALID_HANDLE

// Opens sub_key under root (a root or an open key); result is 0 unless the status is REG_OK.
long reg_open_key_ex(RegKey root, const QString& sub_key, quint32 access, RegKey& result);
long reg_close_key(RegKey key);

// Reads a value of an open key. A string value (type 1) comes back with its terminating zero
// character, as its size counts it; a 32-bit value (type 4) as its number (quint32). Any
// other type, a missing value included, returns -1 and leaves out empty. Otherwise the
// result is the status of the read, 0 on success.
long reg_query_value(RegKey key, const QString& name, QVariant& out);

// Opens key_path under root with access 0x3F, reads value_name with reg_query_value and
// closes the key. Empty (an invalid QVariant) when the key or value is missing or of another
// type; the opening's own status is not looked at, its failure shows as an empty result.
QVariant reg_get_value(RegKey root, const QString& key_path, const QString& value_name);

} // namespace tavrelis::data
