// Storing a view definition: what Store writes as a new view and over a stored
// one, the children's own transactions, the failure paths, and the database
// rebuilding the view's SQL.

#include "ViewModelFixture.h"

#include "platform/database/HostProcedures.h"

using namespace vmtest;

namespace {

const QString kTooMany = QStringLiteral(
    "Too many columns and/or filters have been selected.  You must remove some in order for this view to function.");

QString IdentityOf(const QString& insert)
{
    return insert + QStringLiteral("\r\nSELECT SCOPE_IDENTITY()");
}

// Replaces a stored procedure for the life of the object.
class ProcedureOverride {
public:
    ProcedureOverride(const QString& name, std::function<void(const HostProcedureInfo&, ProcedureCall&)> run)
        : m_original(*FindHostProcedure(name))
    {
        HostProcedureInfo replacement = m_original;
        const HostProcedureInfo original = m_original;
        replacement.run = [original, run](ProcedureCall& call) { run(original, call); };
        RegisterHostProcedure(replacement);
    }
    ~ProcedureOverride() { RegisterHostProcedure(m_original); }

private:
    HostProcedureInfo m_original;
};

}  // namespace

TEST_F(ViewModelTest, StoreAsNewViewWritesEverythingUnderTheNewId)
{
    CoLdUVRef view = GetView(12, 1);
    view->ViewName = QStringLiteral("vwCopy");
    view->DisplayName = QStringLiteral("O'Brien");
    view->Columns();
    view->ColumnFunctions();
    view->AssocViews()->Item(2)->UseMe = true;  // the caller's choice reaches the copy
    view->Filters();
    ClearLog();

    ASSERT_TRUE(view->Store(true));
    EXPECT_TRUE(m_boxes.empty());
    const int32_t id = view->ViewID();
    EXPECT_EQ(QString::number(id), Value(QStringLiteral("SELECT MAX(ViewID) FROM LdViews")));
    EXPECT_NE(id, 12);
    const QString sid = QString::number(id);

    const QStringList& log = Log();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log.value(0), IdentityOf(Lines({
        "INSERT INTO LdViews (ViewName, DisplayName, Description, BaseID , Custom, Shared, SQLViewApplicationID, "
        "CreateSQLView, CreatorID, UpdatorID, CreateDate, LastUpdate ) ",
        "SELECT ViewName = 'vwCopy',",
        "DisplayName = 'O''Brien',",
        "Description = 'All customers',",
        "BaseID = 1,",
        "Custom = -1,",
        "Shared = -1,",
        "SQLViewApplicationID = Null,",
        "CreateSQLView = 0,",
        "CreatorID = 'JSMITH',",
        "UpdatorID = 'JSMITH',",
        "CreateDate = GETDATE(),",
        "LastUpdate = GETDATE()",
    })));
    EXPECT_EQ(log.value(1), QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView) VALUES (") + sid +
                                QStringLiteral(", 'JSMITH',1)"));
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT INTO LdViewColumns")).size(), 5);
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT INTO LdViewRelationships")).size(), 3);
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT INTO LdViewColumnFunctions")).size(), 3);
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT INTO LdViewFilters")).size(), 3);
    EXPECT_TRUE(LoggedStarting(QStringLiteral("DELETE")).isEmpty());
    EXPECT_TRUE(LoggedStarting(QStringLiteral("UPDATE")).isEmpty());
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT INTO LdViewColumns")).value(0),
              IdentityOf(Lines({"INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable ) ",
                                "SELECT ViewID = " + sid + ",", "BaseColumnID = 1,", "ColumnOrder = 1,",
                                "FilterOrder = 1,", "Filterable = -1,", "Viewable = -1"})));
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT INTO LdViewColumnFunctions")).value(0),
              Lines({"INSERT INTO LdViewColumnFunctions (ViewID, BaseColumnID, ColumnFunctionID , FunctionOrder ) ",
                     "SELECT ViewID = " + sid + ",", "BaseColumnID = 4,", "ColumnFunctionID = 1,", "FunctionOrder = 1"}));

    // The rows it left.
    EXPECT_EQ(Value("SELECT ViewName, DisplayName, Description, BaseID, Custom, Shared, SQLViewApplicationID, "
                    "CreateSQLView, CreatorID, UpdatorID, CreateDate IS NOT NULL FROM LdViews WHERE ViewID = " + sid),
              QStringLiteral("vwCopy|O'Brien|All customers|1|1|1|<null>|0|JSMITH|JSMITH|1"));
    EXPECT_EQ(Rows("SELECT UserID, IsMyView FROM LdMyViews WHERE ViewID = " + sid), QStringList{"JSMITH|1"});
    EXPECT_EQ(Rows("SELECT BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable FROM LdViewColumns "
                   "WHERE ViewID = " + sid + " ORDER BY BaseColumnID"),
              (QStringList{"1|1|1|1|1", "2|2|2|1|1", "3|3|0|0|1", "4|4|3|1|1", "8|0|0|0|0"}));
    EXPECT_EQ(Rows("SELECT BaseRelationshipID, LinkViewID, UseMe FROM LdViewRelationships WHERE ViewID = " + sid +
                   " ORDER BY BaseRelationshipID"),
              (QStringList{"1|13|1", "2|13|1", "3|13|1"}));
    EXPECT_EQ(Rows("SELECT BaseColumnID, ColumnFunctionID, FunctionOrder FROM LdViewColumnFunctions WHERE ViewID = " +
                   sid + " ORDER BY FunctionOrder"),
              (QStringList{"4|1|1", "4|2|2", "1|3|3"}));
    EXPECT_EQ(Rows("SELECT FilterName, FilterString, Shared, Complex, CreatorID FROM LdViewFilters WHERE ViewID = " +
                   sid + " ORDER BY FilterName"),
              (QStringList{"Big ones|WHERE {Total} > 100|1|0|JSMITH", "Mine|WHERE c.CustName LIKE 'A%'|0|1|JSMITH",
                           "North|WHERE {Region} = 'North'|1|0|BJONES"}));
    // The source view is untouched.
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewFilters WHERE ViewID = 12"), "3");
    EXPECT_EQ(Value("SELECT UseMe FROM LdViewRelationships WHERE ViewRelationshipID = 32"), "0");

    // The copies of the searches learned their own ids.
    for (const auto& filter : *view->Filters()) {
        EXPECT_EQ(Value("SELECT ViewID FROM LdViewFilters WHERE ViewFilterID = " + QString::number(filter->ViewFilterID())),
                  sid);
    }

    // The view opens again with the same children, and the database built its SQL.
    CoLdUVRef again = GetView(id, 1);
    EXPECT_EQ(again->DisplayName, QStringLiteral("O'Brien"));
    auto settings = [](const CoLdUVColumnsRef& columns) {
        QStringList s;
        for (const auto& c : *columns)
            s << QStringLiteral("%1|%2|%3|%4").arg(c->ColumnID).arg(c->Viewable).arg(c->Filterable).arg(c->FilterOrder);
        s.sort();
        return s;
    };
    EXPECT_EQ(settings(again->Columns()), settings(view->Columns()));
    ASSERT_EQ(again->ColumnFunctions()->Count(), 3);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(again->ColumnFunctions()->Item(i)->ColumnFunctionID, view->ColumnFunctions()->Item(i)->ColumnFunctionID);
    EXPECT_EQ(again->AssocViews()->Count(), 3);
    EXPECT_EQ(again->Filters()->Count(), 3);
    EXPECT_TRUE(again->SQLSelect.contains(QStringLiteral("c.Total")));
    BrandleRecordsetPtr rs;
    EXPECT_TRUE(m_db->OpenRecordset(again->SQLSelect + " " + again->SQLFrom + " ORDER BY 2", rs, 0, 1));
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->FieldCount(), 5);  // the row id and four viewable columns
    m_db->CloseRecordset(rs);
}

TEST_F(ViewModelTest, StoreOverACustomViewUpdatesRowsAndRebuildsTheSql)
{
    CoLdUVRef view = GetView(12, 1);
    view->DisplayName = QStringLiteral("Clients");
    view->SQLViewApplicationID = 7;
    view->Columns()->Item(3)->Filterable = true;  // Region
    view->AssocViews();
    for (const auto& link : *view->AssocViews())
        if (link->ViewRelationshipID() == 32)
            link->UseMe = true;
    view->ColumnFunctions()->Remove(2);
    view->Filters()->Item(1)->FilterName = QStringLiteral("not written");
    ClearLog();

    ASSERT_TRUE(view->Store(false));
    EXPECT_EQ(view->ViewID(), 12);
    const QStringList& log = Log();
    EXPECT_EQ(log.value(0), Lines({"UPDATE LdViews SET ", "ViewName = 'vwCustomers',", "DisplayName = 'Clients',",
                                   "Description = 'All customers',", "Shared = -1,", "SQLViewApplicationID = 7,",
                                   "CreateSQLView = 0,", "UpdatorID = 'JSMITH',", "LastUpdate = GETDATE()",
                                   "WHERE ViewID = 12"}));
    EXPECT_TRUE(log.contains(Lines({"UPDATE LdViewColumns", "SET", "ColumnOrder = 3,", "FilterOrder = 0,",
                                    "Filterable = -1,", "Viewable = -1", "WHERE ViewColumnID = 42"})));
    EXPECT_EQ(LoggedStarting(QStringLiteral("UPDATE LdViewColumns")).size(), 4);
    // The base column the view has no row for is inserted.
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT INTO LdViewColumns")).size(), 1);
    EXPECT_TRUE(log.contains(Lines({"UPDATE LdViewRelationships", "SET", "UseMe = -1", "WHERE ViewRelationshipID = 32"})));
    EXPECT_EQ(LoggedStarting(QStringLiteral("UPDATE LdViewRelationships")).size(), 3);
    const int del = log.indexOf(QStringLiteral("DELETE FROM LdViewColumnFunctions WHERE ViewID = 12"));
    ASSERT_GE(del, 0);
    const QStringList functionInserts = LoggedStarting(QStringLiteral("INSERT INTO LdViewColumnFunctions"));
    ASSERT_EQ(functionInserts.size(), 2);
    EXPECT_GT(log.indexOf(functionInserts.first()), del);
    EXPECT_TRUE(LoggedStarting(QStringLiteral("INSERT INTO LdViewFilters")).isEmpty());
    EXPECT_TRUE(LoggedStarting(QStringLiteral("UPDATE LdViewFilters")).isEmpty());
    EXPECT_TRUE(LoggedStarting(QStringLiteral("INSERT INTO LdMyViews")).isEmpty());

    EXPECT_EQ(Value("SELECT DisplayName, SQLViewApplicationID, UpdatorID FROM LdViews WHERE ViewID = 12"),
              "Clients|7|JSMITH");
    EXPECT_EQ(Value("SELECT Filterable FROM LdViewColumns WHERE ViewColumnID = 42"), "1");
    EXPECT_EQ(Value("SELECT UseMe FROM LdViewRelationships WHERE ViewRelationshipID = 32"), "1");
    EXPECT_EQ(Rows("SELECT ColumnFunctionID FROM LdViewColumnFunctions WHERE ViewID = 12 ORDER BY FunctionOrder"),
              (QStringList{"1", "3"}));
    EXPECT_EQ(Value("SELECT FilterName FROM LdViewFilters WHERE ViewFilterID = 55"), "Big ones");
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewColumns WHERE ViewID = 12 AND BaseColumnID = 8"), "1");

    // The rebuilt pieces: the extended FROM is not needed, Region now filterable.
    CoLdUVRef again = GetView(12, 0);
    EXPECT_EQ(again->DisplayName, QStringLiteral("Clients"));
    BrandleRecordsetPtr rs;
    EXPECT_TRUE(m_db->OpenRecordset(again->SQLSelect + " " + again->SQLFrom + " WHERE (c.Region) = 'North'", rs, 0, 1));
    EXPECT_EQ(rs->RecordCount(), 2);
    m_db->CloseRecordset(rs);

    // The column inserted by the first store knows its row: the second store updates it.
    ClearLog();
    view->Columns()->Item(5)->FilterOrder = 9;
    ASSERT_TRUE(view->Store(false));
    EXPECT_TRUE(LoggedStarting(QStringLiteral("INSERT INTO LdViewColumns")).isEmpty());
    EXPECT_EQ(LoggedStarting(QStringLiteral("UPDATE LdViewColumns")).size(), 5);
    EXPECT_EQ(Rows("SELECT FilterOrder FROM LdViewColumns WHERE ViewID = 12 AND BaseColumnID = 8"), QStringList{"9"});
}

// Another user's row landing right after each of ours (a trigger stands in for
// that user) takes the largest id; every insert still learns its own row.
TEST_F(ViewModelTest, NewIdsAreTheInsertedRowsNotTheLargest)
{
    RunOnFile(QStringLiteral(
        "CREATE TRIGGER otherView AFTER INSERT ON LdViews WHEN NEW.ViewName = 'vwCopy' BEGIN "
        "INSERT INTO LdViews (ViewName, DisplayName, BaseID, CreatorID) VALUES ('vwOther', 'Other', 1, 'BJONES'); END;"
        "CREATE TRIGGER otherSearch AFTER INSERT ON LdViewFilters WHEN NEW.ViewID <> 13 BEGIN "
        "INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, CreatorID) VALUES (13, 'other', '', 'BJONES'); END;"
        "CREATE TRIGGER otherColumn AFTER INSERT ON LdViewColumns WHEN NEW.ViewID <> 13 BEGIN "
        "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder) VALUES (13, 5, 9, 0); END;"
        "CREATE TRIGGER otherLink AFTER INSERT ON LdViewRelationships WHEN NEW.ViewID <> 13 BEGIN "
        "INSERT INTO LdViewRelationships (ViewID, BaseRelationshipID, LinkViewID) VALUES (13, 1, 12); END;"));
    CoLdUVRef view = GetView(12, 1);
    view->ViewName = QStringLiteral("vwCopy");
    view->Columns();
    view->AssocViews();
    view->Filters();
    ASSERT_TRUE(view->Store(true)) << (m_boxes.empty() ? "" : m_boxes.front().prompt.toStdString());
    const QString sid = QString::number(view->ViewID());
    EXPECT_EQ(Value("SELECT ViewName FROM LdViews WHERE ViewID = " + sid), "vwCopy");
    EXPECT_EQ(Value("SELECT ViewName FROM LdViews WHERE ViewID = (SELECT MAX(ViewID) FROM LdViews)"), "vwOther");
    EXPECT_EQ(Rows("SELECT ViewID FROM LdMyViews WHERE UserID = 'JSMITH' ORDER BY ViewID"), (QStringList{"12", sid}));
    for (const auto& filter : *view->Filters())
        EXPECT_EQ(Value("SELECT ViewID FROM LdViewFilters WHERE ViewFilterID = " + QString::number(filter->ViewFilterID())),
                  sid);
    for (const auto& link : *view->AssocViews())
        EXPECT_EQ(Value("SELECT ViewID FROM LdViewRelationships WHERE ViewRelationshipID = " +
                        QString::number(link->ViewRelationshipID())),
                  sid);

    // The columns name their own rows: an edit store updates those and no other.
    for (const auto& column : *view->Columns())
        column->FilterOrder = 7;
    ClearLog();
    ASSERT_TRUE(view->Store(false));
    EXPECT_TRUE(LoggedStarting(QStringLiteral("INSERT")).isEmpty());
    EXPECT_EQ(Rows("SELECT DISTINCT FilterOrder FROM LdViewColumns WHERE ViewID = " + sid), QStringList{"7"});
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewColumns WHERE FilterOrder = 7"),
              QString::number(view->Columns()->Count()));

    // A new search stored by the list window learns its own row too.
    CoLDUVFilterRef fresh = view->Filters()->Create();
    fresh->FilterName = QStringLiteral("Fresh");
    fresh->CreatorID = QStringLiteral("JSMITH");
    view->Filters()->Add(fresh);
    view->StoreFilter(view->Filters()->Count(), false);
    EXPECT_EQ(Value("SELECT ViewID, FilterName FROM LdViewFilters WHERE ViewFilterID = " +
                    QString::number(fresh->ViewFilterID())),
              sid + "|Fresh");
    EXPECT_NE(QString::number(fresh->ViewFilterID()), Value("SELECT MAX(ViewFilterID) FROM LdViewFilters"));
}

TEST_F(ViewModelTest, ColumnsAndLinksWithoutARowAreInsertedAndLearnTheirIds)
{
    CoLdUVRef view = GetView(14, 0);
    auto column = std::make_shared<CoLdUVColumn>();
    column->ColumnID = 4;
    column->Order = 3;
    column->Viewable = true;
    view->Columns()->Add(column);
    auto link = std::make_shared<CoLdUVAssocView>();
    link->BaseRelationshipID = 2;
    link->ViewID = 13;
    link->UseMe = true;
    const int before = Value("SELECT COUNT(*) FROM LdViewRelationships WHERE ViewID = 14").toInt();
    view->AssocViews()->Add(link);
    ClearLog();
    ASSERT_TRUE(view->Store(false));
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT INTO LdViewColumns")).size(), 1);
    const QStringList linkInserts = LoggedStarting(QStringLiteral("INSERT INTO LdViewRelationships"));
    ASSERT_EQ(linkInserts.size(), 1);
    EXPECT_EQ(linkInserts.first(),
              IdentityOf(Lines({"INSERT INTO LdViewRelationships (ViewID, BaseRelationshipID, LinkViewID, UseMe ) ",
                                "SELECT ViewID = 14,", "BaseRelationshipID = 2,", "LinkViewID = 13,", "UseMe = -1"})));
    EXPECT_NE(link->ViewRelationshipID(), 0);
    EXPECT_EQ(Value("SELECT ViewID, BaseRelationshipID, UseMe FROM LdViewRelationships WHERE ViewRelationshipID = " +
                    QString::number(link->ViewRelationshipID())),
              "14|2|1");

    ClearLog();
    link->UseMe = false;
    ASSERT_TRUE(view->Store(false));
    EXPECT_TRUE(LoggedStarting(QStringLiteral("INSERT")).isEmpty());
    EXPECT_TRUE(Log().contains(Lines({"UPDATE LdViewRelationships", "SET", "UseMe = 0",
                                      "WHERE ViewRelationshipID = " + QString::number(link->ViewRelationshipID())})));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewRelationships WHERE ViewID = 14").toInt(), before + 1);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewColumns WHERE ViewID = 14 AND BaseColumnID = 4"), "1");
}

TEST_F(ViewModelTest, AStandardViewKeepsItsRowAndStoresItsChildren)
{
    CoLdUVRef view = GetView(14, 0);
    view->DisplayName = QStringLiteral("changed");
    view->Columns()->Item(2)->Viewable = false;
    ClearLog();
    ASSERT_TRUE(view->Store(false));
    EXPECT_TRUE(LoggedStarting(QStringLiteral("UPDATE LdViews")).isEmpty());
    EXPECT_TRUE(LoggedStarting(QStringLiteral("INSERT INTO LdViews")).isEmpty());
    EXPECT_EQ(LoggedStarting(QStringLiteral("UPDATE LdViewColumns")).size(), 2);
    EXPECT_EQ(Value("SELECT DisplayName FROM LdViews WHERE ViewID = 14"), "Customer list");
    // The database rebuilt the view's SQL without the hidden column.
    EXPECT_EQ(GetView(14, 0)->ColumnString.count(QLatin1Char(',')), 2);
}

TEST_F(ViewModelTest, LoadedButEmptyFunctionsDeleteAllAndUnloadedChildrenAreNotWritten)
{
    CoLdUVRef view = GetView(12, 0);
    ClearLog();
    ASSERT_TRUE(view->Store(false));
    // Nothing of the children was loaded: only the row and the SQL.
    EXPECT_EQ(LoggedStarting(QStringLiteral("UPDATE LdViews SET")).size(), 1);
    for (const char* table : {"LdViewColumns", "LdViewRelationships", "LdViewColumnFunctions", "LdViewFilters"}) {
        for (const QString& s : Log())
            EXPECT_FALSE(s.contains(QLatin1String(table))) << s.toStdString();
    }

    view->ColumnFunctions()->Clear();
    ClearLog();
    ASSERT_TRUE(view->Store(false));
    EXPECT_EQ(LoggedStarting(QStringLiteral("DELETE FROM LdViewColumnFunctions WHERE ViewID = 12")).size(), 1);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewColumnFunctions WHERE ViewID = 12"), "0");
}

TEST_F(ViewModelTest, AViewNeverStoredIsInsertedByAnEditStore)
{
    CoLdUVRef view = GetView(999, 0);
    view->ViewName = QStringLiteral("vwNew");
    view->DisplayName = QStringLiteral("New");
    view->BaseID = 1;
    view->Custom = true;
    view->ViewUser = QStringLiteral("JSMITH");
    auto column = std::make_shared<CoLdUVColumn>();
    column->ColumnID = 2;
    column->Order = 1;
    column->Viewable = true;
    view->Columns()->Add(column);
    ASSERT_TRUE(view->Store(false));
    ASSERT_NE(view->ViewID(), 0);
    const QString sid = QString::number(view->ViewID());
    EXPECT_EQ(Value("SELECT UserID, IsMyView FROM LdMyViews WHERE ViewID = " + sid), "JSMITH|1");
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewColumns WHERE ViewID = " + sid), "1");
    EXPECT_TRUE(GetView(view->ViewID(), 0)->SQLSelect.contains(QStringLiteral("c.CustName")));
}

TEST_F(ViewModelTest, AUserWithAnApostropheStoresANewView)
{
    g_sUserID = QStringLiteral("D'Arcy");
    CoLdUVRef view = GetView(12, 0);
    view->Columns();
    view->ViewName = QStringLiteral("vwCustomerCopy");  // a view's name is its own
    ClearLog();
    ASSERT_TRUE(view->Store(true)) << (m_boxes.empty() ? "" : m_boxes.front().prompt.toStdString());
    const QString sid = QString::number(view->ViewID());
    EXPECT_EQ(LoggedStarting(QStringLiteral("INSERT INTO LdMyViews")),
              QStringList{"INSERT INTO LdMyViews (ViewID, UserID, IsMyView) VALUES (" + sid + ", 'D''Arcy',1)"});
    EXPECT_TRUE(Log().value(0).contains(QStringLiteral("\r\nCreatorID = 'D''Arcy',\r\nUpdatorID = 'D''Arcy',\r\n")));
    EXPECT_EQ(Value("SELECT UserID FROM LdMyViews WHERE ViewID = " + sid), "D'Arcy");
    EXPECT_EQ(Value("SELECT CreatorID FROM LdViews WHERE ViewID = " + sid), "D'Arcy");
}

TEST_F(ViewModelTest, BaseIdIsWrittenAsA32BitNumber)
{
    // The view's base moved above the 16-bit range.
    const QString base = Value(QStringLiteral("SELECT BaseID FROM LdViews WHERE ViewID = 12"));
    QString move;
    for (const char* t : {"LdBases", "LdBaseColumns", "LdBaseSecurity", "LdViews"})
        move += QStringLiteral("UPDATE %1 SET BaseID = 40000 WHERE BaseID = %2;").arg(QLatin1String(t), base);
    move += QStringLiteral("UPDATE LdBaseRelationships SET BaseID = 40000 WHERE BaseID = %1;"
                           "UPDATE LdBaseRelationships SET RelatedBaseID = 40000 WHERE RelatedBaseID = %1;")
                .arg(base);
    RunOnFile(move);
    CoLdUVRef view = GetView(12, 1);
    ASSERT_EQ(view->BaseID, 40000);
    view->ViewName = QStringLiteral("vwHighBase");
    view->Columns();
    ClearLog();
    EXPECT_TRUE(view->Store(true));
    ASSERT_FALSE(Log().isEmpty());
    EXPECT_TRUE(Log().first().contains(QStringLiteral("\r\nBaseID = 40000,\r\n")));
    for (const RecordedBox& box : m_boxes)
        ADD_FAILURE() << box.prompt.toStdString();
    EXPECT_EQ(Value(QStringLiteral("SELECT BaseID FROM LdViews WHERE ViewID = %1").arg(view->ViewID())), "40000");
}

TEST_F(ViewModelTest, AChildThatFailsMakesTheWholeStoreFailWithNothingCommitted)
{
    RunOnFile(QStringLiteral("CREATE TRIGGER reject42 BEFORE UPDATE ON LdViewColumns WHEN OLD.ViewColumnID = 42 "
                             "BEGIN SELECT RAISE(ABORT, 'column 42 is locked'); END;"));
    CoLdUVRef view = GetView(12, 0);
    view->DisplayName = QStringLiteral("Clients");
    view->Columns()->Item(1)->FilterOrder = 7;  // row 40, stored before the failing row 42
    EXPECT_FALSE(view->Store(false));
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_TRUE(m_boxes[0].prompt.contains(QStringLiteral("column 42 is locked"))) << m_boxes[0].prompt.toStdString();
    EXPECT_EQ(m_boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(m_boxes[0].style, static_cast<int>(vbExclamation));
    EXPECT_EQ(m_db->TransactionDepth(), 0);
    EXPECT_EQ(Value("SELECT DisplayName FROM LdViews WHERE ViewID = 12"), "Customers");
    EXPECT_EQ(Value("SELECT FilterOrder FROM LdViewColumns WHERE ViewColumnID = 40"), "1");
    // No statement after the failing column ran.
    EXPECT_TRUE(LoggedStarting(QStringLiteral("UPDATE LdViewColumns")).size() == 3);
    EXPECT_TRUE(LoggedStarting(QStringLiteral("UPDATE LdViewColumns\r\nSET\r\nColumnOrder = 4")).isEmpty());
}

TEST_F(ViewModelTest, AFailedStoreAsNewLeavesTheObjectAsItWas)
{
    RunOnFile(QStringLiteral("CREATE TRIGGER rejectNorth BEFORE INSERT ON LdViewFilters WHEN NEW.FilterName = 'North' "
                             "BEGIN SELECT RAISE(ABORT, 'no copies of North'); END;"));
    CoLdUVRef view = GetView(12, 0);
    view->Columns();
    view->AssocViews();
    view->Filters();
    const QString views = Value("SELECT COUNT(*) FROM LdViews");
    EXPECT_FALSE(view->Store(true));
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_TRUE(m_boxes[0].prompt.contains(QStringLiteral("no copies of North")));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViews"), views);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdMyViews"), "1");
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewFilters"), "3");
    EXPECT_EQ(view->ViewID(), 12);
    EXPECT_EQ(view->Filters()->Item(1)->ViewFilterID(), 55);
    EXPECT_EQ(view->Filters()->Item(2)->ViewFilterID(), 56);

    // The columns and links still name their own rows: an edit store updates them.
    RunOnFile(QStringLiteral("DROP TRIGGER rejectNorth"));
    ClearLog();
    ASSERT_TRUE(view->Store(false));
    EXPECT_TRUE(LoggedStarting(QStringLiteral("INSERT")).isEmpty());
    EXPECT_EQ(LoggedStarting(QStringLiteral("UPDATE LdViewColumns")).size(), 4);
    EXPECT_EQ(LoggedStarting(QStringLiteral("UPDATE LdViewRelationships")).size(), 2);
}

TEST_F(ViewModelTest, AChildRollsBackOnlyItsOwnTransactionAndRaises)
{
    RunOnFile(QStringLiteral("CREATE TRIGGER reject42 BEFORE UPDATE ON LdViewColumns WHEN OLD.ViewColumnID = 42 "
                             "BEGIN SELECT RAISE(ABORT, 'column 42 is locked'); END;"
                             "CREATE TRIGGER rejectLink BEFORE UPDATE ON LdViewRelationships "
                             "BEGIN SELECT RAISE(ABORT, 'links are locked'); END;"
                             "CREATE TRIGGER rejectFn BEFORE INSERT ON LdViewColumnFunctions "
                             "BEGIN SELECT RAISE(ABORT, 'functions are locked'); END;"
                             "CREATE TRIGGER rejectFilter BEFORE UPDATE ON LdViewFilters "
                             "BEGIN SELECT RAISE(ABORT, 'searches are locked'); END;"));
    CoLdUVRef view = GetView(12, 0);
    const std::vector<std::pair<const char*, std::function<void()>>> children = {
        {"column", [&] { view->Columns()->Item(3)->Store(12, false); }},
        {"link", [&] { view->AssocViews()->Item(1)->Store(12, false); }},
        {"function", [&] { view->ColumnFunctions()->Item(1)->Store(12); }},
        {"search", [&] { view->Filters()->Item(1)->Store(12, false); }},
    };
    for (const auto& [name, store] : children) {
        SCOPED_TRACE(name);
        int32_t flag = 0;
        m_db->BeginTrans(QStringLiteral("Outer"), flag);
        m_db->Execute(QStringLiteral("UPDATE LdViews SET Description = '") + QLatin1String(name) +
                      QStringLiteral("' WHERE ViewID = 12"));
        EXPECT_EQ(ErrorOf(store), kDatabaseErrorNumber);
        EXPECT_EQ(m_db->TransactionDepth(), 1);
        m_db->CommitTrans(QStringLiteral("Outer"), flag);
        EXPECT_EQ(Value("SELECT Description FROM LdViews WHERE ViewID = 12"), QLatin1String(name));
    }
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewColumnFunctions WHERE ViewID = 12"), "3");
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(ViewModelTest, AStatementTooLongRollsBackWithItsMessage)
{
    QString longSql = QStringLiteral("c.Total");
    while (longSql.size() < 8100)
        longSql += QStringLiteral(" + 0");
    RunOnFile(QStringLiteral("INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, "
                             "Type, FilterDataType) VALUES (9, 1, 'Huge', 'Huge', '%1', 'money', 1, 'Number')")
                  .arg(longSql));
    CoLdUVRef view = GetView(12, 1);
    view->DisplayName = QStringLiteral("Clients");
    for (const auto& column : *view->Columns())
        if (column->ColumnID == 9)
            column->Viewable = true;
    EXPECT_FALSE(view->Store(false));
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].prompt, kTooMany);
    EXPECT_EQ(m_boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(m_boxes[0].style, static_cast<int>(vbExclamation));
    EXPECT_EQ(m_db->TransactionDepth(), 0);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewColumns WHERE ViewID = 12 AND BaseColumnID = 9"), "0");
    EXPECT_EQ(Value("SELECT DisplayName FROM LdViews WHERE ViewID = 12"), "Customers");
}

TEST_F(ViewModelTest, UpdateSqlStmtsIsCalledWithItsParametersAndNullMeansNotTooLong)
{
    std::vector<Variant> seen;
    QStringList names;
    ProcedureOverride tooLongIsNull(QStringLiteral("Ld_UpdateSQLStmts"),
                                    [&](const HostProcedureInfo& original, ProcedureCall& call) {
                                        seen = call.args;
                                        names = call.names;
                                        original.run(call);
                                        call.outputs.resize(call.args.size());
                                        call.outputs[2] = Variant(Null);
                                    });
    CoLdUVRef view = GetView(12, 0);
    view->DisplayName = QStringLiteral("Clients");
    EXPECT_TRUE(view->Store(false));
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(names, (QStringList{"@v_iViewID", "@r_sSQLStmt", "@r_bStmtTooLong"}));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].toInt32(), 12);
    EXPECT_EQ(Value("SELECT DisplayName FROM LdViews WHERE ViewID = 12"), "Clients");
}

TEST_F(ViewModelTest, StoreWithoutASessionRaises)
{
    CoLdUVRef view = GetView(12, 0);
    CoQuillonSystemEnginePtr engine = g_oSystemEngine;
    g_oSystemEngine.reset();
    EXPECT_EQ(ErrorOf([&] { view->Store(false); }), vberr::ObjectNotSet);
    g_oSystemEngine = engine;
}

// A definition whose row is gone (never read, or deleted by another program
// after it was loaded) is refused with a message, and nothing of it is written:
// no nameless view row, no children for a view id that no longer exists.
TEST_F(ViewModelTest, AViewWithoutANameOrWhoseRowIsGoneIsNotWritten)
{
    const QString views = Value("SELECT COUNT(*) FROM LdViews");

    CoLdUVRef never = GetView(999, 4);
    never->Columns();
    for (const bool asNew : {false, true}) {
        m_boxes.clear();
        ClearLog();
        EXPECT_FALSE(never->Store(asNew)) << asNew;
        ASSERT_EQ(m_boxes.size(), 1u) << asNew;
        EXPECT_EQ(m_boxes[0].prompt, QStringLiteral("The view cannot be saved without a name."));
        EXPECT_EQ(m_boxes[0].title, QStringLiteral("Attention Required"));
        EXPECT_TRUE(Log().isEmpty()) << Log().join(QStringLiteral("\n")).toStdString();
        EXPECT_EQ(never->ViewID(), 0);
    }

    // Custom (its row is updated first) and standard (only its children are written).
    for (const int32_t id : {12, 14}) {
        CoLdUVRef view = GetView(id, 4);
        view->Columns()->Item(1)->Viewable = !view->Columns()->Item(1)->Viewable;
        view->AssocViews();
        view->ColumnFunctions();
        const QString name = view->DisplayName;
        // Another program on the company deletes it.
        m_probe->Execute(QStringLiteral("DELETE FROM LdViews WHERE ViewID = ") + QString::number(id));
        const QString left = Value("SELECT (SELECT COUNT(*) FROM LdViewColumns) || '/' || "
                                   "(SELECT COUNT(*) FROM LdViewRelationships) || '/' || "
                                   "(SELECT COUNT(*) FROM LdViewColumnFunctions)");
        m_boxes.clear();
        ClearLog();
        EXPECT_FALSE(view->Store(false)) << id;
        ASSERT_EQ(m_boxes.size(), 1u) << id;
        EXPECT_EQ(m_boxes[0].prompt, QStringLiteral("The view '") + name +
                                         QStringLiteral("' no longer exists: it has been deleted.\r\n\r\n"
                                                        "Your changes were not saved."));
        EXPECT_EQ(m_boxes[0].style & 0x70, vbExclamation);
        EXPECT_TRUE(LoggedStarting(QStringLiteral("INSERT")).isEmpty()) << id;
        EXPECT_TRUE(LoggedStarting(QStringLiteral("DELETE")).isEmpty()) << id;
        EXPECT_EQ(Value("SELECT (SELECT COUNT(*) FROM LdViewColumns) || '/' || "
                        "(SELECT COUNT(*) FROM LdViewRelationships) || '/' || "
                        "(SELECT COUNT(*) FROM LdViewColumnFunctions)"),
                  left)
            << id;
        EXPECT_EQ(view->ViewID(), id);
    }
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViews").toInt(), views.toInt() - 2);
}
