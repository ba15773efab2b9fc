#pragma once
// The ODBC calls the ODBC back end makes, wrapped: handles that free
// themselves, the diagnostics of a failed call turned into the database
// interface's error (the server's message, its native number kept beside it),
// and the values of a result set read into Variants with their ADO types.

#include "base/Variant.h"

#include <QStringList>
#include <memory>
#include <vector>

#include <sql.h>
#include <sqlext.h>

namespace odbc {

// What the driver said about the last failure on this thread.
struct Diagnostic {
    QString sqlState;
    int32_t nativeError = 0;
    QString message;
};
const Diagnostic& LastDiagnostic();
// Hands a failure's diagnostic to the thread the failure is reported on.
void SetLastDiagnostic(const Diagnostic& d);

// The record of a failed call's diagnostics that tells the failure: the first
// that is an error, not a warning or a message the server sent before it; the
// first record when none is.
Diagnostic FailureOf(const std::vector<Diagnostic>& records);
// Raises the failure of a call on a handle as the database interface's error.
[[noreturn]] void Fail(SQLSMALLINT handleType, SQLHANDLE handle, const QString& fallback = {});
// The server's text without the driver manager's and driver's "[...]" prefixes.
QString StripVendorTags(const QString& message);

// A connection: allocated on the process's one environment, connected by a
// connection string, disconnected and freed on destruction.
class Connection {
public:
    explicit Connection(const QString& connectionString);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    SQLHDBC handle() const { return m_dbc; }
    QString driverName() const;

private:
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
};

class Statement {
public:
    explicit Statement(const Connection& c);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT handle() const { return m_stmt; }
    // Seconds before the driver stops the statement (0: none); ignored by a driver
    // that does not support it.
    void setQueryTimeout(int32_t seconds);
    // Runs a text; false when it gave SQL_NO_DATA (a searched write that touched nothing).
    void execDirect(const QString& sql);
    void execute();  // after prepare and binding
    void prepare(const QString& sql);
    // Columns of the current result (0 without one).
    int columnCount() const;
    // Names and ADO types of the current result's columns.
    void describe(QStringList& names, std::vector<int32_t>& types, std::vector<SQLSMALLINT>& sqlTypes) const;
    bool fetch();
    // The value of a column of the fetched row, read as its SQL type says.
    Variant value(int column, SQLSMALLINT sqlType) const;
    // Moves to the next result of the statement; false when there is none.
    bool moreResults();
    void closeCursor();
    // From any thread: asks the driver to stop what the statement runs.
    void cancel() const;

private:
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
};

// The ADO type code for an ODBC SQL type, with the driver's type name to tell
// money from other decimals.
int32_t AdoTypeOfSqlType(SQLSMALLINT sqlType, const QString& typeName);

}  // namespace odbc
