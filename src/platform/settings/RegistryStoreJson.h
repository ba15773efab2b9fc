#pragma once
// The settings store's contents in memory and its file format (JSON, UTF-8): keys
// by path, root name first, each with its typed values. Internal to the settings
// layer (RegistryStore.cpp).

#include "platform/settings/RegistryStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <vector>

namespace registrystore {

struct StoredValue {
    QString name;
    uint32_t type = REG_NONE;
    bool isText = false;  // a REG_SZ written as text: size is characters + 1
    QString text;
    QByteArray bytes;
};

struct StoredKey {
    QStringList path;  // root name first
    std::vector<StoredValue> values;
};

struct Store {
    std::vector<StoredKey> keys;
};

// The roots by handle, and their names as paths begin with them.
const std::map<HKEY, QString>& roots();
bool isRootName(const QString& name);

// The file's text of a store.
QByteArray serialise(const Store& s);
// Parses the file's text; on failure *reason says what is wrong.
bool parse(const QByteArray& data, Store* out, QString* reason);

}  // namespace registrystore
