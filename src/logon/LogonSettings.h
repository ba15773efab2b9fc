#pragma once
// The logon window's data: the Connection settings bag kept per user in the
// registry, the keyed collection of logon profiles, the stored profile list
// with its record format, the once-only migration of the old single-server
// settings, and the failed-attempt count of one showing. The window owns one
// of these and shows what it exposes; nothing here touches a control.

#include "core/AuProperties.h"
#include "core/CoCollection.h"
#include "core/clsLogonProfile.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class LogonSettings {
public:
    // The entry of the profile box that opens the profile wizard; also the current
    // profile name after SetStartupDefaults.
    static const QString kCreateNewProfile;
    static const QString kRecordTerminator;  // "[^]"
    static const QString kFieldSeparator;    // "[~]"

    LogonSettings();

    // Window preparation, in the order the window runs them:
    // a new, empty settings bag ...
    void NewSettings();
    // ... an empty profile collection with a new, empty key list ...
    void ResetProfiles();
    // ... and SetStartupDefaults followed by LoadRecentInfo. When this fails the
    // window leaves its profile box empty.
    void InitSettings();

    // Current profile "<create new logon profile>", status text cleared, failed attempts 0.
    void SetStartupDefaults();
    void ClearAllServer();
    // Reads the Connection settings into the bag (telling the user once where a damaged
    // settings file was moved), then the stored profile list into the
    // collection, or, while only the old single-server settings exist, builds a first
    // profile from them and tells the user (every showing until a logon succeeds).
    void LoadRecentInfo();
    // Parses the stored profile list into the collection. A record that cannot be read
    // (too few fields, no name, a port or branch id that is not a number, a bad flag,
    // a name already held) is kept as stored and written back unchanged in its place.
    void LoadProfiles();
    // The text up to, not including, its first backslash.
    static QString StripServerInstance(const QString& server);
    // Writes all eight Connection values, the profile list rebuilt from the collection;
    // profileText is the profile just used, userNameText the user id as typed.
    // False, after telling the user why, when the settings could not be written.
    bool SaveRegSettings(const QString& profileText, const QString& userNameText);

    // One profile as a record of the stored list (without the terminator).
    static QString ProfileRecord(const clsLogonProfile& profile);
    // The stored list built from the collection, with the unreadable records in their places.
    QString BuildProfileList() const;

    // What the window shows and uses.
    const CoCollectionRef& Profiles() const { return m_colProfiles; }
    QStringList ProfileNames() const;  // in collection order
    const QString& CurrentProfile() const { return m_sProfile; }  // the entry to select
    void SetCurrentProfile(const QString& name) { m_sProfile = name; }
    const QString& UserID() const { return m_sUserID; }
    const QString& ProfileList() const { return m_sProfileList; }
    const QString& StatusText() const { return m_sStatusText; }
    void SetStatusText(const QString& text) { m_sStatusText = text; }
    int16_t FailedAttempts() const { return m_iFailedAttempts; }
    void SetFailedAttempts(int16_t count) { m_iFailedAttempts = count; }
    const AuPropertiesRef& Settings() const { return m_oSettings; }
    // The records of the last read that could not be read, as stored.
    QStringList RejectedRecords() const;

private:
    Variant SettingValue(const QString& name) const;
    void SetSettingValue(const QString& name, const Variant& value);
    clsLogonProfileRef ParseRecord(const QString& record) const;
    void MigrateServerSettings();

    // The stored list as read: each record either became a profile or was kept as stored.
    struct ReadRecord {
        clsLogonProfileRef profile;
        QString kept;
    };

    AuPropertiesRef m_oSettings;
    CoCollectionRef m_colProfiles;
    QString m_sProfileList;
    QString m_sProfile;
    QString m_sUserID;
    QString m_sStatusText;
    int16_t m_iFailedAttempts = 0;
    std::vector<ReadRecord> m_readRecords;
};
