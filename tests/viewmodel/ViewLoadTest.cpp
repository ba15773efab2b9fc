// Loading a view definition: GetView, the child loaders in each open mode, the
// fields' NULL rules, and the item collections.

#include "ViewModelFixture.h"

using namespace vmtest;

namespace {

// A one-row result set as "EXEC Ld_GetView" returns it, with some fields replaced.
BrandleRecordsetPtr ViewRow(const std::vector<std::pair<QString, Variant>>& changes)
{
    std::vector<std::pair<QString, Variant>> fields = {
        {"ViewID", int32_t(12)},          {"BaseID", int32_t(1)},          {"ViewName", "vwX"},
        {"DisplayName", "X"},             {"Description", "d"},            {"SQLSelect", "SELECT 1"},
        {"SQLFrom", "FROM T"},            {"SQLFromEx", "JOIN U"},         {"ColumnString", "A,0,"},
        {"Custom", true},                 {"Shared", false},               {"BaseViewID", int32_t(3)},
        {"CreatorID", "JSMITH   "},       {"LastUsedFilter", int32_t(9)},  {"AutoPopulate", true},
        {"SQLViewName", "vx"},            {"CreateSQLView", int32_t(-1)},  {"SQLViewApplicationID", int32_t(7)},
    };
    for (const auto& [name, value] : changes)
        for (auto& f : fields)
            if (f.first == name)
                f.second = value;
    QStringList names;
    std::vector<int32_t> types;
    std::vector<Variant> row;
    for (const auto& f : fields) {
        names << f.first;
        types.push_back(adVarChar);
        row.push_back(f.second);
    }
    return std::make_shared<BrandleRecordset>(names, types, std::vector<std::vector<Variant>>{row});
}

}  // namespace

TEST_F(ViewModelTest, GetViewSendsTheViewAndUserAndLoadsTheRow)
{
    g_sUserID = QStringLiteral("  JSMITH ");
    CoLdUVRef view = GetView(12, 0);
    EXPECT_EQ(Log(), QStringList{QStringLiteral("EXEC Ld_GetView 12,'JSMITH'")});
    EXPECT_EQ(view->ViewID(), 12);
    EXPECT_EQ(view->BaseID, 1);
    EXPECT_EQ(view->ViewName, QStringLiteral("vwCustomers"));
    EXPECT_EQ(view->DisplayName, QStringLiteral("Customers"));
    EXPECT_EQ(view->Description, QStringLiteral("All customers"));
    EXPECT_TRUE(view->Custom);
    EXPECT_TRUE(view->bShared);
    EXPECT_EQ(view->ViewUser, QStringLiteral("JSMITH"));
    EXPECT_EQ(view->CreatedBy, QStringLiteral("JSMITH"));  // stored with trailing blanks
    EXPECT_EQ(view->LastUsedFilter, 55);
    EXPECT_TRUE(view->AutoPopulate);  // the user's own setting
    EXPECT_EQ(view->BaseViewID, 0);
    EXPECT_EQ(view->SQLViewApplicationID, 0);
    EXPECT_FALSE(view->CreateSQLView);
    EXPECT_TRUE(view->SQLSelect.startsWith(QStringLiteral("SELECT c.CustomerID")));
    EXPECT_FALSE(view->SQLFrom.isEmpty());
    EXPECT_FALSE(view->ColumnString.isEmpty());
    EXPECT_EQ(view->OpenMode(), 0);
    // The pieces the database built run.
    BrandleRecordsetPtr rs;
    EXPECT_TRUE(m_db->OpenRecordset(view->SQLSelect + QStringLiteral(" ") + view->SQLFrom, rs, 0, 1));
    EXPECT_EQ(rs->RecordCount(), 3);
    m_db->CloseRecordset(rs);
}

TEST_F(ViewModelTest, GetViewQuotesTheUserID)
{
    g_sUserID = QStringLiteral("D'Arcy");
    CoLdUVRef view = GetView(12, 0);
    EXPECT_EQ(Log().value(0), QStringLiteral("EXEC Ld_GetView 12,'D''Arcy'"));
    EXPECT_EQ(view->ViewID(), 12);
    EXPECT_EQ(view->ViewUser, QStringLiteral("D'Arcy"));
    ClearLog();
    EXPECT_EQ(view->AssocViews()->Count(), 2);
    EXPECT_EQ(Log().value(0), QStringLiteral("EXEC Ld_GetAssocViews 12,'D''Arcy',0"));
}

TEST_F(ViewModelTest, GetViewOfAnIdWithoutRowGivesANeverLoadedView)
{
    CoLdUVRef view = GetView(999, 4);
    EXPECT_EQ(Log(), QStringList{QStringLiteral("EXEC Ld_GetView 999,'JSMITH'")});
    EXPECT_EQ(view->ViewID(), 0);
    EXPECT_EQ(view->OpenMode(), 0);
    EXPECT_TRUE(view->ViewName.isEmpty());
    EXPECT_TRUE(view->ViewUser.isEmpty());
    EXPECT_EQ(view->BaseID, 0);
    EXPECT_FALSE(view->Custom);
    ClearLog();
    EXPECT_EQ(view->Columns()->Count(), 0);
    EXPECT_EQ(view->ColumnFunctions()->Count(), 0);
    EXPECT_EQ(view->AssocViews()->Count(), 0);
    EXPECT_EQ(view->Filters()->Count(), 0);
    EXPECT_TRUE(Log().isEmpty());
}

TEST_F(ViewModelTest, ChildStatementsFollowTheOpenMode)
{
    struct Case {
        int16_t mode;
        const char* columns;
        int columnCount;
        const char* links;
        int linkCount;
        const char* filters;
    };
    const Case cases[] = {
        {0, "EXEC Ld_GetViewColumns 12", 4, "EXEC Ld_GetAssocViews 12,'JSMITH',0", 2, "EXEC Ld_GetViewFilters 12,0,'JSMITH'"},
        {1, "EXEC Ld_GetViewColumns 12,1", 5, "EXEC Ld_GetAssocViews 12,'JSMITH',1", 3, "EXEC Ld_GetViewFilters 12,1,'JSMITH'"},
        {2, "EXEC Ld_GetViewColumns 12", 4, "EXEC Ld_GetAssocViews 12,'JSMITH',0", 2, "EXEC Ld_GetViewFilters 12,0,'JSMITH'"},
        {3, "EXEC Ld_GetViewColumns 12", 4, "EXEC Ld_GetAssocViews 12,'JSMITH',0", 2, "EXEC Ld_GetViewFilters 12,0,'JSMITH'"},
        {4, "EXEC Ld_GetViewColumns 12,1", 5, "EXEC Ld_GetAssocViews 12,'JSMITH',1", 3, "EXEC Ld_GetViewFilters 12,1,'JSMITH'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        CoLdUVRef view = GetView(12, c.mode);
        ClearLog();
        EXPECT_EQ(view->Columns()->Count(), c.columnCount);
        EXPECT_EQ(view->ColumnFunctions()->Count(), 3);
        EXPECT_EQ(view->AssocViews()->Count(), c.linkCount);
        EXPECT_EQ(view->Filters()->Count(), 3);
        const QStringList expected = {QLatin1String(c.columns), QStringLiteral("EXEC Ld_GetViewColumnFunctions 12"),
                                      QLatin1String(c.links), QLatin1String(c.filters)};
        // The links' value-list queries run between the link statement and the searches'.
        QStringList exec;
        for (const QString& s : Log())
            if (s.startsWith(QStringLiteral("EXEC ")))
                exec << s;
        EXPECT_EQ(exec, expected);
    }
}

TEST_F(ViewModelTest, TheSearchesAreThoseSharedAndTheUsersOwnAndOnlyTheyAreCopied)
{
    // Another user's private search, and one of JSMITH's stored with blanks and
    // capitals around the id.
    RunOnFile(QStringLiteral("INSERT INTO LdViewFilters (ViewFilterID, ViewID, FilterName, FilterString, Shared, "
                             "Complex, CreatorID) VALUES (58, 12, 'Theirs', 'WHERE {Total} > 5', 0, 0, 'BJONES'), "
                             "(59, 12, 'Own', 'WHERE {Total} > 7', 0, 0, ' jSmith ')"));
    const QStringList visible = {QStringLiteral("Big ones"), QStringLiteral("Mine"), QStringLiteral("North"),
                                 QStringLiteral("Own")};
    const auto names = [](const CoLdUVFiltersRef& filters) {
        QStringList list;
        for (const auto& f : *filters)
            list << f->FilterName;
        return list;
    };
    for (int16_t mode : {0, 1, 4})
        EXPECT_EQ(names(GetView(12, mode)->Filters()), visible) << mode;

    // A view stored as a new view takes the searches its user sees, not another's private one.
    CoLdUVRef view = GetView(12, 1);
    view->ViewName = QStringLiteral("vwCopy");
    view->Columns();
    view->Filters();
    ASSERT_TRUE(view->Store(true)) << qPrintable(m_boxes.empty() ? QString() : m_boxes[0].prompt);
    EXPECT_EQ(Rows(QStringLiteral("SELECT FilterName FROM LdViewFilters WHERE ViewID = %1 ORDER BY FilterName")
                       .arg(view->ViewID())),
              visible);
}

TEST_F(ViewModelTest, EachChildIsLoadedOnceOnFirstUse)
{
    CoLdUVRef view = GetView(12, 0);
    ClearLog();
    CoLdUVColumnsRef first = view->Columns();
    EXPECT_EQ(view->Columns(), first);
    view->ColumnFunctions();
    view->ColumnFunctions();
    view->Filters();
    view->Filters();
    view->AssocViews();
    view->AssocViews();
    EXPECT_EQ(LoggedStarting(QStringLiteral("EXEC ")).size(), 4);
}

TEST_F(ViewModelTest, ReloadGivesANewCollectionAndLeavesTheCallersOldOne)
{
    CoLdUVRef view = GetView(12, 0);
    CoLdUVFiltersRef old = view->Filters();
    CoLDUVFilterRef oldFirst = old->Item(1);
    RunOnFile(QStringLiteral("DELETE FROM LdViewFilters WHERE ViewFilterID = 55"));
    ClearLog();
    view->ReloadFilters();
    EXPECT_EQ(Log(), QStringList{QStringLiteral("EXEC Ld_GetViewFilters 12,0,'JSMITH'")});
    EXPECT_NE(view->Filters(), old);
    EXPECT_EQ(view->Filters()->Count(), 2);
    EXPECT_EQ(old->Count(), 3);
    EXPECT_EQ(old->Item(1), oldFirst);

    CoLdUVAssocViewsRef oldLinks = view->AssocViews();
    view->ReloadAssocViews();
    EXPECT_NE(view->AssocViews(), oldLinks);
    EXPECT_EQ(oldLinks->Count(), 2);
    coLdUVColumnFunctionsRef oldFunctions = view->ColumnFunctions();
    view->ReloadColumnFunctions();
    EXPECT_NE(view->ColumnFunctions(), oldFunctions);
    EXPECT_EQ(view->ColumnFunctions()->Count(), 3);
}

TEST_F(ViewModelTest, ColumnsFunctionsAndSearchesCarryTheirRows)
{
    CoLdUVRef view = GetView(12, 1);
    CoLdUVColumnsRef columns = view->Columns();
    ASSERT_EQ(columns->Count(), 5);
    CoLdUVColumnRef total = columns->Item(4);
    EXPECT_EQ(total->ColumnID, 4);
    EXPECT_EQ(total->ColumnName, QStringLiteral(" Total "));
    EXPECT_EQ(total->DisplayName, QStringLiteral("Total"));
    EXPECT_EQ(total->ColumnSQL, QStringLiteral("c.Total"));
    EXPECT_EQ(total->DataType, QStringLiteral("money"));
    EXPECT_EQ(total->DataTypeSubType, 1);
    EXPECT_EQ(total->Order, 4);
    EXPECT_EQ(total->FilterOrder, 3);
    EXPECT_TRUE(total->Viewable);
    EXPECT_TRUE(total->Filterable);
    EXPECT_TRUE(total->AllowFunctions);
    EXPECT_TRUE(total->Imported);
    EXPECT_FALSE(total->Required);
    EXPECT_EQ(total->FilterDataType, QStringLiteral("Number"));
    CoLdUVColumnRef region = columns->Item(3);
    EXPECT_TRUE(region->UseExtendedFrom);
    EXPECT_FALSE(region->Filterable);
    EXPECT_TRUE(columns->Item(1)->Required);
    CoLdUVColumnRef phone = columns->Item(5);  // a base column without a row for the view
    EXPECT_EQ(phone->ColumnName, QStringLiteral("Phone"));
    EXPECT_FALSE(phone->Viewable);

    coLdUVColumnFunctionsRef functions = view->ColumnFunctions();
    ASSERT_EQ(functions->Count(), 3);
    coLdUVColumnFunctionRef sum = functions->Item(1);
    EXPECT_EQ(sum->DisplayName, QStringLiteral("Sum of Total"));
    EXPECT_EQ(sum->FunctionSQL, QStringLiteral("SUM(c.Total)"));
    EXPECT_EQ(sum->DataType, QStringLiteral("money"));
    EXPECT_EQ(sum->Order, 1);
    EXPECT_EQ(sum->ColumnID, 4);
    EXPECT_EQ(sum->ColumnFunctionID, 1);
    EXPECT_EQ(sum->ColumnFunction, QStringLiteral("SUM"));
    EXPECT_EQ(sum->ColumnName, QStringLiteral("Total"));  // the column's display name in Quillon
    EXPECT_EQ(functions->Item(3)->DataType, QStringLiteral("int"));

    CoLdUVFiltersRef filters = view->Filters();
    ASSERT_EQ(filters->Count(), 3);
    CoLDUVFilterRef big = filters->Item(1);
    EXPECT_EQ(big->ViewFilterID(), 55);
    EXPECT_EQ(big->FilterName, QStringLiteral("Big ones"));
    EXPECT_EQ(big->FilterString, QStringLiteral("WHERE {Total} > 100"));
    EXPECT_EQ(big->CreatorID, QStringLiteral("JSMITH"));
    EXPECT_TRUE(big->bShared);
    EXPECT_FALSE(big->Complex());
    EXPECT_TRUE(big->UseMe);
    CoLDUVFilterRef mine = filters->Item(2);
    EXPECT_TRUE(mine->Complex());
    EXPECT_FALSE(mine->bShared);
    EXPECT_EQ(filters->Item(3)->CreatorID, QStringLiteral("BJONES"));
}

TEST_F(ViewModelTest, LinksReadTheirRelationColumnsAndValueLists)
{
    CoLdUVRef view = GetView(12, 1);
    ClearLog();
    CoLdUVAssocViewsRef links = view->AssocViews();
    ASSERT_EQ(links->Count(), 3);
    CoLdUVAssocViewRef byId[4];
    for (const auto& l : *links)
        byId[l->BaseRelationshipID] = l;

    // One relation column with a value list.
    CoLdUVAssocViewRef one = byId[1];
    ASSERT_TRUE(one);
    EXPECT_EQ(one->ViewRelationshipID(), 31);
    EXPECT_EQ(one->ViewID, 13);
    EXPECT_EQ(one->ViewName, QStringLiteral("Orders"));
    EXPECT_TRUE(one->UseMe);
    EXPECT_EQ(one->ColumnID1, 1);
    EXPECT_EQ(one->AssocColumnID1, 6);
    EXPECT_EQ(one->AssocColumnName1, QStringLiteral("CustomerID"));
    EXPECT_EQ(one->AssocColumnSQL1, QStringLiteral("o.CustomerID"));
    EXPECT_EQ(one->Column1FilterTypeID, 1);
    ASSERT_EQ(one->Contraints1()->Count(), 3);
    EXPECT_EQ(one->Contraints1()->Item(1)->Value, QStringLiteral("A"));
    EXPECT_EQ(one->Contraints1()->Item(2)->Value, QStringLiteral("B"));
    EXPECT_EQ(one->Contraints1()->Item(3)->Value, QStringLiteral("C"));
    EXPECT_EQ(one->ColumnID2, 0);
    EXPECT_TRUE(one->Column2Filter.isEmpty());
    EXPECT_EQ(one->Contraints2()->Count(), 0);
    EXPECT_TRUE(one->AssocColumnName2.isEmpty());
    EXPECT_TRUE(one->MiscFilter.isEmpty());
    EXPECT_EQ(one->MiscFilterTypeID, 0);

    // Two columns: a list that is not a query, a query without rows, extra filters.
    CoLdUVAssocViewRef two = byId[2];
    ASSERT_TRUE(two);
    EXPECT_FALSE(two->UseMe);
    EXPECT_EQ(two->Column1Filter, QStringLiteral("North"));
    EXPECT_EQ(two->Column1FilterTypeID, 2);
    EXPECT_EQ(two->Contraints1()->Count(), 0);
    EXPECT_EQ(two->ColumnID2, 4);
    EXPECT_EQ(two->Column2FilterTypeID, 1);
    EXPECT_EQ(two->Contraints2()->Count(), 0);
    EXPECT_EQ(two->AssocColumnID2, 7);
    EXPECT_EQ(two->AssocColumnName2, QStringLiteral("Amount"));
    EXPECT_EQ(two->AssocColumnSQL2, QStringLiteral("o.Amount"));
    EXPECT_EQ(two->MiscFilter, QStringLiteral("{Region} = 'North'"));
    EXPECT_EQ(two->MiscFilterTypeID, 3);
    EXPECT_EQ(two->MiscFilter2, QStringLiteral("x"));
    EXPECT_EQ(two->MiscFilter2TypeID, 4);

    // A second column whose linked-view column is missing.
    CoLdUVAssocViewRef three = byId[3];
    ASSERT_TRUE(three);
    EXPECT_EQ(three->ColumnID2, 3);
    EXPECT_EQ(three->Contraints2()->Count(), 3);
    EXPECT_EQ(three->AssocColumnID2, 0);
    EXPECT_TRUE(three->AssocColumnName2.isEmpty());

    // The type-2 filter ran nowhere (the lists' queries run off the session's
    // connection, their values above show they ran).
    EXPECT_FALSE(Log().contains(QStringLiteral("North")));
}

TEST_F(ViewModelTest, LinksInLoadModeZeroReadOnlyTheirRow)
{
    CoLdUVRef view = GetView(12, 0);
    BrandleRecordsetPtr rs;
    ASSERT_TRUE(m_db->OpenRecordset(QStringLiteral("EXEC Ld_GetAssocViews 12,'JSMITH',1"), rs, 0, 1));
    auto link = std::make_shared<CoLdUVAssocView>();
    ClearLog();
    link->LoadFromRecordset(rs, 0);
    EXPECT_EQ(link->ViewRelationshipID(), 31);
    EXPECT_EQ(link->BaseRelationshipID, 1);
    EXPECT_EQ(link->ViewName, QStringLiteral("Orders"));
    EXPECT_TRUE(link->UseMe);
    EXPECT_EQ(link->ViewID, 0);
    EXPECT_EQ(link->ColumnID1, 0);
    EXPECT_EQ(link->Contraints1()->Count(), 0);
    EXPECT_TRUE(Log().isEmpty());
    // Loading the same link twice in mode 1 appends its values again.
    link->LoadFromRecordset(rs, 1);
    link->LoadFromRecordset(rs, 1);
    EXPECT_EQ(link->Contraints1()->Count(), 6);
    m_db->CloseRecordset(rs);
}

TEST_F(ViewModelTest, AFailingItemEndsTheLoadAndKeepsTheItemsReadBeforeIt)
{
    // A link whose second linked-view column does not exist: its name comes back NULL.
    RunOnFile(QStringLiteral(
        "INSERT INTO LdBaseRelationships (BaseRelationshipID, BaseID, RelatedBaseID, ColumnID1, AssocColumnID1, "
        "ColumnID2, AssocColumnID2) VALUES (9, 1, 2, 1, 6, 2, 999);"
        "INSERT INTO LdViewRelationships (ViewRelationshipID, ViewID, BaseRelationshipID, LinkViewID, UseMe) "
        "VALUES (90, 12, 9, 13, 1);"));
    CoLdUVRef view = GetView(12, 0);
    EXPECT_EQ(ErrorOf([&] { view->AssocViews(); }), vberr::InvalidUseOfNull);
    ClearLog();
    EXPECT_EQ(view->AssocViews()->Count(), 2);
    EXPECT_TRUE(Log().isEmpty());
}

TEST_F(ViewModelTest, RowFieldsWithANullDefaultLoadEmpty)
{
    auto view = std::make_shared<CoLdUV>();
    view->LoadFromRecordset(ViewRow({{"SQLFromEx", Null},
                                     {"BaseViewID", Null},
                                     {"LastUsedFilter", Null},
                                     {"AutoPopulate", Null},
                                     {"SQLViewName", Null},
                                     {"SQLViewApplicationID", Null}}),
                            4);
    EXPECT_EQ(view->ViewID(), 12);
    EXPECT_EQ(view->OpenMode(), 4);
    EXPECT_TRUE(view->SQLFromEx.isEmpty());
    EXPECT_EQ(view->BaseViewID, 0);
    EXPECT_EQ(view->LastUsedFilter, 0);
    EXPECT_FALSE(view->AutoPopulate);
    EXPECT_TRUE(view->SQLViewName.isEmpty());
    EXPECT_EQ(view->SQLViewApplicationID, 0);
    EXPECT_TRUE(view->CreateSQLView);  // any non-zero value
    EXPECT_EQ(view->CreatedBy, QStringLiteral("JSMITH"));

    auto full = std::make_shared<CoLdUV>();
    full->LoadFromRecordset(ViewRow({}), 0);
    EXPECT_EQ(full->SQLFromEx, QStringLiteral("JOIN U"));
    EXPECT_EQ(full->BaseViewID, 3);
    EXPECT_EQ(full->LastUsedFilter, 9);
    EXPECT_EQ(full->SQLViewApplicationID, 7);
}

TEST_F(ViewModelTest, ANullInAFieldWithoutDefaultFailsTheLoad)
{
    for (const char* field : {"ViewName", "ViewID", "BaseID", "DisplayName", "Description", "SQLSelect", "SQLFrom",
                              "ColumnString", "Custom", "Shared", "CreatorID", "CreateSQLView"}) {
        SCOPED_TRACE(field);
        auto view = std::make_shared<CoLdUV>();
        EXPECT_EQ(ErrorOf([&] { view->LoadFromRecordset(ViewRow({{QLatin1String(field), Null}}), 0); }),
                  vberr::InvalidUseOfNull);
    }
    // An empty reference loads nothing but keeps the mode.
    auto view = std::make_shared<CoLdUV>();
    view->LoadFromRecordset(nullptr, 1);
    EXPECT_EQ(view->OpenMode(), 1);
    EXPECT_EQ(view->ViewID(), 0);
}

TEST_F(ViewModelTest, ItemsLoadNothingWithoutACurrentRowAndFailOnNull)
{
    CoLdUVRef view = GetView(12, 0);
    BrandleRecordsetPtr rs;
    ASSERT_TRUE(m_db->OpenRecordset(QStringLiteral("EXEC Ld_GetViewColumns 12"), rs, 0, 1));
    while (rs->HasRecord())
        rs->MoveNext();
    CoLdUVColumn column;
    column.ColumnName = QStringLiteral("kept");
    column.Load(rs);
    column.Load(nullptr);
    EXPECT_EQ(column.ColumnName, QStringLiteral("kept"));
    m_db->CloseRecordset(rs);

    auto nullRow = [](const char* field) {
        return std::make_shared<BrandleRecordset>(QStringList{QLatin1String(field)}, std::vector<int32_t>{adVarChar},
                                                  std::vector<std::vector<Variant>>{{Variant(Null)}});
    };
    EXPECT_EQ(ErrorOf([&] { CoLdUVColumn().Load(nullRow("ViewColumnID")); }), vberr::InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([&] { coLdUVColumnFunction().Load(nullRow("DisplayName")); }), vberr::InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([&] { CoLDUVFilter().Load(nullRow("ViewFilterID")); }), vberr::InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([&] { CoLdUVAssocView().Load(nullRow("ViewRelationshipID")); }), vberr::InvalidUseOfNull);
}

TEST(ViewModelCollections, ListOperations)
{
    CoLdUVFilters list;
    EXPECT_EQ(list.Count(), 0);
    list.Clear();
    CoLDUVFilterRef a = list.Create(), b = list.Create(), c = list.Create();
    EXPECT_NE(a, b);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(a->ViewFilterID(), 0);
    EXPECT_TRUE(a->FilterName.isEmpty());
    EXPECT_FALSE(a->bShared);
    list.Add(a);
    list.Add(b);
    list.Add(c);
    list.Remove(Variant(int32_t(2)));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Item(Variant(int32_t(2))), c);
    EXPECT_EQ(list.Item(Variant(int16_t(1))), a);
    EXPECT_EQ(ErrorOf([&] { list.Item(Variant(int32_t(3))); }), vberr::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Item(Variant(int32_t(0))); }), vberr::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Remove(Variant(int32_t(5))); }), vberr::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { list.Item(Variant("1")); }), vberr::InvalidProcedureCall);
    EXPECT_EQ(ErrorOf([&] { list.Add(nullptr); }), vberr::ObjectNotSet);  // Store would meet it later
    EXPECT_EQ(list.Count(), 2);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);

    coLdUVColumnFunctions functions;
    coLdUVColumnFunctionRef f = functions.Create();
    EXPECT_EQ(f->ColumnID, 0);
    EXPECT_EQ(f->Order, 0);
    EXPECT_EQ(functions.Count(), 0);
    CoLdUVAssocViewContraints values;
    EXPECT_TRUE(values.Create()->Value.isEmpty());

    CoLdUVColumns many;
    for (int i = 0; i < 32768; ++i)
        many.Add(std::make_shared<CoLdUVColumn>());
    EXPECT_EQ(ErrorOf([&] { many.Count(); }), vberr::Overflow);
}

TEST_F(ViewModelTest, AnEmptyStatementOrNoRowsGiveAnEmptyList)
{
    CoLdUVColumns columns;
    columns.LoadFromSQL(QString());
    EXPECT_EQ(columns.Count(), 0);
    EXPECT_TRUE(Log().isEmpty());
    columns.LoadFromSQL(QStringLiteral("EXEC Ld_GetViewColumns 999"));
    EXPECT_EQ(columns.Count(), 0);
    EXPECT_EQ(Log(), QStringList{QStringLiteral("EXEC Ld_GetViewColumns 999")});
}
