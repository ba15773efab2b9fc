// Hostile search texts through the list window (complex searches, a colleague's
// last used search, the catalogues), the column tokens and the empty LIKE
// patterns read with the program's SQL reader.

#include "ListWindowTestSupport.h"

#include "platform/controls/FilterControl.h"
#include "platform/controls/ReportListView.h"

#include <QTableView>

using namespace listtest;

namespace {

class ListWindowFenceTest : public ListWindowTest {
protected:
    // Every row of every table of the company database.
    QStringList Everything()
    {
        QStringList out;
        for (const QString& table : Rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                                        "AND name NOT LIKE 'sqlite%' ORDER BY name")))
            out << table + QLatin1Char(':') + Rows(QStringLiteral("SELECT * FROM ") + table).join(QLatin1Char('/'));
        return out;
    }
    // The session's connection still writes and compares text without regard to case.
    void ExpectSessionIntact(const char* what)
    {
        BrandleDatabase& dbi = SessionEngine().DBI();
        int32_t flag = 0;
        EXPECT_NO_THROW({
            dbi.BeginTrans(QStringLiteral("probe"), flag);
            dbi.Execute(QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView, AutoPopulate) VALUES (4, 'zz', 1, 0)"));
            dbi.RollbackTrans(QStringLiteral("probe"), flag);
        }) << what;
        BrandleRecordsetPtr rs;
        ASSERT_TRUE(dbi.OpenRecordset(QStringLiteral("SELECT COUNT(*) FROM Customers WHERE 'a' LIKE 'A'"), rs)) << what;
        EXPECT_GT(rs->Item(0).toDouble(), 0) << what;
    }
};

const char* const kHostileSearches[] = {
    "WHERE 1=1 /* /* */ ; PRAGMA query_only = 1; -- */",
    "WHERE 1=1 /* /* */ ; PRAGMA max_page_count = 1; -- */",
    "WHERE 1=1 /* /* */ ; PRAGMA locking_mode = EXCLUSIVE; -- */",
    "WHERE 1=1 /* /* */ ; PRAGMA case_sensitive_like = 1; -- */",
    "WHERE 1=1 AND $a(') ; PRAGMA writable_schema = 1; --')",
    "WHERE 1=1; ATTACH DATABASE 'x.sqlite' AS x",
    "WHERE fts3_tokenizer('simple') IS NOT NULL",
    "WHERE 1=0 UNION SELECT UserID, Password, UserName, '', '', 0, 0, '' FROM CoUsers",
};

TEST_F(ListWindowFenceTest, HostileComplexSearchesFailVisiblyAndChangeNothing)
{
    const QStringList before = Everything();
    frmList* w = OpenView(QStringLiteral("CUSTOMERS_1"));
    ASSERT_TRUE(IsFormLoaded(w));
    for (const char* text : kHostileSearches) {
        boxes.clear();
        w->pmFilter()->LoadFilter(QString::fromUtf8(text), true);
        Go(w);  // the list, its count and the statistics
        WaitFor([&] { return !w->StatisticsPending(); });
        EXPECT_FALSE(boxes.empty()) << text;
        EXPECT_EQ(w->RecordCount(), 0) << text;
        ExpectSessionIntact(text);
    }
    EXPECT_EQ(Everything(), before);
}

TEST_F(ListWindowFenceTest, AColleaguesHostileLastUsedSearchRunsFencedForTheNextUser)
{
    // asmith leaves a search that sets the page limit as the view's last used one.
    Exec(QStringLiteral("INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, Shared, Complex, CreatorID) "
                        "VALUES (3, 'Trap', 'WHERE 1=1 /* /* */ ; PRAGMA max_page_count = 1; -- */', 1, 1, 'asmith')"));
    Exec(QStringLiteral("UPDATE LdViews SET LastUsedFilter = (SELECT MAX(ViewFilterID) FROM LdViewFilters) WHERE ViewID = 3"));
    const QStringList before = Everything();
    frmList* w = OpenView(QStringLiteral("CUSTOMERS_1"));
    ASSERT_TRUE(IsFormLoaded(w));
    WaitFor([&] { return !boxes.empty() && !w->StatisticsPending(); });
    EXPECT_FALSE(boxes.empty());
    EXPECT_EQ(w->RecordCount(), 0);
    ExpectSessionIntact("last used search");
    Unload(w);
    CollectUnloadedForms();
    QStringList after = Everything();
    EXPECT_EQ(after.filter(QStringLiteral("Customers:")), before.filter(QStringLiteral("Customers:")));
}

TEST_F(ListWindowFenceTest, CatalogueRestrictionsCannotBeEscaped)
{
    // Unpaid Invoices is asmith's private view; Invoices is in the My Views of admin and asmith only.
    struct Case {
        const char* view;
        const char* search;
    };
    const Case cases[] = {
        {"LdViews", "WHERE 1=1) OR (1=1"},
        {"LdMyViews", "WHERE 1=1) OR (1=1"},
        {"LdViews", "WHERE 1=0) UNION SELECT v_ViewID, v_DisplayName, '', '', '', 0, '' FROM LdCatalogViews WHERE (1=1"},
        {"LdMyViews", "WHERE 1=1 /* ) OR (1=1 */ OR ')' = ')'"},
    };
    for (const Case& c : cases) {
        boxes.clear();
        frmList* w = OpenView(QString::fromLatin1(c.view));
        ASSERT_TRUE(IsFormLoaded(w));
        w->pmFilter()->LoadFilter(QString::fromUtf8(c.search), true);
        Go(w);
        WaitFor([&] { return !w->StatisticsPending(); });
        const QString statement = ListStatement(w);
        if (boxes.empty()) {
            // the restriction is inside the FROM clause, ahead of the user's text
            EXPECT_TRUE(statement.contains(QStringLiteral("FROM (SELECT * FROM "))) << qPrintable(statement);
            for (int row = 0; row < w->RecordCount(); ++row) {
                w->ListView()->Grid()->selectRow(row);
                EXPECT_NE(w->ListView()->ColumnText(1), QStringLiteral("Unpaid Invoices")) << c.search;
                if (QLatin1String(c.view) == QLatin1String("LdMyViews"))
                    EXPECT_NE(w->ListView()->ColumnText(1), QStringLiteral("Invoices")) << c.search;
            }
        } else {
            EXPECT_EQ(w->RecordCount(), 0) << c.search;
        }
        Unload(w);
    }
    // The count and the statistics follow the same rows as the list.
    frmList* all = OpenView(QStringLiteral("LdViews"));
    all->pmFilter()->LoadFilter(QStringLiteral("WHERE 1=1 OR 1=1"), true);
    ASSERT_TRUE(Go(all));
    EXPECT_EQ(all->RecordCount(),
              Value(QStringLiteral("SELECT COUNT(*) FROM LdCatalogViews WHERE v_Shared <> 0 OR v_CreatorID = 'jdoe' "
                                   "OR v_CreatorID IS NULL")).toInt());
    ASSERT_FALSE(all->lvwStats()->Item(1)->SubItem(1).isEmpty());

    // A search refused after rows were listed leaves neither those rows nor their
    // figures, and the commands on listed rows wait for rows again.
    boxes.clear();
    all->pmFilter()->LoadFilter(QStringLiteral("WHERE 1=1) OR (1=1"), true);
    all->cmdGo_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(all->ListView()->RowCount(), 0);
    for (int i = 1; i < all->lvwStats()->ColumnCount(); ++i)
        EXPECT_EQ(all->lvwStats()->Item(1)->SubItem(i), QString()) << i;
    for (const char* key : {"OPEN", "CUSTOMIZE", "ADD", "EXPORT"})
        EXPECT_FALSE(all->Button(QString::fromLatin1(key))->isEnabled()) << key;
    boxes.clear();
}

TEST_F(ListWindowFenceTest, TokensAndEmptyPatternsOutsideLiteralsAndComments)
{
    frmList* w = OpenView(QStringLiteral("CUSTOMERS_1"));
    ASSERT_TRUE(IsFormLoaded(w));
    struct Case {
        QString filter;
        QString where;
    };
    const Case cases[] = {
        // an apostrophe in a comment or a bracketed name ends nothing
        {QStringLiteral("WHERE /* Bob's list */ {City} = 'x' AND {State} = 'CA'"),
         QStringLiteral("WHERE /* Bob's list */ c.City = 'x' AND c.State = 'CA'")},
        {QStringLiteral("WHERE {City} = 'x' -- it's mine\r\nAND {State} = 'CA'"),
         QStringLiteral("WHERE c.City = 'x' -- it's mine\r\nAND c.State = 'CA'")},
        {QStringLiteral("WHERE [c's] = 1 OR {State} = 'CA'"), QStringLiteral("WHERE [c's] = 1 OR c.State = 'CA'")},
        // tokens inside comments stay
        {QStringLiteral("WHERE {State} = 'CA' /* {City} */"), QStringLiteral("WHERE c.State = 'CA' /* {City} */")},
        // only whole literals '%' and '%%' become ''
        {QStringLiteral("WHERE {CustomerName} LIKE '%''%' AND {City} LIKE '%' AND {State} LIKE N'%%'"),
         QStringLiteral("WHERE c.Name LIKE '%''%' AND c.City LIKE '' AND c.State LIKE N''")},
        {QStringLiteral("WHERE {CustomerName} = 'it''s ''%''' AND {City} LIKE '%%' -- '%'"),
         QStringLiteral("WHERE c.Name = 'it''s ''%''' AND c.City LIKE '' -- '%'")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(w->GetFilterWhere(c.filter), c.where) << qPrintable(c.filter);

    // "contains '" lists the customers whose name holds an apostrophe.
    const int withApostrophe = Value(QStringLiteral("SELECT COUNT(*) FROM Customers WHERE Name LIKE '%''%'")).toInt();
    ASSERT_GT(withApostrophe, 1);
    w->pmFilter()->LoadFilter(QStringLiteral("WHERE {CustomerName} LIKE '%''%'"), true);
    ASSERT_TRUE(Go(w));
    EXPECT_EQ(w->RecordCount(), withApostrophe);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

}  // namespace
