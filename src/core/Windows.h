#pragma once
// The platform calls that several parts of the program share. Here: the registry
// (the per-user store of platform/RegistryStore.h) and the two converters
// between registry values and Variant values that the settings bags use.

#include "base/Variant.h"
#include "platform/settings/RegistryStore.h"

#include <QString>

// The value as a Variant: REG_SZ as text, REG_DWORD as a 32-bit integer; null when
// the value is absent, cannot be read, or has any other type (REG_NONE included).
Variant RegQueryValueVariant(HKEY hKey, const QString& strValueName);
// Writes the value: 16/32-bit integers as REG_DWORD, text as REG_SZ (its characters,
// without a terminating NUL), everything else (empty, null, Boolean, ...) as REG_NONE
// without data. A refused write is not reported.
void RegSetValueVariant(HKEY hKey, const QString& strValueName, const Variant& vntValue);
