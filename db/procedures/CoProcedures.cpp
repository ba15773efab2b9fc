// The company database's registry and security procedures.

#include "db/procedures/ProcedureList.h"
#include "db/procedures/ProcSupport.h"

namespace erpdb::procs {

namespace {

// Co_GetRegValue @vi_ParentID, @vs_SubKey, @vs_Name, @rs_Type OUTPUT, @rs_Value OUTPUT.
// The sub key may be a path ("A\B") below the parent key (NULL or 0: the top level);
// names compare without regard to case or surrounding blanks. A missing key or value
// is an error, which the program reads as "no value".
void GetRegValue(ProcedureCall& call)
{
    const auto parent = OptionalIntArg(call, 0, "@vi_ParentID");
    const QString subKey = RequiredTextArg(call, 1, "@vs_SubKey");
    const QString name = RequiredTextArg(call, 2, "@vs_Name");
    const QString& proc = call.procedureName;

    std::optional<int64_t> key;
    if (parent && *parent != 0)
        key = *parent;
    Statement child(call.db,
                    QStringLiteral("SELECT KeyID FROM CoRegKeys WHERE ((?1 IS NULL AND ParentID IS NULL) OR ParentID = ?1) "
                                   "AND TRIM(Name) = TRIM(?2) COLLATE NOCASE ORDER BY KeyID LIMIT 1"),
                    proc);
    const QStringList parts = subKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        Fail(proc, QStringLiteral("@vs_SubKey must name a key."));
    for (const QString& part : parts) {
        child.bind(1, key ? Variant(static_cast<int32_t>(*key)) : Variant(Null)).bind(2, part);
        if (!child.step())
            Fail(proc, QStringLiteral("the registry key '%1' does not exist.").arg(subKey));
        key = child.integer(0);
        child.reset();
    }
    Statement value(call.db,
                    QStringLiteral("SELECT Type, Value FROM CoRegValues WHERE KeyID = ?1 "
                                   "AND TRIM(Name) = TRIM(?2) COLLATE NOCASE LIMIT 1"),
                    proc);
    value.bind(1, static_cast<int32_t>(*key)).bind(2, name);
    if (!value.step())
        Fail(proc, QStringLiteral("the registry value '%1' does not exist under the key '%2'.").arg(name, subKey));
    // The type comes back as the char(2) it is declared as: "S" is "S ".
    SetOutput(call, 3, value.isNull(0) ? Variant(Null) : Variant(value.text(0).trimmed().leftJustified(2, QLatin1Char(' '))));
    SetOutput(call, 4, value.isNull(1) ? Variant(Null) : Variant(value.text(1)));
}

// Co_GetRights @vs_UserID, @vs_CompanyID, @vs_SecuredObjectID, @ri_Rights OUTPUT: the
// user's rights mask (View 1, Create 2, Edit 4, Delete 8) on the object: the rights
// granted to the user and to the user's groups, for every company or for this one.
// The user "admin" holds all of them; no grant gives 0.
void GetRights(ProcedureCall& call)
{
    const QString userId = RequiredTextArg(call, 0, "@vs_UserID").trimmed();
    const auto companyId = OptionalTextArg(call, 1, "@vs_CompanyID");
    const QString objectId = RequiredTextArg(call, 2, "@vs_SecuredObjectID");
    if (userId.toLower() == QLatin1String("admin")) {
        SetOutput(call, 3, Variant(int32_t{15}));
        return;
    }
    Statement st(call.db,
                 QStringLiteral(
                     "SELECT r.Rights FROM CoSecuredObjectRights r "
                     "WHERE TRIM(r.SecuredObjectID) = TRIM(?1) COLLATE NOCASE "
                     "AND (r.CompanyID IS NULL OR TRIM(r.CompanyID) = TRIM(?2) COLLATE NOCASE) "
                     "AND ((r.IsGroup = 0 AND TRIM(r.PrincipalID) = ?3 COLLATE NOCASE) "
                     "OR (r.IsGroup <> 0 AND EXISTS (SELECT 1 FROM CoUserGroups g "
                     "WHERE TRIM(g.GroupID) = TRIM(r.PrincipalID) COLLATE NOCASE "
                     "AND TRIM(g.UserID) = ?3 COLLATE NOCASE)))"),
                 call.procedureName);
    st.bind(1, objectId).bind(2, companyId ? Variant(*companyId) : Variant(Null)).bind(3, userId);
    int32_t rights = 0;
    while (st.step())
        rights |= static_cast<int32_t>(st.integer(0) & 15);
    SetOutput(call, 3, Variant(rights));
}

}  // namespace

void RegisterCompanyProcedures()
{
    Register("Co_GetRegValue", 3, 5, GetRegValue);
    Register("Co_GetRights", 3, 4, GetRights);
}

}  // namespace erpdb::procs
