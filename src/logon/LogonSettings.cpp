#include "logon/LogonSettings.h"

#include "base/AppError.h"
#include "core/MachineSettings.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/settings/RegistryStore.h"

#include <QHash>

const QString LogonSettings::kCreateNewProfile = QStringLiteral("<create new logon profile>");
const QString LogonSettings::kRecordTerminator = QStringLiteral("[^]");
const QString LogonSettings::kFieldSeparator = QStringLiteral("[~]");

namespace {

const QString kSubKey = QStringLiteral("Connection");
const QString kUserID = QStringLiteral("UserID");
const QString kCompanyID = QStringLiteral("CompanyID");
const QString kServer = QStringLiteral("Server");
const QString kBranch = QStringLiteral("Branch");
const QString kBranchID = QStringLiteral("BranchID");
const QString kServerList = QStringLiteral("SRV_NAME_RCT_LIST");
const QString kProfileList = QStringLiteral("PRF_NAME_RCT_LIST");
const QString kProfile = QStringLiteral("Profile");

constexpr int16_t kDefaultHBServerPort = 1331;
const QString kAttentionRequired = QStringLiteral("Attention Required");

}  // namespace

LogonSettings::LogonSettings()
    : m_oSettings(std::make_shared<AuProperties>()), m_colProfiles(std::make_shared<CoCollection>())
{
    m_colProfiles->EnableKeyedAccess();
}

void LogonSettings::NewSettings()
{
    m_oSettings = std::make_shared<AuProperties>();
}

void LogonSettings::ResetProfiles()
{
    m_colProfiles->Clear();
    m_colProfiles->EnableKeyedAccess();
    m_readRecords.clear();
}

void LogonSettings::InitSettings()
{
    Traced("frmNewLogon", "InitSettings", [&] {
        SetStartupDefaults();
        LoadRecentInfo();
    });
}

void LogonSettings::SetStartupDefaults()
{
    Traced("frmNewLogon", "SetStartupDefaults", [&] {
        ClearAllServer();
        m_sStatusText.clear();
        m_iFailedAttempts = 0;
    });
}

void LogonSettings::ClearAllServer()
{
    Traced("frmNewLogon", "ClearAllServer", [&] { m_sProfile = kCreateNewProfile; });
}

Variant LogonSettings::SettingValue(const QString& name) const
{
    const AuPropertyRef property = m_oSettings->Item(Variant(name));
    if (!property)
        RaiseError(vberr::ObjectNotSet);
    return property->Value();
}

void LogonSettings::SetSettingValue(const QString& name, const Variant& value)
{
    const AuPropertyRef property = m_oSettings->Item(Variant(name));
    if (!property)
        RaiseError(vberr::ObjectNotSet);
    property->LetValue(value);
}

void LogonSettings::LoadRecentInfo()
{
    Traced("frmNewLogon", "LoadRecentInfo", [&] {
        m_oSettings->Add(kUserID, Variant(QString()));
        m_oSettings->Add(kCompanyID, Variant(QString()));
        m_oSettings->Add(kServer, Variant(QString()));
        m_oSettings->Add(kBranch, Variant(QString()));
        m_oSettings->Add(kBranchID, Variant(int16_t(0)));
        m_oSettings->Add(kServerList, Variant(QString()));
        m_oSettings->Add(kProfileList, Variant(QString()));
        m_oSettings->Add(kProfile, Variant(QString()));

        LoadMachineSettings(kSubKey, *m_oSettings);
        // A damaged settings file was set aside while reading: the user would otherwise
        // just find the profiles gone.
        for (const QString& notice : RegistryStore::TakeDamagedNotices())
            MsgBox(notice, vbExclamation | vbOKOnly, kAttentionRequired);

        m_sUserID = SettingValue(kUserID).toString();
        m_sProfileList = SettingValue(kProfileList).toString();
        m_sProfile = SettingValue(kProfile).toString();
        const QString oldServer = SettingValue(kServer).toString();

        m_readRecords.clear();
        if (!m_sProfile.isEmpty() || oldServer.isEmpty())
            LoadProfiles();
        else
            MigrateServerSettings();
    });
}

void LogonSettings::MigrateServerSettings()
{
    const QString server = SettingValue(kServer).toString();
    const QString company = SettingValue(kCompanyID).toString();
    const QString branch = SettingValue(kBranch).toString();

    auto profile = std::make_shared<clsLogonProfile>();
    profile->Company = company;
    profile->BranchID = SettingValue(kBranchID).toInt32();
    profile->SQLServer = server;
    profile->HBServer = StripServerInstance(server);
    profile->HBServerPort = kDefaultHBServerPort;
    profile->ProfileName = server + QStringLiteral(".") + company;
    if (!branch.isEmpty()) {
        profile->Branch = branch;
        profile->ProfileName += QStringLiteral("-") + branch;
    }

    if (profile->FilledOut()) {
        m_colProfiles->Add(profile, profile->ProfileName);
        m_sProfile = profile->ProfileName;
    }

    MsgBox(QStringLiteral("We have changed the way our logon form works.  We now have logon 'profiles' to make it "
                          "easier to store connection parameters.") +
               QStringLiteral("\r\n\r\n") +
               QStringLiteral("We have created one profile for you based on the last login.  When you are ready to "
                              "alter the profile or create more use the edit button."),
           vbExclamation | vbOKOnly, kAttentionRequired);
}

clsLogonProfileRef LogonSettings::ParseRecord(const QString& record) const
{
    const QStringList fields = record.split(kFieldSeparator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    const qsizetype n = fields.size();
    if (n < 6)
        RaiseError(vberr::SubscriptOutOfRange);

    // A profile without a name could be neither listed nor keyed: kept as stored instead.
    if (fields[0].isEmpty())
        RaiseError(vberr::InvalidProcedureCall);
    auto profile = std::make_shared<clsLogonProfile>();
    profile->ProfileName = fields[0];
    profile->HBServer = fields[1];
    profile->HBServerPort = Variant(fields[2]).toInt16();
    profile->SQLServer = fields[3];
    profile->Company = fields[4];
    profile->BranchID = Variant(fields[5]).toInt32();
    if (n >= 7)
        profile->Branch = fields[6];
    if (n == 8)
        profile->ShowOnlyLoggedInBranch = Variant(fields[7]).toBool();
    return profile;
}

void LogonSettings::LoadProfiles()
{
    Traced("frmNewLogon", "LoadProfiles", [&] {
        const QStringList records = m_sProfileList.split(kRecordTerminator, Qt::SkipEmptyParts, Qt::CaseSensitive);
        for (const QString& record : records) {
            try {
                clsLogonProfileRef profile = ParseRecord(record);
                m_colProfiles->Add(profile, profile->ProfileName);
                m_readRecords.push_back({profile, QString()});
            } catch (const AppError& e) {
                // One bad record must not hide the others or be lost: keep it as stored.
                SetCurrentError(e);
                TraceProc(QStringLiteral("frmNewLogon"), QStringLiteral("LoadProfiles"));
                m_readRecords.push_back({nullptr, record});
            }
        }
    });
}

QStringList LogonSettings::RejectedRecords() const
{
    QStringList kept;
    for (const ReadRecord& r : m_readRecords) {
        if (!r.profile)
            kept << r.kept;
    }
    return kept;
}

QString LogonSettings::StripServerInstance(const QString& server)
{
    const qsizetype backslash = server.indexOf(QLatin1Char('\\'));
    return backslash < 0 ? server : server.left(backslash);
}

QString LogonSettings::ProfileRecord(const clsLogonProfile& profile)
{
    QStringList fields{profile.ProfileName,
                       profile.HBServer,
                       QString::number(profile.HBServerPort),
                       profile.SQLServer,
                       profile.Company,
                       QString::number(profile.BranchID)};
    if (!profile.Branch.isEmpty()) {
        fields << profile.Branch;
        fields << (profile.ShowOnlyLoggedInBranch ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return fields.join(kFieldSeparator);
}

QString LogonSettings::BuildProfileList() const
{
    // Profiles still in the collection; an unreadable record stays after the nearest
    // profile read before it that is still there (or at the start).
    QHash<const clsLogonProfile*, bool> present;
    for (int32_t i = 1; i <= m_colProfiles->Count(); ++i) {
        if (auto p = std::dynamic_pointer_cast<clsLogonProfile>(m_colProfiles->Item(i)))
            present.insert(p.get(), true);
    }
    QStringList atStart;
    QHash<const clsLogonProfile*, QStringList> following;
    const clsLogonProfile* anchor = nullptr;
    for (const ReadRecord& r : m_readRecords) {
        if (r.profile) {
            if (present.contains(r.profile.get()))
                anchor = r.profile.get();
        } else if (anchor) {
            following[anchor] << r.kept;
        } else {
            atStart << r.kept;
        }
    }

    QString list;
    for (const QString& kept : atStart)
        list += kept + kRecordTerminator;
    for (int32_t i = 1; i <= m_colProfiles->Count(); ++i) {
        auto profile = std::dynamic_pointer_cast<clsLogonProfile>(m_colProfiles->Item(i));
        if (!profile)
            RaiseError(vberr::ObjectDoesntSupport);
        list += ProfileRecord(*profile) + kRecordTerminator;
        auto kept = following.find(profile.get());
        if (kept != following.end()) {
            for (const QString& record : kept.value())
                list += record + kRecordTerminator;
            following.erase(kept);
        }
    }
    return list;
}

bool LogonSettings::SaveRegSettings(const QString& profileText, const QString& userNameText)
{
    return Traced("frmNewLogon", "SaveRegSettings", [&] {
        m_sProfileList = BuildProfileList();
        SetSettingValue(kProfile, Variant(profileText));
        SetSettingValue(kProfileList, Variant(m_sProfileList));
        SetSettingValue(kUserID, Variant(userNameText));
        const quint64 failedBefore = RegistryStore::FailedWrites();
        const bool saved = SaveMachineSettings(kSubKey, *m_oSettings) && RegistryStore::FailedWrites() == failedBefore;
        if (!saved)
            MsgBox(QStringLiteral("Your logon settings could not be saved, because %1.  The changes to your logon "
                                  "profiles, and the profile and user id of this logon, are not kept.")
                       .arg(RegistryStore::LastWriteFailure()),
                   vbExclamation | vbOKOnly, kAttentionRequired);
        return saved;
    });
}

QStringList LogonSettings::ProfileNames() const
{
    QStringList names;
    for (int32_t i = 1; i <= m_colProfiles->Count(); ++i) {
        if (auto p = std::dynamic_pointer_cast<clsLogonProfile>(m_colProfiles->Item(i)))
            names << p->ProfileName;
    }
    return names;
}
