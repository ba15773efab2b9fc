#include "platform/database/BrandleDatabase.h"

#include "base/AppError.h"
#include "platform/database/DatabaseBackend.h"
#include "platform/database/SqliteBackend.h"

#include "platform/database/DatabaseServer.h"
#include "platform/database/OdbcBackend.h"
#include "platform/database/OdbcServers.h"

namespace {

const QString kSource = QStringLiteral("BrandleDatabase");

// ADO's own errors for a misused result set or command.
constexpr int32_t kItemNotFound = 3265;
constexpr int32_t kNoCurrentRecord = 3021;
constexpr int32_t kObjectClosed = 3704;

[[noreturn]] void itemNotFound(const QString& what)
{
    throw AppError(kItemNotFound,
                   QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                                  "ordinal. (%1)")
                       .arg(what),
                   kSource);
}

QString literal(const Variant& v)
{
    if (v.isNull() || v.isEmpty())
        return QStringLiteral("NULL");
    if (v.isNumber())
        return v.toString();
    if (v.isBool())
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    QString s = v.isObject() ? QStringLiteral("<object>") : v.toString();
    return QLatin1Char('\'') + s.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

QString describeCommand(const BrandleCommand& command)
{
    QString s = QStringLiteral("EXEC ") + command.ProcedureName();
    bool first = true;
    for (const BrandleCommand::Parameter& p : command.Parameters()) {
        s += first ? QStringLiteral(" ") : QStringLiteral(", ");
        first = false;
        if (p.direction == adParamOutput)
            s += p.name + QStringLiteral(" OUTPUT");
        else
            s += p.name + QStringLiteral(" = ") + literal(p.value);
    }
    return s;
}

// Input values become the parameters' types, as ADO converts them before the call;
// a value that does not convert fails before anything runs.
void convertInputs(BrandleCommand& command)
{
    for (BrandleCommand::Parameter& p : command.Parameters()) {
        if (p.direction == adParamOutput)
            continue;
        if (p.value.isEmpty() || p.value.isNull()) {
            p.value = Variant(Null);
            continue;
        }
        try {
            switch (p.type) {
            case adInteger:
                p.value = Variant(p.value.toInt32());
                break;
            case adDouble:
                p.value = Variant(p.value.toDouble());
                break;
            case adCurrency:
                p.value = Variant(p.value.toCurrency());
                break;
            case adBoolean:
                p.value = Variant(p.value.toBool());
                break;
            case adChar:
            case adVarChar:
                p.value = Variant(p.value.toString());
                break;
            default:
                break;
            }
        } catch (const AppError&) {
            throw AppError(kDatabaseErrorNumber,
                           QStringLiteral("Application uses a value of the wrong type for the current operation. "
                                          "(parameter %1)")
                               .arg(p.name),
                           kSource);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------- BrandleRecordset

BrandleRecordset::BrandleRecordset(QStringList fieldNames, std::vector<int32_t> fieldTypes,
                                   std::vector<std::vector<Variant>> rows)
    : m_fieldNames(std::move(fieldNames)), m_fieldTypes(std::move(fieldTypes)), m_rows(std::move(rows))
{
    m_fieldTypes.resize(m_fieldNames.size(), adVarChar);
}

int BrandleRecordset::fieldIndex(const QString& name) const
{
    const QString wanted = name.trimmed();
    for (int i = 0; i < m_fieldNames.size(); ++i) {
        if (m_fieldNames[i].compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

Variant BrandleRecordset::Item(const QString& fieldName) const
{
    const int i = fieldIndex(fieldName);
    if (i < 0)
        itemNotFound(fieldName);
    return Item(i);
}

Variant BrandleRecordset::Item(int index) const
{
    if (m_closed)
        throw AppError(kObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."), kSource);
    if (index < 0 || index >= FieldCount())
        itemNotFound(QString::number(index));
    if (!HasRecord())
        throw AppError(kNoCurrentRecord,
                       QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. Requested "
                                      "operation requires a current record."),
                       kSource);
    return m_rows[m_row][static_cast<size_t>(index)];
}

Variant BrandleRecordset::Item(const Variant& nameOrIndex) const
{
    if (nameOrIndex.isNumber())
        return Item(static_cast<int>(nameOrIndex.toInt32()));
    return Item(nameOrIndex.toString());
}

void BrandleRecordset::MoveNext()
{
    if (!HasRecord())
        throw AppError(kNoCurrentRecord,
                       QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. Requested "
                                      "operation requires a current record."),
                       kSource);
    ++m_row;
}

int32_t BrandleRecordset::FieldType(int index) const
{
    if (index < 0 || index >= FieldCount())
        itemNotFound(QString::number(index));
    return m_fieldTypes[static_cast<size_t>(index)];
}

QString BrandleRecordset::FieldName(int index) const
{
    if (index < 0 || index >= FieldCount())
        itemNotFound(QString::number(index));
    return m_fieldNames[index];
}

void BrandleRecordset::Close() { m_closed = true; }

// ---------------------------------------------------------------- BrandleCommand

void BrandleCommand::Init(const QString& procedureName, int parameterCount)
{
    m_procedure = procedureName.trimmed();
    m_parameters.clear();
    m_parameters.reserve(parameterCount > 0 ? static_cast<size_t>(parameterCount) : 0);
}

void BrandleCommand::AddParameter(const QString& name, int32_t adoType, int32_t direction, int32_t size,
                                  const Variant& value, int32_t precision, int32_t numericScale)
{
    Parameter p;
    p.name = name.trimmed();
    if (!p.name.startsWith(QLatin1Char('@')))
        p.name.prepend(QLatin1Char('@'));
    p.type = adoType;
    p.direction = direction;
    p.size = size;
    p.value = direction == adParamOutput ? Variant() : value;
    m_parameters.push_back(std::move(p));
}

Variant BrandleCommand::ParameterValue(const QString& name) const
{
    QString wanted = name.trimmed();
    if (!wanted.startsWith(QLatin1Char('@')))
        wanted.prepend(QLatin1Char('@'));
    for (const Parameter& p : m_parameters) {
        if (p.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return p.value;
    }
    itemNotFound(name);
}

// ---------------------------------------------------------------- BrandleDatabase

BrandleDatabase::BrandleDatabase() = default;

BrandleDatabase::~BrandleDatabase()
{
    try {
        CloseConnection();
    } catch (...) {
    }
}

void BrandleDatabase::SetCommandTimeout(int32_t seconds)
{
    m_commandTimeout = std::max(seconds, 0);
    if (m_backend)
        m_backend->setCommandTimeout(m_commandTimeout);
}

template <class F>
decltype(auto) BrandleDatabase::guarded(F&& f)
{
    try {
        return std::forward<F>(f)();
    } catch (...) {
        AppError e = ToAppError(std::current_exception());
        if (m_backend && !m_transactions.isEmpty() && !m_backend->inTransaction())
            m_aborted = true;
        if (e.number() == kDatabaseErrorNumber && e.source() == kSource)
            throw e;
        throw AppError(kDatabaseErrorNumber, e.description(), kSource);
    }
}

int32_t BrandleDatabase::OpenConnection(const QString& server, const QString& database, const QString& login,
                                        const QString& password, int32_t options, int32_t& flag)
{
    CloseConnection();
    guarded([&] {
        // A server the client configuration maps to an ODBC driver goes through ODBC.
        if (const std::optional<OdbcServerConfig> odbc = FindOdbcServer(server)) {
            OpenBackend(OpenOdbcBackend(*odbc, server, database, login, password, false));
            return;
        }
        sqlite3* db = TheDatabaseServer().OpenDatabase(server, database, login, password);
        OpenBackend(std::make_unique<SqliteBackend>(db, server.trimmed(), database.trimmed(), login.trimmed()));
    });
    return 0;
}

void BrandleDatabase::SetReadOnlyLogin(const QString& login, const QString& encipheredPassword)
{
    m_readLogin = login;
    m_readPassword = encipheredPassword;
    if (m_backend)
        m_backend->setReadOnlyLogin(m_readLogin, m_readPassword);
}

void BrandleDatabase::OpenBackend(std::unique_ptr<DatabaseBackend> backend)
{
    CloseConnection();
    m_backend = std::move(backend);
    if (m_backend) {
        m_backend->setCommandTimeout(m_commandTimeout);
        if (!m_readLogin.isEmpty())
            m_backend->setReadOnlyLogin(m_readLogin, m_readPassword);
    }
}

void BrandleDatabase::CloseConnection()
{
    if (!m_backend)
        return;
    std::unique_ptr<DatabaseBackend> backend = std::move(m_backend);
    m_transactions.clear();
    m_aborted = false;
    if (backend->inTransaction()) {
        try {
            backend->rollback(0);
        } catch (...) {
        }
    }
}

bool BrandleDatabase::IsOpen() const { return m_backend != nullptr; }
QString BrandleDatabase::ServerName() const { return m_backend ? m_backend->serverName() : QString(); }
QString BrandleDatabase::DatabaseName() const { return m_backend ? m_backend->databaseName() : QString(); }
QString BrandleDatabase::LoginName() const { return m_backend ? m_backend->loginName() : QString(); }

SqlDateForm BrandleDatabase::DateForm() const
{
    const std::optional<OdbcServerConfig> odbc = FindOdbcServer(ServerName());
    return odbc && odbc->dialect == OdbcServerConfig::Dialect::SqlServer ? SqlDateForm::SqlServer
                                                                          : SqlDateForm::Embedded;
}

DatabaseBackend& BrandleDatabase::backend()
{
    if (!m_backend)
        throw AppError(kDatabaseErrorNumber, QStringLiteral("Operation is not allowed when the connection is closed."),
                       kSource);
    return *m_backend;
}

void BrandleDatabase::record(const QString& sql)
{
    if (m_logging)
        m_log << sql;
}

void BrandleDatabase::checkAborted() const
{
    if (m_aborted)
        throw AppError(kDatabaseErrorNumber,
                       QStringLiteral("The transaction '%1' was rolled back by the database after an earlier error; "
                                      "nothing of it was written.")
                           .arg(m_transactions.isEmpty() ? QString() : m_transactions.front()),
                       kSource);
}

int BrandleDatabase::findTransaction(const QString& name) const
{
    for (int i = static_cast<int>(m_transactions.size()) - 1; i >= 0; --i) {
        if (m_transactions[i] == name)
            return i;
    }
    return -1;
}

int32_t BrandleDatabase::BeginTrans(const QString& name, int32_t& flag)
{
    DatabaseBackend& b = backend();
    checkAborted();
    const int level = static_cast<int>(m_transactions.size());
    guarded([&] { b.begin(level); });
    m_transactions << name;
    return 0;
}

int32_t BrandleDatabase::CommitTrans(const QString& name, int32_t& flag)
{
    DatabaseBackend& b = backend();
    const int level = findTransaction(name);
    if (level < 0)
        throw AppError(kDatabaseErrorNumber, QStringLiteral("No transaction named '%1' is open.").arg(name), kSource);
    if (m_aborted) {
        const QString outer = m_transactions.front();
        m_transactions = m_transactions.mid(0, level);
        if (m_transactions.isEmpty())
            m_aborted = false;
        throw AppError(kDatabaseErrorNumber,
                       QStringLiteral("The transaction '%1' was rolled back by the database after an earlier error; "
                                      "nothing of it was written.")
                           .arg(outer),
                       kSource);
    }
    guarded([&] { b.commit(level); });
    m_transactions = m_transactions.mid(0, level);
    return 0;
}

int32_t BrandleDatabase::RollbackTrans(const QString& name, int32_t& flag)
{
    DatabaseBackend& b = backend();
    const int level = findTransaction(name);
    if (level < 0)
        throw AppError(kDatabaseErrorNumber, QStringLiteral("No transaction named '%1' is open.").arg(name), kSource);
    if (!m_aborted)
        guarded([&] { b.rollback(level); });
    m_transactions = m_transactions.mid(0, level);
    if (m_transactions.isEmpty())
        m_aborted = false;
    return 0;
}

int BrandleDatabase::TransactionDepth() const { return static_cast<int>(m_transactions.size()); }

bool BrandleDatabase::OpenRecordset(const QString& sql, BrandleRecordsetPtr& rs, int32_t options, int32_t cursorType)
{
    record(sql);
    DatabaseBackend& b = backend();
    checkAborted();
    ResultSnapshot snap = guarded([&] { return b.run(sql); });
    rs = std::make_shared<BrandleRecordset>(std::move(snap.fieldNames), std::move(snap.fieldTypes),
                                            std::move(snap.rows));
    return rs->HasRecord();
}

bool BrandleDatabase::OpenReadOnlyRecordset(const QString& sql, BrandleRecordsetPtr& rs)
{
    record(sql);
    DatabaseBackend& b = backend();
    checkAborted();
    ResultSnapshot snap = guarded([&] { return b.runReadOnly(sql); });
    rs = std::make_shared<BrandleRecordset>(std::move(snap.fieldNames), std::move(snap.fieldTypes),
                                            std::move(snap.rows));
    return rs->HasRecord();
}

bool BrandleDatabase::OpenCommandRecordset(BrandleCommand& command, BrandleRecordsetPtr& rs)
{
    record(describeCommand(command));
    DatabaseBackend& b = backend();
    checkAborted();
    ResultSnapshot snap = guarded([&] {
        convertInputs(command);
        return b.runProcedure(command);
    });
    rs = std::make_shared<BrandleRecordset>(std::move(snap.fieldNames), std::move(snap.fieldTypes),
                                            std::move(snap.rows));
    return rs->HasRecord();
}

bool BrandleDatabase::ExecuteCommand(BrandleCommand& command)
{
    record(describeCommand(command));
    DatabaseBackend& b = backend();
    checkAborted();
    guarded([&] {
        convertInputs(command);
        b.runProcedure(command);
    });
    return true;
}

void BrandleDatabase::Execute(const QString& sql)
{
    record(sql);
    DatabaseBackend& b = backend();
    checkAborted();
    guarded([&] { b.run(sql); });
}

void BrandleDatabase::CloseRecordset(BrandleRecordsetPtr& rs)
{
    if (rs)
        rs->Close();
}

Variant BrandleDatabase::DLookup(const QString& expression, const QString& from, const QString& where)
{
    QString sql = QStringLiteral("SELECT ") + expression + QStringLiteral(" FROM ") + from;
    if (!where.trimmed().isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    BrandleRecordsetPtr rs;
    const bool found = OpenRecordset(sql, rs);
    if (!found || rs->FieldCount() == 0)
        return Variant(Null);
    return rs->Item(0);
}

QString BrandleDatabase::GetServerVersion(const QString& server, const QString& login, const QString& password,
                                          Variant& v1, Variant& v2, Variant& v3)
{
    try {
        if (const std::optional<OdbcServerConfig> odbc = FindOdbcServer(server)) {
            if (odbc->dialect == OdbcServerConfig::Dialect::SqlServer) {
                // Asked over the session's own connection: a logon with a login the
                // site may not have configured would count as a failed login, and a
                // few of them lock that login out under the server's lockout policy.
                (void)login;
                (void)password;
                if (!m_backend || m_backend->serverName().compare(server.trimmed(), Qt::CaseInsensitive) != 0)
                    return {};
                const ResultSnapshot r = m_backend->run(QStringLiteral("SELECT @@VERSION"));
                return r.rows.empty() || r.rows.front().empty() ? QString() : r.rows.front().front().toString();
            }
            if (!TheDatabaseServer().CheckLogin(odbc->filesServer, login, password))
                return {};
            return TheDatabaseServer().ServerVersionText();
        }
        if (!TheDatabaseServer().CheckLogin(server, login, password))
            return {};
        return TheDatabaseServer().ServerVersionText();
    } catch (...) {
        return {};
    }
}

void BrandleDatabase::SetStatementLogging(bool on) { m_logging = on; }
