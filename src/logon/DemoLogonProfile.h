#pragma once
// The logon profile of the demo company, added to the user's stored profile list
// so that a new user can log on at once.

#include <QString>

struct DemoProfileOutcome {
    QString profileName;
    bool added = false;        // false: a profile of that name was already stored
    bool madeCurrent = false;  // it became the current "Profile" (none was set)
    bool stored = false;       // false: the settings could not be written
};

// The name of the demo profile.
inline constexpr char kDemoProfileName[] = "Demo Company";

// Adds a profile for the demo company and its main branch on sqlServer (HBServer
// localhost, port 1331) after the profiles already stored, never replacing one: a
// profile of the same name (in any letter case) is left as it is. It becomes the
// current profile only when no current profile is set. Only the profile list and
// the current profile are written.
DemoProfileOutcome AddDemoLogonProfile(const QString& sqlServer);
