// The stored procedures of the embedded server, on a real company database with
// a small fixture: two bases over business tables, views with columns of every
// kind, column functions, links, saved searches, registry values and rights.

#include "base/AppError.h"
#include "db/EmbeddedServer.h"
#include "db/Schema.h"
#include "db/procedures/Procedures.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/HostProcedures.h"
#include "platform/database/SqliteBackend.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

struct Rows {
    QStringList columns;
    std::vector<std::vector<Variant>> rows;
};

const char* const kFixture = R"SQL(
CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, Name TEXT NOT NULL, City TEXT);
CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID INTEGER NOT NULL, Amount REAL, Status TEXT);
CREATE TABLE OrderNotes (OrderID INTEGER NOT NULL, Note TEXT);
INSERT INTO Customers VALUES (1, 'Acme', 'Boston'), (2, 'Globex', 'Denver');
INSERT INTO Orders VALUES (10, 1, 100.0, 'Open'), (11, 1, 250.5, 'Closed'), (12, 2, 75.25, 'Open');
INSERT INTO OrderNotes VALUES (10, 'rush');

INSERT INTO LdBases (BaseID, Base, DisplayName, KeySQL, FromSQL, FromExSQL) VALUES
 (1, 'ORDERS', 'Orders', 'o.OrderID', 'Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID',
  'LEFT JOIN OrderNotes n ON n.OrderID = o.OrderID'),
 (2, 'CUSTOMERS', 'Customers', 'c.CustomerID', 'Customers c', NULL);
INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, Required,
                           AllowFunctions, FilterDataType, UseExtendedFrom, Imported) VALUES
 (101, 1, 'OrderNo', 'Order No', 'o.OrderID', 'int', 1, 1, 0, 'number', 0, 0),
 (102, 1, 'Customer', 'Customer', 'c.Name', 'varchar', 2, 0, 0, 'text', 0, 0),
 (103, 1, 'Amount', 'Amount', 'o.Amount', 'money', 1, 0, 1, 'money', 0, 0),
 (104, 1, 'Status', 'Status', 'o.Status', 'varchar', 2, 0, 0, 'text', 0, 0),
 (105, 1, 'Note', 'Note', 'n.Note', 'varchar', 2, 0, 0, 'text', 1, 0),
 (106, 1, 'CustomerID', 'Customer No', 'o.CustomerID', 'int', 1, 0, 0, 'number', 0, 1),
 (201, 2, 'CustNo', 'Customer No', 'c.CustomerID', 'int', 1, 1, 0, 'number', 0, 0),
 (202, 2, 'CustName', 'Customer Name', 'c.Name', 'varchar', 2, 0, 0, 'text', 0, 0),
 (203, 2, 'City', 'City', 'c.City', 'varchar', 2, 0, 0, 'text', 0, 0);
INSERT INTO LdColumnFunctions (ColumnFunctionID, ColumnFunction, FunctionTemplate, ResultDataType, DisplayTemplate) VALUES
 (1, 'Sum', 'SUM(%COL%)', NULL, 'Sum of %NAME%'),
 (3, 'Count', 'COUNT(%COL%)', 'int', 'Count of %NAME%');

INSERT INTO LdViews (ViewID, ViewName, DisplayName, Description, BaseID, Custom, Shared, CreatorID) VALUES
 (1, 'ORDERS_1', 'Open Orders', 'Orders with their customers', 1, 0, 1, NULL),
 (2, 'CUSTOMERS_1', 'Customers', '', 2, 0, 1, NULL),
 (3, 'CUSTOMERS_2', 'Mary''s customers', '', 2, -1, 0, 'mary');
-- View 1: viewable and filterable, viewable only, filter only (extended FROM), a
-- relation column, a base column without a row (Status) and a second row for Customer.
INSERT INTO LdViewColumns (ViewColumnID, ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) VALUES
 (1, 1, 101, 1, 1, -1, -1),
 (2, 1, 102, 3, 0, 0, -1),
 (3, 1, 103, 2, 2, -1, -1),
 (4, 1, 105, 0, 3, -1, 0),
 (5, 1, 106, 4, 4, -1, -1),
 (6, 1, 102, 9, 0, 0, 0),
 (7, 2, 201, 1, 1, -1, -1),
 (8, 2, 202, 2, 2, -1, -1),
 (9, 3, 201, 1, 1, -1, -1),
 (10, 3, 203, 2, 0, 0, -1);
INSERT INTO LdViewColumnFunctions (ViewID, BaseColumnID, ColumnFunctionID, FunctionOrder) VALUES
 (1, 101, 3, 2), (1, 103, 1, 1);
INSERT INTO LdBaseRelationships (BaseRelationshipID, BaseID, RelatedBaseID, ColumnID1, AssocColumnID1,
                                 Column1Filter, Column1FilterTypeID) VALUES
 (1, 1, 2, 106, 201, 'SELECT ''Acme''', 1);
INSERT INTO LdViewRelationships (ViewRelationshipID, ViewID, BaseRelationshipID, LinkViewID, UseMe) VALUES
 (1, 1, 1, 2, -1), (2, 1, 1, 3, 0);
INSERT INTO LdViewFilters (ViewFilterID, ViewID, FilterName, FilterString, Shared, Complex, CreatorID) VALUES
 (1, 1, 'Open ones', 'WHERE ( {Status} = ''Open'' )', -1, 0, 'jdoe'),
 (2, 1, 'Big', 'WHERE o.Amount > 200', 0, -1, 'admin'),
 (3, 3, 'Boston', 'WHERE ( {City} = ''Boston'' )', 0, 0, 'mary');
INSERT INTO LdViewFilterColumns (ViewFilterID, BaseColumnID) VALUES (3, 203);
INSERT INTO LdMyViews (ViewID, UserID, IsMyView, AutoPopulate) VALUES (1, 'jdoe', 1, -1), (3, 'mary', 1, 0);

INSERT INTO CoUsers (UserID, UserName) VALUES ('admin', 'Administrator'), ('jdoe', 'John Doe'), ('mary', 'Mary Major');
INSERT INTO CoUserGroups (GroupID, UserID) VALUES ('sales', 'mary'), ('admins', 'jdoe');
INSERT INTO CoSecuredObjects (SecuredObjectID, Description) VALUES
 ('QuillonAllViews', 'All Views'), ('QuillonMyViews', 'My Views');
INSERT INTO CoSecuredObjectRights (SecuredObjectID, CompanyID, PrincipalID, IsGroup, Rights) VALUES
 ('QuillonAllViews', NULL, 'jdoe', 0, 1),
 ('QuillonAllViews', NULL, 'sales', 1, 6),
 ('QuillonAllViews', NULL, 'admins', 1, 8),
 ('QuillonMyViews', 'ACME', 'mary', 0, 9),
 ('QuillonMyViews', 'OTHER', 'mary', 0, 2),
 ('QuillonMyViews', NULL, 'mary', 0, 16);
INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (1, NULL, 'System'), (2, NULL, 'Config'), (3, 2, 'Export');
INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES
 (1, 'Version', 'S', '7.6.5 / 7.6.0'), (2, 'ExcelExportAuthMethod', 'I4', '1'), (3, 'Ratio', 'F8', '0.25'),
 (2, 'Odd', 'I2', '3');
)SQL";

class ProceduresTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        erpdb::RegisterProcedures();
        ASSERT_TRUE(m_dir.isValid());
        const QByteArray path = m_dir.filePath(QStringLiteral("ACME.sqlite")).toUtf8();
        ASSERT_EQ(sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
                  SQLITE_OK);
        erpdb::PrepareConnection(m_db);
        sqlite3_exec(m_db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);  // a test file needs no fsync
        erpdb::CreateCompanyDatabase(m_db);
        erpdb::ExecScript(m_db, QString::fromUtf8(kFixture));
    }
    void TearDown() override { sqlite3_close_v2(m_db); }

    // Calls a procedure as the dispatcher does: by name, with its arguments in order.
    ProcedureCall Call(const char* name, std::vector<Variant> args)
    {
        const HostProcedureInfo* info = FindHostProcedure(QLatin1String(name));
        if (!info)
            throw AppError(kDatabaseErrorNumber, QStringLiteral("no procedure %1").arg(QLatin1String(name)));
        EXPECT_GE(static_cast<int>(args.size()), info->minArgs) << name;
        EXPECT_LE(static_cast<int>(args.size()), info->maxArgs) << name;
        ProcedureCall call;
        call.db = m_db;
        call.login = QStringLiteral("coexecutive");
        call.procedureName = info->name;
        call.args = std::move(args);
        call.outputs.resize(call.args.size());
        info->run(call);
        return call;
    }

    Rows Query(const QString& sql)
    {
        Rows r;
        sqlite3_stmt* st = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, utf8.constData(), -1, &st, nullptr) != SQLITE_OK) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_finalize(st);
            throw AppError(kDatabaseErrorNumber, message + QStringLiteral(" in: ") + sql);
        }
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            r.columns << QString::fromUtf8(sqlite3_column_name(st, i));
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            std::vector<Variant> row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                switch (sqlite3_column_type(st, i)) {
                case SQLITE_NULL: row.emplace_back(Null); break;
                case SQLITE_INTEGER: row.push_back(Variant::fromInt64Checked(sqlite3_column_int64(st, i))); break;
                case SQLITE_FLOAT: row.emplace_back(sqlite3_column_double(st, i)); break;
                default: row.emplace_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
                }
            }
            r.rows.push_back(std::move(row));
        }
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            throw AppError(kDatabaseErrorNumber, message + QStringLiteral(" in: ") + sql);
        return r;
    }

    Variant Value(const QString& sql)
    {
        const Rows r = Query(sql);
        return r.rows.empty() ? Variant() : r.rows[0][0];
    }

    void Exec(const QString& sql) { erpdb::ExecScript(m_db, sql); }

    // Everything the database holds, for "nothing was written".
    QString Snapshot()
    {
        QString all;
        const Rows objects = Query(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY name"));
        for (const auto& o : objects.rows) {
            all += o[0].toString() + QLatin1Char(' ') + o[1].toString() + QLatin1Char('\n');
            if (o[0].toString() != QLatin1String("table") || o[1].toString().startsWith(QLatin1String("sqlite_")))
                continue;
            for (const auto& row : Query(QStringLiteral("SELECT * FROM ") + o[1].toString()).rows) {
                for (const Variant& v : row)
                    all += (v.isNull() ? QStringLiteral("<null>") : v.toString()) + QLatin1Char('|');
                all += QLatin1Char('\n');
            }
        }
        return all;
    }

    struct Pieces {
        QString select, from, fromEx, columnString;
    };
    Pieces StoredPieces(int viewId)
    {
        const Rows r = Query(QStringLiteral("SELECT SQLSelect, SQLFrom, SQLFromEx, ColumnString FROM LdViews WHERE ViewID = %1")
                                 .arg(viewId));
        auto text = [](const Variant& v) { return v.isNull() ? QString() : v.toString(); };
        return {text(r.rows.at(0)[0]), text(r.rows.at(0)[1]), text(r.rows.at(0)[2]), text(r.rows.at(0)[3])};
    }

    // Builds a view's pieces as the view model's Store does it: with its output parameters.
    bool UpdateSql(int viewId)
    {
        const ProcedureCall c = Call("Ld_UpdateSQLStmts", {Variant(int32_t(viewId)), Variant(QString()), Variant(int32_t(0))});
        return c.outputs.at(2).toInt32() != 0;
    }

    static QStringList Column(const Rows& r, int index)
    {
        QStringList out;
        for (const auto& row : r.rows)
            out << (row[index].isNull() ? QStringLiteral("<null>") : row[index].toString());
        return out;
    }
    static QStringList Column(const ProcedureCall& c, const char* field)
    {
        const int index = c.columns.indexOf(QLatin1String(field));
        EXPECT_GE(index, 0) << field;
        QStringList out;
        for (const auto& row : c.rows)
            out << (row[index].isNull() ? QStringLiteral("<null>") : row[index].toString());
        return out;
    }

    QTemporaryDir m_dir;
    sqlite3* m_db = nullptr;
};

// ---- What each procedure returns ---------------------------------------------

TEST_F(ProceduresTest, EachReadingProcedureReturnsTheFieldsTheViewModelReads)
{
    struct Case {
        const char* name;
        std::vector<Variant> args;
        QStringList fields;
    };
    const QStringList columnFields = QStringList{"ViewColumnID", "ColumnOrder", "FilterOrder", "ColumnID", "ColumnName",
                                                 "DisplayName", "ColumnSQL", "DataType", "Type", "Required", "Viewable",
                                                 "Filterable", "UseExtendedFrom", "AllowFunctions", "FilterDataType",
                                                 "Imported"};
    const std::vector<Case> cases = {
        {"Ld_GetView",
         {Variant(int32_t(1)), Variant("jdoe")},
         {"ViewID", "BaseID", "ViewName", "DisplayName", "Description", "SQLSelect", "SQLFrom", "SQLFromEx",
          "ColumnString", "Custom", "Shared", "BaseViewID", "CreatorID", "LastUsedFilter", "AutoPopulate",
          "SQLViewName", "CreateSQLView", "SQLViewApplicationID"}},
        {"Ld_GetViewColumns", {Variant(int32_t(1))}, columnFields},
        {"Ld_GetViewColumns", {Variant(int32_t(1)), Variant(int32_t(1))}, columnFields},
        {"Ld_GetViewColumnFunctions",
         {Variant(int32_t(1))},
         {"DisplayName", "FunctionSQL", "DataType", "FunctionOrder", "ColumnID", "FunctionColumnDisplayName",
          "ColumnName", "ColumnFunction", "ColumnFunctionID"}},
        {"Ld_GetAssocViews",
         {Variant(int32_t(1)), Variant("jdoe"), Variant(int32_t(0))},
         {"ViewRelationshipID", "RelationshipID", "ViewName", "UseMe", "fkViewID", "ColumnID1", "Column1Filter",
          "Column1FilterTypeID", "AssocColumnID1", "AssocColumnName1", "AssocColumnSQL1", "ColumnID2",
          "Column2Filter", "Column2FilterTypeID", "AssocColumnID2", "AssocColumnName2", "AssocColumnSQL2",
          "MiscFilter", "MiscFilterTypeID", "MiscFilter2", "MiscFilter2TypeID"}},
        {"Ld_GetViewFilters",
         {Variant(int32_t(1)), Variant(int32_t(0))},
         {"ViewFilterID", "FilterName", "FilterString", "UseMe", "Shared", "CreatorID", "Complex"}},
        {"Ld_IsColumnFilterable", {Variant(int32_t(1)), Variant(int32_t(103))}, {"Filterable", "DisplayName"}},
        {"Ld_GetViewColumnFilters", {Variant(int32_t(1))}, columnFields},
    };
    for (const Case& c : cases) {
        const ProcedureCall call = Call(c.name, c.args);
        EXPECT_EQ(call.columns, c.fields) << c.name;
        EXPECT_FALSE(call.rows.empty()) << c.name;
        for (const auto& row : call.rows)
            EXPECT_EQ(row.size(), static_cast<size_t>(c.fields.size())) << c.name;
    }
}

TEST_F(ProceduresTest, GetViewGivesTheRowWithTheUsersAutoPopulateAndNoNullWhereTheModelNeedsAValue)
{
    const ProcedureCall jdoe = Call("Ld_GetView", {Variant(int32_t(1)), Variant("JDOE ")});
    ASSERT_EQ(jdoe.rows.size(), 1u);
    const auto& row = jdoe.rows[0];
    auto field = [&](const char* name) { return row[jdoe.columns.indexOf(QLatin1String(name))]; };
    EXPECT_EQ(field("ViewID").toInt32(), 1);
    EXPECT_EQ(field("BaseID").toInt32(), 1);
    EXPECT_EQ(field("ViewName").toString(), "ORDERS_1");
    EXPECT_EQ(field("DisplayName").toString(), "Open Orders");
    EXPECT_EQ(field("CreatorID").toString(), "");  // a system view: stored NULL
    EXPECT_TRUE(field("Custom").isBool());
    EXPECT_FALSE(field("Custom").toBool());
    EXPECT_TRUE(field("Shared").toBool());
    EXPECT_TRUE(field("AutoPopulate").toBool());  // the user's row, matched without case or trailing blanks
    EXPECT_TRUE(field("BaseViewID").isNull());
    EXPECT_TRUE(field("LastUsedFilter").isNull());
    // The pieces had never been built: loading the view builds them.
    EXPECT_TRUE(field("SQLSelect").toString().startsWith("SELECT o.OrderID AS [ID], "));
    EXPECT_EQ(field("SQLFrom").toString(), "FROM Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID");
    EXPECT_EQ(field("SQLFromEx").toString(), "LEFT JOIN OrderNotes n ON n.OrderID = o.OrderID");
    EXPECT_EQ(StoredPieces(1).select, field("SQLSelect").toString());

    const ProcedureCall other = Call("Ld_GetView", {Variant(int32_t(1)), Variant("mary")});
    EXPECT_TRUE(other.rows.at(0)[other.columns.indexOf("AutoPopulate")].isNull());  // no row of hers
    const ProcedureCall mine = Call("Ld_GetView", {Variant(int32_t(3)), Variant("jdoe")});
    EXPECT_EQ(mine.rows.at(0)[mine.columns.indexOf("CreatorID")].toString(), "mary");
    EXPECT_TRUE(mine.rows.at(0)[mine.columns.indexOf("SQLFromEx")].isNull());  // a base without one
    EXPECT_TRUE(Call("Ld_GetView", {Variant(int32_t(999)), Variant("jdoe")}).rows.empty());
}

TEST_F(ProceduresTest, GetViewColumnsGivesTheViewsColumnsOrAllBaseColumns)
{
    const ProcedureCall own = Call("Ld_GetViewColumns", {Variant(int32_t(1))});
    // Column order, one row per base column (the lowest row id of the two for Customer).
    EXPECT_EQ(Column(own, "ColumnName"), (QStringList{"Note", "OrderNo", "Amount", "Customer", "CustomerID"}));
    EXPECT_EQ(Column(own, "ViewColumnID"), (QStringList{"4", "1", "3", "2", "5"}));
    EXPECT_EQ(Column(own, "Viewable"), (QStringList{"False", "True", "True", "True", "True"}));
    EXPECT_EQ(Column(own, "UseExtendedFrom"), (QStringList{"True", "False", "False", "False", "False"}));
    EXPECT_EQ(Column(own, "Imported"), (QStringList{"False", "False", "False", "False", "True"}));

    const ProcedureCall all = Call("Ld_GetViewColumns", {Variant(int32_t(1)), Variant(int32_t(1))});
    // The base column without a row comes last, with zeros the model stores as an insert.
    EXPECT_EQ(Column(all, "ColumnName"), (QStringList{"Note", "OrderNo", "Amount", "Customer", "CustomerID", "Status"}));
    const auto& status = all.rows.back();
    for (const char* f : {"ViewColumnID", "ColumnOrder", "FilterOrder"})
        EXPECT_EQ(status[all.columns.indexOf(QLatin1String(f))].toInt32(), 0) << f;
    EXPECT_FALSE(status[all.columns.indexOf("Viewable")].toBool());
    EXPECT_FALSE(status[all.columns.indexOf("Filterable")].toBool());
    for (const auto& row : all.rows)
        for (const Variant& v : row)
            EXPECT_FALSE(v.isNull());

    const ProcedureCall filters = Call("Ld_GetViewColumnFilters", {Variant(int32_t(1))});
    EXPECT_EQ(Column(filters, "ColumnName"), (QStringList{"OrderNo", "Amount", "Note", "CustomerID"}));
    EXPECT_TRUE(Call("Ld_GetViewColumns", {Variant(int32_t(999))}).rows.empty());
}

TEST_F(ProceduresTest, ColumnFunctionsCarryTheirSqlAndBothNamesOfTheirColumn)
{
    const ProcedureCall c = Call("Ld_GetViewColumnFunctions", {Variant(int32_t(1))});
    ASSERT_EQ(c.rows.size(), 2u);
    EXPECT_EQ(Column(c, "DisplayName"), (QStringList{"Sum of Amount", "Count of Order No"}));
    EXPECT_EQ(Column(c, "FunctionSQL"), (QStringList{"SUM(o.Amount)", "COUNT(o.OrderID)"}));
    EXPECT_EQ(Column(c, "DataType"), (QStringList{"money", "int"}));
    EXPECT_EQ(Column(c, "FunctionOrder"), (QStringList{"1", "2"}));
    EXPECT_EQ(Column(c, "ColumnID"), (QStringList{"103", "101"}));
    EXPECT_EQ(Column(c, "FunctionColumnDisplayName"), (QStringList{"Amount", "Order No"}));
    EXPECT_EQ(Column(c, "ColumnName"), (QStringList{"Amount", "OrderNo"}));
    EXPECT_EQ(Column(c, "ColumnFunction"), (QStringList{"Sum", "Count"}));
    EXPECT_EQ(Column(c, "ColumnFunctionID"), (QStringList{"1", "3"}));
}

TEST_F(ProceduresTest, AssocViewsGiveTheLinksToViewsTheUserMaySee)
{
    const ProcedureCall on = Call("Ld_GetAssocViews", {Variant(int32_t(1)), Variant("jdoe"), Variant(int32_t(0))});
    ASSERT_EQ(on.rows.size(), 1u);
    auto field = [&](const ProcedureCall& c, int row, const char* name) {
        return c.rows[row][c.columns.indexOf(QLatin1String(name))];
    };
    EXPECT_EQ(field(on, 0, "ViewRelationshipID").toInt32(), 1);
    EXPECT_EQ(field(on, 0, "RelationshipID").toInt32(), 1);
    EXPECT_EQ(field(on, 0, "ViewName").toString(), "Customers");
    EXPECT_EQ(field(on, 0, "fkViewID").toInt32(), 2);
    EXPECT_EQ(field(on, 0, "ColumnID1").toInt32(), 106);
    EXPECT_EQ(field(on, 0, "Column1Filter").toString(), "SELECT 'Acme'");
    EXPECT_EQ(field(on, 0, "Column1FilterTypeID").toInt32(), 1);
    EXPECT_EQ(field(on, 0, "AssocColumnID1").toInt32(), 201);
    EXPECT_EQ(field(on, 0, "AssocColumnName1").toString(), "CustNo");
    EXPECT_EQ(field(on, 0, "AssocColumnSQL1").toString(), "c.CustomerID");
    EXPECT_TRUE(field(on, 0, "ColumnID2").isNull());
    EXPECT_TRUE(field(on, 0, "MiscFilter").isNull());

    // All links, switched on or off; a private view only for its creator.
    EXPECT_EQ(Column(Call("Ld_GetAssocViews", {Variant(int32_t(1)), Variant("jdoe"), Variant(int32_t(1))}), "ViewName"),
              (QStringList{"Customers"}));
    const ProcedureCall mary = Call("Ld_GetAssocViews", {Variant(int32_t(1)), Variant("MARY"), Variant(int32_t(1))});
    EXPECT_EQ(Column(mary, "ViewName"), (QStringList{"Customers", "Mary's customers"}));
    EXPECT_EQ(Column(mary, "UseMe"), (QStringList{"True", "False"}));
}

TEST_F(ProceduresTest, ViewFiltersListEverySearchOfTheViewByName)
{
    for (int mode : {0, 1}) {
        const ProcedureCall c = Call("Ld_GetViewFilters", {Variant(int32_t(1)), Variant(int32_t(mode))});
        EXPECT_EQ(Column(c, "FilterName"), (QStringList{"Big", "Open ones"}));
        EXPECT_EQ(Column(c, "FilterString"), (QStringList{"WHERE o.Amount > 200", "WHERE ( {Status} = 'Open' )"}));
        EXPECT_EQ(Column(c, "UseMe"), (QStringList{"True", "True"}));
        EXPECT_EQ(Column(c, "Shared"), (QStringList{"False", "True"}));
        EXPECT_EQ(Column(c, "CreatorID"), (QStringList{"admin", "jdoe"}));
        EXPECT_EQ(Column(c, "Complex"), (QStringList{"True", "False"}));
    }
}

TEST_F(ProceduresTest, IsColumnFilterableFindsTheColumnByIdOrByItsExactName)
{
    struct Case {
        Variant columnId;
        Variant columnName;
        QStringList expected;  // Filterable, DisplayName; empty for no row
    };
    const std::vector<Case> cases = {
        {Variant(int32_t(201)), Variant(Null), {"True", "Customer No"}},
        {Variant(int32_t(203)), Variant(Null), {"False", "City"}},      // no row in view 2
        {Variant(Null), Variant(" CustName "), {"True", "Customer Name"}},
        {Variant(Null), Variant("custname"), {}},                       // tokens are exact
        {Variant(int32_t(101)), Variant(Null), {}},                     // another base's column
    };
    for (const Case& c : cases) {
        const ProcedureCall call = Call("Ld_IsColumnFilterable", {Variant(int32_t(2)), c.columnId, c.columnName});
        QStringList got;
        if (!call.rows.empty())
            got << call.rows[0][0].toString() << call.rows[0][1].toString();
        EXPECT_EQ(got, c.expected) << c.columnId.toString().toStdString() << c.columnName.toString().toStdString();
    }
}

// ---- Building a view's SQL -------------------------------------------------------

TEST_F(ProceduresTest, UpdateSqlStmtsBuildsPiecesThatRunAsTheListExportStatisticsAndSearchTestUseThem)
{
    EXPECT_FALSE(UpdateSql(1));
    const Pieces p = StoredPieces(1);
    EXPECT_EQ(p.select, "SELECT o.OrderID AS [ID], o.OrderID AS [Order No], o.Amount AS [Amount], c.Name AS [Customer], "
                        "o.CustomerID AS [Customer No]\r\n");
    EXPECT_EQ(p.from, "FROM Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID");
    EXPECT_EQ(p.fromEx, "LEFT JOIN OrderNotes n ON n.OrderID = o.OrderID");
    EXPECT_EQ(p.columnString, "Order No,1,Amount,1,Customer,0,Customer No,1,");

    // The list with a filter: row id first, then the viewable columns in their order.
    const Rows list = Query(p.select + " " + p.from + " WHERE ( o.Status = 'Open' )");
    EXPECT_EQ(list.columns, (QStringList{"ID", "Order No", "Amount", "Customer", "Customer No"}));
    EXPECT_EQ(Column(list, 0), (QStringList{"10", "12"}));
    EXPECT_EQ(Column(list, 3), (QStringList{"Acme", "Globex"}));
    // A filter on an extended-FROM column, as the list adds it.
    const Rows extended = Query(p.select + " " + p.from + " " + p.fromEx + " WHERE ( n.Note = 'rush' )");
    EXPECT_EQ(Column(extended, 0), (QStringList{"10"}));
    // The export sorts by the first column after the row id.
    const Rows exported = Query(p.select + " " + p.from + " " + "WHERE o.Amount > 80" + " ORDER BY 2");
    EXPECT_EQ(Column(exported, 1), (QStringList{"10", "11"}));
    // The search editor's test: the select list up to its first comma, both FROM clauses.
    const QString first = p.select.left(p.select.indexOf(','));
    EXPECT_EQ(Query(first + " " + p.from + " " + p.fromEx + " WHERE o.OrderID = 11").rows.size(), 1u);
    // The statistics: the functions' SQL over the same FROM and WHERE.
    const ProcedureCall functions = Call("Ld_GetViewColumnFunctions", {Variant(int32_t(1))});
    const Rows stats = Query("SELECT " + Column(functions, "FunctionSQL").join(',') + " " + p.from +
                             " WHERE ( o.Status = 'Open' )");
    EXPECT_DOUBLE_EQ(stats.rows.at(0)[0].toDouble(), 175.25);
    EXPECT_EQ(stats.rows.at(0)[1].toInt32(), 2);
    // The viewable columns' order is their position in the list.
    EXPECT_EQ(Column(Query("SELECT BaseColumnID, ColumnOrder FROM LdViewColumns WHERE ViewID = 1 AND Viewable = 1 "
                           "ORDER BY ColumnOrder"),
                     1),
              (QStringList{"1", "2", "3", "4"}));
}

TEST_F(ProceduresTest, UpdateSqlStmtsFollowsChangedColumnsAndRenumbersTheirOrder)
{
    EXPECT_FALSE(UpdateSql(1));
    // As the editor stores it: Customer hidden, Status added at an order that is taken.
    Exec("UPDATE LdViewColumns SET Viewable = 0 WHERE ViewColumnID = 2;"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
         "VALUES (1, 104, 1, 5, -1, -1);");
    EXPECT_FALSE(UpdateSql(1));
    const Pieces p = StoredPieces(1);
    const Rows list = Query(p.select + " " + p.from + " WHERE o.OrderID = 11");
    EXPECT_EQ(list.columns, (QStringList{"ID", "Order No", "Status", "Amount", "Customer No"}));
    EXPECT_EQ(Column(list, 2), (QStringList{"Closed"}));
    EXPECT_EQ(p.columnString, "Order No,1,Status,0,Amount,1,Customer No,1,");
    EXPECT_EQ(Column(Query("SELECT BaseColumnID FROM LdViewColumns WHERE ViewID = 1 AND Viewable = 1 ORDER BY ColumnOrder"), 0),
              (QStringList{"101", "104", "103", "106"}));
    EXPECT_EQ(Column(Call("Ld_GetViewColumns", {Variant(int32_t(1))}), "ColumnOrder").mid(1),
              (QStringList{"1", "2", "3", "3", "4"}));  // the hidden Customer keeps its order
}

TEST_F(ProceduresTest, UpdateSqlStmtsBuildsANewViewAndAddsTheLinksItCouldHave)
{
    // A new view, as the view model stores one.
    Exec("INSERT INTO LdViews (ViewName, DisplayName, Description, BaseID, Custom, Shared, CreateSQLView, CreatorID) "
         "VALUES ('ORDERS_2', 'Order amounts', '', 1, -1, 0, 0, 'jdoe');"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
         "SELECT MAX(ViewID), 103, 1, 1, -1, -1 FROM LdViews;"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
         "SELECT MAX(ViewID), 102, 5, 0, 0, -1 FROM LdViews;"
         "INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, FilterDataType) "
         "VALUES (109, 1, 'Doubled', 'Twice [USD]', '(o.Amount * 2)', 'money', 1, 'money');"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
         "SELECT MAX(ViewID), 109, 6, 0, 0, -1 FROM LdViews;");
    const int id = Value("SELECT MAX(ViewID) FROM LdViews").toInt32();
    EXPECT_FALSE(UpdateSql(id));
    const Pieces p = StoredPieces(id);
    const Rows list = Query(p.select + " " + p.from + " ORDER BY 1");
    EXPECT_EQ(list.columns, (QStringList{"ID", "Amount", "Customer", "Twice [USD]"}));
    EXPECT_EQ(Column(list, 0), (QStringList{"10", "11", "12"}));
    EXPECT_EQ(Column(list, 3), (QStringList{"200", "501", "150.5"}));
    // Switched-off links to the views of the related base, so that the editor can switch them on.
    EXPECT_EQ(Column(Query(QStringLiteral("SELECT LinkViewID || ':' || UseMe FROM LdViewRelationships WHERE ViewID = %1 "
                                          "ORDER BY LinkViewID")
                               .arg(id)),
                     0),
              (QStringList{"2:0", "3:0"}));
    // Building again adds none twice.
    EXPECT_FALSE(UpdateSql(id));
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViewRelationships WHERE ViewID = %1").arg(id)).toInt32(), 2);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewRelationships WHERE ViewID = 1").toInt32(), 2);
}

TEST_F(ProceduresTest, AStatementTooLongIsReportedAndWritesNothing)
{
    QString huge = QStringLiteral("(o.Amount");
    while (huge.size() < 8100)
        huge += QStringLiteral(" + o.Amount");
    huge += QLatin1Char(')');
    Exec(QStringLiteral("INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, "
                        "FilterDataType) VALUES (107, 1, 'Huge', 'Huge', '%1', 'money', 1, 'money');"
                        "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) "
                        "VALUES (1, 107, 7, 0, 0, -1);")
             .arg(huge));
    const QString before = Snapshot();
    const ProcedureCall c = Call("Ld_UpdateSQLStmts", {Variant(int32_t(1)), Variant(QString()), Variant(int32_t(0))});
    EXPECT_EQ(c.outputs.at(2).toInt32(), 1);
    EXPECT_EQ(c.outputs.at(1).toString().size(), 8000);
    EXPECT_TRUE(c.outputs.at(1).toString().startsWith("SELECT o.OrderID AS [ID]"));
    EXPECT_EQ(Snapshot(), before);

    // Short enough: not too long, and the statement is the one that runs.
    Exec("DELETE FROM LdViewColumns WHERE BaseColumnID = 107");
    const ProcedureCall ok = Call("Ld_UpdateSQLStmts", {Variant(int32_t(1)), Variant(QString()), Variant(int32_t(0))});
    EXPECT_EQ(ok.outputs.at(2).toInt32(), 0);
    const Pieces p = StoredPieces(1);
    EXPECT_EQ(ok.outputs.at(1).toString(), p.select + " " + p.from + " " + p.fromEx);
}

TEST_F(ProceduresTest, ResetSqlForAllViewsRebuildsTheViewsOfABaseAfterABaseColumnChanged)
{
    EXPECT_FALSE(UpdateSql(2));
    EXPECT_FALSE(UpdateSql(3));
    EXPECT_FALSE(UpdateSql(1));
    Exec("UPDATE LdBaseColumns SET DisplayName = 'Client', ColumnSQL = 'UPPER(c.Name)' WHERE ColumnID = 202");
    const ProcedureCall c = Call("Ld_ResetSQLForAllViews", {Variant(Null), Variant(int32_t(2))});
    EXPECT_TRUE(c.rows.empty());
    const Pieces p = StoredPieces(2);
    const Rows list = Query(p.select + " " + p.from + " WHERE c.CustomerID = 2");
    EXPECT_EQ(list.columns, (QStringList{"ID", "Customer No", "Client"}));
    EXPECT_EQ(Column(list, 2), (QStringList{"GLOBEX"}));
    EXPECT_EQ(p.columnString, "Customer No,1,Client,0,");
    EXPECT_EQ(StoredPieces(3).columnString, "Customer No,1,City,0,");  // the other view of the base
}

TEST_F(ProceduresTest, SqlViewOfAViewIsMadeRenamedAndDropped)
{
    Exec("UPDATE LdViews SET CreateSQLView = -1 WHERE ViewID = 1");
    EXPECT_FALSE(UpdateSql(1));
    EXPECT_EQ(Value("SELECT SQLViewName FROM LdViews WHERE ViewID = 1").toString(), "ORDERS_1");
    Rows r = Query("SELECT * FROM ORDERS_1 ORDER BY ID");
    EXPECT_EQ(r.columns, (QStringList{"ID", "OrderNo", "Amount", "Customer", "CustomerID"}));
    EXPECT_EQ(r.rows.size(), 3u);

    Exec("UPDATE LdViews SET ViewName = 'OpenOrders' WHERE ViewID = 1");
    EXPECT_FALSE(UpdateSql(1));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'ORDERS_1'").toInt32(), 0);
    EXPECT_EQ(Query("SELECT * FROM OpenOrders").rows.size(), 3u);

    Exec("UPDATE LdViews SET CreateSQLView = 0 WHERE ViewID = 1");
    EXPECT_FALSE(UpdateSql(1));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'OpenOrders'").toInt32(), 0);
    EXPECT_TRUE(Value("SELECT SQLViewName FROM LdViews WHERE ViewID = 1").isNull());
}

TEST_F(ProceduresTest, DeleteViewRemovesACustomViewWithEverythingOfIt)
{
    Exec("INSERT INTO LdViews (ViewName, DisplayName, BaseID, Custom, Shared, CreatorID, BaseViewID) "
         "VALUES ('CUSTOMERS_3', 'Copy', 2, -1, 0, 'mary', 3)");
    Exec("UPDATE LdViews SET CreateSQLView = 1 WHERE ViewID = 3");
    EXPECT_FALSE(UpdateSql(3));
    ASSERT_EQ(Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'CUSTOMERS_2'").toInt32(), 1);

    const ProcedureCall c = Call("Ld_DeleteView", {Variant(int32_t(3))});
    EXPECT_TRUE(c.rows.empty());
    for (const char* sql : {"SELECT COUNT(*) FROM LdViews WHERE ViewID = 3",
                            "SELECT COUNT(*) FROM LdViewColumns WHERE ViewID = 3",
                            "SELECT COUNT(*) FROM LdViewFilters WHERE ViewID = 3",
                            "SELECT COUNT(*) FROM LdViewFilterColumns WHERE ViewFilterID = 3",
                            "SELECT COUNT(*) FROM LdViewRelationships WHERE ViewID = 3 OR LinkViewID = 3",
                            "SELECT COUNT(*) FROM LdMyViews WHERE ViewID = 3",
                            "SELECT COUNT(*) FROM sqlite_master WHERE name = 'CUSTOMERS_2'",
                            "SELECT COUNT(*) FROM LdViews WHERE BaseViewID = 3"})
        EXPECT_EQ(Value(QLatin1String(sql)).toInt32(), 0) << sql;
    // The rest is untouched.
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewRelationships").toInt32(), 1);
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LdViewColumns WHERE ViewID IN (1, 2)").toInt32(), 8);
}

// ---- Registry and rights ------------------------------------------------------------

TEST_F(ProceduresTest, GetRegValueGivesTypeAndTextOfAValue)
{
    struct Case {
        Variant parent;
        const char* subKey;
        const char* name;
        const char* type;
        const char* value;
    };
    const std::vector<Case> cases = {
        {Variant(Null), "System", "Version", "S ", "7.6.5 / 7.6.0"},
        {Variant(Null), "config", "EXCELEXPORTAUTHMETHOD", "I4", "1"},
        {Variant(int32_t(0)), "Config", "ExcelExportAuthMethod", "I4", "1"},
        {Variant(Null), "Config\\Export", "Ratio", "F8", "0.25"},
        {Variant(int32_t(2)), "Export", "Ratio", "F8", "0.25"},
        {Variant(Null), "Config", "Odd", "I2", "3"},  // the program refuses the type, not the database
    };
    for (const Case& c : cases) {
        const ProcedureCall call =
            Call("Co_GetRegValue", {c.parent, Variant(c.subKey), Variant(c.name), Variant(), Variant()});
        EXPECT_EQ(call.outputs.at(3).toString(), QLatin1String(c.type)) << c.subKey << " " << c.name;
        EXPECT_EQ(call.outputs.at(4).toString(), QLatin1String(c.value)) << c.subKey << " " << c.name;
        EXPECT_TRUE(call.rows.empty());
    }
}

TEST_F(ProceduresTest, GetRightsJoinsTheUsersAndTheGroupsRights)
{
    struct Case {
        const char* user;
        const char* company;
        const char* object;
        int32_t rights;
    };
    const std::vector<Case> cases = {
        {"admin", "ACME", "QuillonAllViews", 15},
        {" Admin ", "ACME", "AnyObjectAtAll", 15},
        {"jdoe", "ACME", "QuillonAllViews", 1 | 8},  // own View, Delete through 'admins'
        {"JDOE ", "ACME", "quillonallviews", 1 | 8},
        {"mary", "ACME", "QuillonAllViews", 6},       // through 'sales'
        {"mary", "ACME", "QuillonMyViews", 9},        // this company's grant and the all-company one (masked to 4 bits)
        {"mary", "OTHER", "QuillonMyViews", 2},
        {"mary", "NONE", "QuillonMyViews", 0},
        {"jdoe", "ACME", "CoExportLists", 0},
        {"nobody", "ACME", "QuillonAllViews", 0},
    };
    for (const Case& c : cases) {
        const ProcedureCall call =
            Call("Co_GetRights", {Variant(c.user), Variant(c.company), Variant(c.object), Variant()});
        EXPECT_EQ(call.outputs.at(3).type(), VarType::Long);
        EXPECT_EQ(call.outputs.at(3).toInt32(), c.rights) << c.user << " " << c.company << " " << c.object;
    }
}

// ---- Bad input ---------------------------------------------------------------------------

TEST_F(ProceduresTest, BadInputGivesAClearErrorAndWritesNothing)
{
    // A view without any viewable column, and one whose column SQL does not run.
    Exec("INSERT INTO LdViews (ViewID, ViewName, DisplayName, BaseID, Custom, Shared, CreatorID) VALUES "
         "(20, 'ORDERS_20', 'Nothing shown', 1, -1, 0, 'jdoe'), (21, 'ORDERS_21', 'Broken', 1, -1, 0, 'jdoe'), "
         "(22, 'Customers', 'Clash', 2, -1, 0, 'jdoe'), (23, 'LdCatalogViews', 'Clash 2', 2, -1, 0, 'jdoe'), "
         "(24, 'ORDERS_24', 'Comma', 1, -1, 0, 'jdoe');"
         "INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, FilterDataType) "
         "VALUES (108, 1, 'Bad', 'Bad', 'o.NoSuchColumn', 'int', 1, 'number'), "
         "(110, 1, 'Net', 'Net, total', 'o.Amount', 'money', 1, 'money');"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) VALUES "
         "(24, 101, 1, 1, -1, -1), (24, 110, 2, 0, 0, -1);"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) VALUES "
         "(20, 101, 1, 1, -1, 0), (21, 101, 1, 1, -1, -1), (21, 108, 2, 0, 0, -1), "
         "(22, 201, 1, 1, -1, -1), (23, 201, 1, 1, -1, -1);"
         "UPDATE LdViews SET CreateSQLView = 1 WHERE ViewID IN (22, 23);");
    struct Case {
        const char* name;
        std::vector<Variant> args;
        const char* message;  // contained in the error's description
    };
    const Variant out;
    const std::vector<Case> cases = {
        {"Ld_GetView", {Variant(Null), Variant("jdoe")}, "Ld_GetView: @ViewID must not be NULL."},
        {"Ld_GetViewColumns", {Variant(Null)}, "@ViewID must not be NULL."},
        {"Ld_GetViewColumns", {Variant("twelve")}, "@ViewID must be a whole number (32-bit), not 'twelve'."},
        {"Ld_GetViewColumnFunctions", {Variant(Null)}, "@ViewID must not be NULL."},
        {"Ld_GetAssocViews", {Variant(int32_t(1)), Variant(Null), Variant(int32_t(0))}, "@UserID must not be NULL."},
        {"Ld_GetViewFilters", {Variant(Null), Variant(int32_t(0))}, "@ViewID must not be NULL."},
        {"Ld_IsColumnFilterable", {Variant(int32_t(2)), Variant(Null), Variant(Null)},
         "@ColumnID and @ColumnName must not both be NULL."},
        {"Ld_UpdateSQLStmts", {Variant(Null), out, out}, "Ld_UpdateSQLStmts: @v_iViewID must not be NULL."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(999)), out, out}, "view 999 does not exist."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(20)), out, out}, "view 'Nothing shown' has no viewable column"},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(21)), out, out},
         "the SQL of view 'Broken' does not run: no such column: o.NoSuchColumn"},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(22)), out, out}, "a table of that name exists"},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(24)), out, out},
         "the caption 'Net, total' of a column of view 'Comma' must not contain a comma."},
        {"Ld_UpdateSQLStmts", {Variant(int32_t(23)), out, out}, "was not made for a list view"},
        {"Ld_ResetSQLForAllViews", {Variant(Null), Variant(int32_t(1))}, "view 'Nothing shown' has no viewable column"},
        {"Ld_ResetSQLForAllViews", {Variant(int32_t(999)), Variant(Null)}, "view 999 does not exist."},
        {"Ld_DeleteView", {Variant(Null)}, "@ViewID must not be NULL."},
        {"Ld_DeleteView", {Variant(int32_t(999))}, "view 999 does not exist."},
        {"Ld_DeleteView", {Variant(int32_t(1))}, "view 'Open Orders' is a standard view and cannot be deleted."},
        {"Co_GetRegValue", {Variant(Null), Variant(Null), Variant("Version"), out, out}, "@vs_SubKey must not be NULL."},
        {"Co_GetRegValue", {Variant(Null), Variant("System"), Variant(Null), out, out}, "@vs_Name must not be NULL."},
        {"Co_GetRegValue", {Variant(Null), Variant("Nowhere"), Variant("Version"), out, out},
         "the registry key 'Nowhere' does not exist."},
        {"Co_GetRegValue", {Variant(Null), Variant("System"), Variant("Colour"), out, out},
         "the registry value 'Colour' does not exist under the key 'System'."},
        {"Co_GetRegValue", {Variant(int32_t(1)), Variant("Config"), Variant("Odd"), out, out},
         "the registry key 'Config' does not exist."},  // Config is not below System
        {"Co_GetRights", {Variant(Null), Variant("ACME"), Variant("QuillonAllViews"), out}, "@vs_UserID must not be NULL."},
        {"Co_GetRights", {Variant("jdoe"), Variant("ACME"), Variant(Null), out}, "@vs_SecuredObjectID must not be NULL."},
    };
    UpdateSql(1);  // the ones that build something write nothing over existing pieces either
    for (const Case& c : cases) {
        const QString before = Snapshot();
        try {
            Call(c.name, c.args);
            ADD_FAILURE() << c.name << " raised no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), kDatabaseErrorNumber) << c.name;
            EXPECT_TRUE(e.description().contains(QLatin1String(c.message)))
                << c.name << ": " << e.description().toStdString();
        }
        EXPECT_EQ(Snapshot(), before) << c.name;
    }
}


// ---- Through the database interface, as the program calls them -------------------------

class ProceduresThroughInterfaceTest : public ProceduresTest {
protected:
    void SetUp() override
    {
        ProceduresTest::SetUp();
        dbi.OpenBackend(SqliteBackend::openFile(m_dir.filePath(QStringLiteral("ACME.sqlite")), false));
    }
    void TearDown() override
    {
        dbi.CloseConnection();
        ProceduresTest::TearDown();
    }
    BrandleDatabase dbi;
};

TEST_F(ProceduresThroughInterfaceTest, ExecTextGivesTheResultSetsTheViewModelReads)
{
    BrandleRecordsetPtr rs;
    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetView 1,'jdoe'"), rs, 0, 1));
    EXPECT_EQ(rs->Item(QStringLiteral("ViewName")).toString(), "ORDERS_1");
    EXPECT_TRUE(rs->Item(QStringLiteral("SQLSelect")).toString().startsWith("SELECT o.OrderID AS [ID]"));
    EXPECT_TRUE(rs->Item(QStringLiteral("autopopulate")).toBool());
    dbi.CloseRecordset(rs);

    EXPECT_FALSE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetView 999,'jdoe'"), rs, 0, 1));
    EXPECT_EQ(rs->FieldCount(), 18);
    dbi.CloseRecordset(rs);

    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetViewColumns 1,1"), rs, 0, 1));
    EXPECT_EQ(rs->RecordCount(), 6);
    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetViewColumnFunctions 1"), rs, 0, 1));
    EXPECT_EQ(rs->Item(QStringLiteral("FunctionColumnDisplayName")).toString(), "Amount");
    EXPECT_EQ(rs->Item(QStringLiteral("ColumnName")).toString(), "Amount");
    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetAssocViews 1,'jdoe',0"), rs, 0, 1));
    EXPECT_EQ(rs->Item(QStringLiteral("fkViewID")).toInt32(), 2);
    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetViewFilters 1,1"), rs, 0, 1));
    EXPECT_EQ(rs->RecordCount(), 2);
    ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_IsColumnFilterable 2, NULL, 'City'"), rs, 0, 1));
    EXPECT_FALSE(rs->Item(QStringLiteral("Filterable")).toBool());
    EXPECT_EQ(rs->Item(QStringLiteral("DisplayName")).toString(), "City");

    // The catalogue delete runs through Execute.
    dbi.Execute(QStringLiteral("EXEC Ld_DeleteView 3"));
    EXPECT_TRUE(dbi.DLookup(QStringLiteral("ViewID"), QStringLiteral("LdViews"), QStringLiteral("ViewID = 3")).isNull());
    dbi.Execute(QStringLiteral("Exec Ld_ResetSQLForAllViews NULL, 2"));
    EXPECT_FALSE(dbi.DLookup(QStringLiteral("SQLSelect"), QStringLiteral("LdViews"), QStringLiteral("ViewID = 2")).isNull());
}

TEST_F(ProceduresThroughInterfaceTest, StoreBuildsTheSqlInsideItsTransactionAndItsRollbackUndoesIt)
{
    auto command = [] {
        auto cmd = std::make_shared<BrandleCommand>();
        cmd->Init(QStringLiteral("Ld_UpdateSQLStmts"), 3);
        cmd->AddParameter(QStringLiteral("@v_iViewID"), adInteger, adParamInput, 0, Variant(int32_t(2)), -1, -1);
        cmd->AddParameter(QStringLiteral("@r_sSQLStmt"), adVarChar, adParamOutput, 8000, Variant(QString()), -1, -1);
        cmd->AddParameter(QStringLiteral("@r_bStmtTooLong"), adInteger, adParamOutput, 0, Variant(int32_t(0)), -1, -1);
        return cmd;
    };
    int32_t flag = 0;
    dbi.BeginTrans(QStringLiteral("CoLdUV.Store"), flag);
    dbi.Execute(QStringLiteral("UPDATE LdViewColumns\r\nSET\r\nColumnOrder = 1,\r\nFilterOrder = 1,\r\nFilterable = -1,\r\n"
                               "Viewable = 0\r\nWHERE ViewColumnID = 7"));
    auto cmd = command();
    BrandleRecordsetPtr rs;
    EXPECT_FALSE(dbi.OpenCommandRecordset(*cmd, rs));
    EXPECT_FALSE(cmd->ParameterValue(QStringLiteral("r_bStmtTooLong")).toBool());
    EXPECT_EQ(cmd->ParameterValue(QStringLiteral("r_sSQLStmt")).toString(),
              "SELECT c.CustomerID AS [ID], c.Name AS [Customer Name]\r\n FROM Customers c");
    dbi.CloseRecordset(rs);
    dbi.RollbackTrans(QStringLiteral("CoLdUV.Store"), flag);
    EXPECT_TRUE(dbi.DLookup(QStringLiteral("SQLSelect"), QStringLiteral("LdViews"), QStringLiteral("ViewID = 2")).isNull());

    dbi.BeginTrans(QStringLiteral("CoLdUV.Store"), flag);
    cmd = command();
    EXPECT_TRUE(dbi.ExecuteCommand(*cmd));
    dbi.CommitTrans(QStringLiteral("CoLdUV.Store"), flag);
    EXPECT_EQ(dbi.DLookup(QStringLiteral("ColumnString"), QStringLiteral("LdViews"), QStringLiteral("ViewID = 2")).toString(), "Customer No,1,Customer Name,0,");
}

TEST_F(ProceduresThroughInterfaceTest, RegistryAndRightsCommandsFillTheirOutputs)
{
    BrandleCommand reg;
    reg.Init(QStringLiteral("Co_GetRegValue"), 5);
    reg.AddParameter(QStringLiteral("@vi_ParentID"), adInteger, adParamInput, 0, Variant(Null), -1, -1);
    reg.AddParameter(QStringLiteral("@vs_SubKey"), adVarChar, adParamInput, 255, Variant("Config"), -1, -1);
    reg.AddParameter(QStringLiteral("@vs_Name"), adVarChar, adParamInput, 50, Variant("ExcelExportAuthMethod"), -1, -1);
    reg.AddParameter(QStringLiteral("@rs_Type"), adChar, adParamOutput, 2, Variant(), -1, -1);
    reg.AddParameter(QStringLiteral("@rs_Value"), adVarChar, adParamOutput, 255, Variant(), -1, -1);
    EXPECT_TRUE(dbi.ExecuteCommand(reg));
    EXPECT_EQ(reg.ParameterValue(QStringLiteral("rs_Type")).toString().trimmed(), "I4");
    EXPECT_EQ(reg.ParameterValue(QStringLiteral("rs_Value")).toString(), "1");

    BrandleCommand rights;
    rights.Init(QStringLiteral("Co_GetRights"), 4);
    rights.AddParameter(QStringLiteral("@vs_UserID"), adVarChar, adParamInput, 8, Variant("mary"), -1, -1);
    rights.AddParameter(QStringLiteral("@vs_CompanyID"), adVarChar, adParamInput, 15, Variant("ACME"), -1, -1);
    rights.AddParameter(QStringLiteral("@vs_SecuredObjectID"), adVarChar, adParamInput, 30, Variant("QuillonAllViews"),
                        -1, -1);
    rights.AddParameter(QStringLiteral("@ri_Rights"), adInteger, adParamOutput, 0, Variant(), -1, -1);
    EXPECT_TRUE(dbi.ExecuteCommand(rights));
    EXPECT_EQ(rights.ParameterValue(QStringLiteral("ri_Rights")).toInt32(), 6);
}

TEST_F(ProceduresThroughInterfaceTest, BadCallsFailWithTheProceduresMessage)
{
    struct Case {
        const char* sql;
        const char* message;
    };
    const Case cases[] = {
        {"EXEC Ld_GetView NULL,'jdoe'", "Ld_GetView: @ViewID must not be NULL."},
        {"EXEC Ld_GetViewColumns", "expects parameter number 1"},
        {"EXEC Ld_GetViewColumnFunctions 1, 2", "too many arguments"},
        {"EXEC Ld_UpdateSQLStmts 999", "Ld_UpdateSQLStmts: view 999 does not exist."},
        {"EXEC Ld_DeleteView 1", "is a standard view and cannot be deleted."},
    };
    for (const Case& c : cases) {
        const QString before = Snapshot();
        try {
            BrandleRecordsetPtr rs;
            dbi.OpenRecordset(QLatin1String(c.sql), rs, 0, 1);
            ADD_FAILURE() << c.sql << " raised no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), kDatabaseErrorNumber) << c.sql;
            EXPECT_TRUE(e.description().contains(QLatin1String(c.message))) << c.sql << ": " << e.description().toStdString();
        }
        EXPECT_EQ(Snapshot(), before) << c.sql;
    }
}

}  // namespace
