// The list window's geometry, keys, toolbar and closing: the pane arithmetic,
// minimum sizes, the splitter, filter rows, the keys the window takes before
// its controls, and what it stores when it closes.

#include "ListWindowTestSupport.h"

#include "core/AuProperties.h"
#include "core/MachineSettings.h"
#include "platform/settings/RegistryStore.h"
#include "listwindow/frmListLayout.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/MenuButton.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcutEvent>
#include <QTableView>
#include <QToolBar>

#include <climits>

using namespace listtest;
using namespace listlayout;

namespace {

TEST(ListWindowLayoutArithmetic, PanesShareTheHeightWithTheirMinimums)
{
    struct Case {
        int32_t h;
        double top, bottom;
        PaneHeights expected;
    };
    const Case resize[] = {
        {5000, 1020, 1800, {1020, 3980}},   // both at their minimum: the list pane takes the rest
        {2500, 900, 1000, {1020, 1800}},    // too small for both minimums: the minimums anyway
        {2820, 1020, 1800, {1020, 1800}},
        {6000, 1500, 1500, {1500, 4500}},   // the list pane at its minimum: growing still gives it the extra height
        {3000, 1500, 1800, {1200, 1800}},   // shrinking with the list pane at its minimum: from the filter pane
        {6000, 800, 3000, {1020, 4980}},    // the filter pane below its minimum
        {6000, 1500, 3000, {1500, 4500}},   // growing: the list pane gets the extra height
        {4000, 1500, 3000, {1500, 2500}},   // shrinking: from the list pane first ...
        {3000, 1500, 3000, {1200, 1800}},   // ... then from the filter pane
        {6000, 1500.5, 3000, {1500, 4500}}, // halves to the even number
        {6000, 1501.5, 3000, {1502, 4498}},
        {INT32_MAX, 1020, 1800, {1020, INT32_MAX - 1020}},
        {-500, 1500, 3000, {0, 1800}},      // a maximized window too small for anything
    };
    for (const Case& c : resize)
        EXPECT_EQ(PanesOnResize(c.h, c.top, c.bottom), c.expected) << c.h << " " << c.top << " " << c.bottom;
    // A filter pane squeezed below what its rows ask for gets that back first, never more.
    struct Regrow {
        int32_t h;
        double top, bottom;
        int32_t wanted;
        PaneHeights expected;
    };
    const Regrow regrow[] = {
        {6000, 1020, 1800, 2580, {2580, 3420}},
        {3500, 1020, 1800, 2580, {1700, 1800}},  // as far as the list pane's minimum lets it
        {2820, 1020, 1800, 2580, {1020, 1800}},
        {6000, 1500, 3000, 1020, {1500, 4500}},  // a pane taller than its rows keeps its height
        {9000, 1410, 2000, 1410, {1410, 7590}},
    };
    for (const Regrow& r : regrow)
        EXPECT_EQ(PanesOnResize(r.h, r.top, r.bottom, r.wanted), r.expected) << r.h << " " << r.top << " " << r.wanted;

    struct Move {
        double y;
        PaneHeights expected;
    };
    const Move moves[] = {
        {-600, {1020, 4980}},  // stops with the filter pane at its minimum
        {-480, {1020, 4980}},
        {300, {1800, 4200}},
        {2700, {4200, 1800}},
        {3000, {4200, 1800}},  // stops with the list pane at its minimum
    };
    for (const Move& m : moves)
        EXPECT_EQ(PanesOnSplitterMove(6000, 1500, 4500, m.y), m.expected) << m.y;

    struct Rows {
        int32_t h;
        int32_t rows;
        PaneHeights expected;
    };
    const Rows rows[] = {
        {8000, 0, {1020, 6980}},       {8000, 1, {1020, 6980}},      {8000, 3, {1800, 6200}},
        {8000, 5, {2580, 5420}},       {3500, 5, {1700, 1800}},      {2000, 5, {1020, 1800}},
        {8000, INT32_MAX, {6200, 1800}}, {INT32_MAX, 5, {2580, INT32_MAX - 2580}},
    };
    for (const Rows& r : rows)
        EXPECT_EQ(PanesForFilterRows(r.h, r.rows), r.expected) << r.h << " " << r.rows;

    EXPECT_EQ(SharedPaneHeight(9000, 600), 7700);
    EXPECT_EQ(SharedPaneHeight(9000.5, 0), 8300);
    EXPECT_EQ(SharedPaneHeight(9001.5, 0), 8302);
    EXPECT_EQ(SharedPaneHeight(1.0e12, 0), INT32_MAX);
}

class ListWindowLayoutTest : public ListWindowTest {
protected:
    static int32_t SharedHeight(frmList* w) { return SharedPaneHeight(w->WindowHeight(), w->ToolbarHeight()); }
    // A key pressed and released, as a keyboard sends it (the release goes where the
    // press went, even when the press closed that window).
    static void Key(QWidget* target, Qt::Key key)
    {
        QPointer<QWidget> guard(target);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(guard ? static_cast<QObject*>(guard.data()) : qApp, &release);
    }
    static Variant StoredToolbarShowText(const QString& caption)
    {
        AuProperties bag;
        bag.Add(QStringLiteral("ToolbarShowText"), Variant());
        LoadMachineSettings(QStringLiteral("Quillon\\") + caption, bag);
        return bag.Item(QStringLiteral("ToolbarShowText"))->Value();
    }
};

TEST_F(ListWindowLayoutTest, TheWindowKeepsItsMinimumSizeAndThePanesShareItsHeight)
{
    frmList* w = Open(3, QString(), nullptr, false);
    const int32_t toolbar = w->ToolbarHeight();
    ASSERT_GT(toolbar, 0);

    w->SetWindowSize(3000, 1500);
    EXPECT_GE(w->WindowWidth(), kMinWindowWidth);
    EXPECT_LT(w->WindowWidth(), kMinWindowWidth + TwipsPerPixelX());
    EXPECT_GE(w->WindowHeight(), toolbar + kMinHeightAboveToolbar);
    EXPECT_LT(w->WindowHeight(), toolbar + kMinHeightAboveToolbar + TwipsPerPixelY());
    EXPECT_EQ(w->TopPaneHeight(), kMinTopPane);
    EXPECT_EQ(w->BottomPaneHeight(), SharedHeight(w) - kMinTopPane);
    EXPECT_LT(w->BottomPaneHeight() - kMinBottomPane, TwipsPerPixelY());

    // Growing gives the extra height to the list pane.
    w->SetWindowSize(15000, 9000);
    EXPECT_EQ(w->TopPaneHeight(), kMinTopPane);
    EXPECT_EQ(w->BottomPaneHeight(), SharedHeight(w) - kMinTopPane);
    // The panes' widgets follow, in whole pixels.
    EXPECT_EQ(w->picTop()->height(), TwipsToPixelsY(w->TopPaneHeight()));
    EXPECT_EQ(w->picBottom()->height(), TwipsToPixelsY(w->BottomPaneHeight()));
    EXPECT_EQ(w->picBottom()->y(), w->pSplitter()->y() + w->pSplitter()->height());

    // Five filter rows: a taller filter pane; shrinking takes from the list pane, then the filter pane.
    w->pmFilter_RowCountChanged(5);
    EXPECT_EQ(w->TopPaneHeight(), 2580);
    w->SetWindowSize(15000, 700 + toolbar + 2580 + 2400);
    EXPECT_EQ(w->TopPaneHeight(), 2580);
    EXPECT_EQ(w->BottomPaneHeight(), SharedHeight(w) - 2580);
    w->SetWindowSize(15000, 700 + toolbar + 3900);
    EXPECT_EQ(w->BottomPaneHeight(), kMinBottomPane);
    EXPECT_EQ(w->TopPaneHeight(), SharedHeight(w) - kMinBottomPane);
    // At the minimum height (in whole pixels, so a few twips above 2820 for the panes)
    // the filter pane gives up its extra height.
    w->SetWindowSize(15000, 1000);
    EXPECT_LT(SharedHeight(w) - kMinTopPane - kMinBottomPane, TwipsPerPixelY());
    EXPECT_EQ(w->BottomPaneHeight(), kMinBottomPane);
    EXPECT_EQ(w->TopPaneHeight(), SharedHeight(w) - kMinBottomPane);

    // Grown again, the filter pane gets its five rows' height back first.
    w->SetWindowSize(15000, 9000);
    EXPECT_EQ(w->TopPaneHeight(), 2580);
    EXPECT_EQ(w->BottomPaneHeight(), SharedHeight(w) - 2580);

    // A minimized window is left alone.
    w->pmFilter_RowCountChanged(1);
    const PaneHeights before{w->TopPaneHeight(), w->BottomPaneHeight()};
    w->setWindowState(Qt::WindowMinimized);
    w->pmFilter_RowCountChanged(5);
    const PaneHeights rows5{w->TopPaneHeight(), w->BottomPaneHeight()};
    w->Resize();
    EXPECT_EQ((PaneHeights{w->TopPaneHeight(), w->BottomPaneHeight()}), rows5);
    EXPECT_NE(rows5, before);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ListWindowLayoutTest, TheSplitterAndTheFilterRowsMoveThePanesWithinTheirLimits)
{
    frmList* w = Open(3, QString(), nullptr, false);
    w->SetWindowSize(15000, 9000);
    const int32_t h = SharedHeight(w);

    struct Rows {
        int32_t rows;
        int32_t top;
    };
    for (const Rows& r : {Rows{0, 1020}, Rows{1, 1020}, Rows{3, 1800}, Rows{5, 2580}}) {
        w->pmFilter_RowCountChanged(r.rows);
        EXPECT_EQ(w->TopPaneHeight(), r.top) << r.rows;
        EXPECT_EQ(w->BottomPaneHeight(), h - r.top) << r.rows;
    }

    // Moves without a press on the bar do nothing.
    w->pSplitter_MouseMove(600);
    EXPECT_EQ(w->TopPaneHeight(), 2580);
    w->pSplitter_MouseDown();
    w->pSplitter_MouseMove(600);
    EXPECT_EQ(w->TopPaneHeight(), 3180);
    EXPECT_EQ(w->BottomPaneHeight(), h - 3180);
    // While dragging, the filter's row count leaves the panes alone.
    w->pmFilter_RowCountChanged(1);
    EXPECT_EQ(w->TopPaneHeight(), 3180);
    w->pSplitter_MouseMove(-99999);
    EXPECT_EQ(w->TopPaneHeight(), kMinTopPane);
    EXPECT_EQ(w->BottomPaneHeight(), h - kMinTopPane);
    w->pSplitter_MouseMove(99999);
    EXPECT_EQ(w->BottomPaneHeight(), kMinBottomPane);
    EXPECT_EQ(w->TopPaneHeight(), h - kMinBottomPane);
    w->pSplitter_MouseUp();
    w->pSplitter_MouseMove(-600);
    EXPECT_EQ(w->BottomPaneHeight(), kMinBottomPane);

    // The filter control's own rows resize the pane: a second condition adds a row.
    w->pmFilter_RowCountChanged(1);
    ASSERT_TRUE(w->pmFilter()->SetRow(0, 0, FILTERLib::Filter::Op::Equals, QStringLiteral("x")));
    ASSERT_TRUE(w->pmFilter()->SetRow(1, 0, FILTERLib::Filter::Op::Equals, QStringLiteral("y")));
    EXPECT_EQ(w->TopPaneHeight(), w->pmFilter()->RowCount() * 390 + 630);
    EXPECT_GE(w->pmFilter()->RowCount(), 3);
}

TEST_F(ListWindowLayoutTest, GoClearAndSearchesShowWholeInTheFilterPane)
{
    frmList* w = Open(3, QString(), nullptr, false);
    // A font a little larger than the test platform's, as a desktop's can be: the
    // three no longer fit the lowest pane at their natural heights.
    QFont font = w->font();
    font.setPointSizeF(font.pointSizeF() * 1.25);
    w->setFont(font);
    w->SetWindowSize(15000, 9000);
    w->show();
    // One row (the pane at its lowest), several rows, and the lowest again.
    for (const int32_t rows : {1, 5, 1}) {
        w->pmFilter_RowCountChanged(rows);
        w->fraFilterButtons()->layout()->activate();
        const QRect pane = w->picTop()->rect();
        for (QWidget* b : std::initializer_list<QWidget*>{w->cmdGo(), w->cmdClear(), w->mbSearches()}) {
            const QRect r(b->mapTo(w->picTop(), QPoint(0, 0)), b->size());
            EXPECT_TRUE(pane.contains(r)) << rows << " " << b->objectName().toStdString();
            EXPECT_EQ(b->height(), w->cmdGo()->height()) << rows << " " << b->objectName().toStdString();
            EXPECT_GE(b->height(), b->fontMetrics().height()) << rows;
        }
        if (rows > 1)
            EXPECT_GE(w->cmdGo()->height(), w->cmdGo()->sizeHint().height());
    }
}

TEST_F(ListWindowLayoutTest, KeysReachTheWindowBeforeItsControls)
{
    frmList* all = OpenView(QStringLiteral("LdViews"));
    ASSERT_TRUE(Go(all));
    QWidget* grid = all->ListView()->Grid();
    const int32_t customers = ViewId(QStringLiteral("CUSTOMERS_1"));

    // F5 runs the list again.
    EXPECT_TRUE(Loads(all, [&] { Key(all->pmFilter(), Qt::Key_F5); }));
    ASSERT_TRUE(Select(all, customers));

    // Enter on the list opens the selected view; Enter elsewhere does not.
    Key(all->pmFilter(), Qt::Key_Return);
    EXPECT_EQ(ListWindows().size(), 1u);
    Key(grid, Qt::Key_Return);
    ASSERT_EQ(ListWindows().size(), 2u) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    frmList* opened = ListWindows().back();
    EXPECT_EQ(opened->ViewID(), customers);
    EXPECT_FALSE(opened->IsMainView());

    // Insert on the list opens the view editor for a new view; Delete starts the delete.
    WhenEditorShows([](frmListViewEdit* editor) { EXPECT_EQ(editor->Caption(), QStringLiteral("New View")); });
    Key(grid, Qt::Key_Insert);
    EXPECT_EQ(editorShown, 1) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_EQ(ListWindows().size(), 2u);
    EXPECT_TRUE(boxes.empty());
    Key(grid, Qt::Key_Delete);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("All Views"))) << qPrintable(boxes[0].prompt);  // jdoe may not delete
    boxes.clear();

    // The ordinary view's window has no OPEN, NEW or DELETE: its keys do nothing.
    ASSERT_TRUE(Go(opened));
    ASSERT_TRUE(Select(opened, 1));
    QWidget* openedGrid = opened->ListView()->Grid();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Insert, Qt::Key_Delete})
        Key(openedGrid, key);
    EXPECT_EQ(ListWindows().size(), 2u);
    EXPECT_TRUE(boxes.empty());

    // Esc closes any list window, from wherever the focus is.
    Key(openedGrid, Qt::Key_Escape);
    EXPECT_FALSE(IsFormLoaded(opened));
    Key(all->pmFilter(), Qt::Key_Escape);
    EXPECT_FALSE(IsFormLoaded(all));
}

TEST_F(ListWindowLayoutTest, EnterInAFilterValueAndTheGoKeyRunTheSearchAtOnce)
{
    frmList* w = Open(3, QString(), nullptr, false);
    ASSERT_TRUE(w->pmFilter()->SetRow(0, 0, FILTERLib::Filter::Op::BeginsWith, QStringLiteral("S")));
    // The value box of the first row, as the user types into it.
    QLineEdit* value = nullptr;
    for (QLineEdit* e : w->pmFilter()->findChildren<QLineEdit*>())
        if (!value && e->isVisibleTo(w) && e->text() == QLatin1String("S"))
            value = e;
    ASSERT_NE(value, nullptr);
    value->setFocus();
    TakeStatements();
    EXPECT_TRUE(Loads(w, [value] { QTest::keyClick(value, Qt::Key_Return); }));
    EXPECT_TRUE(ListStatement(w).contains(QStringLiteral("LIKE 'S%'"))) << qPrintable(ListStatement(w));

    // Alt+G clicks Go at the key, not after the button's 100 ms press.
    QSignalSpy clicked(w->cmdGo(), &QPushButton::clicked);
    QShortcutEvent shortcut(QKeySequence(QStringLiteral("Alt+G")), 1, false);
    QApplication::sendEvent(w->cmdGo(), &shortcut);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(w->ListView()->IsLoading());
    ASSERT_TRUE(WaitFor([w] { return !w->ListView()->IsLoading() && !w->StatisticsPending(); }));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowLayoutTest, TheToolbarRunsItsCommandsByKey)
{
    frmList* w = Open(3, QString(), nullptr, false);
    EXPECT_TRUE(Loads(w, [w] { w->Button(QStringLiteral("REFRESH"))->trigger(); }));
    EXPECT_FALSE(ListStatement(w).isEmpty());
    w->tbMain_ButtonClick(QStringLiteral("refresh"));  // keys are compared exactly
    w->tbMain_ButtonClick(QStringLiteral("NOSUCH"));
    w->Button(QStringLiteral("CLOSE"))->trigger();
    EXPECT_FALSE(IsFormLoaded(w));
    EXPECT_EQ(StoredToolbarShowText(QStringLiteral("Customers")).toInt32(), 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ListWindowLayoutTest, ClosingStoresTheToolbarSettingPerCaption)
{
    frmList* w = Open(3, QString(), nullptr, false);
    EXPECT_TRUE(w->TextLabels()->IsTextShown().toBool());
    EXPECT_EQ(w->Button(QStringLiteral("OPEN"))->text(), QStringLiteral("Open"));
    const int32_t tallToolbar = w->ToolbarHeight();
    w->TextLabels()->MenuClicked();  // "Hide Text Labels"
    EXPECT_EQ(w->Button(QStringLiteral("REFRESH"))->text(), QString());
    EXPECT_LE(w->ToolbarHeight(), tallToolbar);
    // The window laid itself out again for the toolbar's new height.
    EXPECT_EQ(w->picTop()->y(), w->tbMain()->sizeHint().height());
    Unload(w);
    EXPECT_EQ(StoredToolbarShowText(QStringLiteral("Customers")).toInt32(), 0);
    EXPECT_TRUE(StoredToolbarShowText(QStringLiteral("Orders")).isEmpty());

    frmList* again = Open(3, QString(), nullptr, false);
    EXPECT_FALSE(again->TextLabels()->IsTextShown().toBool());
    EXPECT_EQ(again->Button(QStringLiteral("REFRESH"))->text(), QString());
    // Another caption keeps its own setting.
    frmList* orders = Open(4, QString(), nullptr, false);
    EXPECT_TRUE(orders->TextLabels()->IsTextShown().toBool());
}


// Every caption keeps a setting of its own, whatever characters it holds: a
// backslash (which parts a settings path), one at either end, two in a row, a
// percent sign.
TEST_F(ListWindowLayoutTest, EveryCaptionKeepsItsOwnToolbarSetting)
{
    const char* const captions[] = {"Sales\\EU", "Sales\\", "\\\\Share\\Orders", "Sales%5CEU", "100% Orders",
                                    "Sales"};
    for (const char* caption : captions) {
        Exec(QStringLiteral("UPDATE LdViews SET DisplayName = ") + QuoteSQLString(Variant(QString::fromLatin1(caption))) +
             QStringLiteral(" WHERE ViewID = 3"));
        frmList* w = Open(3, QString(), nullptr, false);
        ASSERT_EQ(w->Caption(), QLatin1String(caption));
        // Not the setting of a caption before it.
        EXPECT_TRUE(w->TextLabels()->IsTextShown().toBool()) << caption;
        w->TextLabels()->MenuClicked();  // "Hide Text Labels"
        Unload(w);
        frmList* again = Open(3, QString(), nullptr, false);
        EXPECT_FALSE(again->TextLabels()->IsTextShown().toBool()) << caption;
        Unload(again);
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    // A caption without a backslash or a percent sign keeps the key it had.
    EXPECT_EQ(StoredToolbarShowText(QStringLiteral("Sales")).toInt32(), 0);
}

// A settings store that cannot be written: the first window whose setting is
// lost says so, with why; the windows closed after it say nothing more.
TEST_F(ListWindowLayoutTest, AFailedSaveOfTheToolbarSettingIsToldOnce)
{
    ForgetWindowSettingsNotice();
    frmList* customers = Open(3, QString(), nullptr, false);
    frmList* orders = Open(4, QString(), nullptr, false);
    // A file where the store's folder should be.
    QFile blocker(m_work.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RegistryStore::SetDirectory(blocker.fileName() + QStringLiteral("/registry"));
    Unload(customers);
    Unload(orders);
    ASSERT_EQ(boxes.size(), 1u) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_TRUE(boxes[0].prompt.startsWith(QStringLiteral("Your window settings could not be saved, because ")))
        << qPrintable(boxes[0].prompt);
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("'Customers'"))) << qPrintable(boxes[0].prompt);
    EXPECT_EQ(boxes[0].icon(), static_cast<int>(vbExclamation));
    EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
    ForgetWindowSettingsNotice();
}
TEST_F(ListWindowLayoutTest, ClosingRecordsTheCurrentSavedSearchAsTheLastUsedOne)
{
    const auto lastUsed = [this] { return Value(QStringLiteral("SELECT LastUsedFilter FROM LdViews WHERE ViewID = 4")); };
    const QString bigOrders =
        Value(QStringLiteral("SELECT ViewFilterID FROM LdViewFilters WHERE ViewID = 4 AND FilterName = 'Big Orders'"));

    frmList* w = Open(4, QString(), nullptr, false);
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("Open Orders"));
    w->pmFilter()->SetText(QStringLiteral("Big Orders"));
    Unload(w);
    EXPECT_EQ(lastUsed(), bigOrders);

    // The next window starts with it.
    w = Open(4, QString(), nullptr, false);
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("Big Orders"));
    EXPECT_EQ(w->CurrentFilter(), QStringLiteral("WHERE ( {OrderTotal} >= 1000 )"));

    // An unsaved search clears it.
    w->pmFilter()->SetText(QStringLiteral("QuickSearch"));
    Unload(w);
    const QString cleared = lastUsed();
    EXPECT_TRUE(cleared == QStringLiteral("<null>") || cleared == QStringLiteral("0")) << qPrintable(cleared);

    // No last used search and none current: nothing is written.
    w = Open(4, QString(), nullptr, false);
    TakeStatements();
    Unload(w);
    EXPECT_TRUE(TakeStatements().filter(QStringLiteral("LastUsedFilter")).isEmpty());
}

TEST_F(ListWindowLayoutTest, StatisticsStillWaitingWhenTheWindowClosesAreDropped)
{
    frmList* w = Open(4, QString(), nullptr, false);
    ASSERT_TRUE(Go(w));
    // A query started, its first rows shown (the statistics now queued), then the
    // window closed and the session ended before the queue runs.
    w->RefreshList(-1);
    emit w->ListView()->FirstRowsShown();
    Unload(w);
    TakeStatements();
    g_oSystemEngine->CloseConnection();
    QTest::qWait(50);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

}  // namespace
