// A stored procedure on a SQL Server: the ODBC call escape with one bound
// parameter a command parameter, in its ADO type; outputs are read back after
// the last result of the call.
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

template <class T>
T Load(const Bound& b)
{
    T v{};
    std::memcpy(&v, b.buffer.data(), sizeof(T));
    return v;
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

Variant OutputValue(const Bound& b, int32_t type)
{
    if (b.indicator == SQL_NULL_DATA)
        return Variant(Null);
    switch (type) {
    case adInteger:
        return Variant(static_cast<int32_t>(Load<SQLINTEGER>(b)));
    case adDouble:
        return Variant(Load<double>(b));
    case adCurrency:
        return Variant(Currency::fromDouble(Load<double>(b)));
    case adBoolean:
        return Variant(Load<unsigned char>(b) != 0);
    case adDate: {
        const auto t = Load<SQL_TIMESTAMP_STRUCT>(b);
        return Variant(QDateTime(QDate(t.year, t.month, t.day),
                                 QTime(t.hour, t.minute, t.second, static_cast<int>(t.fraction / 1000000))));
    }
    default: {
        const qsizetype chars = std::min<qsizetype>(b.indicator / static_cast<SQLLEN>(sizeof(SQLWCHAR)),
                                                    static_cast<qsizetype>(b.buffer.size() / sizeof(SQLWCHAR)) - 1);
        return Variant(QString::fromUtf16(reinterpret_cast<const char16_t*>(b.buffer.data()), chars));
    }
    }
}

}  // namespace

ResultSnapshot OdbcBackend::callSqlServer(BrandleCommand& command)
{
    odbc::Statement st(*m_connection);
    if (m_timeout > 0)
        st.setQueryTimeout(m_timeout);
    st.prepare(tsql::CallEscape(command));
    std::vector<Bound> bound;
    bound.reserve(command.Parameters().size());
    for (const BrandleCommand::Parameter& p : command.Parameters())
        bound.push_back(Bind(p));
    for (size_t i = 0; i < bound.size(); ++i) {
        Bound& b = bound[i];
        const bool output = command.Parameters()[i].direction == adParamOutput;
        const SQLRETURN rc = SQLBindParameter(st.handle(), static_cast<SQLUSMALLINT>(i + 1),
                                              output ? SQL_PARAM_OUTPUT : SQL_PARAM_INPUT, b.cType, b.sqlType,
                                              b.columnSize, b.digits, b.buffer.data(),
                                              static_cast<SQLLEN>(b.buffer.size()), &b.indicator);
        if (!SQL_SUCCEEDED(rc))
            odbc::Fail(SQL_HANDLE_STMT, st.handle());
    }
    CallScope scope(*this, &st);
    st.execute();
    // Outputs arrive after the last result has been read.
    ResultSnapshot result = readResults(st);
    for (size_t i = 0; i < bound.size(); ++i) {
        BrandleCommand::Parameter& p = command.Parameters()[i];
        if (p.direction == adParamOutput)
            p.value = OutputValue(bound[i], p.type);
    }
    return result;
}
