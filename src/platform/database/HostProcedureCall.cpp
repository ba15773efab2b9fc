#include "platform/database/HostProcedureCall.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/CallWatch.h"
#include "platform/database/DatabaseServer.h"
#include "platform/database/HostProcedures.h"
#include "platform/database/SqliteValues.h"

#include <mutex>

namespace {

[[noreturn]] void Fail(const QString& message)
{
    throw AppError(kDatabaseErrorNumber, message, QStringLiteral("BrandleDatabase"));
}

}  // namespace

const HostProcedureInfo& FindCallableHostProcedure(const QString& name, size_t argCount)
{
    static std::once_flag once;
    std::call_once(once, [] { TheDatabaseServer().RegisterProcedures(); });
    const HostProcedureInfo* info = FindHostProcedure(name);
    if (!info)
        Fail(QStringLiteral("Could not find stored procedure '%1'.").arg(name));
    if (static_cast<int>(argCount) > info->maxArgs)
        Fail(QStringLiteral("Procedure or function '%1' has too many arguments specified.").arg(info->name));
    if (static_cast<int>(argCount) < info->minArgs)
        Fail(QStringLiteral("Procedure or function '%1' expects parameter number %2, which was not supplied.")
                 .arg(info->name)
                 .arg(argCount + 1));
    return *info;
}

ResultSnapshot RunHostProcedure(const HostProcedureInfo& info, sqlite3* db, const QString& login,
                                std::vector<Variant> args, const QStringList& names, std::vector<Variant>* outputs,
                                const CallWatch& watch)
{
    ProcedureCall call;
    call.db = db;
    call.login = login;
    call.args = std::move(args);
    call.names = names;
    while (call.names.size() < static_cast<qsizetype>(call.args.size()))
        call.names << QString();
    call.outputs.resize(call.args.size());
    call.procedureName = info.name;
    try {
        info.run(call);
    } catch (const AppError& e) {
        Fail(watch.timedOut() ? CallWatch::TimeoutMessage() : e.description());
    } catch (const std::exception& e) {
        Fail(watch.timedOut() ? CallWatch::TimeoutMessage() : QString::fromLocal8Bit(e.what()));
    }
    if (outputs)
        *outputs = std::move(call.outputs);
    ResultSnapshot snap;
    snap.fieldNames = call.columns;
    snap.rows = std::move(call.rows);
    for (auto& row : snap.rows)
        row.resize(snap.fieldNames.size(), Variant(Null));
    for (int c = 0; c < snap.fieldNames.size(); ++c) {
        const int32_t given = c < static_cast<int>(call.columnTypes.size()) ? call.columnTypes[c] : 0;
        snap.fieldTypes.push_back(given ? given : AdoTypeOfValues(snap.rows, c));
    }
    return snap;
}
