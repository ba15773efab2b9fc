// The list windows as a user meets them inside the main window: their first size
// and the cascade, what shows whole inside them, the window that becomes active
// after a close, the strip after Go then Clear, and views that cannot be shown
// (a damaged company file, missing SQL).

#include "ListWindowTestSupport.h"

#include "listwindow/frmListLayout.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/ReportListView.h"
#include "platform/forms/VbKeys.h"
#include "shell/frmMDIFrame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QStatusBar>
#include <QTreeView>

#include <sqlite3.h>

using namespace listtest;

namespace {

class ListWindowMdiTest : public ListWindowTest {
protected:
    frmMDIFrame* ShowMain()
    {
        RegisterShellWindows();
        RegisterListWindows();
        ShowMainWindow();
        frmMDIFrame* main = frmMDIFrame::Instance();
        EXPECT_TRUE(main->IsLoaded());
        main->window()->resize(1280, 900);
        QApplication::processEvents();
        return main;
    }
    static std::vector<frmList*> Children(frmMDIFrame* main)
    {
        std::vector<frmList*> lists;
        for (Form* f : main->ChildForms())
            if (auto* w = qobject_cast<frmList*>(f))
                lists.push_back(w);
        return lists;
    }
    static std::vector<frmList*> LoadedListWindows()
    {
        std::vector<frmList*> lists;
        for (Form* f : LoadedForms())
            if (auto* w = qobject_cast<frmList*>(f))
                lists.push_back(w);
        return lists;
    }
    static void Esc(QWidget* target)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
    // What must show whole inside a list window at its present size.
    static void ExpectWholeInside(frmList* w, const char* what)
    {
        const int ty = TwipsPerPixelY();
        // The list ends 200 twips above the strip.
        EXPECT_NEAR(w->ListView()->height(), TwipsToPixelsY(w->lvwStats()->y() * ty - 200), 1) << what;
        // The strip's header and row show whole.
        QTreeView* strip = w->lvwStats()->Tree();
        const int needed = 2 * strip->frameWidth() + strip->header()->sizeHint().height() +
                           (strip->model()->rowCount() > 0 ? strip->sizeHintForRow(0) : 0);
        EXPECT_GE(w->lvwStats()->height(), needed) << what;
        EXPECT_LE(w->lvwStats()->y() + w->lvwStats()->height(), w->picBottom()->height()) << what;
        // The message frame holds its whole text.
        if (w->fraMessage()->isVisible())
            EXPECT_GE(w->fraMessage()->height(), w->lblMessage()->heightForWidth(w->fraMessage()->width())) << what;
        // Auto Populate: 350 twips from the window's outer right edge.
        const int boxLeft = w->WindowWidth() - (w->chkAutoPopulate()->width() * TwipsPerPixelX() + 350);
        EXPECT_NEAR(w->chkAutoPopulate()->x(), TwipsToPixelsX(boxLeft), 1) << what;
    }
};

TEST_F(ListWindowMdiTest, WindowsOpenAtAUsableSizeAndAfterACloseTheWindowBeforeIsActive)
{
    frmMDIFrame* main = ShowMain();
    main->MenuItem(QStringLiteral("mnuAllViews"))->trigger();
    ASSERT_EQ(Children(main).size(), 1u);
    frmList* all = Children(main)[0];
    QMdiSubWindow* allFrame = main->ChildFrameOf(all);
    ASSERT_NE(allFrame, nullptr);
    QMdiArea* area = allFrame->mdiArea();
    const QSize client = area->viewport()->size();
    const int stepX = TwipsToPixelsX(listlayout::kCascadeLeft);
    const int stepY = TwipsToPixelsY(listlayout::kCascadeTop);

    // The main window's client area but for one cascade step, well above the minimum.
    EXPECT_EQ(allFrame->geometry(), QRect(0, 0, client.width() - stepX, client.height() - stepY));
    EXPECT_GT(all->WindowHeight(), all->ToolbarHeight() + listlayout::kMinHeightAboveToolbar + 3000);
    EXPECT_FALSE(allFrame->isMaximized());
    // The hint before Go shows whole.
    ASSERT_TRUE(all->fraMessage()->isVisible());
    ExpectWholeInside(all, "All Views, first size");

    // A view opened from it cascades and fits the client area too.
    ASSERT_TRUE(Go(all));
    ASSERT_TRUE(Select(all, 4));
    all->OpenSelectedView();
    ASSERT_EQ(Children(main).size(), 2u);
    frmList* orders = Children(main)[1];
    QMdiSubWindow* ordersFrame = main->ChildFrameOf(orders);
    ASSERT_TRUE(Loads(orders, [] {}));
    EXPECT_NEAR(ordersFrame->x(), allFrame->x() + stepX, 1);
    EXPECT_NEAR(ordersFrame->y(), allFrame->y() + stepY, 1);
    EXPECT_EQ(ordersFrame->width(), allFrame->width());
    EXPECT_NEAR(ordersFrame->height(), allFrame->height() - stepY, 1);
    EXPECT_LE(ordersFrame->geometry().right(), client.width());
    EXPECT_LE(ordersFrame->geometry().bottom(), client.height());
    EXPECT_EQ(area->activeSubWindow(), ordersFrame);
    ExpectWholeInside(orders, "Orders, cascaded");

    // A window opened from Orders (as a linked view that keeps its source) ends at
    // the client area's right edge rather than past it.
    auto* third = new frmList;
    third->Init(ViewId(QStringLiteral("ORDERLINES_1")), QString(), orders, false);
    main->ShowChild(third);
    ASSERT_TRUE(Loads(third, [] {}));
    QMdiSubWindow* thirdFrame = main->ChildFrameOf(third);
    EXPECT_NEAR(thirdFrame->x(), ordersFrame->x() + stepX, 1);
    EXPECT_LE(thirdFrame->geometry().right(), client.width() - 1);
    EXPECT_GE(thirdFrame->geometry().right(), client.width() - 2);
    ExpectWholeInside(third, "a third window, cascaded");
    Esc(third);
    ASSERT_EQ(Children(main).size(), 2u);
    ASSERT_EQ(area->activeSubWindow(), ordersFrame);

    // At the minimum size the hint and the strip still show whole.
    orders->SetWindowSize(1, 1);
    orders->cmdClear_Click();
    QApplication::processEvents();
    ExpectWholeInside(orders, "Orders, minimum size");

    // Esc closes Orders and All Views becomes active: the next Esc reaches it.
    Esc(orders);
    ASSERT_EQ(Children(main).size(), 1u);
    ASSERT_EQ(area->activeSubWindow(), allFrame);
    Esc(area->activeSubWindow()->widget());
    EXPECT_TRUE(Children(main).empty());
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowMdiTest, AddedHeightGoesToTheListPaneAfterAShrinkAndBetweenMaximizedWindows)
{
    frmMDIFrame* main = ShowMain();
    main->MenuItem(QStringLiteral("mnuAllViews"))->trigger();
    ASSERT_TRUE(Loads(Children(main)[0], [] {}));
    frmList* all = Children(main)[0];
    ASSERT_TRUE(Go(all));
    ASSERT_TRUE(Select(all, 4));
    all->OpenSelectedView();
    ASSERT_EQ(Children(main).size(), 2u);
    frmList* orders = Children(main)[1];
    ASSERT_TRUE(Loads(orders, [] {}));
    QApplication::processEvents();
    // The pane the filter rows need, and the list pane the rest.
    const auto expectRowsPane = [](frmList* w, const char* what) {
        const int32_t h = listlayout::SharedPaneHeight(w->WindowHeight(), w->ToolbarHeight());
        const int32_t rows = w->pmFilter()->RowCount() * listlayout::kFilterRowPitch + listlayout::kFilterPaneBase;
        EXPECT_EQ(w->TopPaneHeight(), std::max(rows, listlayout::kMinTopPane)) << what;
        EXPECT_EQ(w->BottomPaneHeight(), h - w->TopPaneHeight()) << what;
        EXPECT_GT(w->ListView()->height(), w->picTop()->height()) << what;
    };
    expectRowsPane(orders, "Orders, first size");

    // Shrunk to its minimum height (the filter pane squeezed), then dragged tall
    // again: the filter pane its rows' height back, the list pane all the rest.
    const int32_t width = orders->WindowWidth();
    orders->SetWindowSize(width, 1);
    QApplication::processEvents();
    EXPECT_EQ(orders->BottomPaneHeight(), listlayout::kMinBottomPane);
    EXPECT_LT(orders->TopPaneHeight(), 1410);
    orders->SetWindowSize(width, 12000);
    QApplication::processEvents();
    expectRowsPane(orders, "Orders, grown after a shrink");

    // Maximized windows switched through the Window menu.
    main->ChildFrameOf(orders)->showMaximized();
    QApplication::processEvents();
    expectRowsPane(orders, "Orders, maximized");
    // A window opened while another is maximized opens maximized, from a small first frame.
    frmList* lines = OpenListWindow(ViewId(QStringLiteral("ORDERLINES_1")), QStringLiteral("WHERE ( {Quantity} >= 1 )"),
                                    nullptr, true);
    ASSERT_TRUE(Loads(lines, [] {}));
    QApplication::processEvents();
    ASSERT_TRUE(main->ChildFrameOf(lines)->isMaximized());
    expectRowsPane(lines, "Order Lines, opened maximized");
    QMenu* windows = main->MenuItem(QStringLiteral("mnuWindows"))->menu();
    ASSERT_NE(windows, nullptr);
    for (int round = 0; round < 2; ++round) {
        for (frmList* target : {all, orders, lines}) {
            emit windows->aboutToShow();
            QAction* item = nullptr;
            for (QAction* a : windows->actions())
                if (a->text().endsWith(QLatin1Char(' ') + target->Caption()))
                    item = a;
            ASSERT_NE(item, nullptr) << qPrintable(target->Caption());
            item->trigger();
            QApplication::processEvents();
            ASSERT_TRUE(main->ChildFrameOf(target)->isMaximized());
            expectRowsPane(target, qPrintable(target->Caption()));
        }
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowMdiTest, GoThenClearLeavesNoFiguresOfAnotherQuery)
{
    frmList* orders = Open(4, QStringLiteral("WHERE ( {Status} = 'Open' )"), nullptr, false);
    ListItem* row = orders->lvwStats()->Item(1);
    ASSERT_EQ(orders->lvwStats()->ColumnCount(), 5);
    const QString openCount = QString::number(orders->RecordCount());
    ASSERT_EQ(row->SubItem(1), openCount);
    ASSERT_FALSE(row->SubItem(2).isEmpty());
    // While Go's count is coming the strip shows no count of another query.
    orders->cmdGo_Click();
    EXPECT_EQ(orders->lvwStats()->Item(1)->SubItem(1), QString());
    ASSERT_TRUE(WaitFor([orders] { return !orders->ListView()->IsLoading() && !orders->StatisticsPending(); }));
    EXPECT_EQ(orders->lvwStats()->Item(1)->SubItem(1), openCount);

    // Go on other criteria, then Clear before its rows and figures came.
    orders->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {Status} = 'Shipped' )"), false);
    TakeStatements();
    orders->cmdGo_Click();
    orders->cmdClear_Click();
    QTest::qWait(300);
    row = orders->lvwStats()->Item(1);
    // Nothing is listed: no figures, never the earlier query's beside another count.
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(row->SubItem(i), QString()) << i;
        EXPECT_FALSE(row->SubItemBusy(i)) << i;
    }
    EXPECT_TRUE(TakeStatements().filter(QStringLiteral("SUM(")).isEmpty());

    // Go and its rows: the figures of that query.
    ASSERT_TRUE(Go(orders));
    EXPECT_FALSE(orders->lvwStats()->Item(1)->SubItem(2).isEmpty());
    EXPECT_EQ(orders->lvwStats()->Item(1)->SubItem(1), QString::number(orders->RecordCount()));
    // Clear after the figures came empties the strip with the list, and the commands
    // on listed rows wait for rows again.
    orders->cmdClear_Click();
    EXPECT_EQ(orders->ListView()->RowCount(), 0);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(orders->lvwStats()->Item(1)->SubItem(i), QString()) << i;
    for (const char* key : {"OPEN", "DELETE", "CUSTOMIZE", "ADD", "EXPORT"})
        EXPECT_FALSE(orders->Button(QString::fromLatin1(key))->isEnabled()) << key;
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowMdiTest, AViewThatFailsToLoadLeavesNoWindowAndItsErrorReachesTheOpener)
{
    // Damage the pages of the view columns in the company file.
    ResetSession();
    if (m_probe) {
        m_probe->CloseConnection();
        m_probe.reset();
    }
    const QString path = erpdb::FindDatabaseFile(kServer, QString::fromLatin1(erpdb::kDemoDatabaseName));
    ASSERT_FALSE(path.isEmpty());
    int64_t rootPage = 0;
    int64_t pageSize = 0;
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_master "
                               "WHERE name = 'LdViewColumns'", -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW) {
            rootPage = sqlite3_column_int64(st, 0);
            pageSize = sqlite3_column_int64(st, 1);
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    ASSERT_GT(rootPage, 1);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek((rootPage - 1) * pageSize));
        file.write(QByteArray(static_cast<int>(pageSize), '\x5A'));
    }
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));

    // From the main window's menu: the error in the standard box, no window left.
    frmMDIFrame* main = ShowMain();
    boxes.clear();
    main->MenuItem(QStringLiteral("mnuAllViews"))->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("malformed"))) << qPrintable(boxes[0].prompt);
    EXPECT_TRUE(Children(main).empty());
    EXPECT_TRUE(LoadedListWindows().empty());
    EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));

    // Opened by code: the error reaches the caller; the window's handlers assume no view.
    auto* w = new frmList;
    w->Init(4);
    QPointer<frmList> guard(w);
    try {
        Show(w);
        ADD_FAILURE() << "the window opened";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("malformed"))) << qPrintable(e.description());
    }
    ASSERT_TRUE(guard);
    EXPECT_FALSE(IsFormLoaded(w));
    EXPECT_FALSE(w->HasView());
    boxes.clear();
    TakeStatements();
    w->cmdGo_Click();
    w->tbMain_ButtonClick(QStringLiteral("REFRESH"));
    w->tbMain_ButtonClick(QStringLiteral("EXPORT"));
    w->Form_KeyDown(vbkey::F5, 0, false);
    w->RefreshStatistics(false, QString());
    EXPECT_TRUE(TakeStatements().isEmpty());
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowMdiTest, AViewWithoutItsSqlIsRefusedWithAMessageThatNamesIt)
{
    // Pieces that the database cannot build again either: its base is gone.
    Exec(QStringLiteral("UPDATE LdViews SET SQLSelect = NULL, BaseID = 999999 WHERE ViewID = 4"));
    auto* w = new frmList;
    w->Init(4);
    try {
        Show(w);
        ADD_FAILURE() << "the window opened";
    } catch (const AppError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("The view 'ORDERS_1' cannot be listed: its SQL is missing (SELECT "
                                                  "list). Save the view again to rebuild it."));
    }
    EXPECT_FALSE(IsFormLoaded(w));
    EXPECT_TRUE(LoadedListWindows().empty());
}

}  // namespace

namespace {

TEST_F(ListWindowMdiTest, GoSaysWhichFieldHoldsAValueThePaneRefuses)
{
    frmList* orders = Open(4, QString(), nullptr, false);
    FILTERLib::Filter* pane = orders->pmFilter();
    // The first number field of the pane, with a value that is not a number.
    int numberField = -1;
    for (int i = 0; i < pane->FieldCount() && numberField < 0; ++i) {
        pane->ClearRows();
        if (pane->SetRow(0, i, FILTERLib::Filter::Op::Greater, QStringLiteral("1,5x")) &&
            pane->InvalidValue().contains(QStringLiteral("is not a number")))
            numberField = i;
    }
    ASSERT_GE(numberField, 0);
    const QString problem = pane->InvalidValue();
    EXPECT_TRUE(problem.startsWith(QStringLiteral("The value of '"))) << qPrintable(problem);
    const QString before = ListStatement(orders);
    boxes.clear();
    orders->cmdGo_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, problem);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(ListStatement(orders), before);  // nothing ran
    EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));

    // Mended, Go runs.
    ASSERT_TRUE(pane->SetRow(0, numberField, FILTERLib::Filter::Op::Greater, QStringLiteral("15")));
    boxes.clear();
    ASSERT_TRUE(Go(orders));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_NE(ListStatement(orders).indexOf(QStringLiteral("> 15")), -1) << qPrintable(ListStatement(orders));
}

TEST_F(ListWindowMdiTest, WindowsBeyondASmallMainWindowAreReachedByScrolling)
{
    frmMDIFrame* main = ShowMain();
    main->MenuItem(QStringLiteral("mnuAllViews"))->trigger();
    ASSERT_EQ(Children(main).size(), 1u);
    frmList* all = Children(main)[0];
    ASSERT_TRUE(Loads(all, [] {}));
    main->window()->resize(520, 380);
    QApplication::processEvents();
    QMdiArea* area = main->MDIClient();
    QMdiSubWindow* frame = main->ChildFrameOf(all);
    QWidget* viewport = area->viewport();
    // The window keeps its usable size and reaches past the small client area.
    ASSERT_GT(frame->geometry().right(), viewport->width());
    ASSERT_GT(frame->geometry().bottom(), viewport->height());
    // Scroll bars lead to its right edge, where Go and Clear are, and to its bottom edge.
    QScrollBar* across = area->horizontalScrollBar();
    QScrollBar* down = area->verticalScrollBar();
    ASSERT_TRUE(across->isVisible());
    ASSERT_TRUE(down->isVisible());
    across->setValue(across->maximum());
    QApplication::processEvents();
    EXPECT_LE(frame->geometry().right(), viewport->width());
    for (QWidget* button : {static_cast<QWidget*>(all->cmdGo()), static_cast<QWidget*>(all->cmdClear())}) {
        const QRect shown(button->mapTo(viewport, QPoint(0, 0)), button->size());
        EXPECT_TRUE(viewport->rect().contains(shown)) << qPrintable(button->objectName());
    }
    down->setValue(down->maximum());
    QApplication::processEvents();
    EXPECT_LE(frame->geometry().bottom(), viewport->height());
    // The logo, a backdrop, gives the area no scroll range of its own.
    Esc(all);
    QApplication::processEvents();
    // The closed window's frame goes when the event loop deletes it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    EXPECT_TRUE(Children(main).empty());
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

}  // namespace
