#pragma once
// Window and logon settings kept per user in the registry: one key per window
// kind under HKEY_CURRENT_USER\SOFTWARE\Harbrook Inc\Pelmora\, one value per
// property of the caller's bag. Values the bag does not name are neither read
// nor removed.

#include "core/AuProperties.h"

#include <QString>

// The key path of a subkey: the prefix immediately followed by the subkey.
QString MachineSettingsKeyPath(const QString& strSubKey);

// Overwrites each property's default with the value the registry holds under its
// name (a null reading keeps the default). False, with the bag unchanged, when
// the key cannot be opened.
bool LoadMachineSettings(const QString& strSubKey, AuProperties& oProperties);
// Writes every property of the bag, in order (for a shared name the later value
// stays). False, with nothing written, when the key can be neither opened nor created.
bool SaveMachineSettings(const QString& strSubKey, AuProperties& oProperties);

// A name (a window's caption) as one key of a path: the backslash that would part
// the path, and the percent sign, written as "%5C" and "%25", so that every name
// has a key of its own; a name without either is its own key.
QString MachineSettingsKeyName(const QString& name);
// SaveMachineSettings of a window's settings: a save that does not reach the
// store is told to the user, once in the program's run, with why and for which
// window (its caption). False when it failed.
bool SaveWindowSettings(const QString& strSubKey, const QString& caption, AuProperties& oProperties);
// Forgets that a failed save was told, as a new run of the program would.
void ForgetWindowSettingsNotice();
