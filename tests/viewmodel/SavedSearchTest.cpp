// The per-view operations of the list window: saved searches (store, columns
// used, last used, delete) and the per-user master values.

#include "ViewModelFixture.h"

using namespace vmtest;

namespace {

CoLDUVFilterRef NewSearch(CoLdUVFiltersRef filters, const QString& name, const QString& text)
{
    CoLDUVFilterRef f = filters->Create();
    f->FilterName = name;
    f->FilterString = text;
    f->CreatorID = QStringLiteral("JSMITH");
    f->bShared = true;
    filters->Add(f);
    return f;
}

}  // namespace

TEST_F(ViewModelTest, StoreFilterInsertsANewSearchAndRecordsTheColumnsItUses)
{
    CoLdUVRef view = GetView(12, 0);
    CoLDUVFilterRef f = NewSearch(view->Filters(), QStringLiteral("O'Hara"),
                                  QStringLiteral("WHERE {CustName} = 'x' OR {custname} = 'y' OR {Total} > 5"));
    ClearLog();
    view->StoreFilter(view->Filters()->Count(), true);

    const QString id = QString::number(f->ViewFilterID());
    EXPECT_EQ(id, Value("SELECT MAX(ViewFilterID) FROM LdViewFilters"));
    EXPECT_EQ(Log().value(0), Lines({"INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, Shared, Complex, "
                                     "CreatorID, UpdatorID, CreateDate, LastUpdate ) ",
                                     "SELECT ViewID = 12,", "FilterName = 'O''Hara',",
                                     "FilterString = 'WHERE {CustName} = ''x'' OR {custname} = ''y'' OR {Total} > 5',",
                                     "Shared = -1,", "Complex = 0,", "CreatorID = 'JSMITH',", "UpdatorID = 'JSMITH',",
                                     "CreateDate = GETDATE(),", "LastUpdate = GETDATE()"}) +
                                  "\r\nSELECT SCOPE_IDENTITY()");
    // The columns come loaded on demand, then one insert per exact-case token; the
    // name " Total " matches {Total}.
    const QStringList rest = Log().mid(Log().indexOf("EXEC Ld_GetViewColumns 12") + 1);
    EXPECT_EQ(Log().indexOf("DELETE FROM LdViewFilterColumns WHERE ViewFilterID = " + id), 1);
    EXPECT_EQ(rest, (QStringList{"INSERT INTO LdViewFilterColumns(ViewFilterID, BaseColumnID) VALUES (" + id + ",2)",
                                 "INSERT INTO LdViewFilterColumns(ViewFilterID, BaseColumnID) VALUES (" + id + ",4)"}));
    EXPECT_EQ(Value("SELECT ViewID, FilterName, Shared, Complex, CreatorID, UpdatorID FROM LdViewFilters "
                    "WHERE ViewFilterID = " + id),
              "12|O'Hara|1|0|JSMITH|JSMITH");
    EXPECT_EQ(Rows("SELECT BaseColumnID FROM LdViewFilterColumns WHERE ViewFilterID = " + id + " ORDER BY 1"),
              (QStringList{"2", "4"}));

    // Storing it again with other columns replaces its column list.
    f->FilterString = QStringLiteral("WHERE {Region} = 'North'");
    view->StoreFilter(view->Filters()->Count(), true);
    EXPECT_EQ(Rows("SELECT BaseColumnID FROM LdViewFilterColumns WHERE ViewFilterID = " + id), QStringList{"3"});
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewFilters WHERE FilterName = 'O''Hara'"), "1");
}

TEST_F(ViewModelTest, StoreFilterUpdatesAStoredSearchWithItsSharing)
{
    CoLdUVRef view = GetView(12, 0);
    CoLDUVFilterRef f = view->Filters()->Item(1);
    ASSERT_EQ(f->ViewFilterID(), 55);
    f->FilterName = QStringLiteral("Bigger ones");
    f->bShared = false;
    f->SetComplex(true);
    ClearLog();
    view->StoreFilter(1, false);
    EXPECT_EQ(Log(), QStringList{Lines({"UPDATE LdViewFilters SET ", "FilterName = 'Bigger ones',",
                                        "FilterString = 'WHERE {Total} > 100',", "Shared = 0,", "Complex = -1",
                                        "WHERE ViewFilterID = 55"})});
    EXPECT_EQ(f->ViewFilterID(), 55);
    EXPECT_EQ(Value("SELECT FilterName, Shared, Complex, CreatorID, UpdatorID FROM LdViewFilters WHERE ViewFilterID = 55"),
              "Bigger ones|0|1|JSMITH  |JSMITH");  // creator left as stored
}

TEST_F(ViewModelTest, StoreFilterRaisesWhatTheDatabaseRejects)
{
    RunOnFile(QStringLiteral("CREATE TRIGGER rejectFilter BEFORE UPDATE ON LdViewFilters "
                             "BEGIN SELECT RAISE(ABORT, 'searches are locked'); END;"));
    CoLdUVRef view = GetView(12, 0);
    view->Filters()->Item(1)->FilterName = QStringLiteral("renamed");
    ClearLog();
    try {
        view->StoreFilter(1, true);
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("searches are locked")));
    }
    EXPECT_EQ(m_db->TransactionDepth(), 0);
    EXPECT_TRUE(LoggedStarting(QStringLiteral("DELETE")).isEmpty());  // its columns were not touched
    EXPECT_EQ(Value("SELECT FilterName FROM LdViewFilters WHERE ViewFilterID = 55"), "Big ones");
}

TEST_F(ViewModelTest, SearchOperationsNeedTheSearchesRead)
{
    CoLdUVRef view = GetView(12, 0);
    EXPECT_EQ(ErrorOf([&] { view->StoreFilter(1, false); }), vberr::ObjectNotSet);
    EXPECT_EQ(ErrorOf([&] { view->SaveLastUsedFilter(1); }), vberr::ObjectNotSet);
    EXPECT_EQ(ErrorOf([&] { view->DeleteFilter(1); }), vberr::ObjectNotSet);
    view->Filters();
    EXPECT_EQ(ErrorOf([&] { view->StoreFilter(4, false); }), vberr::SubscriptOutOfRange);
}

TEST_F(ViewModelTest, CopiedSearchesAreStoredAsTheCopies)
{
    CoLdUVRef view = GetView(12, 0);
    view->Filters();
    view->Columns();
    view->ViewName = QStringLiteral("vwCustomerCopy");  // a view's name is its own
    ASSERT_TRUE(view->Store(true));
    CoLDUVFilterRef copy = view->Filters()->Item(1);
    EXPECT_NE(copy->ViewFilterID(), 55);
    copy->FilterName = QStringLiteral("Copy renamed");
    view->StoreFilter(1, false);
    EXPECT_EQ(Value("SELECT FilterName FROM LdViewFilters WHERE ViewFilterID = 55"), "Big ones");
    EXPECT_EQ(Value("SELECT ViewID, FilterName FROM LdViewFilters WHERE ViewFilterID = " +
                    QString::number(copy->ViewFilterID())),
              QString::number(view->ViewID()) + "|Copy renamed");
}

TEST_F(ViewModelTest, SaveLastUsedFilterRecordsTheSearchOrNull)
{
    CoLdUVRef view = GetView(12, 0);
    view->Filters();
    ClearLog();
    view->SaveLastUsedFilter(2);
    view->SaveLastUsedFilter(0);
    EXPECT_EQ(Log(), (QStringList{"UPDATE LdViews SET LastUsedFilter = 56 WHERE ViewID = 12",
                                  "UPDATE LdViews SET LastUsedFilter = NULL WHERE ViewID = 12"}));
    EXPECT_EQ(Value("SELECT LastUsedFilter FROM LdViews WHERE ViewID = 12"), "<null>");
    EXPECT_EQ(view->LastUsedFilter, 55);
    view->SaveLastUsedFilter(3);
    EXPECT_EQ(Value("SELECT LastUsedFilter FROM LdViews WHERE ViewID = 12"), "57");
}

TEST_F(ViewModelTest, DeleteFilterDeletesTheSearchAndItsColumnsInOneBatch)
{
    RunOnFile(QStringLiteral("INSERT INTO LdViewFilterColumns VALUES (55, 4), (56, 2)"));
    CoLdUVRef view = GetView(12, 0);
    CoLdUVFiltersRef filters = view->Filters();
    CoLDUVFilterRef second = filters->Item(2);
    ClearLog();
    view->DeleteFilter(1);
    EXPECT_EQ(Log(), QStringList{"DELETE FROM LdViewFilterColumns WHERE ViewFilterID =  55\r\n\r\n"
                                 "DELETE FROM LdViewFilters WHERE ViewFilterID =  55"});
    EXPECT_EQ(filters->Count(), 2);
    EXPECT_EQ(filters->Item(1), second);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewFilters WHERE ViewFilterID = 55"), "0");
    EXPECT_EQ(Rows("SELECT ViewFilterID FROM LdViewFilterColumns"), QStringList{"56"});
    // The view still names the deleted search as its last used one.
    EXPECT_EQ(Value("SELECT LastUsedFilter FROM LdViews WHERE ViewID = 12"), "55");
}

TEST_F(ViewModelTest, GetMasterValueCopiesTheDefaultOnce)
{
    const QString condition = QStringLiteral("mu.MasterUser = 'JSMITH' AND m.MasterName = 'OpeningLinkedViews'");
    CoLdUVRef view = GetView(12, 0);
    ClearLog();
    EXPECT_EQ(view->GetMasterValue(QStringLiteral("OpeningLinkedViews")), QStringLiteral("1"));
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT")),
              QStringList{"INSERT INTO LdMasterUsers (MasterID, MasterUser, MasterValue) SELECT MasterID, "
                          "MasterUser = 'JSMITH', MasterValue FROM LdMaster WHERE MasterName = 'OpeningLinkedViews'"});
    for (const QString& s : Log())
        if (!s.startsWith(QStringLiteral("INSERT")))
            EXPECT_TRUE(s.contains(condition)) << s.toStdString();
    EXPECT_EQ(Rows("SELECT MasterID, MasterUser, MasterValue FROM LdMasterUsers"), QStringList{"1|JSMITH|1"});

    // The user's own value from then on.
    RunOnFile(QStringLiteral("UPDATE LdMasterUsers SET MasterValue = '0'"));
    ClearLog();
    EXPECT_EQ(view->GetMasterValue(QStringLiteral("OpeningLinkedViews")), QStringLiteral("0"));
    EXPECT_TRUE(LoggedStarting(QStringLiteral("INSERT")).isEmpty());
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdMasterUsers"), "1");

    // A name LdMaster does not hold has no value.
    EXPECT_NE(ErrorOf([&] { view->GetMasterValue(QStringLiteral("Missing")); }), 0);
}

TEST_F(ViewModelTest, GetMasterValueQuotesTheUserAndTheName)
{
    RunOnFile(QStringLiteral("INSERT INTO LdMaster VALUES (3, 'It''s', 'yes')"));
    g_sUserID = QStringLiteral("D'Arcy");
    CoLdUVRef view = GetView(12, 0);
    ClearLog();
    EXPECT_EQ(view->GetMasterValue(QStringLiteral("It's")), QStringLiteral("yes"));
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT")),
              QStringList{"INSERT INTO LdMasterUsers (MasterID, MasterUser, MasterValue) SELECT MasterID, "
                          "MasterUser = 'D''Arcy', MasterValue FROM LdMaster WHERE MasterName = 'It''s'"});
    EXPECT_EQ(Rows("SELECT MasterID, MasterUser FROM LdMasterUsers"), QStringList{"3|D'Arcy"});
}
