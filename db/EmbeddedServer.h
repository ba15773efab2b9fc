#pragma once
// The embedded ERP database server. A server is a folder holding one SQLite file
// per database: the system database CoSystem and one file per company database
// (<folder>/<DBName>.sqlite). Servers are found by name, without regard to case,
// in a per-user folder: $QUILLON_SERVERS_DIR, else $XDG_DATA_HOME (or
// ~/.local/share) + "/Harbrook Inc/Pelmora/servers/<name>". "(LOCAL)" names the
// server of this computer.
//
// The server knows its SQL logins (server.ini in its folder: a salted hash of each
// password and the databases the login may use). Creating a server also writes
// its client side: <client config dir>/<name>.ini with both login passwords
// enciphered under the session cipher key, which the program reads to log on.
//
// Every failure raises AppError with kDatabaseErrorNumber and a clear message.

#include <QString>
#include <QStringList>

struct sqlite3;

namespace erpdb {

inline constexpr const char* kExecutiveLogin = "coexecutive";
inline constexpr const char* kReadOnlyLogin = "coreadonly";
inline constexpr const char* kSystemDatabase = "CoSystem";
// The file name extension of a database of a server.
inline constexpr const char* kDatabaseFileSuffix = ".sqlite";

// The SQL login passwords the demo server is made with (the program's defaults
// for a server without a client configuration match them).
inline constexpr const char* kDemoExecutivePassword = "tarnquill";
inline constexpr const char* kDemoReadOnlyPassword = "mipvel";

// Where the servers live. An explicit root (tests) wins over $QUILLON_SERVERS_DIR,
// which wins over the XDG data folder. An empty path drops the explicit root.
void SetServersRoot(const QString& path);
QString ServersRoot();
// Where the client configurations live: an explicit root, else
// $QUILLON_CLIENT_CONFIG_DIR, else $XDG_CONFIG_HOME (or ~/.config) +
// "/Harbrook Inc/Pelmora/servers".
void SetClientConfigRoot(const QString& path);
QString ClientConfigRoot();

// This computer's name in upper case, as "(LOCAL)" turns into it.
QString LocalServerName();
// The name a server is stored under: "(LOCAL)" in any case gives LocalServerName(),
// and so does this computer's full host name; any other name is kept (trimmed).
QString ResolveServerName(const QString& server);
// The folder of an existing server, found without regard to case; "" when none.
QString FindServerDirectory(const QString& server);
bool ServerExists(const QString& server);
// The file of an existing database of a server, found without regard to case; "" when none.
QString FindDatabaseFile(const QString& server, const QString& database);
// The databases of a server (file names without the extension), sorted.
QStringList DatabaseNames(const QString& server);

// Creates a server: its folder, its logins (coexecutive with access to every
// database, coreadonly with access to the company databases only), an empty system
// database with CoCompanies, and the client configuration. Fails, changing
// nothing, when the server exists or a password is empty.
void CreateServer(const QString& server, const QString& executivePassword, const QString& readOnlyPassword);
// Creates a company database on a server (file <dbName>.sqlite with the company
// schema) and its CoCompanies row in the system database. Fails, changing nothing,
// when the company id or the database exists, or a name is not usable.
void CreateCompany(const QString& server, const QString& companyId, const QString& companyName,
                   const QString& dbName);
// Removes a company: its CoCompanies row, its database file and the logins' access.
void DropCompany(const QString& server, const QString& companyId);

// The two login passwords of a server's client configuration, still enciphered
// (CryptText with Base64 under the session cipher key). found is false (and both
// empty) when the server has no client configuration.
struct ClientPasswords {
    QString executive;
    QString readOnly;
    bool found = false;
};
ClientPasswords ClientLoginPasswords(const QString& server);

// True when the server exists and knows the login with that password.
bool CheckLogin(const QString& server, const QString& login, const QString& password);
// Whether a known login may use a database of the server (the database need not
// exist). server.ini lists the databases of each login; "*" stands for all.
bool LoginMayUse(const QString& server, const QString& login, const QString& database);
// Changes a login's password on the server and in the client configuration; for
// a SQL Server reached through ODBC (no embedded server of that name, an [Odbc]
// group in its client configuration) in the client configuration only.
void SetLoginPassword(const QString& server, const QString& login, const QString& password);

// Opens a database of a server for a login. Errors:
//   unknown server: "SQL Server '<server>' does not exist or access denied."
//   unknown login or wrong password: "Login failed for user '<login>'."
//   no access: "Server user '<login>' is not a valid user in database '<database>'."
//   missing database: "Cannot open database '<database>' requested by the login. The login failed."
//   damaged file: "Database '<database>' cannot be opened: <SQLite's message>"
// Never creates a file. The connection is in WAL mode with a busy timeout, and
// text columns compare as SQL Server's default collation does (see Schema.h);
// "coreadonly" gets a read-only connection. Close it with sqlite3_close_v2.
sqlite3* OpenDatabase(const QString& server, const QString& database, const QString& login,
                      const QString& password);
// Opens a database of a server without a login, for the administration command
// and the demo builder; the same checks of the server, file and connection.
sqlite3* OpenServerDatabase(const QString& server, const QString& database, bool readOnly);

// The database of a company (DBName of its CoCompanies row); "" when none.
QString CompanyDatabaseName(const QString& server, const QString& companyId);
// A user's stored password: CryptText(1, password, key, True), the key the trimmed
// user id upper-cased one character for one within the code page.
QString UserPasswordCipher(const QString& userId, const QString& password);
// Adds a user of a company (CoUsers) or sets a user's password. Fail, changing
// nothing, for an unknown company, a user id of more than 8 characters, an
// existing user (AddUser) or an unknown one (SetUserPassword).
void AddUser(const QString& server, const QString& companyId, const QString& userId, const QString& userName,
             const QString& password);
void SetUserPassword(const QString& server, const QString& companyId, const QString& userId,
                     const QString& password);

// Sets up a connection to a database file of ours that was opened some other way
// (the collation, busy timeout); OpenDatabase does this itself.
void PrepareConnection(sqlite3* db);

// What a login may not read on a connection that runs a user's SQL text (the
// list control's, the export's, the statistics and the search editor's): the
// users' stored passwords. As a SQL Server login without the grant, such a
// connection is refused the column ("access to CoUsers.Password is
// prohibited"). The server's own logins and secrets are not in any database
// (server.ini, the client configuration), and ATTACH is refused on those
// connections, so no SQL reaches them.
QStringList DeniedReads(const QString& login);

// Our server's version and its SQLite library's, e.g.
// "Quillon Embedded Server 1.0 (SQLite 3.40.1)".
QString ServerVersionText();

// Makes this server the one the database interface talks to (its files, logins and
// stored procedures). Every program and test calls it at start-up; calling it again does nothing.
void InstallEmbeddedServer();

}  // namespace erpdb
