#include "core/CoEnvironmentSettings.h"

#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"

#include <QDate>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace {
QString todayYYMMDD() { return QDate::currentDate().toString(QStringLiteral("yyMMdd")); }
}  // namespace

QString SystemComputerName()
{
    QString name = QSysInfo::machineHostName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

QString SystemUserName()
{
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

QString CoEnvironmentSettings::ComputerName()
{
    if (m_computerName.isEmpty()) {
        const QString name = SystemComputerName();
        m_computerName = name.isEmpty() ? QStringLiteral("SingleComp") + todayYYMMDD() : name;
    }
    return m_computerName;
}

QString CoEnvironmentSettings::WindowsUserName()
{
    if (m_windowsUserName.isEmpty()) {
        const QString name = SystemUserName();
        m_windowsUserName = name.isEmpty() ? QStringLiteral("SingleUser") + todayYYMMDD() : name;
    }
    return m_windowsUserName;
}

void CoEnvironmentSettings::SetServerName(const QString& value)
{
    if (value.compare(QLatin1String("(LOCAL)"), Qt::CaseInsensitive) == 0)
        m_serverName = ComputerName().toUpper();
    else
        m_serverName = value;
}

void CoEnvironmentSettings::SetCompany(const QString& value)
{
    if (value != m_company)
        ClearCompanyNameAndDatabase();
    m_company = value;
}

QString CoEnvironmentSettings::CompanyDatabase() const
{
    return m_company.isEmpty() ? QString(QLatin1String("")) : m_companyDatabase;
}

void CoEnvironmentSettings::ClearCompanyNameAndDatabase()
{
    m_companyName.clear();
    m_companyDatabase.clear();
}

QString CoEnvironmentSettings::Branch() const
{
    if (m_branch.isEmpty() && m_branchId != 0) {
        RaiseError(kBranchNotSetError,
                   QStringLiteral("Internal program error the BranchID was set but the Branch text was never set."),
                   QStringLiteral("CoEnvironmentSettings.Branch_1_\r\n") + CurrentError().source);
    }
    return m_branch;
}

void CoEnvironmentSettings::SetBranchID(int32_t value)
{
    m_branch.clear();
    m_branchId = value;
}

int32_t CoEnvironmentSettings::BranchID()
{
    if (m_branchId == 0) {
        m_branchId = 1;
        if (m_branch.isEmpty()) {
            m_branch = QStringLiteral("Main Branch");
            if (g_oSystemEngine) {
                const Variant name = g_oSystemEngine->DBI().DLookup(
                    QStringLiteral("BranchName"), QStringLiteral("GLBranches"),
                    QStringLiteral("BranchID = ") + QString::number(m_branchId));
                m_branch = name.toString();
            }
        }
    }
    return m_branchId;
}

void CoEnvironmentSettings::SetAppUserName(const QString& value) { m_appUserName = TrimBlanks(value); }
