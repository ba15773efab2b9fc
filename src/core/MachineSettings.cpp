#include "core/MachineSettings.h"

#include "core/Windows.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/settings/RegistryStore.h"

#include <atomic>

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

QString MachineSettingsKeyName(const QString& name)
{
    QString key = name;
    key.replace(QLatin1Char('%'), QLatin1String("%25"));
    key.replace(QLatin1Char('\\'), QLatin1String("%5C"));
    return key;
}

namespace {
std::atomic<bool> g_windowSettingsFailureTold{false};
}  // namespace

void ForgetWindowSettingsNotice() { g_windowSettingsFailureTold = false; }

bool SaveWindowSettings(const QString& strSubKey, const QString& caption, AuProperties& oProperties)
{
    std::atomic<bool>& told = g_windowSettingsFailureTold;
    const quint64 failedBefore = RegistryStore::FailedWrites();
    const bool saved = SaveMachineSettings(strSubKey, oProperties) &&
                       RegistryStore::FailedWrites() == failedBefore;
    if (!saved && !told.exchange(true)) {
        QString why = RegistryStore::FailedWrites() != failedBefore ? RegistryStore::LastWriteFailure() : QString();
        if (why.isEmpty())
            why = QStringLiteral("the settings store could not be written");
        MsgBox(QStringLiteral("Your window settings could not be saved, because %1.  The settings of the window "
                              "'%2' are not kept, and a later failure is not told again.")
                   .arg(why, caption),
               vbExclamation | vbOKOnly, QStringLiteral("Attention Required"));
    }
    return saved;
}
