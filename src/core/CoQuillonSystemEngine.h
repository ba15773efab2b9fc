#pragma once
// The session's system engine: it owns the database connection every statement
// of the program runs through (DBI) and the session settings, and performs the
// logon checks. One engine at a time is the session engine, g_oSystemEngine.

#include "core/CoEnvironmentSettings.h"
#include "platform/database/BrandleDatabase.h"

#include <QString>
#include <memory>

class CoQuillonSystemEngine;
using CoQuillonSystemEnginePtr = std::shared_ptr<CoQuillonSystemEngine>;

// The session engine; empty when there is no session.
extern CoQuillonSystemEnginePtr g_oSystemEngine;

// The session engine; error 91 when there is no session.
CoQuillonSystemEngine& SessionEngine();

// An object that hands its database object over to an engine (ShareConnection).
class DatabaseObjectOwner {
public:
    virtual ~DatabaseObjectOwner() = default;
    virtual BrandleDatabasePtr odbi() = 0;
};

class CoQuillonSystemEngine : public VObject, public std::enable_shared_from_this<CoQuillonSystemEngine> {
public:
    // Engines live in shared pointers: a successful logon makes the engine g_oSystemEngine.
    static CoQuillonSystemEnginePtr Create() { return std::make_shared<CoQuillonSystemEngine>(); }
    CoQuillonSystemEngine();
    ~CoQuillonSystemEngine() override;

    // The engine's database object; error 91 when it has none.
    BrandleDatabase& DBI();
    const BrandleDatabasePtr& DBIObject() const { return m_dbi; }

    // Closes the connection and empties g_oSystemEngine.
    void CloseConnection();
    // Closes this engine's connection and adopts the database object of another
    // engine (which must offer one, else error 438); makes this engine the session engine.
    Variant ShareConnection(const ObjectRef& oSystemEngine);

    // One logon attempt. True: logged on, this engine is now g_oSystemEngine, spmUser
    // holds the user id as stored. False: refused, sErr says why, the connection is
    // closed and g_oSystemEngine is untouched. Database failures are raised.
    bool CreateConnection(const QString& sServer, const QString& sCompany, QString& spmUser,
                          const QString& spmPassword, const QString& sHBServer, int16_t iHBServerPort,
                          QString& spmUserName, QString& sDatabase, QString& sCompanyName, QString& sErr);

    // A result set through DBI; True when it has rows.
    bool GetResults(const QString& sql, BrandleRecordsetPtr& rs);
    Variant CloseResults(BrandleRecordsetPtr& rs);

    // Created on first use; the same object for the engine's whole life.
    CoEnvironmentSettings& EnvironmentSettings();

    // These do nothing.
    QString LoadBinary(const QString& strSQL) { return QString(); }
    QString Execute(const QString& strSQL) { return QString(); }

private:
    bool refuse(QString& sErr, const QString& message);
    BrandleDatabasePtr m_dbi;
    std::unique_ptr<CoEnvironmentSettings> m_settings;
};

// The application login every session connects as.
inline constexpr char kApplicationLogin[] = "coexecutive";

// The session's two SQL login passwords, enciphered (CryptText with Base64 under the
// session key): from the server's client configuration, else the built-in ones
// the demo server is made with.
struct SqlLoginPasswords {
    QString application;  // "coexecutive"
    QString readOnly;     // "coreadonly"
};
SqlLoginPasswords SessionLoginPasswords(const QString& server);

// Opens db with the application login, deciphering its enciphered password
// (as the session settings hold it) only for the call and wiping it afterwards.
// The read-only login's password (enciphered too) is what db's read-only queries
// open their connection with, where the server needs one.
void OpenWithApplicationLogin(BrandleDatabase& db, const QString& server, const QString& database,
                              const QString& encipheredPassword, const QString& encipheredReadPassword);
