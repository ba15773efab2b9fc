#include "core/SecurityRights.h"

#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "platform/forms/FormsRuntime.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");

void ShowRefusal(const QStringList& entries)
{
    MsgBox(RightsRefusalText(entries), vbExclamation | vbOKOnly, QStringLiteral("Attention Required"));
}

bool HasViewRight(const QString& securedObjectId, const QString& userId)
{
    QString user = userId;
    return (GetRights(securedObjectId, user) & kRightView) != 0;
}
}  // namespace

int32_t GetRights(const QString& securedObjectId, QString& userId)
{
    if (userId.isEmpty())
        userId = g_sUserID;
    if (TrimBlanks(userId).toLower() == QLatin1String("admin"))
        return kRightView | kRightCreate | kRightEdit | kRightDelete;
    BrandleCommand cmd;
    cmd.Init(QStringLiteral("Co_GetRights"), 4);
    cmd.AddParameter(QStringLiteral("@vs_UserID"), adVarChar, adParamInput, 8, Variant(userId), -1, -1);
    cmd.AddParameter(QStringLiteral("@vs_CompanyID"), adVarChar, adParamInput, 15, Variant(g_sCompanyID), -1, -1);
    cmd.AddParameter(QStringLiteral("@vs_SecuredObjectID"), adVarChar, adParamInput, 30, Variant(securedObjectId), -1, -1);
    cmd.AddParameter(QStringLiteral("@ri_Rights"), adInteger, adParamOutput, 0, Variant(), -1, -1);
    if (SessionEngine().DBI().ExecuteCommand(cmd))
        return cmd.ParameterValue(QStringLiteral("@ri_Rights")).toInt32();
    return 0;
}

int32_t GetRights(const QString& securedObjectId, const QString& userId)
{
    QString user = userId;
    return GetRights(securedObjectId, user);
}

QString GetSecuredObjectDescription(const QString& securedObjectId)
{
    return SessionEngine()
        .DBI()
        .DLookup(QStringLiteral("Description"), QStringLiteral("CoSecuredObjects"),
                 QStringLiteral("SecuredObjectID = ") + QuoteSQLString(securedObjectId))
        .toString();
}

QString RightsEntry(int32_t right, const QString& description)
{
    QString name;
    switch (right) {
    case kRightView: name = QStringLiteral("View"); break;
    case kRightCreate: name = QStringLiteral("Create"); break;
    case kRightEdit: name = QStringLiteral("Edit"); break;
    default: name = QStringLiteral("Delete"); break;
    }
    return name + QStringLiteral(" rights to '") + description + QLatin1Char('\'');
}

QString RightsRefusalText(const QStringList& entries)
{
    QString text = QStringLiteral("Access denied due to insufficient security rights.") + kCrLf + kCrLf +
                   QStringLiteral("You need the following right(s):") + kCrLf;
    for (const QString& entry : entries)
        text += kCrLf + entry;
    return text;
}

bool CheckRights(const QString& securedObjectId, int16_t rights)
{
    QString user;
    const int32_t mask = GetRights(securedObjectId, user);
    if ((mask & rights) != 0)
        return true;
    QStringList entries;
    for (int32_t bit : {kRightView, kRightCreate, kRightEdit, kRightDelete})
        if (rights & bit)
            entries << RightsEntry(bit, GetSecuredObjectDescription(securedObjectId));
    ShowRefusal(entries);
    return false;
}

bool CheckViewRights(int32_t viewId, const QString& userId)
{
    BrandleDatabase& dbi = SessionEngine().DBI();
    bool refused = false;
    QStringList entries;

    const Variant myViews = dbi.DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("LdMyViews"),
                                        QStringLiteral("ViewID =") + QString::number(viewId) +
                                            QStringLiteral(" AND UserID =") + QuoteSQLString(userId));
    const QString catalogue =
        myViews.toInt32() > 0 ? QStringLiteral("QuillonMyViews") : QStringLiteral("QuillonAllViews");
    if (!HasViewRight(catalogue, userId)) {
        refused = true;
        entries << RightsEntry(kRightView, GetSecuredObjectDescription(catalogue));
    }

    const int32_t baseId =
        dbi.DLookup(QStringLiteral("BaseID"), QStringLiteral("LdViews"), QStringLiteral("ViewID = ") + QString::number(viewId))
            .toInt32();
    BrandleRecordsetPtr rs;
    if (!dbi.OpenRecordset(QStringLiteral("SELECT SecuredObjectID FROM LdBaseSecurity bs WHERE BaseID =") +
                               QString::number(baseId),
                           rs, 0, 1)) {
        refused = true;
    } else {
        for (; rs->HasRecord(); rs->MoveNext()) {
            const QString securedObject = rs->Item(0).toString();
            if (!HasViewRight(securedObject, userId)) {
                refused = true;
                entries << RightsEntry(kRightView, GetSecuredObjectDescription(securedObject));
            }
        }
    }
    dbi.CloseRecordset(rs);

    if (refused) {
        ShowRefusal(entries);
        return false;
    }
    return true;
}
