#include "db/EmbeddedServer.h"
#include "db/ClientOdbcConfig.h"

#include "base/AnsiCodePage.h"
#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "db/Schema.h"
#include "platform/database/BrandleDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QSysInfo>

#include <sqlite3.h>

#include <algorithm>

namespace erpdb {

namespace {

const char* const kServerFile = "server.ini";
const char* const kServerVersion = "1.0";
// How long a connection waits for another one's write lock before it fails.
constexpr int kBusyTimeoutMs = 10000;

QMutex g_rootsMutex;
QString g_serversRoot;
QString g_clientRoot;

[[noreturn]] void Fail(const QString& message)
{
    RaiseError(kDatabaseErrorNumber, message, QStringLiteral("erpdb"));
}

QString EnvPath(const char* name)
{
    return QString::fromLocal8Bit(qgetenv(name)).trimmed();
}

QString XdgFolder(const char* variable, const char* fallback)
{
    QString base = EnvPath(variable);
    if (base.isEmpty())
        base = QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback);
    return base + QStringLiteral("/Harbrook Inc/Pelmora/servers");
}

// A server or database name must be usable as a file name of its own.
bool UsableName(const QString& name)
{
    if (name.isEmpty() || name.size() > 128 || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 32 || c == QLatin1Char(':'))
            return false;
    }
    return name.trimmed() == name;
}

// The entry of a folder whose name equals the given one without regard to case.
QString FindEntry(const QString& folder, const QString& name, QDir::Filters filters)
{
    QDir dir(folder);
    if (!dir.exists())
        return QString();
    const QStringList entries = dir.entryList(filters | QDir::NoDotAndDotDot, QDir::Name);
    // An exact match first, so that two folders differing only in case stay reachable.
    if (entries.contains(name))
        return dir.filePath(name);
    for (const QString& e : entries) {
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(e);
    }
    return QString();
}

QString ServerFilePath(const QString& server)
{
    const QString dir = FindServerDirectory(server);
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + QLatin1String(kServerFile);
}

QString HashPassword(const QString& salt, const QString& password)
{
    return QString::fromLatin1(
        QCryptographicHash::hash((salt + QLatin1Char(':') + password).toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString NewSalt()
{
    QByteArray bytes(16, Qt::Uninitialized);
    for (char& b : bytes)
        b = static_cast<char>(QRandomGenerator::system()->bounded(256));
    return QString::fromLatin1(bytes.toHex());
}

// The logins are groups of server.ini: [Login.<name>] with Salt, PasswordHash and
// Databases (the databases the login may use).
QString LoginGroup(const QString& login)
{
    return QStringLiteral("Login.") + login.trimmed().toLower();
}

void WriteLogin(QSettings& ini, const QString& login, const QString& password, const QStringList& databases)
{
    const QString salt = NewSalt();
    ini.beginGroup(LoginGroup(login));
    ini.setValue(QStringLiteral("Name"), login);
    ini.setValue(QStringLiteral("Salt"), salt);
    ini.setValue(QStringLiteral("PasswordHash"), HashPassword(salt, password));
    ini.setValue(QStringLiteral("Databases"), databases);
    ini.endGroup();
}

void CheckIniWritten(QSettings& ini)
{
    ini.sync();
    if (ini.status() != QSettings::NoError)
        Fail(QStringLiteral("The file '%1' could not be written.").arg(ini.fileName()));
}

// The client configuration: [Logins] with each login's password enciphered.
QString ClientFilePath(const QString& server, bool existingOnly)
{
    const QString name = ResolveServerName(server) + QStringLiteral(".ini");
    const QString found = FindEntry(ClientConfigRoot(), name, QDir::Files);
    if (!found.isEmpty() || existingOnly)
        return found;
    return ClientConfigRoot() + QLatin1Char('/') + name;
}

void WriteClientPassword(const QString& server, const QString& login, const QString& password)
{
    const QString path = ClientFilePath(server, false);
    PrepareClientFile(path);
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue(QStringLiteral("Server/Name"), ResolveServerName(server));
    ini.setValue(QStringLiteral("Logins/") + login.trimmed().toLower(),
                 CryptText(1, password, SessionCipherKey(), true));
    CheckIniWritten(ini);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

int CompareNoCase(void*, int n1, const void* p1, int n2, const void* p2)
{
    const auto* a = static_cast<const unsigned char*>(p1);
    const auto* b = static_cast<const unsigned char*>(p2);
    while (n1 > 0 && a[n1 - 1] == ' ')
        --n1;
    while (n2 > 0 && b[n2 - 1] == ' ')
        --n2;
    const int n = std::min(n1, n2);
    for (int i = 0; i < n; ++i) {
        int x = a[i];
        int y = b[i];
        if (x >= 'A' && x <= 'Z')
            x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z')
            y += 'a' - 'A';
        if (x != y)
            return x - y;
    }
    return n1 - n2;
}

void ExecOrFail(sqlite3* db, const char* sql, const QString& database)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = error ? QString::fromUtf8(error) : QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_free(error);
        Fail(QStringLiteral("Database '%1' cannot be opened: %2").arg(database, message));
    }
}

bool HasTables(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    bool any = false;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' LIMIT 1", -1, &st, nullptr) ==
        SQLITE_OK)
        any = sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    return any;
}

// Opens an existing file of ours; never creates one.
sqlite3* OpenFile(const QString& path, const QString& database, bool readOnly)
{
    if (!QFileInfo(path).isFile())
        Fail(QStringLiteral("Cannot open database '%1' requested by the login. The login failed.").arg(database));
    sqlite3* db = nullptr;
    // A reading connection still opens the file for writing when it may, with
    // query_only set: only a writable last connection checkpoints the WAL and takes
    // the -wal and -shm files away when it closes.
    const bool writableFile = QFileInfo(path).isWritable();
    const int flags = (readOnly && !writableFile ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        Fail(QStringLiteral("Database '%1' cannot be opened: %2").arg(database, message));
    }
    try {
        PrepareConnection(db);
        // A damaged file or one that is not a database fails here rather than later.
        ExecOrFail(db, "SELECT count(*) FROM sqlite_master", database);
        // So does an empty one (a file of 0 bytes reads as a database without
        // tables), before anything is written into it.
        if (!HasTables(db))
            Fail(QStringLiteral("Database '%1' cannot be opened: its file is empty or damaged (%2).")
                     .arg(database, QDir::toNativeSeparators(path)));
        if (!readOnly)
            ExecOrFail(db, "PRAGMA journal_mode = WAL", database);
        ExecOrFail(db, "PRAGMA foreign_keys = OFF", database);
        if (readOnly)
            ExecOrFail(db, "PRAGMA query_only = 1", database);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

// Creates a new database file (which must not exist) with a schema, in WAL mode.
void CreateDatabaseFile(const QString& path, bool system)
{
    if (QFileInfo::exists(path))
        Fail(QStringLiteral("The file '%1' exists already.").arg(path));
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    try {
        if (rc != SQLITE_OK)
            Fail(QStringLiteral("The file '%1' could not be created: %2")
                     .arg(path, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc))));
        PrepareConnection(db);
        ExecOrFail(db, "PRAGMA journal_mode = WAL", QFileInfo(path).completeBaseName());
        if (system)
            CreateSystemDatabase(db);
        else
            CreateCompanyDatabase(db);
    } catch (...) {
        sqlite3_close_v2(db);
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        throw;
    }
    sqlite3_close_v2(db);
}

}  // namespace

void SetServersRoot(const QString& path)
{
    QMutexLocker lock(&g_rootsMutex);
    g_serversRoot = path;
}

QString ServersRoot()
{
    {
        QMutexLocker lock(&g_rootsMutex);
        if (!g_serversRoot.isEmpty())
            return g_serversRoot;
    }
    const QString env = EnvPath("QUILLON_SERVERS_DIR");
    return env.isEmpty() ? XdgFolder("XDG_DATA_HOME", ".local/share") : env;
}

void SetClientConfigRoot(const QString& path)
{
    QMutexLocker lock(&g_rootsMutex);
    g_clientRoot = path;
}

QString ClientConfigRoot()
{
    {
        QMutexLocker lock(&g_rootsMutex);
        if (!g_clientRoot.isEmpty())
            return g_clientRoot;
    }
    const QString env = EnvPath("QUILLON_CLIENT_CONFIG_DIR");
    return env.isEmpty() ? XdgFolder("XDG_CONFIG_HOME", ".config") : env;
}

QString LocalServerName()
{
    QString host = QSysInfo::machineHostName().trimmed();
    const qsizetype dot = host.indexOf(QLatin1Char('.'));
    if (dot > 0)
        host.truncate(dot);
    return host.isEmpty() ? QStringLiteral("LOCALHOST") : host.toUpper();
}

QString ResolveServerName(const QString& server)
{
    const QString name = server.trimmed();
    if (name.compare(QLatin1String("(LOCAL)"), Qt::CaseInsensitive) == 0 ||
        name.compare(QSysInfo::machineHostName().trimmed(), Qt::CaseInsensitive) == 0)
        return LocalServerName();
    return name;
}

QString FindServerDirectory(const QString& server)
{
    const QString name = ResolveServerName(server);
    if (!UsableName(name))
        return QString();
    const QString dir = FindEntry(ServersRoot(), name, QDir::Dirs);
    if (dir.isEmpty() || !QFileInfo(dir + QLatin1Char('/') + QLatin1String(kServerFile)).isFile())
        return QString();
    return dir;
}

bool ServerExists(const QString& server)
{
    return !FindServerDirectory(server).isEmpty();
}

QString FindDatabaseFile(const QString& server, const QString& database)
{
    const QString dir = FindServerDirectory(server);
    const QString name = database.trimmed();
    if (dir.isEmpty() || !UsableName(name))
        return QString();
    return FindEntry(dir, name + QLatin1String(kDatabaseFileSuffix), QDir::Files);
}

QStringList DatabaseNames(const QString& server)
{
    const QString dir = FindServerDirectory(server);
    if (dir.isEmpty())
        return {};
    QStringList names;
    for (const QString& file : QDir(dir).entryList({QStringLiteral("*") + QLatin1String(kDatabaseFileSuffix)},
                                                   QDir::Files, QDir::Name))
        names << file.left(file.size() - static_cast<qsizetype>(qstrlen(kDatabaseFileSuffix)));
    return names;
}

void CreateServer(const QString& server, const QString& executivePassword, const QString& readOnlyPassword)
{
    const QString name = ResolveServerName(server);
    if (!UsableName(name))
        Fail(QStringLiteral("'%1' is not a usable server name.").arg(server));
    if (executivePassword.isEmpty() || readOnlyPassword.isEmpty())
        Fail(QStringLiteral("The passwords of the logins may not be empty."));
    const QString root = ServersRoot();
    if (!FindEntry(root, name, QDir::Dirs | QDir::Files).isEmpty())
        Fail(QStringLiteral("The server '%1' exists already.").arg(name));
    if (!QDir().mkpath(root))
        Fail(QStringLiteral("The folder '%1' could not be created.").arg(root));

    // Built in a folder of its own and renamed at the end, so a failure leaves nothing.
    const QString building = root + QStringLiteral("/.creating-") + name + QLatin1Char('-') + NewSalt().left(8);
    if (!QDir().mkpath(building))
        Fail(QStringLiteral("The folder '%1' could not be created.").arg(building));
    try {
        {
            QSettings ini(building + QLatin1Char('/') + QLatin1String(kServerFile), QSettings::IniFormat);
            ini.setValue(QStringLiteral("Server/Name"), name);
            ini.setValue(QStringLiteral("Server/Version"), QLatin1String(kServerVersion));
            WriteLogin(ini, QLatin1String(kExecutiveLogin), executivePassword,
                       {QLatin1String(kSystemDatabase)});
            WriteLogin(ini, QLatin1String(kReadOnlyLogin), readOnlyPassword, {});
            CheckIniWritten(ini);
        }
        QFile::setPermissions(building + QLatin1Char('/') + QLatin1String(kServerFile),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        CreateDatabaseFile(building + QLatin1Char('/') + QLatin1String(kSystemDatabase) +
                               QLatin1String(kDatabaseFileSuffix),
                           true);
        if (!QDir().rename(building, root + QLatin1Char('/') + name))
            Fail(QStringLiteral("The server folder '%1' could not be created.").arg(root + QLatin1Char('/') + name));
    } catch (...) {
        QDir(building).removeRecursively();
        throw;
    }
    try {
        WriteClientPassword(name, QLatin1String(kExecutiveLogin), executivePassword);
        WriteClientPassword(name, QLatin1String(kReadOnlyLogin), readOnlyPassword);
    } catch (...) {
        QDir(root + QLatin1Char('/') + name).removeRecursively();
        throw;
    }
}

void CreateCompany(const QString& server, const QString& companyId, const QString& companyName,
                   const QString& dbName)
{
    const QString dir = FindServerDirectory(server);
    if (dir.isEmpty())
        Fail(QStringLiteral("The server '%1' does not exist.").arg(ResolveServerName(server)));
    const QString id = companyId.trimmed();
    const QString db = dbName.trimmed();
    if (id.isEmpty() || id.size() > 15)
        Fail(QStringLiteral("A company id must have 1 to 15 characters."));
    if (companyName.trimmed().isEmpty())
        Fail(QStringLiteral("The company name may not be empty."));
    static const QRegularExpression dbPattern(QStringLiteral("^[A-Za-z][A-Za-z0-9_]{0,63}$"));
    if (!dbPattern.match(db).hasMatch())
        Fail(QStringLiteral("'%1' is not a usable database name: use letters, digits and '_', beginning "
                            "with a letter, at most 64.")
                 .arg(dbName));
    if (db.compare(QLatin1String(kSystemDatabase), Qt::CaseInsensitive) == 0 || !FindDatabaseFile(server, db).isEmpty())
        Fail(QStringLiteral("The database '%1' exists already.").arg(db));

    sqlite3* system = OpenServerDatabase(server, QLatin1String(kSystemDatabase), false);
    const QString finalPath = dir + QLatin1Char('/') + db + QLatin1String(kDatabaseFileSuffix);
    const QString building = dir + QStringLiteral("/.creating-") + db + QLatin1String(kDatabaseFileSuffix);
    bool renamed = false;
    try {
        ExecScript(system, QStringLiteral("BEGIN IMMEDIATE"));
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(system, "SELECT CompanyID FROM CoCompanies WHERE CompanyID = ?1 OR DBName = ?2", -1, &st,
                           nullptr);
        sqlite3_bind_text16(st, 1, id.utf16(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text16(st, 2, db.utf16(), -1, SQLITE_TRANSIENT);
        const bool taken = sqlite3_step(st) == SQLITE_ROW;
        sqlite3_finalize(st);
        if (taken)
            Fail(QStringLiteral("The company '%1' or the database '%2' exists already.").arg(id, db));
        QFile::remove(building);
        CreateDatabaseFile(building, false);
        sqlite3_prepare_v2(system, "INSERT INTO CoCompanies (CompanyID, CompanyName, DBName) VALUES (?1, ?2, ?3)",
                           -1, &st, nullptr);
        sqlite3_bind_text16(st, 1, id.utf16(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text16(st, 2, companyName.trimmed().utf16(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text16(st, 3, db.utf16(), -1, SQLITE_TRANSIENT);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            Fail(QStringLiteral("The company could not be recorded: %1").arg(QString::fromUtf8(sqlite3_errmsg(system))));
        if (!QFile::rename(building, finalPath))
            Fail(QStringLiteral("The file '%1' could not be created.").arg(finalPath));
        renamed = true;
        ExecScript(system, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(system, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(system);
        // The file goes with the row that was not recorded.
        QFile::remove(renamed ? finalPath : building);
        throw;
    }
    sqlite3_close_v2(system);
    // Both logins may use the new company database.
    QSettings ini(ServerFilePath(server), QSettings::IniFormat);
    for (const char* login : {kExecutiveLogin, kReadOnlyLogin}) {
        const QString key = LoginGroup(QLatin1String(login)) + QStringLiteral("/Databases");
        QStringList dbs = ini.value(key).toStringList();
        if (!dbs.contains(db, Qt::CaseInsensitive))
            dbs << db;
        ini.setValue(key, dbs);
    }
    CheckIniWritten(ini);
}

void DropCompany(const QString& server, const QString& companyId)
{
    const QString dbName = CompanyDatabaseName(server, companyId);
    if (dbName.isEmpty())
        Fail(QStringLiteral("The server '%1' has no company '%2'.").arg(ResolveServerName(server), companyId.trimmed()));
    const QString path = FindDatabaseFile(server, dbName);
    sqlite3* system = OpenServerDatabase(server, QLatin1String(kSystemDatabase), false);
    try {
        ExecScript(system, QStringLiteral("BEGIN IMMEDIATE"));
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(system, "DELETE FROM CoCompanies WHERE CompanyID = ?1", -1, &st, nullptr);
        const QString id = companyId.trimmed();
        sqlite3_bind_text16(st, 1, id.utf16(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_finalize(st);
        if (!path.isEmpty()) {
            if (!QFile::remove(path))
                Fail(QStringLiteral("The file '%1' could not be removed.").arg(path));
            QFile::remove(path + QStringLiteral("-wal"));
            QFile::remove(path + QStringLiteral("-shm"));
        }
        ExecScript(system, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(system, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(system);
        throw;
    }
    sqlite3_close_v2(system);
    QSettings ini(ServerFilePath(server), QSettings::IniFormat);
    for (const QString& group : ini.childGroups()) {
        const QString key = group + QStringLiteral("/Databases");
        QStringList dbs = ini.value(key).toStringList();
        dbs.removeIf([&](const QString& d) { return d.compare(dbName, Qt::CaseInsensitive) == 0; });
        if (ini.contains(key))
            ini.setValue(key, dbs);
    }
    CheckIniWritten(ini);
}

sqlite3* OpenServerDatabase(const QString& server, const QString& database, bool readOnly)
{
    if (!ServerExists(server))
        Fail(QStringLiteral("SQL Server '%1' does not exist or access denied.").arg(server.trimmed()));
    const QString path = FindDatabaseFile(server, database);
    if (path.isEmpty())
        Fail(QStringLiteral("Cannot open database '%1' requested by the login. The login failed.")
                 .arg(database.trimmed()));
    return OpenFile(path, database.trimmed(), readOnly);
}

ClientPasswords ClientLoginPasswords(const QString& server)
{
    ClientPasswords result;
    const QString path = ClientFilePath(server, true);
    if (path.isEmpty())
        return result;
    QSettings ini(path, QSettings::IniFormat);
    result.executive = ini.value(QStringLiteral("Logins/") + QLatin1String(kExecutiveLogin)).toString();
    result.readOnly = ini.value(QStringLiteral("Logins/") + QLatin1String(kReadOnlyLogin)).toString();
    result.found = ini.status() == QSettings::NoError && !result.executive.isEmpty();
    if (!result.found)
        result = ClientPasswords();
    return result;
}

bool CheckLogin(const QString& server, const QString& login, const QString& password)
{
    const QString path = ServerFilePath(server);
    if (path.isEmpty() || login.trimmed().isEmpty())
        return false;
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(LoginGroup(login));
    const QString salt = ini.value(QStringLiteral("Salt")).toString();
    const QString hash = ini.value(QStringLiteral("PasswordHash")).toString();
    return !hash.isEmpty() && HashPassword(salt, password) == hash;
}

bool LoginMayUse(const QString& server, const QString& login, const QString& database)
{
    const QString path = ServerFilePath(server);
    if (path.isEmpty())
        return false;
    QSettings ini(path, QSettings::IniFormat);
    const QStringList dbs = ini.value(LoginGroup(login) + QStringLiteral("/Databases")).toStringList();
    return dbs.contains(database.trimmed(), Qt::CaseInsensitive) || dbs.contains(QStringLiteral("*"));
}

void SetLoginPassword(const QString& server, const QString& login, const QString& password)
{
    const QString path = ServerFilePath(server);
    if (path.isEmpty() && ClientOdbcServer(server)) {
        // A SQL Server reached through ODBC keeps its logins itself: only the
        // client side, which the program logs on with, is ours to write.
        const QString name = login.trimmed().toLower();
        if (name != QLatin1String(kExecutiveLogin) && name != QLatin1String(kReadOnlyLogin))
            Fail(QStringLiteral("The program logs on only as %1 and %2, not as '%3'.")
                     .arg(QLatin1String(kExecutiveLogin), QLatin1String(kReadOnlyLogin), login.trimmed()));
        if (password.isEmpty())
            Fail(QStringLiteral("The password of a login may not be empty."));
        WriteClientPassword(server, name, password);
        return;
    }
    if (path.isEmpty())
        Fail(QStringLiteral("The server '%1' does not exist.").arg(ResolveServerName(server)));
    if (password.isEmpty())
        Fail(QStringLiteral("The password of a login may not be empty."));
    QSettings ini(path, QSettings::IniFormat);
    const QString group = LoginGroup(login);
    if (!ini.contains(group + QStringLiteral("/PasswordHash")))
        Fail(QStringLiteral("The server '%1' has no login '%2'.").arg(ResolveServerName(server), login.trimmed()));
    const QString salt = NewSalt();
    ini.setValue(group + QStringLiteral("/Salt"), salt);
    ini.setValue(group + QStringLiteral("/PasswordHash"), HashPassword(salt, password));
    CheckIniWritten(ini);
    WriteClientPassword(server, login.trimmed().toLower(), password);
}

sqlite3* OpenDatabase(const QString& server, const QString& database, const QString& login,
                      const QString& password)
{
    if (!ServerExists(server))
        Fail(QStringLiteral("SQL Server '%1' does not exist or access denied.").arg(server.trimmed()));
    if (!CheckLogin(server, login, password))
        Fail(QStringLiteral("Login failed for user '%1'.").arg(login));
    const QString path = FindDatabaseFile(server, database);
    if (path.isEmpty())
        Fail(QStringLiteral("Cannot open database '%1' requested by the login. The login failed.")
                 .arg(database.trimmed()));
    if (!LoginMayUse(server, login, database))
        Fail(QStringLiteral("Server user '%1' is not a valid user in database '%2'.").arg(login, database));
    const bool readOnly = login.trimmed().compare(QLatin1String(kReadOnlyLogin), Qt::CaseInsensitive) == 0;
    return OpenFile(path, database.trimmed(), readOnly);
}

QString CompanyDatabaseName(const QString& server, const QString& companyId)
{
    sqlite3* system = OpenServerDatabase(server, QLatin1String(kSystemDatabase), true);
    sqlite3_stmt* st = nullptr;
    QString name;
    if (sqlite3_prepare_v2(system, "SELECT DBName FROM CoCompanies WHERE CompanyID = ?1", -1, &st, nullptr) ==
        SQLITE_OK) {
        const QString id = companyId.trimmed();
        sqlite3_bind_text16(st, 1, id.utf16(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW)
            name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).trimmed();
    }
    sqlite3_finalize(st);
    sqlite3_close_v2(system);
    return name;
}

QString UserPasswordCipher(const QString& userId, const QString& password)
{
    return CryptText(1, password, AnsiUpperCase(userId.trimmed()), true);
}

namespace {

sqlite3* OpenCompanyForUsers(const QString& server, const QString& companyId, const QString& userId)
{
    if (userId.trimmed().isEmpty() || userId.trimmed().size() > 8)
        Fail(QStringLiteral("A user id must have 1 to 8 characters."));
    const QString dbName = CompanyDatabaseName(server, companyId);
    if (dbName.isEmpty())
        Fail(QStringLiteral("The server '%1' has no company '%2'.").arg(ResolveServerName(server), companyId.trimmed()));
    return OpenServerDatabase(server, dbName, false);
}

// Runs one statement with text parameters; the number of rows it changed.
int RunWithTexts(sqlite3* db, const char* sql, const QStringList& values)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
        Fail(QString::fromUtf8(sqlite3_errmsg(db)));
    for (int i = 0; i < values.size(); ++i)
        sqlite3_bind_text16(st, i + 1, values[i].utf16(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        Fail(QString::fromUtf8(sqlite3_errmsg(db)));
    return sqlite3_changes(db);
}

}  // namespace

void AddUser(const QString& server, const QString& companyId, const QString& userId, const QString& userName,
             const QString& password)
{
    if (userName.trimmed().isEmpty())
        Fail(QStringLiteral("The user's name may not be empty."));
    sqlite3* db = OpenCompanyForUsers(server, companyId, userId);
    try {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT 1 FROM CoUsers WHERE UserID = ?1", -1, &st, nullptr);
        const QString id = userId.trimmed();
        sqlite3_bind_text16(st, 1, id.utf16(), -1, SQLITE_TRANSIENT);
        const bool exists = sqlite3_step(st) == SQLITE_ROW;
        sqlite3_finalize(st);
        if (exists)
            Fail(QStringLiteral("The user '%1' exists already.").arg(id));
        RunWithTexts(db, "INSERT INTO CoUsers (UserID, UserName, Password) VALUES (?1, ?2, ?3)",
                     {id, userName.trimmed(), UserPasswordCipher(id, password)});
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    sqlite3_close_v2(db);
}

void SetUserPassword(const QString& server, const QString& companyId, const QString& userId,
                     const QString& password)
{
    sqlite3* db = OpenCompanyForUsers(server, companyId, userId);
    try {
        // The key is the stored id, as the logon builds it from the id it finds.
        const QString id = userId.trimmed();
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT UserID FROM CoUsers WHERE UserID = ?1", -1, &st, nullptr);
        sqlite3_bind_text16(st, 1, id.utf16(), -1, SQLITE_TRANSIENT);
        QString stored;
        if (sqlite3_step(st) == SQLITE_ROW)
            stored = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        if (stored.isEmpty())
            Fail(QStringLiteral("The company has no user '%1'.").arg(id));
        RunWithTexts(db, "UPDATE CoUsers SET Password = ?1 WHERE UserID = ?2",
                     {UserPasswordCipher(id, password), stored});
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    sqlite3_close_v2(db);
}

void PrepareConnection(sqlite3* db)
{
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // SQL Server's default collation: without regard to case, trailing blanks ignored.
    // It keeps the name NOCASE that the schema declares, so the sqlite3 shell, which
    // has only the built-in NOCASE, reads and writes the same files.
    if (sqlite3_create_collation(db, "NOCASE", SQLITE_UTF8, nullptr, &CompareNoCase) != SQLITE_OK)
        Fail(QStringLiteral("The collation could not be set up: %1").arg(QString::fromUtf8(sqlite3_errmsg(db))));
}

QStringList DeniedReads(const QString&)
{
    // The same for every login: neither the lists' login nor the export's may read
    // the passwords, and no other login runs a user's text.
    return {QStringLiteral("CoUsers.Password")};
}

QString ServerVersionText()
{
    return QStringLiteral("Quillon Embedded Server %1 (SQLite %2)")
        .arg(QLatin1String(kServerVersion), QString::fromLatin1(sqlite3_libversion()));
}

}  // namespace erpdb
