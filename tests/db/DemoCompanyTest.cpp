// The demo company, made once in a temporary server and used through the database
// interface as the program uses it: logon queries, catalogues and their
// restrictions, rights, every view's stored SQL, saved searches, column
// functions and linked views; the sqlite3 shell reads its files; and the
// administration command refuses bad input without changing anything.
#include "base/AppError.h"
#include "base/AuUtilities.h"
#include "DemoCompanyFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

const QString kServer = QStringLiteral("DemoTest");

struct Column {
    QString name;
    QString sql;
    int type = 0;
    bool viewable = false;
    bool filterable = false;
    bool extended = false;
};

class DemoCompanyTest : public DemoCompanyFixture {
protected:
    static void SetUpTestSuite() { summary = MakeCompany(kServer); }
    static void TearDownTestSuite() { DropCompany(); }
    void SetUp() override { Connect(kServer); }

    // The first column of every row, as text.
    QStringList Column0(const QString& sql)
    {
        BrandleRecordsetPtr rs;
        dbi.OpenRecordset(sql, rs);
        QStringList out;
        for (; rs->HasRecord(); rs->MoveNext())
            out << rs->Item(0).toString();
        dbi.CloseRecordset(rs);
        return out;
    }
    std::map<QString, Variant> ViewRow(int viewId, const QString& user)
    {
        BrandleRecordsetPtr rs;
        EXPECT_TRUE(dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetView %1,'%2'").arg(viewId).arg(user), rs));
        std::map<QString, Variant> row;
        for (int k = 0; k < rs->FieldCount(); ++k)
            row[rs->FieldName(k)] = rs->Item(k);
        dbi.CloseRecordset(rs);
        return row;
    }
    std::vector<Column> ViewColumns(int viewId)
    {
        BrandleRecordsetPtr rs;
        dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetViewColumns %1").arg(viewId), rs);
        std::vector<Column> columns;
        for (; rs->HasRecord(); rs->MoveNext()) {
            Column c;
            c.name = rs->Item(QStringLiteral("ColumnName")).toString().trimmed();
            c.sql = rs->Item(QStringLiteral("ColumnSQL")).toString();
            c.type = rs->Item(QStringLiteral("Type")).toInt32();
            c.viewable = rs->Item(QStringLiteral("Viewable")).toBool();
            c.filterable = rs->Item(QStringLiteral("Filterable")).toBool();
            c.extended = rs->Item(QStringLiteral("UseExtendedFrom")).toBool();
            columns.push_back(c);
        }
        dbi.CloseRecordset(rs);
        return columns;
    }
    // Column tokens of filterable columns replaced by their SQL, as the list window does.
    QString Expand(const QString& text, const std::vector<Column>& columns)
    {
        QString out = text;
        for (const Column& c : columns) {
            if (c.filterable)
                out.replace(QLatin1Char('{') + c.name + QLatin1Char('}'), c.sql);
        }
        return out;
    }
    // The list query of a view with a WHERE text (the extended FROM added), as the list control builds it.
    QString ListQuery(int viewId, const QString& where, bool extended)
    {
        auto row = ViewRow(viewId, QStringLiteral("admin"));
        QString sql = row[QStringLiteral("SQLSelect")].toString() + QLatin1Char(' ') +
                      row[QStringLiteral("SQLFrom")].toString();
        if (extended)
            sql += QLatin1Char(' ') + row[QStringLiteral("SQLFromEx")].toString();
        return sql + QLatin1Char(' ') + where;
    }
    int Rows(const QString& sql)
    {
        BrandleRecordsetPtr rs;
        dbi.OpenRecordset(sql, rs);
        const int n = rs->RecordCount();
        dbi.CloseRecordset(rs);
        return n;
    }

    static erpdb::DemoSummary summary;
};

erpdb::DemoSummary DemoCompanyTest::summary;

TEST_F(DemoCompanyTest, HoldsBelievableBusinessData)
{
    EXPECT_EQ(summary.orderLines, erpdb::kDemoOrderLines);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM OrderLines")), erpdb::kDemoOrderLines);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM Orders")), summary.orders);
    EXPECT_GT(summary.customers, 100);
    EXPECT_GT(summary.invoices, 100);
    // Order totals add up, every line belongs to an order, every invoice to an invoiced order.
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM Orders o WHERE ABS(o.OrderTotal - (SELECT SUM(LineTotal) "
                                   "FROM OrderLines ol WHERE ol.OrderID = o.OrderID)) > 0.01")),
              0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM OrderLines ol WHERE NOT EXISTS "
                                   "(SELECT 1 FROM Orders o WHERE o.OrderID = ol.OrderID)")),
              0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM Invoices i INNER JOIN Orders o ON o.OrderID = i.OrderID "
                                   "WHERE o.Status <> 'Invoiced' OR o.CustomerID <> i.CustomerID")),
              0);
    EXPECT_GT(Count(QStringLiteral("SELECT COUNT(*) FROM Customers WHERE Name LIKE 'O''Brien%'")), 0);
}

TEST_F(DemoCompanyTest, TheLogonFindsCompanyUsersAndAVersionForBothPrograms)
{
    BrandleDatabase system;
    int32_t flag = 0;
    system.OpenConnection(kServer, QStringLiteral("CoSystem"), QStringLiteral("coexecutive"),
                          QLatin1String(erpdb::kDemoExecutivePassword), 0, flag);
    BrandleRecordsetPtr rs;
    ASSERT_TRUE(system.OpenRecordset(
        QStringLiteral("SELECT CompanyID, CompanyName, DBName FROM CoCompanies WHERE CompanyID = 'DEMO'"), rs));
    EXPECT_EQ(rs->Item(QStringLiteral("DBName")).toString(), QLatin1String(erpdb::kDemoDatabaseName));
    system.CloseRecordset(rs);

    for (const erpdb::DemoUser& u : erpdb::DemoUsers()) {
        const QString id = QLatin1String(u.userId);
        EXPECT_EQ(Value(QStringLiteral("SELECT Password FROM CoUsers WHERE UserID = '%1'").arg(id)).toString(),
                  CryptText(1, QLatin1String(u.password), id.toUpper(), true))
            << u.userId;
    }
    const QString version = Value(QStringLiteral("SELECT Value FROM CoRegKeys rk INNER JOIN CoRegValues rv ON rk.KeyID "
                                                 "= rv.KeyID WHERE rk.Name = 'System' AND rv.Name = 'Version'"))
                                .toString()
                                .trimmed();
    EXPECT_TRUE(version.contains(QLatin1String("7.6.5")));
    EXPECT_TRUE(version.contains(QLatin1String("7.6.0")));

    // The registry through the command the program sends.
    BrandleCommand command;
    command.Init(QStringLiteral("Co_GetRegValue"), 5);
    command.AddParameter(QStringLiteral("vi_ParentID"), adInteger, adParamInput, 0, Variant(NullValue{}));
    command.AddParameter(QStringLiteral("vs_SubKey"), adVarChar, adParamInput, 255, QStringLiteral("Config"));
    command.AddParameter(QStringLiteral("vs_Name"), adVarChar, adParamInput, 50, QStringLiteral("ExcelExportAuthMethod"));
    command.AddParameter(QStringLiteral("rs_Type"), adChar, adParamOutput, 2);
    command.AddParameter(QStringLiteral("rs_Value"), adVarChar, adParamOutput, 255);
    ASSERT_TRUE(dbi.ExecuteCommand(command));
    EXPECT_EQ(command.ParameterValue(QStringLiteral("rs_Type")).toString().trimmed(), QStringLiteral("I4"));
    EXPECT_EQ(command.ParameterValue(QStringLiteral("rs_Value")).toString().trimmed(), QStringLiteral("1"));

    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdMaster WHERE MasterName = 'OpeningLinkedViews'")), 1);
    EXPECT_EQ(Value(QStringLiteral("SELECT BranchName FROM GLBranches WHERE BranchID = 1")).toString(),
              QStringLiteral("Main Branch"));
}

TEST_F(DemoCompanyTest, UsersOfEachKindHoldTheirRights)
{
    struct Case {
        const char* user;
        const char* object;
        int rights;
    };
    const Case cases[] = {
        {"guest", "QuillonAllViews", 0},     {"guest", "QuillonMyViews", 1},   {"guest", "ArCustomers", 1},
        {"jdoe", "QuillonAllViews", 3},      {"jdoe", "QuillonMyViews", 15},   {"jdoe", "CoExportLists", 1},
        {"jdoe", "QuillonCreateSQLViews", 0}, {"jdoe", "CoExportListsPassSQLConnection", 0},
        {"asmith", "QuillonAllViews", 15},   {"asmith", "QuillonImportColumns", 15},
        {"asmith", "CoExportListsPassSQLConnection", 15}, {"nobody", "QuillonAllViews", 0},
    };
    for (const Case& c : cases) {
        BrandleCommand command;
        command.Init(QStringLiteral("Co_GetRights"), 4);
        command.AddParameter(QStringLiteral("vs_UserID"), adVarChar, adParamInput, 8, QString::fromUtf8(c.user));
        command.AddParameter(QStringLiteral("vs_CompanyID"), adVarChar, adParamInput, 15, QStringLiteral("DEMO"));
        command.AddParameter(QStringLiteral("vs_SecuredObjectID"), adVarChar, adParamInput, 30,
                             QString::fromUtf8(c.object));
        command.AddParameter(QStringLiteral("ri_Rights"), adInteger, adParamOutput, 0);
        ASSERT_TRUE(dbi.ExecuteCommand(command));
        EXPECT_EQ(command.ParameterValue(QStringLiteral("ri_Rights")).toInt32(), c.rights) << c.user << " " << c.object;
    }
    // 'asmith' is an administrator of the list window through the group.
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM CoUserGroups WHERE GroupID = 'admins' AND UserID = 'asmith'"))
                  .toInt32(),
              1);
    // Every secured object the program names, and every base's, has a description; every base has one.
    for (const char* id : {"QuillonAllViews", "QuillonMyViews", "QuillonCreateSQLViews", "QuillonImportColumns",
                           "CoExportLists", "CoExportListsPassSQLConnection"})
        EXPECT_FALSE(dbi.DLookup(QStringLiteral("Description"), QStringLiteral("CoSecuredObjects"),
                                 QStringLiteral("SecuredObjectID = '%1'").arg(QLatin1String(id)))
                         .toString()
                         .isEmpty())
            << id;
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdBaseSecurity bs WHERE NOT EXISTS (SELECT 1 FROM "
                                   "CoSecuredObjects so WHERE so.SecuredObjectID = bs.SecuredObjectID)")),
              0);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdBases b WHERE NOT EXISTS (SELECT 1 FROM LdBaseSecurity bs "
                                   "WHERE bs.BaseID = b.BaseID)")),
              0);
}

TEST_F(DemoCompanyTest, TheCataloguesListWhatEachUserMaySee)
{
    const int allViews = dbi.DLookup(QStringLiteral("ViewID"), QStringLiteral("LdViews"),
                                     QStringLiteral("ViewName = 'LdViews'"))
                             .toInt32();
    const int myViews = dbi.DLookup(QStringLiteral("ViewID"), QStringLiteral("LdViews"),
                                    QStringLiteral("ViewName = 'LdMyViews'"))
                            .toInt32();
    ASSERT_GT(allViews, 0);
    ASSERT_GT(myViews, 0);
    for (int catalogue : {allViews, myViews}) {
        std::map<QString, Column> byName;
        for (const Column& c : ViewColumns(catalogue))
            byName[c.name] = c;
        EXPECT_TRUE(byName[QStringLiteral("CreatorID")].viewable) << catalogue;
        EXPECT_TRUE(byName[QStringLiteral("Custom")].viewable) << catalogue;
    }
    auto names = [&](int catalogue, const QString& restriction) {
        return Column0(ListQuery(catalogue, QStringLiteral(" WHERE ") + restriction, false));
    };
    const auto allFor = [&](const char* user) {
        return names(allViews, QStringLiteral(" (v_Shared = 1 OR (v_CreatorID = '%1' OR v_CreatorID IS NULL)) ")
                                   .arg(QLatin1String(user)));
    };
    // Row ids are view ids: jdoe sees his private view 9, not asmith's private 11; the catalogues are not listed.
    EXPECT_TRUE(allFor("jdoe").contains(QStringLiteral("9")));
    EXPECT_FALSE(allFor("jdoe").contains(QStringLiteral("11")));
    EXPECT_TRUE(allFor("asmith").contains(QStringLiteral("11")));
    EXPECT_FALSE(allFor("guest").contains(QStringLiteral("9")));
    EXPECT_FALSE(allFor("admin").contains(QString::number(allViews)));
    EXPECT_EQ(names(myViews, QStringLiteral(" (ViewUser = 'jdoe' AND IsMyView = 1)")),
              (QStringList{QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("9"), QStringLiteral("10")}));
    // A user id typed in other case and with blanks still finds the user's rows.
    EXPECT_EQ(names(myViews, QStringLiteral(" (ViewUser = 'JDoe ' AND IsMyView = 1)")).size(), 4);

    // Custom shows "Yes" for a custom view, CreatorID the stored id.
    BrandleRecordsetPtr rs;
    ASSERT_TRUE(dbi.OpenRecordset(ListQuery(allViews, QStringLiteral("WHERE v_ViewID = 10"), false), rs));
    EXPECT_EQ(rs->Item(QStringLiteral("Custom")).toString(), QStringLiteral("Yes"));
    EXPECT_EQ(rs->Item(QStringLiteral("Created By")).toString(), QStringLiteral("jdoe"));
    EXPECT_EQ(rs->Item(QStringLiteral("View Name")).toString(), QStringLiteral("Orders by Sales Rep"));
    dbi.CloseRecordset(rs);
}

// Every view's stored pieces, built by Ld_UpdateSQLStmts, run as the list, the
// export, the statistics and the search editor's test run them.
TEST_F(DemoCompanyTest, EveryViewsStoredSqlRunsInEachWayTheProgramUsesIt)
{
    const QStringList ids = Column0(QStringLiteral("SELECT ViewID FROM LdViews ORDER BY ViewID"));
    ASSERT_EQ(ids.size(), summary.views);
    for (const QString& id : ids) {
        auto row = ViewRow(id.toInt(), QStringLiteral("jdoe"));
        const QString select = row[QStringLiteral("SQLSelect")].toString();
        const QString from = row[QStringLiteral("SQLFrom")].toString();
        const QString fromEx = row[QStringLiteral("SQLFromEx")].isNull() ? QString()
                                                                         : row[QStringLiteral("SQLFromEx")].toString();
        ASSERT_TRUE(select.startsWith(QLatin1String("SELECT "))) << id.toStdString();
        ASSERT_TRUE(from.startsWith(QLatin1String("FROM "))) << id.toStdString();
        EXPECT_FALSE(row[QStringLiteral("ColumnString")].toString().isEmpty());
        EXPECT_EQ(row[QStringLiteral("ViewID")].toInt32(), id.toInt());

        const std::vector<Column> columns = ViewColumns(id.toInt());
        int viewable = 0;
        for (const Column& c : columns)
            viewable += c.viewable ? 1 : 0;
        EXPECT_EQ(row[QStringLiteral("ColumnString")].toString().count(QLatin1Char(',')), 2 * viewable);

        BrandleRecordsetPtr rs;
        dbi.OpenRecordset(select + QLatin1Char(' ') + from + QLatin1Char(' ') + fromEx, rs);
        EXPECT_EQ(rs->FieldCount(), viewable + 1) << id.toStdString();
        if (rs->HasRecord())
            EXPECT_GE(rs->Item(0).toInt32(), 1);
        dbi.CloseRecordset(rs);
        // The export's statement and the search editor's test.
        EXPECT_NO_THROW(Rows(select + QLatin1Char(' ') + from + QLatin1Char(' ') + QStringLiteral(" ORDER BY 2")));
        EXPECT_NO_THROW(dbi.Execute(select.left(select.indexOf(QLatin1Char(','))) + QLatin1Char(' ') + from +
                                    QLatin1Char(' ') + fromEx + QStringLiteral(" WHERE 1 = 0")));

        // Statistics: the column functions over the same FROM.
        BrandleRecordsetPtr fn;
        QStringList functions;
        bool money = false;
        dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetViewColumnFunctions %1").arg(id), fn);
        for (; fn->HasRecord(); fn->MoveNext()) {
            functions << fn->Item(QStringLiteral("FunctionSQL")).toString();
            money = money || fn->Item(QStringLiteral("DataType")).toString() == QLatin1String("money");
            EXPECT_EQ(fn->Item(QStringLiteral("FunctionColumnDisplayName")).toString().isEmpty(), false);
        }
        dbi.CloseRecordset(fn);
        if (!functions.isEmpty()) {
            EXPECT_NO_THROW(Rows(QStringLiteral("SELECT ") + functions.join(QLatin1Char(',')) + QLatin1Char(' ') + from +
                                 QLatin1Char(' ')))
                << id.toStdString();
            if (id == QLatin1String("4"))
                EXPECT_TRUE(money);
        }
    }
    EXPECT_GT(Count(QStringLiteral("SELECT COUNT(*) FROM LdColumnFunctions")), 4);
    // The view that asks for a SQL view of its own got one.
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM CUSTOMERS_2")), summary.customers);
}

TEST_F(DemoCompanyTest, SavedSearchesRunAndRecordTheirColumns)
{
    BrandleRecordsetPtr rs;
    dbi.OpenRecordset(QStringLiteral("SELECT ViewFilterID, ViewID, FilterString, Complex, Shared FROM LdViewFilters"), rs);
    int shared = 0, complex = 0, total = 0;
    std::vector<std::tuple<int, int, QString>> searches;
    for (; rs->HasRecord(); rs->MoveNext()) {
        ++total;
        shared += rs->Item(QStringLiteral("Shared")).toInt32();
        complex += rs->Item(QStringLiteral("Complex")).toInt32();
        searches.emplace_back(rs->Item(0).toInt32(), rs->Item(1).toInt32(), rs->Item(2).toString());
    }
    dbi.CloseRecordset(rs);
    EXPECT_GT(shared, 0);
    EXPECT_LT(shared, total);
    EXPECT_GT(complex, 0);
    EXPECT_LT(complex, total);
    for (const auto& [filterId, viewId, text] : searches) {
        const std::vector<Column> columns = ViewColumns(viewId);
        bool extended = false;
        QStringList tokens;
        for (const Column& c : columns) {
            if (text.contains(QLatin1Char('{') + c.name + QLatin1Char('}'))) {
                tokens << c.name;
                extended = extended || c.extended;
            }
        }
        const QString expanded = Expand(text, columns);
        EXPECT_FALSE(expanded.contains(QLatin1Char('{'))) << text.toStdString();
        EXPECT_GT(Rows(ListQuery(viewId, expanded, extended)), 0) << text.toStdString();
        EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdViewFilterColumns WHERE ViewFilterID = %1").arg(filterId)),
                  tokens.size())
            << text.toStdString();
    }
    // The Orders view opens with its last search.
    EXPECT_GT(ViewRow(4, QStringLiteral("jdoe"))[QStringLiteral("LastUsedFilter")].toInt32(), 0);

    // A complex search runs as written, on a SQL Server too: each of its dates
    // reads the same under every login language (a dmy login reads 'yyyy-MM-dd'
    // as year, day, month).
    static const QRegularExpression date(QStringLiteral("'(\\d{4})-(\\d{2})-(\\d{2})"));
    dbi.OpenRecordset(QStringLiteral("SELECT FilterString FROM LdViewFilters WHERE Complex = 1"), rs);
    for (; rs->HasRecord(); rs->MoveNext()) {
        const QString text = rs->Item(0).toString();
        for (auto it = date.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            EXPECT_EQ(m.captured(2), m.captured(3)) << qPrintable(m.captured(0)) << " in " << qPrintable(text);
        }
    }
    dbi.CloseRecordset(rs);
}

TEST_F(DemoCompanyTest, LinkedViewsOfEveryKindLeadToRowsOfTheLinkedView)
{
    // Each kind of constraint and of extra filter occurs, and some links are switched off.
    EXPECT_EQ(Column0(QStringLiteral("SELECT DISTINCT Column1FilterTypeID FROM LdBaseRelationships "
                                     "WHERE Column1FilterTypeID IS NOT NULL ORDER BY 1")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("5")}));
    EXPECT_EQ(Column0(QStringLiteral("SELECT DISTINCT MiscFilterTypeID FROM LdBaseRelationships "
                                     "WHERE MiscFilterTypeID IS NOT NULL ORDER BY 1")),
              (QStringList{QStringLiteral("3"), QStringLiteral("99")}));
    EXPECT_GT(Count(QStringLiteral("SELECT COUNT(*) FROM LdViewRelationships WHERE UseMe = 0")), 0);
    EXPECT_GT(Count(QStringLiteral("SELECT COUNT(*) FROM LdBaseRelationships WHERE ColumnID2 IS NOT NULL")), 0);
    EXPECT_GT(Count(QStringLiteral("SELECT COUNT(*) FROM Ld_LinkedViews WHERE ViewID = 4")), 0);

    // For each link that is switched on: the relation columns show in the source view, the
    // linked view filters on its columns, and the starting filter built from the source's
    // first row finds rows there.
    const QStringList sources = Column0(QStringLiteral("SELECT DISTINCT ViewID FROM LdViewRelationships WHERE UseMe = 1"));
    ASSERT_FALSE(sources.isEmpty());
    for (const QString& source : sources) {
        BrandleRecordsetPtr links;
        dbi.OpenRecordset(QStringLiteral("EXEC Ld_GetAssocViews %1,'admin',0").arg(source), links);
        std::vector<std::map<QString, Variant>> rows;
        for (; links->HasRecord(); links->MoveNext()) {
            std::map<QString, Variant> r;
            for (int k = 0; k < links->FieldCount(); ++k)
                r[links->FieldName(k)] = links->Item(k);
            rows.push_back(r);
        }
        dbi.CloseRecordset(links);
        ASSERT_FALSE(rows.empty()) << source.toStdString();
        const std::vector<Column> sourceColumns = ViewColumns(source.toInt());
        for (auto& link : rows) {
            const int target = link[QStringLiteral("fkViewID")].toInt32();
            const std::vector<Column> targetColumns = ViewColumns(target);
            auto columnName = [&](int baseColumnId) {
                return Value(QStringLiteral("SELECT ColumnName FROM LdBaseColumns WHERE ColumnID = %1").arg(baseColumnId))
                    .toString();
            };
            const QString column1 = columnName(link[QStringLiteral("ColumnID1")].toInt32());
            const QString assoc1 = link[QStringLiteral("AssocColumnName1")].toString();
            bool shown = false, filters = false;
            QString sql1;
            for (const Column& c : sourceColumns)
                if (c.name == column1) {
                    shown = c.viewable;
                    sql1 = c.sql;
                }
            for (const Column& c : targetColumns)
                filters = filters || (c.name == assoc1 && c.filterable);
            ASSERT_TRUE(shown) << source.toStdString() << " -> " << target;
            ASSERT_TRUE(filters) << source.toStdString() << " -> " << target;

            // A value of the source's relation column that the linked base holds, and the
            // linked view's filter on it, with the value quoted as the list window quotes it.
            const QString sourceFrom = ViewRow(source.toInt(), QStringLiteral("admin"))[QStringLiteral("SQLFrom")].toString();
            const QString targetFrom = ViewRow(target, QStringLiteral("admin"))[QStringLiteral("SQLFrom")].toString();
            const QString value = Value(QStringLiteral("SELECT %1 %2 WHERE %1 IN (SELECT %3 %4)")
                                            .arg(sql1, sourceFrom, link[QStringLiteral("AssocColumnSQL1")].toString(),
                                                 targetFrom))
                                      .toString();
            ASSERT_FALSE(value.isEmpty()) << source.toStdString() << " -> " << target;
            QString where = QStringLiteral("WHERE ( ( {%1} = '%2' )").arg(assoc1, value);
            if (!link[QStringLiteral("ColumnID2")].isNull()) {
                const QString column2 = columnName(link[QStringLiteral("ColumnID2")].toInt32());
                QString sql2;
                for (const Column& c : sourceColumns)
                    if (c.name == column2 && c.viewable)
                        sql2 = c.sql;
                ASSERT_FALSE(sql2.isEmpty()) << "second relation column of " << source.toStdString() << " -> " << target;
                const QString value2 =
                    Value(QStringLiteral("SELECT %1 %2 WHERE %3 = '%4'").arg(sql2, sourceFrom, sql1, value)).toString();
                where += QStringLiteral(" AND ( {%1} = '%2' )").arg(link[QStringLiteral("AssocColumnName2")].toString(),
                                                                    value2);
            }
            where += QStringLiteral(" ) ");
            EXPECT_GT(Rows(ListQuery(target, Expand(where, targetColumns), false)), 0)
                << source.toStdString() << " -> " << target << ": " << where.toStdString();
        }
    }
}

// Every link between bases is a source of imported columns, and a demo made before
// that gets the missing sources from create-demo --if-missing, once, keeping a
// source of the same id that the company has made its own.
TEST_F(DemoCompanyTest, EveryLinkIsASourceOfImportedColumnsAlsoInADemoMadeBefore)
{
    const QString linksWithSource = QStringLiteral(
        "SELECT r.BaseRelationshipID FROM LdBaseRelationships r INNER JOIN LdBaseTables t ON t.TableID = r.TableID "
        "AND t.BaseID = r.BaseID AND t.LinkedBaseID = r.RelatedBaseID ORDER BY 1");
    const QStringList all = Column0(QStringLiteral("SELECT BaseRelationshipID FROM LdBaseRelationships ORDER BY 1"));
    ASSERT_FALSE(all.isEmpty());
    EXPECT_EQ(Column0(linksWithSource), all);
    const int tables = Count(QStringLiteral("SELECT COUNT(*) FROM LdBaseTables"));

    // As an older demo was made: sources only for the orders' customer and the invoices' order.
    dbi.Execute(QStringLiteral("UPDATE LdBaseRelationships SET TableID = NULL WHERE BaseRelationshipID NOT IN (3, 7)"));
    dbi.Execute(QStringLiteral("DELETE FROM LdBaseTables WHERE TableID NOT IN (1, 2)"));
    ASSERT_EQ(Column0(linksWithSource), (QStringList{QStringLiteral("3"), QStringLiteral("7")}));
    // The company's own source under an id the demo would give one of its links.
    const int own = Count(QStringLiteral("SELECT MAX(TableID) FROM LdBaseTables")) + 1;
    dbi.Execute(QStringLiteral("INSERT INTO LdBaseTables (TableID, DisplayName, BaseID, LinkedBaseID, CorrelationSQL) "
                               "VALUES (%1, 'Own', 14, 10, 'c.CustomerID = i.CustomerID')").arg(own));
    const QString ownRow = QStringLiteral("SELECT DisplayName || '|' || BaseID || '|' || LinkedBaseID FROM LdBaseTables "
                                          "WHERE TableID = %1").arg(own);
    for (int run = 0; run < 2; ++run) {
        erpdb::EnsureDemoBranchesAndCompanies(kServer);
        EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdBaseTables")), tables) << run;
        EXPECT_EQ(Value(ownRow).toString(), QStringLiteral("Own|14|10")) << run;
        EXPECT_EQ(Column0(linksWithSource).size(), all.size() - 1) << run;
    }
    dbi.Execute(QStringLiteral("DELETE FROM LdBaseTables WHERE TableID = %1").arg(own));
    erpdb::EnsureDemoBranchesAndCompanies(kServer);
    EXPECT_EQ(Column0(linksWithSource), all);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdBaseTables")), tables);
}

TEST_F(DemoCompanyTest, ADemoMadeBeforeTheViewsMarkKeepsItsSqlViewsAndNoOtherViewIsAdopted)
{
    const QString viewSql = QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'view' AND name = '%1'");
    const QString made = Value(viewSql.arg(QStringLiteral("CUSTOMERS_2"))).toString();
    const QString head = QStringLiteral("CREATE VIEW [CUSTOMERS_2] /* quillon_views */ AS ");
    ASSERT_TRUE(made.startsWith(head)) << made.toStdString();
    const QString query = made.mid(head.size());
    const int32_t viewId = Count(QStringLiteral("SELECT ViewID FROM LdViews WHERE SQLViewName = 'CUSTOMERS_2'"));

    // As an older build made it (no mark), beside a view of the site's that a row
    // names without asking for a SQL view, and one no row names.
    dbi.Execute(QStringLiteral("DROP VIEW CUSTOMERS_2"));
    dbi.Execute(QStringLiteral("CREATE VIEW [CUSTOMERS_2] AS ") + query);
    dbi.Execute(QStringLiteral("CREATE VIEW [vw_SiteReport] AS SELECT 1 AS One"));
    dbi.Execute(QStringLiteral("CREATE VIEW [vw_SiteOther] AS SELECT 2 AS Two"));
    dbi.Execute(QStringLiteral("UPDATE LdViews SET SQLViewName = 'vw_SiteReport' WHERE ViewID = 2 AND CreateSQLView = 0"));
    ASSERT_THROW(dbi.Execute(QStringLiteral("EXEC Ld_UpdateSQLStmts %1").arg(viewId)), AppError);

    erpdb::EnsureDemoBranchesAndCompanies(kServer);
    EXPECT_EQ(Value(viewSql.arg(QStringLiteral("CUSTOMERS_2"))).toString(), head + query);
    EXPECT_NO_THROW(dbi.Execute(QStringLiteral("EXEC Ld_UpdateSQLStmts %1").arg(viewId)));
    EXPECT_EQ(Value(viewSql.arg(QStringLiteral("vw_SiteReport"))).toString(),
              QStringLiteral("CREATE VIEW [vw_SiteReport] AS SELECT 1 AS One"));
    EXPECT_EQ(Value(viewSql.arg(QStringLiteral("vw_SiteOther"))).toString(),
              QStringLiteral("CREATE VIEW [vw_SiteOther] AS SELECT 2 AS Two"));

    dbi.Execute(QStringLiteral("UPDATE LdViews SET SQLViewName = NULL WHERE ViewID = 2"));
    dbi.Execute(QStringLiteral("DROP VIEW vw_SiteReport"));
    dbi.Execute(QStringLiteral("DROP VIEW vw_SiteOther"));
}

TEST_F(DemoCompanyTest, TheSqliteShellReadsTheFiles)
{
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (shell.isEmpty())
        GTEST_SKIP() << "no sqlite3 shell on this machine";
    const QString file = erpdb::FindDatabaseFile(kServer, QLatin1String(erpdb::kDemoDatabaseName));
    struct Case {
        const char* sql;
        QString expected;
    };
    const Case cases[] = {
        {"SELECT COUNT(*) FROM OrderLines;", QString::number(erpdb::kDemoOrderLines)},
        {"SELECT COUNT(*) FROM LdMyViews WHERE UserID = 'JDOE' AND IsMyView = 1;", QStringLiteral("4")},
        {"SELECT ViewName FROM LdViews WHERE ViewID = 1;", QStringLiteral("LdViews")},
        {"PRAGMA integrity_check;", QStringLiteral("ok")},
    };
    for (const Case& c : cases) {
        QProcess p;
        p.start(shell, {QStringLiteral("-readonly"), file, QString::fromUtf8(c.sql)});
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), c.expected) << c.sql;
    }
    // A write from the shell (with its own NOCASE) is seen by our connections.
    QProcess p;
    p.start(shell, {file, QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView) VALUES (6, 'Guest', 1);")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM LdMyViews WHERE UserID = 'guest ' AND ViewID = 6")), 1);
    dbi.Execute(QStringLiteral("DELETE FROM LdMyViews WHERE UserID = 'guest' AND ViewID = 6"));
}

TEST_F(DemoCompanyTest, MakingTheDemoAgainIsRefusedUnlessReplaced)
{
    erpdb::DemoOptions options;
    options.server = kServer.toLower();
    AppError error(0);
    try {
        erpdb::CreateDemoCompany(options);
    } catch (const AppError& e) {
        error = e;
    }
    EXPECT_EQ(error.description(), QStringLiteral("The server 'demotest' has the demo company 'DEMO' already."));
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM OrderLines")), erpdb::kDemoOrderLines);
}

// The administration command: bad input gives a clear error and changes nothing.
TEST_F(DemoCompanyTest, TheAdministrationCommandRefusesBadInputWithoutChangingAnything)
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-db");
    if (!QFileInfo(tool).isExecutable())
        GTEST_SKIP() << "quillon-db is not built";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLON_SERVERS_DIR"), dir->filePath(QStringLiteral("servers")));
    env.insert(QStringLiteral("QUILLON_CLIENT_CONFIG_DIR"), dir->filePath(QStringLiteral("client")));
    auto run = [&](const QStringList& args, QString* output) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(tool, args);
        p.waitForFinished(60000);
        *output = QString::fromLocal8Bit(p.readAll());
        return p.exitCode();
    };
    const QString servers = dir->filePath(QStringLiteral("servers"));
    auto listing = [&] {
        QStringList out;
        for (const QFileInfo& fi : QDir(servers + QLatin1Char('/') + kServer).entryInfoList(QDir::Files, QDir::Name))
            out << fi.fileName() + QLatin1Char(' ') + QString::number(fi.size());
        return out;
    };
    const QStringList before = listing();
    struct Case {
        QStringList args;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{QStringLiteral("frobnicate")}, 2, "unknown command 'frobnicate'"},
        {{QStringLiteral("create-company"), QStringLiteral("--server"), kServer, QStringLiteral("X")}, 2,
         "3 argument(s) expected"},
        {{QStringLiteral("create-company"), QStringLiteral("X"), QStringLiteral("XDb"), QStringLiteral("X Inc")}, 2,
         "--server is needed"},
        {{QStringLiteral("create-company"), QStringLiteral("--server"), kServer, QStringLiteral("DEMO"),
          QStringLiteral("Other"), QStringLiteral("Other")},
         1, "exists already"},
        {{QStringLiteral("add-user"), QStringLiteral("--server"), kServer, QStringLiteral("--company"),
          QStringLiteral("NONE"), QStringLiteral("bob"), QStringLiteral("Bob"), QStringLiteral("pw")},
         1, "has no company 'NONE'"},
        {{QStringLiteral("add-user"), QStringLiteral("--server"), kServer, QStringLiteral("--company"),
          QStringLiteral("DEMO"), QStringLiteral("jdoe"), QStringLiteral("John"), QStringLiteral("pw")},
         1, "exists already"},
        {{QStringLiteral("set-password"), QStringLiteral("--server"), kServer, QStringLiteral("--company"),
          QStringLiteral("DEMO"), QStringLiteral("nobody"), QStringLiteral("pw")},
         1, "has no user 'nobody'"},
        {{QStringLiteral("create-demo"), QStringLiteral("--server"), kServer}, 1, "has the demo company"},
        {{QStringLiteral("create-demo"), QStringLiteral("--server"), kServer, QStringLiteral("--order-lines"),
          QStringLiteral("many")},
         2, "whole number"},
        {{QStringLiteral("create-server"), kServer}, 1, "exists already"},
        {{QStringLiteral("create-server"), kServer, QStringLiteral("--colour"), QStringLiteral("red")}, 2,
         "Unknown option --colour"},
    };
    for (const Case& c : cases) {
        QString output;
        EXPECT_EQ(run(c.args, &output), c.code) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(output.contains(QLatin1String(c.message))) << output.toStdString();
    }
    EXPECT_EQ(listing(), before);
    EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM CoUsers")), static_cast<int>(erpdb::DemoUsers().size()));

    QString help;
    EXPECT_EQ(run({QStringLiteral("--help")}, &help), 0);
    for (const char* command : {"create-server", "create-company", "add-user", "set-password", "create-demo"})
        EXPECT_TRUE(help.contains(QLatin1String(command))) << command;
    QString done;
    EXPECT_EQ(run({QStringLiteral("create-demo"), QStringLiteral("--server"), kServer, QStringLiteral("--if-missing")},
                  &done),
              0)
        << done.toStdString();
}

// The command alone, with no server yet, makes the demo company on this computer's
// server; the sqlite3 shell sees its tables and data, and the About box's login works.
TEST(DemoCompanyCommandTest, CreatesTheDemoCompanyFromNothingForTheShellToRead)
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-db");
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (!QFileInfo(tool).isExecutable() || shell.isEmpty())
        GTEST_SKIP() << "quillon-db or the sqlite3 shell is missing";
    QTemporaryDir fresh;
    ASSERT_TRUE(fresh.isValid());
    const QString servers = fresh.filePath(QStringLiteral("servers"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLON_SERVERS_DIR"), servers);
    env.insert(QStringLiteral("QUILLON_CLIENT_CONFIG_DIR"), fresh.filePath(QStringLiteral("client")));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(tool, {QStringLiteral("create-demo")});
    ASSERT_TRUE(p.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(p.readAll());
    ASSERT_EQ(p.exitCode(), 0) << output.toStdString();

    const QString folder = servers + QLatin1Char('/') + erpdb::LocalServerName();
    auto query = [&](const QString& file, const char* sql) {
        QProcess q;
        q.start(shell, {QStringLiteral("-readonly"), folder + QLatin1Char('/') + file, QString::fromLatin1(sql)});
        EXPECT_TRUE(q.waitForFinished(30000));
        EXPECT_EQ(q.exitCode(), 0) << q.readAllStandardError().constData();
        return QString::fromUtf8(q.readAllStandardOutput()).simplified();
    };
    const QString tables = query(QStringLiteral("DEMO.sqlite"), ".tables");
    for (const char* table : {"Customers", "Orders", "OrderLines", "Invoices", "Products", "LdViews", "CoUsers"})
        EXPECT_TRUE(tables.split(QLatin1Char(' ')).contains(QLatin1String(table))) << table << ": " << tables.toStdString();
    EXPECT_EQ(query(QStringLiteral("DEMO.sqlite"), "SELECT COUNT(*) FROM OrderLines;"),
              QString::number(erpdb::kDemoOrderLines));
    EXPECT_EQ(query(QStringLiteral("DEMO.sqlite"), "SELECT COUNT(*) FROM LdViews WHERE SQLSelect LIKE 'SELECT %';"),
              query(QStringLiteral("DEMO.sqlite"), "SELECT COUNT(*) FROM LdViews;"));
    EXPECT_EQ(query(QStringLiteral("CoSystem.sqlite"),
                    "SELECT CompanyID || '|' || DBName FROM CoCompanies ORDER BY CompanyID;"),
              QStringLiteral("DEMO|DEMO TRADING|TRADING"));

    erpdb::SetServersRoot(servers);
    Variant v1, v2, v3;
    EXPECT_FALSE(BrandleDatabase()
                     .GetServerVersion(QStringLiteral("(LOCAL)"), QStringLiteral("coreadonly"),
                                       QStringLiteral("mipvel"), v1, v2, v3)
                     .isEmpty());
    erpdb::SetServersRoot(QString());
}

}  // namespace
