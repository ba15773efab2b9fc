// The list window's export: the EXPORT button writes the rows of the last
// query (the catalogue restriction included) with the visible columns'
// captions, typed cells, the statement ordered by the first column, the
// extended FROM when the last query needed it (whatever the pane holds now), a
// search's own order or LIMIT, one export at a time, and the filter keeps its tokens.

#include "ExportTestSupport.h"
#include "platform/spreadsheet/XlsxReadBack.h"

#include "core/SpreadsheetExport.h"
#include "platform/controls/FilterControl.h"

#include <QAction>
#include <QTimer>
#include <set>

using namespace listtest;
using namespace xlsxtest;

namespace {

class ListWindowExportTest : public ExportTest {
protected:
    // Clicks EXPORT and returns the workbook written ("" when none).
    QString Export(frmList* w)
    {
        const qsizetype before = opened.size();
        w->Button(QStringLiteral("EXPORT"))->trigger();
        return opened.size() > before ? opened.last() : QString();
    }
    // Column A of a sheet's data rows.
    static std::multiset<QString> Ids(const QString& path)
    {
        std::multiset<QString> ids;
        const auto cells = ReadCells(path);
        for (auto it = cells.begin(); it != cells.end(); ++it)
            if (it.key().startsWith(QLatin1Char('A')) && it.key() != QLatin1String("A1"))
                ids.insert(it.value().value);
        return ids;
    }
    std::multiset<QString> ListIds(frmList* w)
    {
        std::multiset<QString> ids;
        for (const QString& row : Rows(ListStatement(w)))
            ids.insert(row.section(QLatin1Char('|'), 0, 0));
        return ids;
    }
};

TEST_F(ListWindowExportTest, ExportWritesTheListsRowsWithItsCaptionsAndTypesAndKeepsTheFiltersTokens)
{
    const QString filter = QStringLiteral("WHERE ( {UnitPrice} < {ListPrice} )");
    frmList* w = Open(ViewId(QStringLiteral("ORDERLINES_1")), filter, nullptr, true);
    ASSERT_GT(w->RecordCount(), 0);
    ASSERT_TRUE(w->Button(QStringLiteral("EXPORT"))->isEnabled());

    const QString path = Export(w);
    ASSERT_FALSE(path.isEmpty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith(w->Caption())) << qPrintable(path);

    // The expansion worked on a copy: a later Save stores tokens, not column SQL.
    EXPECT_EQ(w->CurrentFilter(), filter);
    const QString statement = w->ExportStatement();
    EXPECT_TRUE(statement.startsWith(w->View()->SQLSelect + QLatin1Char(' ') + w->View()->SQLFrom + QLatin1Char(' ')));
    EXPECT_TRUE(statement.endsWith(QStringLiteral("WHERE ( ol.UnitPrice < p.UnitPrice ) ORDER BY 2")))
        << qPrintable(statement);
    // (XML reads a line break CR LF as LF.)
    EXPECT_EQ(JoinedProperty(CustomProperties(path), QStringLiteral("CommandText")),
              QString(statement).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    // The header: the field names, the row id's and every visible column's, all bold.
    QStringList captions;
    for (const CoLdUVColumnRef& c : *w->View()->Columns())
        if (c->Viewable)
            captions << c->DisplayName;
    const auto cells = ReadCells(path, 1, 3);
    const auto ref = [](int col, int row) { return QString(QChar(u'A' + col)) + QString::number(row); };
    EXPECT_EQ(cells.value(ref(0, 1)).value, QStringLiteral("ID"));
    for (int c = 0; c < captions.size(); ++c) {
        EXPECT_EQ(cells.value(ref(c + 1, 1)).value, captions[c]);
        EXPECT_TRUE(cells.value(ref(c, 1)).bold) << c;
    }
    EXPECT_TRUE(cells.value(ref(static_cast<int>(captions.size()), 1)).bold);
    EXPECT_FALSE(cells.value(ref(static_cast<int>(captions.size()) + 1, 1)).bold);

    // Typed cells: money in the currency format, dates as dates, numbers as numbers.
    const auto column = [&](const char* caption) { return static_cast<int>(captions.indexOf(QLatin1String(caption))) + 1; };
    EXPECT_EQ(cells.value(ref(column("Unit Price"), 2)).numFmt, 7);
    EXPECT_EQ(cells.value(ref(column("Order Date"), 2)).numFmt, 14);
    EXPECT_EQ(cells.value(ref(column("Quantity"), 2)).type, QString());
    EXPECT_EQ(cells.value(ref(column("Product"), 2)).type, QStringLiteral("inlineStr"));

    // All the rows of the filter, in the order of the first column.
    EXPECT_EQ(RowCount(path, 1), w->RecordCount() + 1);
    EXPECT_EQ(cells.value(ref(1, 2)).value,
              Value(QStringLiteral("SELECT MIN(o.OrderNumber) FROM OrderLines ol INNER JOIN Orders o ON o.OrderID = "
                                   "ol.OrderID INNER JOIN Products p ON p.ProductID = ol.ProductID "
                                   "WHERE ol.UnitPrice < p.UnitPrice")));
}

TEST_F(ListWindowExportTest, ACatalogueExportHoldsOnlyTheRowsTheListShows)
{
    struct Case {
        const char* catalogue;
        const char* everyUsersRows;
        const char* complexFilter;  // run before the export when given
    };
    const Case cases[] = {
        {"LdViews", "SELECT COUNT(*) FROM LdCatalogViews", nullptr},
        // The filter's OR cannot reach past the restriction.
        {"LdViews", "SELECT COUNT(*) FROM LdCatalogViews", "WHERE v_DisplayName <> '' OR 1 = 1"},
        {"LdMyViews", "SELECT COUNT(*) FROM LdCatalogMyViews", nullptr},
    };
    for (const Case& c : cases) {
        frmList* w = OpenView(QLatin1String(c.catalogue));
        if (c.complexFilter)
            w->pmFilter()->LoadFilter(QLatin1String(c.complexFilter), true);
        ASSERT_TRUE(Go(w));
        ASSERT_GT(w->RecordCount(), 0) << c.catalogue;
        // Other users' rows exist, which the list leaves out.
        ASSERT_GT(Value(QLatin1String(c.everyUsersRows)).toInt(), w->RecordCount()) << c.catalogue;
        const QString path = Export(w);
        ASSERT_FALSE(path.isEmpty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
        EXPECT_TRUE(w->ExportStatement().contains(w->FixedWhere())) << qPrintable(w->ExportStatement());
        EXPECT_EQ(RowCount(path, 1), w->RecordCount() + 1) << c.catalogue;
        EXPECT_EQ(Ids(path), ListIds(w)) << c.catalogue;
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowExportTest, TheStatementAddsTheExtendedFromWhenTheFilterNeedsItAndKeepsASearchsOwnOrder)
{
    const QString fromEx = QStringLiteral("LEFT JOIN Invoices xi");
    frmList* orders = Open(ViewId(QStringLiteral("ORDERS_1")), QStringLiteral("WHERE ( {InvoiceNumber} IS NULL )"),
                           nullptr, false);
    EXPECT_TRUE(orders->ExportStatement().contains(fromEx)) << qPrintable(orders->ExportStatement());
    EXPECT_TRUE(orders->ExportStatement().endsWith(QStringLiteral(" ORDER BY 2")));
    ASSERT_FALSE(Export(orders).isEmpty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));

    frmList* plain = Open(ViewId(QStringLiteral("ORDERS_1")), QStringLiteral("WHERE ( {Status} = 'Open' )"), nullptr,
                          false);
    EXPECT_FALSE(plain->ExportStatement().contains(fromEx));

    // A complex search with its own order (and a comment) exports in that order.
    plain->pmFilter()->LoadFilter(QStringLiteral("WHERE {Status} = 'Open' ORDER BY o.OrderTotal DESC -- biggest"), true);
    ASSERT_TRUE(Go(plain));
    EXPECT_TRUE(plain->ExportStatement().endsWith(QStringLiteral("ORDER BY o.OrderTotal DESC -- biggest")))
        << qPrintable(plain->ExportStatement());
    const QString path = Export(plain);
    ASSERT_FALSE(path.isEmpty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_EQ(RowCount(path, 1), plain->RecordCount() + 1);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowExportTest, TheExportHoldsTheLastQueryWhenThePaneWasEditedWithoutGo)
{
    const QString fromEx = QStringLiteral("LEFT JOIN Invoices xi");
    struct Case {
        const char* queried;  // the filter of the last query
        const char* edited;   // the pane afterwards, without Go
        bool extended;
    };
    const Case cases[] = {
        {"WHERE ( {InvoiceNumber} IS NULL )", "WHERE ( {Status} = 'Open' )", true},
        {"WHERE ( {Status} = 'Open' )", "WHERE ( {InvoiceNumber} IS NULL )", false},
    };
    for (const Case& c : cases) {
        frmList* w = Open(ViewId(QStringLiteral("ORDERS_1")), QLatin1String(c.queried), nullptr, false);
        ASSERT_GT(w->RecordCount(), 0) << c.queried;
        const std::multiset<QString> listed = ListIds(w);
        w->pmFilter()->LoadFilter(QLatin1String(c.edited), false);
        EXPECT_EQ(w->ExportStatement().contains(fromEx), c.extended) << qPrintable(w->ExportStatement());
        const QString path = Export(w);
        ASSERT_FALSE(path.isEmpty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
        EXPECT_EQ(Ids(path), listed) << c.queried;
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowExportTest, ASearchEndingInALimitExportsTheRowsItLists)
{
    frmList* w = Open(ViewId(QStringLiteral("ORDERS_1")), QString(), nullptr, false);
    w->pmFilter()->LoadFilter(QStringLiteral("WHERE {Status} = 'Open' LIMIT 5"), true);
    ASSERT_TRUE(Go(w));
    ASSERT_EQ(w->RecordCount(), 5);
    const QString path = Export(w);
    ASSERT_FALSE(path.isEmpty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_EQ(RowCount(path, 1), 6);
    EXPECT_EQ(Ids(path), ListIds(w));
    EXPECT_TRUE(w->ExportStatement().endsWith(QStringLiteral("ORDER BY 2"))) << qPrintable(w->ExportStatement());
}

TEST_F(ListWindowExportTest, ExportPressedAgainWhileAnExportRunsStartsNoSecondOne)
{
    frmList* w = Open(ViewId(QStringLiteral("ORDERS_1")), QStringLiteral("WHERE ( {Status} = 'Open' )"), nullptr, false);
    ASSERT_GT(w->RecordCount(), 0);
    // The press waits in the queue: the export lets pending messages run as it starts.
    int pressed = 0;
    QTimer::singleShot(0, w, [&] {
        ++pressed;
        w->Button(QStringLiteral("EXPORT"))->trigger();
    });
    ASSERT_FALSE(Export(w).isEmpty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(Exports().size(), 1);
    // Once it is over, EXPORT exports again.
    ASSERT_FALSE(Export(w).isEmpty());
    EXPECT_EQ(Exports().size(), 2);
}

}  // namespace
