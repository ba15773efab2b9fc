#pragma once
// The settings of one session: where it is connected, who is logged on, the SQL
// logins' enciphered passwords, the branch, and a few fixed database names and
// time-outs. The system engine fills it while logging on; everybody else reads it.

#include "base/Variant.h"

#include <QString>
#include <cstdint>

class CoEnvironmentSettings : public VObject {
public:
    // The error of Branch (get) when only the branch id was set.
    static constexpr int32_t kBranchNotSetError = static_cast<int32_t>(0x80044E98u);

    // This computer's name and the running user's login name, looked up on first
    // read and kept; a failed look-up gives "" and is tried again on the next read.
    QString ComputerName();
    QString WindowsUserName();

    const QString& HBServer() const { return m_hbServer; }
    void SetHBServer(const QString& value) { m_hbServer = value; }
    int16_t HBServerPort() const { return m_hbServerPort; }
    void SetHBServerPort(const int16_t& value) { m_hbServerPort = value; }

    // "(LOCAL)" in any letter case becomes the computer name in upper case.
    const QString& ServerName() const { return m_serverName; }
    void SetServerName(const QString& value);

    // Changing the company id empties the company name and company database.
    void SetCompany(const QString& value);
    const QString& Company() const { return m_company; }
    const QString& CompanyName() const { return m_companyName; }
    // "" while the company id is empty.
    QString CompanyDatabase() const;
    QString FilesDatabaseName() const { return CompanyDatabase() + QStringLiteral("_Files"); }
    QString MasterDatabaseName() const { return QStringLiteral("master"); }
    QString SystemDatabaseName() const { return QStringLiteral("CoSystem"); }
    int32_t iDBUseMasterDatabase() const { return 652; }
    int32_t iDBUseSystemDatabase() const { return 1; }

    // Fails with kBranchNotSetError while the branch text is empty and the branch id is not 0.
    QString Branch() const;
    void SetBranch(const QString& value) { m_branch = value; }
    // Empties the branch text, then stores the id.
    void SetBranchID(int32_t value);
    // A branch id of 0 becomes 1; an empty branch text then becomes "Main Branch", or
    // the GLBranches name of branch 1 when a session engine exists.
    int32_t BranchID();

    const QString& AppUserName() const { return m_appUserName; }
    void SetAppUserName(const QString& value);  // stored without surrounding blanks
    const QString& AppFullUserName() const { return m_appFullUserName; }
    void SetAppFullUserName(const QString& value) { m_appFullUserName = value; }
    // The password as typed at logon (not enciphered).
    void SetAppPassword(const QString& value) { m_appPassword = value; }
    const QString& AppPassword() const { return m_appPassword; }
    const QString& SqlUserName() const { return m_sqlUserName; }
    void SetSqlUserName(const QString& value) { m_sqlUserName = value; }
    // The SQL logins' passwords, enciphered (CryptText with Base64 under the session key).
    void SetSqlPassword(const QString& value) { m_sqlPassword = value; }
    const QString& SqlPassword() const { return m_sqlPassword; }
    void SetSqlReadPassword(const QString& value) { m_sqlReadPassword = value; }
    const QString& SqlReadPassword() const { return m_sqlReadPassword; }

    // Never below 120 and 240.
    int16_t DefaultConnectionTimeout() const { return m_connectionTimeout; }
    void SetDefaultConnectionTimeout(int16_t value) { m_connectionTimeout = value <= 120 ? int16_t(120) : value; }
    int16_t DefaultCommandTimeout() const { return m_commandTimeout; }
    void SetDefaultCommandTimeout(int16_t value) { m_commandTimeout = value <= 240 ? int16_t(240) : value; }

    // For the system engine only.
    void SetCompanyName(const QString& value) { m_companyName = value; }
    void SetCompanyDatabase(const QString& value) { m_companyDatabase = value; }
    void ClearCompanyNameAndDatabase();

private:
    QString m_computerName;
    QString m_windowsUserName;
    QString m_hbServer;
    int16_t m_hbServerPort = 0;
    QString m_serverName;
    QString m_company;
    QString m_companyName;
    QString m_companyDatabase;
    QString m_branch;
    int32_t m_branchId = 0;
    QString m_appUserName;
    QString m_appFullUserName;
    QString m_appPassword;
    QString m_sqlUserName;
    QString m_sqlPassword;
    QString m_sqlReadPassword;
    int16_t m_connectionTimeout = 120;
    int16_t m_commandTimeout = 240;
};

// The host's name up to its first ".", "" when the system does not tell it.
QString SystemComputerName();
// The login name of the running user, "" when the system does not tell it.
QString SystemUserName();
