#include "platform/database/HostProcedures.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"

#include <QHash>
#include <memory>
#include <mutex>

namespace {

struct Registry {
    std::mutex mutex;
    QHash<QString, HostProcedureInfo*> byName;  // key: upper-case name
    // Every entry ever registered: a replaced one stays alive, so a pointer that
    // FindHostProcedure handed out earlier stays valid.
    std::vector<std::unique_ptr<HostProcedureInfo>> entries;
};

Registry& registry()
{
    static Registry r;
    return r;
}

}  // namespace

const Variant& ProcedureCall::arg(size_t i) const
{
    if (i >= args.size())
        throw AppError(kDatabaseErrorNumber,
                       QStringLiteral("Procedure or function '%1' expects parameter number %2, which was not supplied.")
                           .arg(procedureName)
                           .arg(i + 1),
                       procedureName);
    return args[i];
}

void RegisterHostProcedure(HostProcedureInfo info)
{
    Registry& r = registry();
    const QString key = info.name.trimmed().toUpper();
    std::lock_guard lock(r.mutex);
    r.entries.push_back(std::make_unique<HostProcedureInfo>(std::move(info)));
    r.byName.insert(key, r.entries.back().get());
}

const HostProcedureInfo* FindHostProcedure(const QString& name)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.byName.value(name.trimmed().toUpper(), nullptr);
}
