#include "core/CoQuillonSystemEngine.h"

#include "base/AnsiCodePage.h"
#include "base/AppError.h"
#include "core/AuLibrary.h"
#include "base/AuUtilities.h"
#include "base/ProgramDefinition.h"
#include "core/SessionValues.h"
#include "platform/database/LockWait.h"
#include "platform/forms/DatabaseBusyWait.h"
#include "db/EmbeddedServer.h"

CoQuillonSystemEnginePtr g_oSystemEngine;

CoQuillonSystemEngine& SessionEngine()
{
    if (!g_oSystemEngine)
        RaiseError(vberr::ObjectNotSet);
    return *g_oSystemEngine;
}

void OpenWithApplicationLogin(BrandleDatabase& db, const QString& server, const QString& database,
                              const QString& encipheredPassword, const QString& encipheredReadPassword)
{
    // Queries a user typed or a definition holds run with the read-only login.
    db.SetReadOnlyLogin(QString::fromLatin1(erpdb::kReadOnlyLogin), encipheredReadPassword);
    QString plain = CryptText(1, encipheredPassword, SessionCipherKey(), false);
    // The plain password lives only for the open.
    struct Wipe {
        QString& text;
        ~Wipe() { text.fill(QChar(u'\0')); }
    } wipe{plain};
    int32_t flag = 0;
    db.OpenConnection(server, database, QString::fromLatin1(kApplicationLogin), plain, 0, flag);
}

SqlLoginPasswords SessionLoginPasswords(const QString& server)
{
    const erpdb::ClientPasswords configured = erpdb::ClientLoginPasswords(server);
    if (configured.found)
        return {configured.executive, configured.readOnly};
    const QString key = SessionCipherKey();
    return {CryptText(1, QString::fromLatin1(erpdb::kDemoExecutivePassword), key, true),
            CryptText(1, QString::fromLatin1(erpdb::kDemoReadOnlyPassword), key, true)};
}

CoQuillonSystemEngine::CoQuillonSystemEngine() : m_dbi(std::make_shared<BrandleDatabase>())
{
    // The session's statements run on the window's thread: while one waits for
    // another user's lock, the windows keep painting and the user may cancel it.
    SetLockWaitObserver(LockWaitObserver{&busywait::Waiting, &busywait::Ended});
}

CoQuillonSystemEngine::~CoQuillonSystemEngine() = default;

BrandleDatabase& CoQuillonSystemEngine::DBI()
{
    if (!m_dbi)
        RaiseError(vberr::ObjectNotSet);
    return *m_dbi;
}

void CoQuillonSystemEngine::CloseConnection()
{
    if (m_dbi)
        m_dbi->CloseConnection();
    // Released when this call returns, which may end this engine.
    CoQuillonSystemEnginePtr previous;
    previous.swap(g_oSystemEngine);
}

Variant CoQuillonSystemEngine::ShareConnection(const ObjectRef& oSystemEngine)
{
    // The other engine's database object is looked up first, so that an object
    // without one leaves this engine as it was.
    auto* owner = dynamic_cast<DatabaseObjectOwner*>(oSystemEngine.get());
    if (!owner)
        RaiseError(vberr::ObjectDoesntSupport);
    BrandleDatabasePtr adopted = owner->odbi();
    if (m_dbi)
        m_dbi->CloseConnection();
    m_dbi = std::move(adopted);
    g_oSystemEngine = shared_from_this();
    return Variant();
}

bool CoQuillonSystemEngine::refuse(QString& sErr, const QString& message)
{
    m_dbi->CloseConnection();
    sErr = message;
    return false;
}

bool CoQuillonSystemEngine::CreateConnection(const QString& sServer, const QString& sCompany, QString& spmUser,
                                             const QString& spmPassword, const QString& sHBServer,
                                             int16_t iHBServerPort, QString& spmUserName, QString& sDatabase,
                                             QString& sCompanyName, QString& sErr)
{
    ClearCurrentError();
    try {
        BrandleDatabase& dbi = DBI();
        dbi.CloseConnection();

        const SqlLoginPasswords passwords = SessionLoginPasswords(sServer);
        OpenWithApplicationLogin(dbi, sServer, QStringLiteral("CoSystem"), passwords.application, passwords.readOnly);

        CoEnvironmentSettings& settings = EnvironmentSettings();
        settings.SetSqlPassword(passwords.application);
        settings.SetSqlReadPassword(passwords.readOnly);
        settings.SetAppUserName(spmUser);
        settings.SetAppPassword(spmPassword);
        settings.SetCompany(sCompany);
        settings.SetHBServer(sHBServer);
        settings.SetHBServerPort(iHBServerPort);
        settings.SetServerName(sServer);
        settings.SetSqlUserName(QString::fromLatin1(kApplicationLogin));

        BrandleRecordsetPtr rs;
        if (!dbi.OpenRecordset(QStringLiteral("SELECT CompanyID, CompanyName, DBName FROM CoCompanies WHERE CompanyID = ") +
                                   QuoteSQLString(sCompany),
                               rs, 0, 1)) {
            dbi.CloseRecordset(rs);
            return refuse(sErr, QStringLiteral("Unable to Log In:  Can't find company database."));
        }
        sDatabase = TrimBlanks(rs->Item(QStringLiteral("DBName")).toString());
        sCompanyName = TrimBlanks(rs->Item(QStringLiteral("CompanyName")).toString());
        dbi.CloseRecordset(rs);
        settings.SetCompanyDatabase(sDatabase);

        dbi.CloseConnection();
        OpenWithApplicationLogin(dbi, sServer, sDatabase, passwords.application, passwords.readOnly);
        dbi.SetCommandTimeout(150);

        const QString trimmedUser = TrimBlanks(spmUser);
        if (!dbi.OpenRecordset(QStringLiteral("SELECT UserID, UserName, Password FROM CoUsers WHERE UserID = ") +
                                   QuoteSQLString(trimmedUser),
                               rs, 0, 1)) {
            dbi.CloseRecordset(rs);
            return refuse(sErr, QStringLiteral("Unable to Log In:  Can't connect to server."));
        }
        const QString stored = SpaceToEmpty(rs->Item(QStringLiteral("Password")).toString());
        // The key is the user id upper-cased one character for one within the code
        // page, as the stored passwords were enciphered. A password or key with a
        // character outside the code page cannot have been enciphered, so it matches
        // no stored password.
        const QString key = AnsiUpperCase(trimmedUser);
        if (!IsAnsiText(key) || !IsAnsiText(spmPassword) || stored != CryptText(1, spmPassword, key, true)) {
            dbi.CloseRecordset(rs);
            return refuse(sErr, QStringLiteral("Unable to Log In:  Unknown user or password."));
        }
        spmUser = TrimBlanks(rs->Item(QStringLiteral("UserID")).toString());
        spmUserName = TrimBlanks(rs->Item(QStringLiteral("UserName")).toString());
        dbi.CloseRecordset(rs);
        settings.SetAppFullUserName(spmUserName);

        const QString programVersion = ProgramVersionText();
        QString databaseVersion;
        if (dbi.OpenRecordset(QStringLiteral("SELECT Value FROM CoRegKeys rk INNER JOIN CoRegValues rv ON rk.KeyID = "
                                             "rv.KeyID WHERE rk.Name = 'System' AND rv.Name = 'Version'"),
                              rs, 0, 1))
            databaseVersion = TrimBlanks(rs->Item(QStringLiteral("Value")).toString());
        dbi.CloseRecordset(rs);
        if (!databaseVersion.contains(programVersion, Qt::CaseSensitive)) {
            return refuse(sErr, QStringLiteral("Unable to Log In:  Database version must be ") + programVersion +
                                    QStringLiteral(".  Current version is ") + databaseVersion + QStringLiteral("."));
        }

        g_oSystemEngine = shared_from_this();
        return true;
    } catch (const AppError& e) {
        SetCurrentError(e);
        throw;
    }
}

bool CoQuillonSystemEngine::GetResults(const QString& sql, BrandleRecordsetPtr& rs)
{
    return DBI().OpenRecordset(sql, rs, 0, 1);
}

Variant CoQuillonSystemEngine::CloseResults(BrandleRecordsetPtr& rs)
{
    DBI().CloseRecordset(rs);
    return Variant();
}

CoEnvironmentSettings& CoQuillonSystemEngine::EnvironmentSettings()
{
    if (!m_settings)
        m_settings = std::make_unique<CoEnvironmentSettings>();
    return *m_settings;
}
