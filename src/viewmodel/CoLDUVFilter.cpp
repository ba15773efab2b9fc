#include "viewmodel/CoLDUVFilter.h"

#include "core/SessionValues.h"
#include "viewmodel/ViewModelSupport.h"

using namespace viewmodel;

void CoLDUVFilter::Load(const BrandleRecordsetPtr& rs)
{
    if (!rs || !rs->HasRecord())
        return;
    m_viewFilterID = rs->Item(QStringLiteral("ViewFilterID")).toInt32();
    FilterName = rs->Item(QStringLiteral("FilterName")).toString();
    FilterString = rs->Item(QStringLiteral("FilterString")).toString();
    UseMe = rs->Item(QStringLiteral("UseMe")).toBool();
    bShared = rs->Item(QStringLiteral("Shared")).toBool();
    CreatorID = TrimBlanks(rs->Item(QStringLiteral("CreatorID")).toString());
    m_complex = rs->Item(QStringLiteral("Complex")).toBool();
}

bool CoLDUVFilter::IsCreatedBy(const QString& userId) const
{
    return TrimBlanks(CreatorID).compare(TrimBlanks(userId), Qt::CaseInsensitive) == 0;
}

bool CoLDUVFilter::MayBeChangedBy(const QString& userId) const
{
    return IsCreatedBy(userId) || TrimBlanks(userId).toLower() == QLatin1String("admin");
}

void CoLDUVFilter::Store(int32_t lViewID, bool bAsNewView)
{
    BrandleDatabase& dbi = DBI();
    int32_t newID = 0;
    InNamedTransaction(dbi, QStringLiteral("CoLDUVFilter.Store"), [&] {
        if (bAsNewView || m_viewFilterID == 0) {
            newID = InsertReturningID(
                dbi,
                JoinLines({
                    QStringLiteral("INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, Shared, Complex, CreatorID, UpdatorID, CreateDate, LastUpdate ) "),
                    QStringLiteral("SELECT ViewID = ") + QString::number(lViewID) + QStringLiteral(","),
                    QStringLiteral("FilterName = ") + QuoteSQLString(FilterName) + QStringLiteral(","),
                    QStringLiteral("FilterString = ") + QuoteSQLString(FilterString) + QStringLiteral(","),
                    QStringLiteral("Shared = ") + SqlBool(bShared) + QStringLiteral(","),
                    QStringLiteral("Complex = ") + SqlBool(m_complex) + QStringLiteral(","),
                    QStringLiteral("CreatorID = ") + QuoteSQLString(CreatorID) + QStringLiteral(","),
                    QStringLiteral("UpdatorID = ") + QuoteSQLString(CreatorID) + QStringLiteral(","),
                    QStringLiteral("CreateDate = GETDATE(),"),
                    QStringLiteral("LastUpdate = GETDATE()"),
                }));
        } else {
            // The sharing the user chose when editing the search is written too.
            dbi.Execute(JoinLines({
                QStringLiteral("UPDATE LdViewFilters SET "),
                QStringLiteral("FilterName = ") + QuoteSQLString(FilterName) + QStringLiteral(","),
                QStringLiteral("FilterString = ") + QuoteSQLString(FilterString) + QStringLiteral(","),
                QStringLiteral("Shared = ") + SqlBool(bShared) + QStringLiteral(","),
                QStringLiteral("Complex = ") + SqlBool(m_complex),
                QStringLiteral("WHERE ViewFilterID = ") + QString::number(m_viewFilterID),
            }));
        }
    });
    // A copy stored under a new view takes the new row's id, so that a later
    // store of this object writes the copy and not the search it came from.
    if (newID != 0)
        m_viewFilterID = newID;
}
