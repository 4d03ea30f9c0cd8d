#pragma once

#include <QString>
#include <QVariant>

namespace tavrelis::platform {

// The registry as this system keeps it: a text file in the .reg export format
// ("Windows Registry Editor Version 5.00"), whose path the host gives.
void set_registry_file(const QString& path);
QString registry_file();

enum RegType { RegNone = 0, RegSz = 1, RegExpandSz = 2, RegBinary = 3, RegDword = 4 };

struct RegValue {
    int type = RegNone; // RegNone when missing
    QVariant data;      // QString for RegSz/RegExpandSz, quint32 for RegDword
};

// Reads one value; a missing or malformed file, key or value reads as RegNone.
// key is the full key path, e.g. "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\General".
RegValue read_registry_value(const QString& key, const QString& name);

// Whether the key is in the file, as a section of its own or as the parent of one.
bool registry_key_exists(const QString& key);

} // namespace tavrelis::platform
