#include "viewmodel/GetView.h"

#include "core/SessionValues.h"
#include "viewmodel/ViewModelSupport.h"

CoLdUVRef GetView(int32_t viewId, int16_t openMode)
{
    BrandleDatabase& dbi = viewmodel::DBI();
    BrandleRecordsetPtr rs;
    auto view = std::make_shared<CoLdUV>();
    if (dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetView ") + QString::number(viewId) + QStringLiteral(",")
                              + QuoteSQLString(TrimBlanks(GetCurrentUserID())),
                          rs, 0, 1))
        view->LoadFromRecordset(rs, openMode);
    dbi.CloseRecordset(rs);
    return view;
}

bool ViewExists(int32_t viewId)
{
    if (viewId < 1)
        return false;
    const Variant count = viewmodel::DBI().DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("LdViews"),
                                                   QStringLiteral("ViewID = ") + QString::number(viewId));
    return !count.isNull() && !count.isEmpty() && count.toDouble() > 0;
}

QString ViewGoneMessage(const QString& displayName)
{
    const QString name = displayName.trimmed();
    return (name.isEmpty() ? QStringLiteral("This view") : QStringLiteral("The view '") + name + QLatin1Char('\''))
           + QStringLiteral(" no longer exists: it has been deleted.");
}
