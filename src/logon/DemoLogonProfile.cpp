#include "logon/DemoLogonProfile.h"

#include "core/AuProperties.h"
#include "core/MachineSettings.h"
#include "db/DemoCompany.h"
#include "logon/LogonSettings.h"
#include "platform/settings/RegistryStore.h"

#include <QStringList>

DemoProfileOutcome AddDemoLogonProfile(const QString& sqlServer)
{
    const QString listName = QStringLiteral("PRF_NAME_RCT_LIST");
    const QString currentName = QStringLiteral("Profile");
    AuProperties bag;
    bag.Add(listName, Variant(QString()));
    bag.Add(currentName, Variant(QString()));
    LoadMachineSettings(QStringLiteral("Connection"), bag);
    QString list = bag.Item(Variant(listName))->Value().toString();
    const QString current = bag.Item(Variant(currentName))->Value().toString();

    DemoProfileOutcome outcome;
    outcome.profileName = QString::fromLatin1(kDemoProfileName);

    bool present = false;
    for (const QString& record : list.split(LogonSettings::kRecordTerminator, Qt::SkipEmptyParts)) {
        const QString name = record.section(LogonSettings::kFieldSeparator, 0, 0);
        if (name.compare(outcome.profileName, Qt::CaseInsensitive) == 0) {
            present = true;
            outcome.profileName = name;  // the stored spelling, which the profile box shows
            break;
        }
    }
    if (!present) {
        clsLogonProfile demo;
        demo.ProfileName = outcome.profileName;
        demo.HBServer = QStringLiteral("localhost");
        demo.HBServerPort = 1331;
        demo.SQLServer = sqlServer;
        demo.Company = QLatin1String(erpdb::kDemoCompanyID);
        // The demo company has branches: a profile that names none would be moved to
        // whichever branch the wizard offers when the user edits it. Its main branch,
        // as the demo server lists it, is the one to stay on.
        demo.Branch = QStringLiteral("Main Branch");
        demo.BranchID = 1;
        // A list cut off after its last record still keeps that record whole.
        if (!list.isEmpty() && !list.endsWith(LogonSettings::kRecordTerminator))
            list += LogonSettings::kRecordTerminator;
        list += LogonSettings::ProfileRecord(demo) + LogonSettings::kRecordTerminator;
        bag.Item(Variant(listName))->LetValue(Variant(list));
        outcome.added = true;
    }
    if (current.isEmpty()) {
        bag.Item(Variant(currentName))->LetValue(Variant(outcome.profileName));
        outcome.madeCurrent = true;
    }
    if (outcome.added || outcome.madeCurrent) {
        // A value that did not reach the file fails the store as a key that could not be made does.
        const quint64 failedBefore = RegistryStore::FailedWrites();
        outcome.stored = SaveMachineSettings(QStringLiteral("Connection"), bag) &&
                         RegistryStore::FailedWrites() == failedBefore;
    } else {
        outcome.stored = true;
    }
    return outcome;
}
