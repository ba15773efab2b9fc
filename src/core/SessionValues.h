#pragma once
// The values of the logged-on session that the rest of the program reads
// directly, the session's lookup connection, and small database helpers that
// many windows share: SQL literals, one-value queries, statements that may
// fail quietly, and typed values of the database registry.

#include "base/SqlText.h"
#include "base/Variant.h"
#include "platform/database/BrandleDatabase.h"

#include <QString>
#include <cstdint>

// Replaced only by a successful logon; nothing empties them.
extern QString g_sUserID;     // the user id exactly as typed at logon
extern QString g_sCompanyID;  // the company id
extern QString g_sDatabase;   // the company database
extern QString g_sServer;     // the SQL server
// The lookup connection to the company database (reopened each time the main
// window is shown for a session); empty before the first.
extern BrandleDatabasePtr g_cn;

QString GetCurrentUserID();

// g_cn becomes a new connection from CreateADOConnection; the previous one is
// released (and stays when opening the new one fails).
void OpenLookupConnection();
// A new, open connection to g_sDatabase on g_sServer with the application login;
// its password is deciphered only for the open. Fails without a session engine.
BrandleDatabasePtr CreateADOConnection();

// "{" + the name without surrounding blanks + "}"; Null gives "{}".
QString MakeColumnToken(const Variant& columnName);
// Runs a statement; false (and nothing shown) when anything fails on the way.
bool ExecuteSQL(const QString& sql);
// The first field of the query's first row (may be Null); Empty without a row.
Variant GetSQLValue(const QString& sql);
// A typed value of the database registry (Co_GetRegValue): types "S", "I4", "F8".
// Empty when the procedure fails or does not run; another type raises 32768.
Variant GetRegValue(int32_t parentKeyId, const QString& subKey, const QString& valueName);


// Leading and trailing blanks removed (blanks only, not other white space).
QString TrimBlanks(const QString& text);
