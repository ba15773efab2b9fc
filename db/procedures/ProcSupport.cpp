#include "db/procedures/ProcSupport.h"

#include "platform/database/BrandleDatabase.h"

#include <sqlite3.h>

#include <atomic>
#include <cmath>

namespace erpdb::procs {

void Fail(const QString& procedure, const QString& message)
{
    throw AppError(kDatabaseErrorNumber, procedure + QStringLiteral(": ") + message, procedure);
}

static QString SqliteMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

Statement::Statement(sqlite3* db, const QString& sql, const QString& procedure) : m_db(db), m_procedure(procedure)
{
    if (!db)
        Fail(procedure, QStringLiteral("no database connection."));
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &m_stmt, nullptr) != SQLITE_OK) {
        const QString message = SqliteMessage(db);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        Fail(procedure, message);
    }
    if (!m_stmt)
        Fail(procedure, QStringLiteral("empty statement."));
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement& Statement::bind(int index, const Variant& value)
{
    int rc = SQLITE_OK;
    switch (value.type()) {
    case VarType::Empty:
    case VarType::Null: rc = sqlite3_bind_null(m_stmt, index); break;
    case VarType::Integer:
    case VarType::Long: rc = sqlite3_bind_int64(m_stmt, index, value.toInt32()); break;
    case VarType::Boolean: rc = sqlite3_bind_int(m_stmt, index, value.toBool() ? 1 : 0); break;
    case VarType::Double:
    case VarType::Currency: rc = sqlite3_bind_double(m_stmt, index, value.toDouble()); break;
    case VarType::Date: {
        const QByteArray t = value.toDate().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
        rc = sqlite3_bind_text(m_stmt, index, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
        break;
    }
    case VarType::String: {
        const QByteArray t = value.toString().toUtf8();
        rc = sqlite3_bind_text(m_stmt, index, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
        break;
    }
    case VarType::Object: Fail(m_procedure, QStringLiteral("an object cannot be a parameter value."));
    }
    if (rc != SQLITE_OK)
        Fail(m_procedure, SqliteMessage(m_db));
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString message = SqliteMessage(m_db);
    sqlite3_reset(m_stmt);
    Fail(m_procedure, message);
}

void Statement::run()
{
    while (step()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

Variant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL: return Variant(Null);
    case SQLITE_INTEGER: return Variant::fromInt64Checked(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT: return Variant(sqlite3_column_double(m_stmt, column));
    default: return Variant(text(column));
    }
}

QString Statement::text(int column) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (!p)
        return QString();
    return QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, column));
}

int64_t Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

bool Statement::flag(int column) const
{
    if (isNull(column))
        return false;
    if (sqlite3_column_type(m_stmt, column) == SQLITE_FLOAT)
        return sqlite3_column_double(m_stmt, column) != 0.0;
    return sqlite3_column_int64(m_stmt, column) != 0;
}

void Exec(sqlite3* db, const QString& sql, const QString& procedure)
{
    Statement(db, sql, procedure).run();
}

Savepoint::Savepoint(sqlite3* db, const QString& procedure) : m_db(db), m_procedure(procedure)
{
    static std::atomic<int> counter{0};
    m_name = QStringLiteral("erpproc_%1").arg(++counter);
    Exec(db, QStringLiteral("SAVEPOINT ") + m_name, procedure);
}

Savepoint::~Savepoint()
{
    if (m_done)
        return;
    // Undo this procedure's writes, then leave the savepoint; failures here cannot be
    // reported any more (the error that brought us here is on its way to the caller).
    const QByteArray undo = ("ROLLBACK TO " + m_name + "; RELEASE " + m_name).toUtf8();
    sqlite3_exec(m_db, undo.constData(), nullptr, nullptr, nullptr);
}

void Savepoint::release()
{
    Exec(m_db, QStringLiteral("RELEASE ") + m_name, m_procedure);
    m_done = true;
}

const Variant& Arg(const ProcedureCall& call, size_t index)
{
    static const Variant empty;
    return index < call.args.size() ? call.args[index] : empty;
}

static QString Describe(const Variant& v)
{
    try {
        return QStringLiteral("'") + v.toString() + QStringLiteral("'");
    } catch (const AppError&) {
        return v.typeName();
    }
}

std::optional<int32_t> OptionalIntArg(const ProcedureCall& call, size_t index, const char* name)
{
    const Variant& v = Arg(call, index);
    if (v.isEmpty() || v.isNull())
        return std::nullopt;
    bool whole = false;
    double d = 0;
    if (v.isNumber() || v.isBool()) {
        d = v.toDouble();
        whole = true;
    } else if (v.isString()) {
        if (const auto parsed = ParseNumericText(v.toString())) {
            d = *parsed;
            whole = true;
        }
    }
    if (!whole || d != std::floor(d) || d < -2147483648.0 || d > 2147483647.0)
        Fail(call.procedureName, QStringLiteral("%1 must be a whole number (32-bit), not %2.")
                                     .arg(QLatin1String(name), Describe(v)));
    return static_cast<int32_t>(d);
}

int32_t RequiredIntArg(const ProcedureCall& call, size_t index, const char* name)
{
    const auto v = OptionalIntArg(call, index, name);
    if (!v)
        Fail(call.procedureName, QStringLiteral("%1 must not be NULL.").arg(QLatin1String(name)));
    return *v;
}

std::optional<QString> OptionalTextArg(const ProcedureCall& call, size_t index, const char* name)
{
    const Variant& v = Arg(call, index);
    if (v.isEmpty() || v.isNull())
        return std::nullopt;
    if (v.isObject())
        Fail(call.procedureName, QStringLiteral("%1 must be a text, not an object.").arg(QLatin1String(name)));
    return v.toString();
}

QString RequiredTextArg(const ProcedureCall& call, size_t index, const char* name)
{
    const auto v = OptionalTextArg(call, index, name);
    if (!v)
        Fail(call.procedureName, QStringLiteral("%1 must not be NULL.").arg(QLatin1String(name)));
    return *v;
}

void SetOutput(ProcedureCall& call, size_t index, const Variant& value)
{
    if (index >= call.args.size())
        return;
    if (call.outputs.size() < call.args.size())
        call.outputs.resize(call.args.size());
    call.outputs[index] = value;
}

void ReturnRows(ProcedureCall& call, Statement& statement, const std::vector<Field>& fields)
{
    call.columns.clear();
    call.columnTypes.clear();
    call.rows.clear();
    for (const Field& f : fields) {
        call.columns << QLatin1String(f.name);
        call.columnTypes.push_back(f.adoType);
    }
    const int n = static_cast<int>(fields.size());
    if (statement.columnCount() != n)
        Fail(call.procedureName, QStringLiteral("the result has %1 fields, %2 expected.")
                                     .arg(statement.columnCount())
                                     .arg(n));
    while (statement.step()) {
        std::vector<Variant> row;
        row.reserve(fields.size());
        for (int i = 0; i < n; ++i) {
            if (statement.isNull(i)) {
                row.emplace_back(Null);
                continue;
            }
            switch (fields[i].adoType) {
            case adBoolean: row.emplace_back(statement.flag(i)); break;
            case adInteger: row.push_back(Variant::fromInt64Checked(statement.integer(i))); break;
            case adDouble: row.emplace_back(statement.value(i).toDouble()); break;
            default: row.emplace_back(statement.text(i)); break;
            }
        }
        call.rows.push_back(std::move(row));
    }
}

QString QuoteIdentifier(const QString& name)
{
    if (!name.contains(QLatin1Char(']')))
        return QStringLiteral("[") + name + QStringLiteral("]");
    QString doubled = name;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QStringLiteral("\"") + doubled + QStringLiteral("\"");
}

QString QuoteText(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QStringLiteral("'") + doubled + QStringLiteral("'");
}

bool IsCatalogueView(const QString& viewName)
{
    return viewName == QLatin1String("LdViews") || viewName == QLatin1String("LdMyViews");
}

}  // namespace erpdb::procs
