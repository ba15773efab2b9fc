#include "platform/database/OdbcHandles.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>
#include <mutex>
#include <string.h>

namespace odbc {

namespace {

const QString kSource = QStringLiteral("BrandleDatabase");

thread_local Diagnostic t_last;

// The process's one ODBC environment, version 3.
SQLHENV Environment()
{
    static SQLHENV env = [] {
        SQLHENV h = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)))
            throw AppError(kDatabaseErrorNumber, QStringLiteral("The ODBC driver manager could not be loaded."),
                           kSource);
        SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return h;
    }();
    return env;
}

QString FromWide(const SQLWCHAR* s, qsizetype chars)
{
    static_assert(sizeof(SQLWCHAR) == 2, "unixODBC's SQLWCHAR is UTF-16");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(s), chars);
}

std::vector<SQLWCHAR> ToWide(const QString& s)
{
    std::vector<SQLWCHAR> w(static_cast<size_t>(s.size()) + 1, 0);
    std::copy(s.utf16(), s.utf16() + s.size(), w.begin());
    return w;
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h)
{
    if (!SQL_SUCCEEDED(rc))
        Fail(type, h);
}

}  // namespace

const Diagnostic& LastDiagnostic() { return t_last; }
void SetLastDiagnostic(const Diagnostic& d) { t_last = d; }

QString StripVendorTags(const QString& message)
{
    static const QRegularExpression tags(QStringLiteral("^(\\s*\\[[^\\]]*\\])+\\s*"));
    QString m = message;
    m.remove(tags);
    return m.trimmed();
}

Diagnostic FailureOf(const std::vector<Diagnostic>& records)
{
    // Warnings (class 01: a PRINT, "Changed database context", "Null value is
    // eliminated by an aggregate") may come before the error.
    for (const Diagnostic& d : records)
        if (!d.sqlState.startsWith(QLatin1String("01")) && !d.sqlState.startsWith(QLatin1String("00")))
            return d;
    return records.empty() ? Diagnostic() : records.front();
}

void Fail(SQLSMALLINT handleType, SQLHANDLE handle, const QString& fallback)
{
    std::vector<Diagnostic> records;
    for (SQLSMALLINT i = 1; handle; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR text[2048];
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRecW(handleType, handle, i, state, &native, text,
                                          static_cast<SQLSMALLINT>(std::size(text)), &length)))
            break;
        records.push_back({FromWide(state, 5), native,
                           StripVendorTags(FromWide(text, std::min<qsizetype>(length, std::size(text) - 1)))});
    }
    Diagnostic d = FailureOf(records);
    if (d.sqlState == QLatin1String("HYT00") || d.sqlState == QLatin1String("HYT01"))
        d.message = QStringLiteral("Query timeout expired");
    if (d.message.isEmpty())
        d.message = fallback.isEmpty() ? QStringLiteral("The ODBC call failed.") : fallback;
    t_last = d;
    throw AppError(kDatabaseErrorNumber, d.message, kSource);
}

Connection::Connection(const QString& connectionString)
{
    Check(SQLAllocHandle(SQL_HANDLE_DBC, Environment(), &m_dbc), SQL_HANDLE_ENV, Environment());
    std::vector<SQLWCHAR> in = ToWide(connectionString);
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnectW(m_dbc, nullptr, in.data(), static_cast<SQLSMALLINT>(in.size() - 1), out,
                                           static_cast<SQLSMALLINT>(std::size(out)), &outLength,
                                           SQL_DRIVER_NOPROMPT);
    // both strings hold the password: gone before anything else can read them
    explicit_bzero(in.data(), in.size() * sizeof(SQLWCHAR));
    explicit_bzero(out, sizeof(out));
    if (!SQL_SUCCEEDED(rc)) {
        try {
            Fail(SQL_HANDLE_DBC, m_dbc, QStringLiteral("The connection to the server could not be opened."));
        } catch (...) {
            SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
            throw;
        }
    }
    m_connected = true;
}

Connection::~Connection()
{
    if (m_connected)
        SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
}

QString Connection::driverName() const
{
    SQLWCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(m_dbc, SQL_DRIVER_NAME, name, sizeof(name), &length)))
        return {};
    return FromWide(name, length / static_cast<SQLSMALLINT>(sizeof(SQLWCHAR)));
}

Statement::Statement(const Connection& c)
{
    Check(SQLAllocHandle(SQL_HANDLE_STMT, c.handle(), &m_stmt), SQL_HANDLE_DBC, c.handle());
}

Statement::~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, m_stmt); }

void Statement::setQueryTimeout(int32_t seconds)
{
    SQLSetStmtAttr(m_stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), 0);
}

void Statement::execDirect(const QString& sql)
{
    // The program's texts carry no ODBC escapes: a "{...}" in one is the server's to judge.
    SQLSetStmtAttr(m_stmt, SQL_ATTR_NOSCAN, reinterpret_cast<SQLPOINTER>(SQL_NOSCAN_ON), 0);
    std::vector<SQLWCHAR> w = ToWide(sql);
    const SQLRETURN rc = SQLExecDirectW(m_stmt, w.data(), static_cast<SQLINTEGER>(w.size() - 1));
    if (rc != SQL_NO_DATA)
        Check(rc, SQL_HANDLE_STMT, m_stmt);
}

void Statement::prepare(const QString& sql)
{
    std::vector<SQLWCHAR> w = ToWide(sql);
    Check(SQLPrepareW(m_stmt, w.data(), static_cast<SQLINTEGER>(w.size() - 1)), SQL_HANDLE_STMT, m_stmt);
}

void Statement::execute()
{
    const SQLRETURN rc = SQLExecute(m_stmt);
    if (rc != SQL_NO_DATA)
        Check(rc, SQL_HANDLE_STMT, m_stmt);
}

int Statement::columnCount() const
{
    SQLSMALLINT n = 0;
    Check(SQLNumResultCols(m_stmt, &n), SQL_HANDLE_STMT, m_stmt);
    return n;
}

void Statement::describe(QStringList& names, std::vector<int32_t>& types, std::vector<SQLSMALLINT>& sqlTypes) const
{
    const int n = columnCount();
    for (SQLUSMALLINT c = 1; c <= n; ++c) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT sqlType = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        Check(SQLDescribeColW(m_stmt, c, name, static_cast<SQLSMALLINT>(std::size(name)), &nameLength, &sqlType,
                              &size, &digits, &nullable),
              SQL_HANDLE_STMT, m_stmt);
        SQLWCHAR typeName[128] = {};
        SQLSMALLINT typeNameLength = 0;
        SQLColAttributeW(m_stmt, c, SQL_DESC_TYPE_NAME, typeName, sizeof(typeName), &typeNameLength, nullptr);
        names << FromWide(name, std::min<qsizetype>(nameLength, std::size(name) - 1));
        sqlTypes.push_back(sqlType);
        types.push_back(AdoTypeOfSqlType(
            sqlType, FromWide(typeName, std::min<qsizetype>(typeNameLength / sizeof(SQLWCHAR), std::size(typeName) - 1))));
    }
}

bool Statement::fetch()
{
    const SQLRETURN rc = SQLFetch(m_stmt);
    if (rc == SQL_NO_DATA)
        return false;
    Check(rc, SQL_HANDLE_STMT, m_stmt);
    return true;
}

Variant Statement::value(int column, SQLSMALLINT sqlType) const
{
    const auto col = static_cast<SQLUSMALLINT>(column + 1);
    SQLLEN indicator = 0;
    switch (sqlType) {
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
    // Flags come as the numbers they are, as the embedded back end gives them: the
    // program compares them with numbers.
    case SQL_BIT: {
        SQLBIGINT v = 0;
        Check(SQLGetData(m_stmt, col, SQL_C_SBIGINT, &v, sizeof v, &indicator), SQL_HANDLE_STMT, m_stmt);
        return indicator == SQL_NULL_DATA ? Variant(Null) : Variant::fromInt64Exact(v);
    }
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC: {
        double v = 0;
        Check(SQLGetData(m_stmt, col, SQL_C_DOUBLE, &v, sizeof v, &indicator), SQL_HANDLE_STMT, m_stmt);
        return indicator == SQL_NULL_DATA ? Variant(Null) : Variant(v);
    }
    case SQL_TYPE_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TIMESTAMP:
    case SQL_DATE: {
        SQL_TIMESTAMP_STRUCT t{};
        Check(SQLGetData(m_stmt, col, SQL_C_TYPE_TIMESTAMP, &t, sizeof t, &indicator), SQL_HANDLE_STMT, m_stmt);
        if (indicator == SQL_NULL_DATA)
            return Variant(Null);
        return Variant(QDateTime(QDate(t.year, t.month, t.day),
                                 QTime(t.hour, t.minute, t.second, static_cast<int>(t.fraction / 1000000))));
    }
    default:
        break;
    }
    // Everything else as text, read in pieces of any length.
    QString text;
    SQLWCHAR buffer[1024];
    for (;;) {
        const SQLRETURN rc = SQLGetData(m_stmt, col, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        Check(rc, SQL_HANDLE_STMT, m_stmt);
        if (indicator == SQL_NULL_DATA)
            return Variant(Null);
        const qsizetype capacity = std::size(buffer) - 1;
        const qsizetype got = (indicator == SQL_NO_TOTAL || indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR)) > capacity)
                                  ? capacity
                                  : indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR));
        text += FromWide(buffer, got);
        if (rc == SQL_SUCCESS)
            break;
    }
    return Variant(std::move(text));
}

bool Statement::moreResults()
{
    const SQLRETURN rc = SQLMoreResults(m_stmt);
    if (rc == SQL_NO_DATA)
        return false;
    Check(rc, SQL_HANDLE_STMT, m_stmt);
    return true;
}

void Statement::closeCursor() { SQLFreeStmt(m_stmt, SQL_CLOSE); }

void Statement::cancel() const { SQLCancel(m_stmt); }

int32_t AdoTypeOfSqlType(SQLSMALLINT sqlType, const QString& typeName)
{
    const QString name = typeName.toLower();
    if (name.contains(QLatin1String("money")))
        return adCurrency;
    switch (sqlType) {
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
        return adInteger;
    case SQL_BIT:
        return adBoolean;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return adDouble;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TIMESTAMP:
    case SQL_DATE:
        return adDate;
    case SQL_CHAR:
    case SQL_WCHAR:
        return adChar;
    default:
        return adVarChar;
    }
}

}  // namespace odbc
