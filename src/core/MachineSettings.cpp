#include "core/MachineSettings.h"

#include "core/Windows.h"

namespace {
// Closes the key also when an error leaves the loop: no handle outlives a call.
struct KeyCloser {
    HKEY hKey;
    ~KeyCloser() { RegCloseKey(hKey); }
};
}  // namespace

QString MachineSettingsKeyPath(const QString& strSubKey)
{
    return QStringLiteral("SOFTWARE\\Harbrook Inc\\Pelmora\\") + strSubKey;
}

bool LoadMachineSettings(const QString& strSubKey, AuProperties& oProperties)
{
    HKEY hKey = 0;
    if (RegOpenKey(HKEY_CURRENT_USER, MachineSettingsKeyPath(strSubKey), &hKey) != ERROR_SUCCESS) {
        if (hKey != 0)
            RegCloseKey(hKey);
        return false;
    }
    KeyCloser closer{hKey};
    const int16_t count = oProperties.Count();
    for (int16_t i = 1; i <= count; ++i) {
        const AuPropertyRef property = oProperties.Item(Variant(i));
        const Variant value = RegQueryValueVariant(hKey, property->Name());
        if (!value.isNull())
            property->LetValue(value);
    }
    return true;
}

bool SaveMachineSettings(const QString& strSubKey, AuProperties& oProperties)
{
    HKEY hKey = 0;
    if (RegCreateKey(HKEY_CURRENT_USER, MachineSettingsKeyPath(strSubKey), &hKey) != ERROR_SUCCESS)
        return false;
    KeyCloser closer{hKey};
    const int16_t count = oProperties.Count();
    for (int16_t i = 1; i <= count; ++i) {
        const AuPropertyRef property = oProperties.Item(Variant(i));
        RegSetValueVariant(hKey, property->Name(), property->Value());
    }
    return true;
}
