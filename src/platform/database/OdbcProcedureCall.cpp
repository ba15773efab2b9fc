// A stored procedure on a SQL Server: one batch with the call and its
// transaction handling (tsql::CallBatch), each input a bound parameter in its
// ADO type, the outputs read from the batch's last result.
#include "platform/database/OdbcBackend.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/OdbcHandles.h"

#include <QDateTime>

namespace {

struct Bound {
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 0;
    SQLSMALLINT digits = 0;
    std::vector<unsigned char> buffer;
    SQLLEN indicator = 0;
};

template <class T>
void Store(Bound& b, const T& v)
{
    b.buffer.resize(sizeof(T));
    std::memcpy(b.buffer.data(), &v, sizeof(T));
    b.indicator = sizeof(T);
}

Bound Bind(const BrandleCommand::Parameter& p)
{
    Bound b;
    const bool output = p.direction == adParamOutput;
    const bool null = p.value.isNull() || p.value.isEmpty();
    switch (p.type) {
    case adInteger:
        b.cType = SQL_C_SLONG;
        b.sqlType = SQL_INTEGER;
        Store<SQLINTEGER>(b, null ? 0 : p.value.toInt32());
        break;
    case adDouble:
    case adCurrency:
        b.cType = SQL_C_DOUBLE;
        b.sqlType = p.type == adCurrency ? SQL_DECIMAL : SQL_DOUBLE;
        b.columnSize = p.type == adCurrency ? 19 : 15;
        b.digits = p.type == adCurrency ? 4 : 0;
        Store<double>(b, null ? 0.0 : p.value.toDouble());
        break;
    case adBoolean:
        b.cType = SQL_C_BIT;
        b.sqlType = SQL_BIT;
        Store<unsigned char>(b, null ? 0 : (p.value.toBool() ? 1 : 0));
        break;
    case adDate: {
        b.cType = SQL_C_TYPE_TIMESTAMP;
        b.sqlType = SQL_TYPE_TIMESTAMP;
        b.columnSize = 23;
        b.digits = 3;
        SQL_TIMESTAMP_STRUCT t{};
        if (!null) {
            const QDateTime dt = p.value.toDate();
            t.year = static_cast<SQLSMALLINT>(dt.date().year());
            t.month = static_cast<SQLUSMALLINT>(dt.date().month());
            t.day = static_cast<SQLUSMALLINT>(dt.date().day());
            t.hour = static_cast<SQLUSMALLINT>(dt.time().hour());
            t.minute = static_cast<SQLUSMALLINT>(dt.time().minute());
            t.second = static_cast<SQLUSMALLINT>(dt.time().second());
            t.fraction = static_cast<SQLUINTEGER>(dt.time().msec()) * 1000000u;
        }
        Store(b, t);
        break;
    }
    default: {
        const QString s = null ? QString() : p.value.toString();
        const qsizetype chars = std::max<qsizetype>({s.size(), p.size, 1});
        b.cType = SQL_C_WCHAR;
        b.sqlType = p.type == adChar ? SQL_WCHAR : SQL_WVARCHAR;
        b.columnSize = static_cast<SQLULEN>(chars);
        b.buffer.assign(static_cast<size_t>(chars + 1) * sizeof(SQLWCHAR), 0);
        std::memcpy(b.buffer.data(), s.utf16(), static_cast<size_t>(s.size()) * sizeof(SQLWCHAR));
        b.indicator = static_cast<SQLLEN>(s.size() * sizeof(SQLWCHAR));
        break;
    }
    }
    if (null && !output)
        b.indicator = SQL_NULL_DATA;
    return b;
}

}  // namespace

ResultSnapshot OdbcBackend::callSqlServer(BrandleCommand& command, const QString& batch)
{
    odbc::Statement st(*m_connection);
    if (m_timeout > 0)
        st.setQueryTimeout(m_timeout);
    // The inputs are the batch's markers, in order; the outputs its variables.
    std::vector<Bound> bound;
    bool outputs = false;
    for (const BrandleCommand::Parameter& p : command.Parameters()) {
        if (p.direction == adParamOutput)
            outputs = true;
        else
            bound.push_back(Bind(p));
    }
    for (size_t i = 0; i < bound.size(); ++i) {
        Bound& b = bound[i];
        const SQLRETURN rc =
            SQLBindParameter(st.handle(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, b.cType, b.sqlType,
                             b.columnSize, b.digits, b.buffer.data(), static_cast<SQLLEN>(b.buffer.size()), &b.indicator);
        if (!SQL_SUCCEEDED(rc))
            odbc::Fail(SQL_HANDLE_STMT, st.handle());
    }
    CallScope scope(*this, &st);
    st.execDirect(batch);
    // The procedure's first result is the call's; the batch's last holds the outputs.
    std::vector<ResultSnapshot> results = readAllResults(st);
    if (outputs) {
        if (results.empty())
            throw AppError(kDatabaseErrorNumber,
                           QStringLiteral("The call of %1 gave no output values.").arg(command.ProcedureName()),
                           QStringLiteral("BrandleDatabase"));
        const ResultSnapshot values = std::move(results.back());
        results.pop_back();
        size_t column = 0;
        for (BrandleCommand::Parameter& p : command.Parameters()) {
            if (p.direction != adParamOutput)
                continue;
            p.value = !values.rows.empty() && column < values.rows.front().size() ? values.rows.front()[column]
                                                                                  : Variant(Null);
            ++column;
        }
    }
    return results.empty() ? ResultSnapshot() : std::move(results.front());
}
