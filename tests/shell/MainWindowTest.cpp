// The main window: its menus and toolbar, the text labels and their setting,
// the Tools switches, the child windows and the logo, the commands of the File,
// View, Window and Help menus, and its closing.

#include "shell/ShellTestSupport.h"

#include "core/CoreTestSupport.h"
#include "core/Windows.h"
#include "listhelpers/ListSelectHelper.h"
#include "platform/controls/ReportListView.h"
#include "shell/clsImageSwapper.h"
#include "shell/frmAbout.h"
#include "shell/frmQuillonLogo.h"

#include <QDate>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

using namespace shelltest;

namespace {

// "caption" for an item, "-" for a separator.
QStringList Captions(const QList<QAction*>& actions)
{
    QStringList out;
    for (QAction* a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}
QStringList Names(const QList<QAction*>& actions)
{
    QStringList out;
    for (QAction* a : actions)
        out << a->objectName();
    return out;
}
QStringList ButtonTexts(QToolBar* tb)
{
    QStringList out;
    for (QAction* a : tb->actions())
        out << a->text();
    return out;
}
QToolButton* ButtonOf(QToolBar* tb, const QString& key)
{
    for (QAction* a : tb->actions())
        if (a->objectName() == key)
            return qobject_cast<QToolButton*>(tb->widgetForAction(a));
    return nullptr;
}

// Receives the addresses the desktop is asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class MainWindowTest : public ShellTest {
protected:
    // Right-clicks a toolbar button; the menu that opens is handed to `choose`.
    void RightClick(QToolBar* tb, QWidget* over, std::function<void(QMenu*)> choose)
    {
        WithNextPopup(std::move(choose));
        QTest::mousePress(over, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseRelease(over, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    }
    static void Choose(QMenu* menu, QString* itemText)
    {
        QAction* item = menu->actions().value(0);
        if (itemText)
            *itemText = item ? item->text() : QString();
        menu->setActiveAction(item);
        QTest::keyClick(menu, Qt::Key_Return);
    }
    static void WriteSetting(uint32_t type, const QByteArray& data)
    {
        HKEY h = 0;
        ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, MachineSettingsKeyPath(QString::fromLatin1(frmMDIFrame::kSettingsSubKey)), &h),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueEx(h, QStringLiteral("ToolbarShowText"), type, data, static_cast<uint32_t>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(h);
    }
};

}  // namespace

TEST_F(MainWindowTest, MenusToolbarAndStatusBarAfterLoad)
{
    frmMDIFrame* main = frmMDIFrame::Instance();
    Load(main);
    EXPECT_EQ(main->Name(), QStringLiteral("frmMDIFrame"));
    EXPECT_EQ(main->Caption(), QStringLiteral("quillon"));

    const QList<QAction*> menus = main->MenuBar()->actions();
    EXPECT_EQ(Captions(menus), (QStringList{"&File", "&View", "&Tools", "&Window", "&Help"}));
    EXPECT_EQ(Names(menus), (QStringList{"mnuFile", "mnuViews", "mnuTools", "mnuWindows", "mnuHelp"}));
    struct Menu {
        const char* name;
        QStringList captions;
        QStringList controls;
    } expected[] = {
        {"mnuFile",
         {"&Open Company...", "-", "&Login As Different User...", "-", "E&xit"},
         {"mnuOpenCompany", "mnuSep1", "mnuLogon", "mnuSep2", "mnuExit"}},
        {"mnuViews", {"&MyViews", "&All Views"}, {"mnuMyViews", "mnuAllViews"}},
        {"mnuTools", {"&Toolbar", "&Status Bar"}, {"mnuToolsToolbar", "mnuToolsStatusBar"}},
        {"mnuWindows", {"&Cascade", "Close &All"}, {"mnuWindowCascade", "mnuWindowCloseAll"}},
        {"mnuHelp", {"&Help", "quillon &Website", "-", "&About quillon"}, {"Help", "mnuHelpWebsite", "mnuSep3", "mnuHelpAbout"}},
    };
    for (const Menu& m : expected) {
        QMenu* menu = main->MenuItem(QString::fromLatin1(m.name))->menu();
        ASSERT_NE(menu, nullptr) << m.name;
        EXPECT_EQ(Captions(menu->actions()), m.captions) << m.name;
        EXPECT_EQ(Names(menu->actions()), m.controls) << m.name;
    }
    EXPECT_TRUE(main->MenuItem(QStringLiteral("mnuToolsToolbar"))->isChecked());
    EXPECT_TRUE(main->MenuItem(QStringLiteral("mnuToolsStatusBar"))->isChecked());
    QAction* help = main->MenuItem(QStringLiteral("Help"));
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(help->isEnabled());

    // The toolbar: two buttons, their keys and images.
    EXPECT_EQ(ButtonTexts(main->tbMain()), (QStringList{"MyViews", "All Views"}));
    EXPECT_EQ(Names(main->tbMain()->actions()), (QStringList{"MY_VIEWS", "ALL_VIEWS"}));
    for (QAction* button : main->tbMain()->actions())
        EXPECT_FALSE(button->icon().isNull()) << qPrintable(button->objectName());
    EXPECT_EQ(main->imgListToolbar().Keys(), (QStringList{"NEW", "ALL_VIEWS", "MY_VIEWS", "EXPORT", "CUSTOMIZE",
                                                           "REFRESH", "OPEN", "ADD_VIEW", "DELETE", "CLOSE"}));
    EXPECT_EQ(main->imgListToolbar().ListImage(QStringLiteral("EXPORT")).size(), QSize(16, 16));
    EXPECT_EQ(ErrorNumberOf([&] { main->imgListToolbar().ListImage(QStringLiteral("NOPE")); }), 35601);

    EXPECT_EQ(main->StatusPanel(2)->text(), QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat));
    EXPECT_EQ(main->MDIClient()->background().color(), QColor(Qt::white));
    EXPECT_FALSE(main->windowIcon().isNull());
    EXPECT_TRUE(main->HelpFile().endsWith(QStringLiteral("/quillon.chm")));
}

TEST_F(MainWindowTest, SortArrowsLendTheirImagesToBoundLists)
{
    frmMDIFrame* main = frmMDIFrame::Instance();
    Load(main);
    EXPECT_EQ(main->CHSortIcons().objectName(), QStringLiteral("CHSortIcons"));
    EXPECT_EQ(main->CHSortIcons().Keys(), (QStringList{"SORT_ASC", "SORT_DESC"}));

    ReportListView list;
    list.AddColumn(0, QString(), QStringLiteral("Name"));
    list.AddItem(0, QString(), QStringLiteral("b"));
    list.AddItem(0, QString(), QStringLiteral("a"));
    list.SetColumnHeaderIcons({});
    ListSelectHelper helper;
    helper.Init(&list);
    const QList<QIcon> icons = list.ColumnHeaderIcons();
    ASSERT_EQ(icons.size(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(icons[i].pixmap(16, 16).toImage(),
                  main->CHSortIcons().ListImage(main->CHSortIcons().Keys()[i]).toImage());
    EXPECT_EQ(list.Column(1)->Image(), 0);
    EXPECT_EQ(list.Item(1)->Text(), QStringLiteral("a"));
}

TEST_F(MainWindowTest, StoredSettingDecidesTheTextLabels)
{
    struct Case {
        const char* what;
        uint32_t type;  // REG_NONE + no data: an empty value; 0xFFFF: no value at all
        QByteArray data;
        bool shown;
    } cases[] = {
        {"no value", 0xFFFF, {}, true},
        {"1", REG_DWORD, QByteArray("\x01\x00\x00\x00", 4), true},
        {"0", REG_DWORD, QByteArray("\x00\x00\x00\x00", 4), false},
        {"2", REG_DWORD, QByteArray("\x02\x00\x00\x00", 4), false},
        {"-1", REG_DWORD, QByteArray("\xFF\xFF\xFF\xFF", 4), false},
        {"the text 1", REG_SZ, QByteArray("1"), false},
        {"an empty value keeps the default", REG_NONE, {}, true},
    };
    for (const Case& c : cases) {
        QTemporaryDir registry;
        RegistryStore::SetDirectory(registry.path());
        if (c.type != 0xFFFF)
            WriteSetting(c.type, c.data);
        frmMDIFrame* main = frmMDIFrame::Instance();
        Load(main);
        EXPECT_EQ(main->TextLabels()->IsTextShown().toBool(), c.shown) << c.what;
        EXPECT_EQ(ButtonTexts(main->tbMain()),
                  c.shown ? (QStringList{"MyViews", "All Views"}) : (QStringList{QString(), QString()}))
            << c.what;
        Unload(main);
    }
    RegistryStore::SetDirectory(m_registry.path());
}

TEST_F(MainWindowTest, ContextMenuSwitchesTheLabelsAndANormalCloseStoresThem)
{
    frmMDIFrame* main = ShowMain();
    QToolBar* tb = main->tbMain();
    QString itemText;
    RightClick(tb, ButtonOf(tb, QStringLiteral("MY_VIEWS")), [&](QMenu* menu) { Choose(menu, &itemText); });
    EXPECT_EQ(itemText, QStringLiteral("Hide Text Labels"));
    EXPECT_EQ(ButtonTexts(tb), (QStringList{QString(), QString()}));
    EXPECT_FALSE(main->TextLabels()->IsTextShown().toBool());
    // The holder form went with the choice.
    for (Form* f : LoadedForms())
        EXPECT_NE(f->Name(), QStringLiteral("frmToolbarContextMenu"));
    // The tips still name the buttons.
    EXPECT_EQ(ButtonOf(tb, QStringLiteral("ALL_VIEWS"))->toolTip(), QStringLiteral("All Views"));

    Unload(main);
    EXPECT_EQ(StoredToolbarShowText().toInt32(), 0);
    EXPECT_TRUE(seams.boxes.empty());

    // The next start shows them hidden; showing them again and leaving with Exit stores nothing.
    main = ShowMain();
    tb = main->tbMain();
    EXPECT_EQ(ButtonTexts(tb), (QStringList{QString(), QString()}));
    RightClick(tb, tb, [&](QMenu* menu) { Choose(menu, &itemText); });
    EXPECT_EQ(itemText, QStringLiteral("Show Text Labels"));
    EXPECT_EQ(ButtonTexts(tb), (QStringList{"MyViews", "All Views"}));
    EXPECT_TRUE(Ends([&] { main->MenuItem(QStringLiteral("mnuExit"))->trigger(); }));
    EXPECT_EQ(seams.ends, 1);
    EXPECT_EQ(StoredToolbarShowText().toInt32(), 0);
    // Nothing of the window's closing ran.
    EXPECT_TRUE(IsFormLoaded(main));
    EXPECT_NE(g_oSystemEngine, nullptr);
}

TEST_F(MainWindowTest, OnlyTheRightButtonOpensTheMenuAndDismissingItChangesNothing)
{
    frmMDIFrame* main = ShowMain();
    QToolBar* tb = main->tbMain();
    QTest::mouseClick(tb, Qt::MiddleButton, Qt::NoModifier, QPoint(tb->width() - 5, 5));
    EXPECT_EQ(main->TextLabels()->MenuHolder(), nullptr);

    // The menu opens where the button is released, not where it was pressed.
    QPoint menuAt;
    WithNextPopup([&](QMenu* menu) {
        menuAt = menu->pos();
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    QTest::mousePress(tb, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(tb, Qt::RightButton, Qt::NoModifier, QPoint(40, 8));
    EXPECT_EQ(menuAt, tb->mapToGlobal(QPoint(40, 8)));
    EXPECT_EQ(ButtonTexts(tb), (QStringList{"MyViews", "All Views"}));
    EXPECT_TRUE(main->TextLabels()->IsTextShown().toBool());
    frmToolbarContextMenu* holder = main->TextLabels()->MenuHolder();
    ASSERT_NE(holder, nullptr);
    EXPECT_TRUE(IsFormLoaded(holder));
    EXPECT_FALSE(holder->isVisible());
}

TEST_F(MainWindowTest, ToolbarAndStatusBarItemsToggleWithTheirCheckMarks)
{
    frmMDIFrame* main = ShowMain();
    struct Item {
        const char* control;
        QWidget* bar;
    } items[] = {{"mnuToolsToolbar", main->tbMain()}, {"mnuToolsStatusBar", main->SBMDIFrame()}};
    for (const Item& item : items) {
        QAction* action = main->MenuItem(QString::fromLatin1(item.control));
        EXPECT_TRUE(item.bar->isVisible()) << item.control;
        action->trigger();
        EXPECT_FALSE(action->isChecked()) << item.control;
        EXPECT_FALSE(item.bar->isVisible()) << item.control;
        action->trigger();
        EXPECT_TRUE(action->isChecked()) << item.control;
        EXPECT_TRUE(item.bar->isVisible()) << item.control;
    }
    // Nothing of it is stored.
    Unload(main);
    main = ShowMain();
    EXPECT_TRUE(main->tbMain()->isVisible());
}

TEST_F(MainWindowTest, ClosingNamesTheHiddenFormsLeftAndEndsTheSession)
{
    frmMDIFrame* main = ShowMain();
    // A dismissed toolbar menu leaves its hidden holder loaded.
    WithNextPopup([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
    QTest::mousePress(main->tbMain(), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(main->tbMain(), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    auto* hidden = new Form(QStringLiteral("frmHelper"));
    hidden->SetCaption(QStringLiteral("Hidden Helper"));
    Load(hidden);
    auto* twin = new Form(QStringLiteral("frmTwin"));
    KeepAfterUnload(twin);
    twin->SetCaption(main->Caption());
    Load(twin);
    Form* child = OpenChild(QStringLiteral("List One"));

    Unload(main);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(seams.boxes[0].icon(), vbExclamation);
    EXPECT_EQ(seams.boxes[0].prompt, QStringLiteral("The following form(s) were not unloaded:\r\n\r\n"
                                                    "   - Hidden Helper\r\n"
                                                    "   - Toolbar Context Menu Form\r\n"));
    EXPECT_FALSE(IsFormLoaded(child));
    EXPECT_FALSE(IsFormLoaded(hidden));
    EXPECT_TRUE(IsFormLoaded(twin));
    EXPECT_EQ(g_oSystemEngine, nullptr);
    Unload(twin);
    delete twin;
}

TEST_F(MainWindowTest, ClosingWithNothingLeftShowsNoWarning)
{
    frmMDIFrame* main = ShowMain();
    OpenChild(QStringLiteral("List One"));
    Unload(main);
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_EQ(LoadedForms().size(), 0u);
}

TEST_F(MainWindowTest, TheLogoSitsInTheCornerAndFollowsResizes)
{
    frmMDIFrame* main = ShowMain();
    QMdiArea* client = main->MDIClient();
    auto corner = [&] {
        QMdiSubWindow* frame = main->ChildFrameOf(main->Logo());
        if (!frame || !frame->isVisible())
            return QPoint(-1, -1);
        return frame->geometry().bottomRight() + QPoint(1, 1);
    };
    ASSERT_NE(main->Logo(), nullptr);
    EXPECT_EQ(main->Logo()->Caption(), QStringLiteral("Form1"));
    EXPECT_EQ(main->Logo()->size(), frmQuillonLogo::ClientSize());
    EXPECT_EQ(main->Logo()->Picture().size(), QSize(384, 126));
    EXPECT_FALSE(main->ChildFrameOf(main->Logo())->isEnabled());
    EXPECT_EQ(corner(), QPoint(client->viewport()->width(), client->viewport()->height()));

    main->resize(main->width() + 120, main->height() + 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(corner(), QPoint(client->viewport()->width(), client->viewport()->height()));

    // Minimized, the logo stays where it was; restored, it finds its corner again.
    const QPoint before = corner();
    main->setWindowState(Qt::WindowMinimized);
    main->resize(main->width() + 80, main->height() + 40);
    QCoreApplication::processEvents();
    EXPECT_EQ(corner(), before);
    EXPECT_NE(before, QPoint(client->viewport()->width(), client->viewport()->height()));
    main->setWindowState(Qt::WindowNoState);
    main->resize(main->width() + 1, main->height());
    QCoreApplication::processEvents();
    EXPECT_EQ(corner(), QPoint(client->viewport()->width(), client->viewport()->height()));

    // Hiding the toolbar grows the client area; the logo keeps to its corner.
    main->MenuItem(QStringLiteral("mnuToolsToolbar"))->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(corner(), QPoint(client->viewport()->width(), client->viewport()->height()));

    // "Close All" and a new logon close it with the other windows; it comes back at
    // once, a new logo, in its corner.
    for (const char* how : {"Close All", "a new logon"}) {
        SCOPED_TRACE(how);
        OpenChild(QStringLiteral("List One"));
        const QPointer<frmQuillonLogo> old = main->Logo();
        if (QLatin1String(how) == QLatin1String("Close All"))
            main->MenuItem(QStringLiteral("mnuWindowCloseAll"))->trigger();
        else
            ShowMainWindow();
        EXPECT_EQ(main->ChildForms().size(), 0u);
        QCoreApplication::processEvents();
        ASSERT_NE(main->Logo(), nullptr);
        EXPECT_NE(main->Logo(), old.data());
        EXPECT_EQ(corner(), QPoint(client->viewport()->width(), client->viewport()->height()));
    }
    main->resize(main->width() - 100, main->height() - 50);
    QCoreApplication::processEvents();
    EXPECT_EQ(corner(), QPoint(client->viewport()->width(), client->viewport()->height()));
}

TEST_F(MainWindowTest, WindowMenuListsTheChildWindowsAndCascadeLeavesTheLogo)
{
    frmMDIFrame* main = ShowMain();
    Form* first = OpenChild(QStringLiteral("Customers"));
    Form* second = OpenChild(QStringLiteral("Orders & Lines"));
    QMenu* windows = main->MenuItem(QStringLiteral("mnuWindows"))->menu();
    emit windows->aboutToShow();
    EXPECT_EQ(Captions(windows->actions()),
              (QStringList{"&Cascade", "Close &All", "-", "&1 Customers", "&2 Orders && Lines"}));
    EXPECT_TRUE(windows->actions().at(4)->isChecked());
    EXPECT_FALSE(windows->actions().at(3)->isChecked());

    // Choosing an entry activates its window.
    windows->actions().at(3)->trigger();
    EXPECT_EQ(main->MDIClient()->activeSubWindow(), main->ChildFrameOf(first));
    emit windows->aboutToShow();
    EXPECT_TRUE(windows->actions().at(3)->isChecked());

    // Cascade steps the windows down from the top left and leaves them a useful
    // size, never their minimum; the logo keeps its corner.
    for (Form* child : {first, second})
        main->ChildFrameOf(child)->setMinimumSize(160, 120);
    main->ChildFrameOf(second)->showMaximized();
    const QRect logoBefore = main->ChildFrameOf(main->Logo())->geometry();
    main->MenuItem(QStringLiteral("mnuWindowCascade"))->trigger();
    EXPECT_EQ(main->ChildFrameOf(main->Logo())->geometry(), logoBefore);
    EXPECT_TRUE(main->ChildFrameOf(main->Logo())->isVisible());
    const QSize client = main->MDIClient()->viewport()->size();
    const QRect one = main->ChildFrameOf(first)->geometry();
    const QRect two = main->ChildFrameOf(second)->geometry();
    EXPECT_FALSE(main->ChildFrameOf(second)->isMaximized());
    EXPECT_EQ(one.topLeft(), QPoint(0, 0));
    EXPECT_GT(two.top(), one.top());
    EXPECT_EQ(two.top() - one.top(), two.left() - one.left());
    EXPECT_EQ(one.size(), two.size());
    EXPECT_GE(one.width(), client.width() * 2 / 3);
    EXPECT_GE(one.height(), client.height() * 2 / 3);
    EXPECT_LE(two.right(), client.width() - 1);
    EXPECT_LE(two.bottom(), client.height() - 1);

    // An unloaded child leaves the list.
    Unload(second);
    emit windows->aboutToShow();
    EXPECT_EQ(Captions(windows->actions()), (QStringList{"&Cascade", "Close &All", "-", "&1 Customers"}));
}

TEST_F(MainWindowTest, CloseAllSparesTheMainAndTheLogonWindow)
{
    frmMDIFrame* main = ShowMain();
    FakeLogonWindow& logon = Logon();
    Load(&logon);
    OpenChild(QStringLiteral("One"));
    OpenChild(QStringLiteral("Two"));
    auto* loose = new Form(QStringLiteral("frmSomething"));
    Load(loose);
    main->MenuItem(QStringLiteral("mnuWindowCloseAll"))->trigger();
    std::vector<Form*> expected{main, &logon};
    EXPECT_EQ(LoadedForms(), expected);
}

TEST_F(MainWindowTest, ViewCommandsCheckTheRightsAndOpenTheCatalogueViews)
{
    std::vector<int32_t> opened;
    frmMDIFrame* main = ShowMain();
    const int32_t myViewsId = GetSQLValue(QStringLiteral("SELECT ViewID FROM LdViews WHERE ViewName = 'LdMyViews'")).toInt32();
    const int32_t allViewsId = GetSQLValue(QStringLiteral("SELECT ViewID FROM LdViews WHERE ViewName = 'LdViews'")).toInt32();
    ASSERT_GT(myViewsId, 0);
    ASSERT_GT(allViewsId, 0);

    // Without a list window registered the commands do nothing visible.
    main->MenuItem(QStringLiteral("mnuMyViews"))->trigger();
    EXPECT_TRUE(seams.boxes.empty());

    frmMDIFrame::SetListWindowOpener([&](int32_t viewId) { opened.push_back(viewId); });
    main->MenuItem(QStringLiteral("mnuMyViews"))->trigger();
    main->MenuItem(QStringLiteral("mnuMyViews"))->trigger();
    main->MenuItem(QStringLiteral("mnuAllViews"))->trigger();
    QTest::mouseClick(ButtonOf(main->tbMain(), QStringLiteral("ALL_VIEWS")), Qt::LeftButton);
    QTest::mouseClick(ButtonOf(main->tbMain(), QStringLiteral("MY_VIEWS")), Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<int32_t>{myViewsId, myViewsId, allViewsId, allViewsId, myViewsId}));
    EXPECT_TRUE(seams.boxes.empty());

    // A user without the View right on All Views is refused and gets no window.
    Unload(main);
    opened.clear();
    main = ShowMain(QStringLiteral("guest"), QStringLiteral("guest"));
    main->MenuItem(QStringLiteral("mnuAllViews"))->trigger();
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_TRUE(seams.boxes[0].prompt.contains(QStringLiteral("View rights to 'All Views'")))
        << qPrintable(seams.boxes[0].prompt);
    main->MenuItem(QStringLiteral("mnuMyViews"))->trigger();
    EXPECT_EQ(opened, std::vector<int32_t>{myViewsId});
}

TEST_F(MainWindowTest, ViewCommandsSayWhenTheCompanyHasNoViews)
{
    // The demo's second company has the tables but no views, not even the catalogues.
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"), QStringLiteral("TRADING"));
    ShowMainWindow();
    frmMDIFrame* main = frmMDIFrame::Instance();
    std::vector<int32_t> opened;
    frmMDIFrame::SetListWindowOpener([&](int32_t viewId) { opened.push_back(viewId); });
    for (const char* command : {"mnuAllViews", "mnuMyViews"}) {
        SCOPED_TRACE(command);
        seams.boxes.clear();
        main->MenuItem(QString::fromLatin1(command))->trigger();
        EXPECT_TRUE(opened.empty());
        ASSERT_EQ(seams.boxes.size(), 1u);
        EXPECT_EQ(seams.boxes[0].prompt, QStringLiteral("The company TRADING has no views."));
        EXPECT_EQ(seams.boxes[0].title, QStringLiteral("Attention Required"));
        EXPECT_EQ(seams.boxes[0].style, int(vbInformation));
    }
}

TEST_F(MainWindowTest, OpenCompanyCancelledKeepsTheSessionAndASuccessShowsTheNewCompany)
{
    frmMDIFrame* main = ShowMain();
    const CoQuillonSystemEnginePtr session = g_oSystemEngine;
    EXPECT_EQ(main->Caption(), QStringLiteral("DEMO - quillon 7.6"));
    OpenChild(QStringLiteral("List One"));

    FakeLogonWindow& logon = Logon();
    logon.action = [](FakeLogonWindow& w) { Unload(&w); };  // Cancel
    main->MenuItem(QStringLiteral("mnuOpenCompany"))->trigger();
    EXPECT_EQ(logon.caption, QStringLiteral("quillon Login"));
    EXPECT_TRUE(logon.Relogin());
    EXPECT_FALSE(logon.formsAtShow.contains(QStringLiteral("frmListView")));
    EXPECT_EQ(g_oSystemEngine, session);
    EXPECT_EQ(g_sCompanyID, kDemo);
    EXPECT_EQ(main->Caption(), QStringLiteral("DEMO - quillon 7.6"));
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(seams.ends, 0);

    // A refused attempt keeps the session; the next succeeds.
    QStringList refusals;
    logon.action = [&](FakeLogonWindow& w) {
        refusals << TryLogOn(kOther, QStringLiteral("jdoe"), QStringLiteral("wrong"), w.Relogin());
        EXPECT_EQ(g_oSystemEngine, session);
        if (TryLogOn(kOther, QStringLiteral("jdoe"), QStringLiteral("other"), w.Relogin()).isEmpty())
            Unload(&w);
    };
    main->MenuItem(QStringLiteral("mnuOpenCompany"))->trigger();
    EXPECT_EQ(refusals, QStringList{QStringLiteral("Unable to Log In:  Unknown user or password.")});
    EXPECT_NE(g_oSystemEngine, session);
    EXPECT_EQ(g_sCompanyID, kOther);
    EXPECT_EQ(main->Caption(), QStringLiteral("OTHER - quillon 7.6"));
    EXPECT_EQ(frmMDIFrame::Instance(), main);
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(MainWindowTest, LoginAsDifferentUserClosesTheOtherWindowsFirst)
{
    frmMDIFrame* main = ShowMain();
    Form* child = OpenChild(QStringLiteral("List One"));
    auto* loose = new Form(QStringLiteral("frmSomething"));
    Load(loose);
    FakeLogonWindow& logon = Logon();
    logon.action = [](FakeLogonWindow& w) {
        if (TryLogOn(kDemo, QStringLiteral("admin"), QStringLiteral("admin"), w.Relogin()).isEmpty())
            Unload(&w);
    };
    main->MenuItem(QStringLiteral("mnuLogon"))->trigger();
    EXPECT_FALSE(logon.Relogin());
    EXPECT_EQ(logon.formsAtShow, (QStringList{QStringLiteral("frmMDIFrame"), QStringLiteral("frmLogonNew")}));
    EXPECT_FALSE(IsFormLoaded(child));
    EXPECT_EQ(g_sUserID, QStringLiteral("admin"));
    EXPECT_EQ(main->Caption(), QStringLiteral("DEMO - quillon 7.6"));
}

TEST_F(MainWindowTest, AboutOpensModallyAndItsOkPictureClosesIt)
{
    frmMDIFrame* main = ShowMain();
    QPointer<frmAbout> seen;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        for (Form* f : LoadedForms())
            if (auto* about = qobject_cast<frmAbout*>(f))
                seen = about;
        if (!seen)
            return;
        modal = seen->isModal();
        QTest::mouseClick(seen->picOk(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    });
    main->MenuItem(QStringLiteral("mnuHelpAbout"))->trigger();
    ASSERT_FALSE(seen.isNull());
    EXPECT_TRUE(modal);
    EXPECT_FALSE(IsFormLoaded(seen));
    EXPECT_TRUE(seen->lblUser()->text().startsWith(QStringLiteral("User:  ")));
    EXPECT_TRUE(IsFormLoaded(main));
}

TEST_F(MainWindowTest, WebsiteOpensTheMakersAddressOrSaysItCannot)
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    frmMDIFrame* main = ShowMain();
    main->MenuItem(QStringLiteral("mnuHelpWebsite"))->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    EXPECT_EQ(recorder.urls, QList<QUrl>{QUrl(QString::fromLatin1(frmMDIFrame::kWebsite))});
    EXPECT_TRUE(seams.boxes.empty());

    // The offscreen platform starts no browser.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        GTEST_SKIP() << "needs a platform that cannot open addresses";
    main->MenuItem(QStringLiteral("mnuHelpWebsite"))->trigger();
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].prompt, QStringLiteral("No web browser could be started to open ") +
                                         QString::fromLatin1(frmMDIFrame::kWebsite) + QStringLiteral("."));
    EXPECT_EQ(seams.boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(seams.boxes[0].style, int(vbExclamation));
}

TEST_F(MainWindowTest, StartUpShowsTheSplashThenTheMainWindowForTheSession)
{
    std::vector<QPointer<Form>> splashes;
    SetSplashWindowFactory([&]() -> Form* {
        auto* splash = new frmAbout;
        splashes.push_back(splash);
        return splash;
    });
    EXPECT_FALSE(Ends([] {
        RunMain(QStringLiteral("/SQLSRV=SHELLSRV;/HBSRV=hb;/HBPRT=1331;/CO=DEMO;/UID=jdoe;/PWD=secret;"));
    }));
    ASSERT_EQ(splashes.size(), 1u);
    EXPECT_TRUE(splashes[0].isNull() || !IsFormLoaded(splashes[0]));
    frmMDIFrame* main = frmMDIFrame::Instance();
    EXPECT_EQ(MainWindow(), main);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->Caption(), QStringLiteral("DEMO - quillon 7.6"));
    EXPECT_NE(main->Logo(), nullptr);
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(MainWindowTest, StartUpWithoutACompleteCommandLineGoesFromTheSplashThroughTheLogon)
{
    QStringList steps;
    std::vector<QPointer<Form>> splashes;
    SetSplashWindowFactory([&]() -> Form* {
        auto* splash = new frmAbout;
        splashes.push_back(splash);
        steps << QStringLiteral("splash");
        return splash;
    });
    FakeLogonWindow& logon = Logon();
    logon.action = [&](FakeLogonWindow& w) {
        steps << QStringLiteral("logon");
        // The splash has gone and the main window is not shown yet.
        EXPECT_FALSE(w.formsAtShow.contains(QStringLiteral("frmAbout")));
        EXPECT_FALSE(frmMDIFrame::Instance()->isVisible());
        if (TryLogOn(kDemo, QStringLiteral("jdoe"), QStringLiteral("secret")).isEmpty())
            Unload(&w);
    };
    EXPECT_FALSE(Ends([] { RunMain(QStringLiteral("/SQLSRV=SHELLSRV;/CO=DEMO;")); }));
    EXPECT_EQ(steps, (QStringList{QStringLiteral("splash"), QStringLiteral("logon")}));
    ASSERT_EQ(splashes.size(), 1u);
    EXPECT_TRUE(splashes[0].isNull() || !IsFormLoaded(splashes[0]));
    EXPECT_EQ(logon.caption, QStringLiteral("quillon Login"));
    EXPECT_FALSE(logon.Relogin());
    frmMDIFrame* main = frmMDIFrame::Instance();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->Caption(), QStringLiteral("DEMO - quillon 7.6"));
    EXPECT_EQ(main->StatusPanel(2)->text(), QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat));
    EXPECT_NE(main->Logo(), nullptr);
    EXPECT_TRUE(seams.boxes.empty());
}

#include "MainWindowTest.moc"
