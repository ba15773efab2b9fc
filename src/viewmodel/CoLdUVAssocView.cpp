#include "viewmodel/CoLdUVAssocView.h"

#include "core/AuLibrary.h"
#include "core/StoredQuery.h"
#include "viewmodel/ViewModelSupport.h"

using namespace viewmodel;

CoLdUVAssocViewContraintsRef CoLdUVAssocView::Contraints1()
{
    if (!m_contraints1)
        m_contraints1 = std::make_shared<CoLdUVAssocViewContraints>();
    return m_contraints1;
}

CoLdUVAssocViewContraintsRef CoLdUVAssocView::Contraints2()
{
    if (!m_contraints2)
        m_contraints2 = std::make_shared<CoLdUVAssocViewContraints>();
    return m_contraints2;
}

std::vector<int32_t> CoLdUVAssocView::RelationColumnIDs() const
{
    // A second relation column of filter type 6 gives the linked view no value.
    constexpr int16_t kNoSecondValue = 6;
    std::vector<int32_t> ids{ColumnID1};
    if (AssocColumnID2 > 0 && Column2FilterTypeID != kNoSecondValue && ColumnID2 != ColumnID1)
        ids.push_back(ColumnID2);
    return ids;
}

void CoLdUVAssocView::LoadFromRecordset(const BrandleRecordsetPtr& rs, int16_t loadMode)
{
    m_loadMode = loadMode;
    Load(rs);
}

void CoLdUVAssocView::Load(const BrandleRecordsetPtr& rs)
{
    if (!rs || !rs->HasRecord())
        return;
    auto field = [&](const char* name) { return rs->Item(QString::fromLatin1(name)); };
    auto orEmpty = [&](const char* name) { return NullToEmpty(field(name)); };

    m_viewRelationshipID = field("ViewRelationshipID").toInt32();
    BaseRelationshipID = field("RelationshipID").toInt32();
    ViewName = field("ViewName").toString();
    UseMe = field("UseMe").toBool();
    if (m_loadMode != 1)
        return;

    ViewID = field("fkViewID").toInt32();
    ColumnID1 = field("ColumnID1").toInt32();
    Column1Filter = orEmpty("Column1Filter").toString();
    Column1FilterTypeID = orEmpty("Column1FilterTypeID").toInt16();
    AssocColumnID1 = field("AssocColumnID1").toInt32();
    AssocColumnName1 = field("AssocColumnName1").toString();
    AssocColumnSQL1 = field("AssocColumnSQL1").toString();
    if (!Column1Filter.isEmpty() && Column1FilterTypeID == 1)
        fillValueList(Column1Filter, *Contraints1());

    if (!field("ColumnID2").isNull()) {
        ColumnID2 = field("ColumnID2").toInt32();
        Column2Filter = orEmpty("Column2Filter").toString();
        Column2FilterTypeID = orEmpty("Column2FilterTypeID").toInt16();
        if (!Column2Filter.isEmpty() && Column2FilterTypeID == 1)
            fillValueList(Column2Filter, *Contraints2());
        if (!field("AssocColumnID2").isNull()) {
            AssocColumnID2 = field("AssocColumnID2").toInt32();
            AssocColumnName2 = field("AssocColumnName2").toString();
            AssocColumnSQL2 = field("AssocColumnSQL2").toString();
        }
    }

    MiscFilter = orEmpty("MiscFilter").toString();
    MiscFilterTypeID = orEmpty("MiscFilterTypeID").toInt16();
    MiscFilter2 = orEmpty("MiscFilter2").toString();
    MiscFilter2TypeID = orEmpty("MiscFilter2TypeID").toInt16();
}

// Appends one value per row of the query, from its first field; a NULL is no
// value and is left out. The query comes from the stored definition: it runs
// as a single query that cannot write, off the window's thread.
void CoLdUVAssocView::fillValueList(const QString& sql, CoLdUVAssocViewContraints& list)
{
    const BrandleRecordsetPtr rs = OpenStoredQuery(sql);
    for (; rs->HasRecord(); rs->MoveNext()) {
        const Variant field = rs->Item(0);
        if (field.isNull() || field.isEmpty())
            continue;
        auto value = list.Create();
        value->Value = field.toString();
        list.Add(value);
    }
    rs->Close();
}

void CoLdUVAssocView::Store(int32_t lViewID, bool bAsNewView)
{
    BrandleDatabase& dbi = DBI();
    int32_t newRowID = 0;
    InNamedTransaction(dbi, QStringLiteral("CoLdUVAssocView.Store"), [&] {
        // A link without a row of its own is inserted: an update of row 0 would
        // lose the user's choice.
        if (bAsNewView || m_viewRelationshipID == 0) {
            newRowID = InsertReturningID(
                dbi,
                JoinLines({
                    QStringLiteral("INSERT INTO LdViewRelationships (ViewID, BaseRelationshipID, LinkViewID, UseMe ) "),
                    QStringLiteral("SELECT ViewID = ") + QString::number(lViewID) + QStringLiteral(","),
                    QStringLiteral("BaseRelationshipID = ") + QString::number(BaseRelationshipID) + QStringLiteral(","),
                    QStringLiteral("LinkViewID = ") + QString::number(ViewID) + QStringLiteral(","),
                    QStringLiteral("UseMe = ") + SqlBool(UseMe),
                }));
        } else {
            dbi.Execute(JoinLines({
                QStringLiteral("UPDATE LdViewRelationships"),
                QStringLiteral("SET"),
                QStringLiteral("UseMe = ") + SqlBool(UseMe),
                QStringLiteral("WHERE ViewRelationshipID = ") + QString::number(m_viewRelationshipID),
            }));
        }
    });
    if (newRowID != 0)
        m_viewRelationshipID = newRowID;
}
