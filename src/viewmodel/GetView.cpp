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
