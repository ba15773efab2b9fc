// The help pages against the program on the demo company: every caption a page
// names (marked <b>) is a caption of one of the program's windows, menus or
// dialogs, and every key it names (marked <kbd>) does something where the pages
// say. Pages are read from the help file as it is built.
#include "listwindow/ListWindowTestSupport.h"

#include "listwindow/frmListSearchName.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/ReportListView.h"
#include "logon/frmLogonNew.h"
#include "platform/help/HelpFile.h"
#include "shell/PopUpMenu.h"
#include "shell/frmMDIFrame.h"
#include "vieweditor/frmImportColumn.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEngineCore>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QWidgetAction>
#include <map>
#include <set>

using namespace listtest;

namespace {

// A caption as the user reads it: no accelerator marks, no padding.
QString Shown(QString caption)
{
    caption.replace(QLatin1String("&&"), QLatin1String("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return caption.simplified();
}

// The texts a page marks with a tag, as plain text.
QStringList Marked(const QString& html, const QString& tag)
{
    QStringList out;
    const QRegularExpression marked(QStringLiteral("<%1>(.*?)</%1>").arg(tag),
                                    QRegularExpression::DotMatchesEverythingOption);
    for (auto it = marked.globalMatch(html); it.hasNext();)
        out << QTextDocumentFragment::fromHtml(it.next().captured(1)).toPlainText().simplified();
    return out;
}

class HelpPagesTest : public ListWindowTest {
protected:
    void TearDown() override
    {
        SetPopUpMenuAnswerer(nullptr);
        ListWindowTest::TearDown();
    }

    // Every caption a window shows: buttons, labels, tabs, menu and toolbar items,
    // column headings, and the names given to picture buttons.
    void Collect(QWidget* window)
    {
        QList<QWidget*> widgets = window->findChildren<QWidget*>();
        widgets << window;
        for (QWidget* w : widgets) {
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                captions.insert(Shown(b->text()));
            if (auto* l = qobject_cast<QLabel*>(w))
                captions.insert(Shown(l->text()));
            if (auto* t = qobject_cast<QTabWidget*>(w))
                for (int i = 0; i < t->count(); ++i)
                    captions.insert(Shown(t->tabText(i)));
            if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model())
                for (int i = 0; i < v->model()->columnCount(); ++i)
                    captions.insert(Shown(v->model()->headerData(i, Qt::Horizontal).toString()));
            if (!w->accessibleName().isEmpty())
                captions.insert(Shown(w->accessibleName()));
            for (QAction* a : w->actions()) {
                captions.insert(Shown(a->text()));
                if (a->menu())
                    Collect(a->menu());
            }
        }
    }
    // The entries of the next popup menu the action opens (a list's context menu).
    void CollectPopUp(const std::function<void()>& action)
    {
        SetPopUpMenuAnswerer([this](const PopUpMenuRequest& r) -> QAction* {
            for (QAction* a : r.menu->actions())
                captions.insert(Shown(a->text()));
            return nullptr;
        });
        action();
        SetPopUpMenuAnswerer(nullptr);
    }
    // The toolbar's own menu (right button) and its item in both states.
    void CollectToolbarMenu(frmMDIFrame* main)
    {
        QToolBar* tb = main->tbMain();
        for (int state = 0; state < 2; ++state) {
            auto seen = std::make_shared<bool>(false);
            auto texts = std::make_shared<QStringList>();
            // The menu runs its own loop: it is read and closed from a timer.
            auto attempt = std::make_shared<std::function<void(int)>>();
            *attempt = [seen, texts, attempt](int left) {
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    for (QAction* a : menu->actions())
                        *texts << Shown(a->text());
                    *seen = true;
                    menu->close();
                    return;
                }
                if (left > 0)
                    QTimer::singleShot(10, [attempt, left] { (*attempt)(left - 1); });
            };
            QTimer::singleShot(0, [attempt] { (*attempt)(200); });
            QWidget* button = tb->widgetForAction(tb->actions().value(0));
            ASSERT_TRUE(button);
            QTest::mousePress(button, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
            QTest::mouseRelease(button, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
            EXPECT_TRUE(WaitFor([&] { return *seen; }));
            for (const QString& t : *texts)
                captions.insert(t);
            main->TextLabels()->MenuClicked();
        }
    }

    std::set<QString> captions;
};

// The pages, by file name, as the help file holds them.
std::map<QString, QString> Pages()
{
    std::map<QString, QString> pages;
    HelpFile* file = HelpFile::Open(App().path + QStringLiteral("/quillon.chm"));
    EXPECT_TRUE(file);
    if (!file)
        return pages;
    for (const QUrl& url : file->Engine()->files(QHelpEngineCore::namespaceName(file->Path()), QString(),
                                                 QStringLiteral("html")))
        pages[url.fileName()] = QString::fromUtf8(file->Engine()->fileData(url));
    return pages;
}

}  // namespace

TEST_F(HelpPagesTest, TheCaptionsThePagesNameAreThoseOfTheProgram)
{
    // An administrator may customize the demo's views.
    LogOnAs(QStringLiteral("admin"), QStringLiteral("admin"));
    // The main window, its menus, toolbar and the toolbar's menu.
    frmMDIFrame* main = frmMDIFrame::Instance();
    Show(main);
    Collect(main);
    CollectToolbarMenu(main);

    // The catalogues opened from the main window, with their context menus, and a
    // view's own window.
    frmList* all = OpenView(QStringLiteral("LdViews"));
    ASSERT_TRUE(Go(all));
    ASSERT_TRUE(Select(all, ViewId(QStringLiteral("PRODUCTS_1"))));
    Collect(all);
    CollectPopUp([&] { emit all->ListView()->RightClick(12, 8); });
    // In My Views a view whose rows come at once: its menu offers to switch that off.
    Exec(QStringLiteral("DELETE FROM LdMyViews WHERE UserID = 'admin' AND ViewID = ") +
         QString::number(ViewId(QStringLiteral("CUSTOMERS_1"))));
    Exec(QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID, IsMyView, AutoPopulate) VALUES (") +
         QString::number(ViewId(QStringLiteral("CUSTOMERS_1"))) + QStringLiteral(", 'admin', 1, -1)"));
    frmList* mine = OpenView(QStringLiteral("LdMyViews"));
    ASSERT_TRUE(Go(mine));
    ASSERT_TRUE(Select(mine, ViewId(QStringLiteral("CUSTOMERS_1"))));
    Collect(mine);
    CollectPopUp([&] { emit mine->ListView()->RightClick(12, 8); });
    frmList* orders = OpenView(QStringLiteral("ORDERS_1"), QString(), false);
    Collect(orders);

    // The dialogs: the view editor (its Columns list's menu too), importing a
    // column, naming a search, logging on.
    WhenEditorShows([&](frmListViewEdit* editor) {
        Collect(editor);
        auto* pick = editor->findChild<ReportListView*>(QStringLiteral("lvwPickList0"));
        ASSERT_TRUE(pick && pick->ItemCount() > 0);
        pick->SetSelectedItem(pick->Item(1));
        CollectPopUp([&] { emit pick->MouseUp(2, 0, 150, 150); });
    });
    orders->Button(QStringLiteral("CUSTOMIZE"))->trigger();
    EXPECT_EQ(editorShown, 1) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    frmImportColumn import;
    Collect(&import);
    frmListSearchName searchName;
    Collect(&searchName);
    frmLogonNew logon;
    Collect(&logon);

    const std::map<QString, QString> pages = Pages();
    ASSERT_EQ(pages.size(), 11u);
    for (const auto& [name, html] : pages) {
        SCOPED_TRACE(name.toStdString());
        for (const QString& caption : Marked(html, QStringLiteral("b")))
            EXPECT_TRUE(captions.count(caption)) << "\"" << qPrintable(caption) << "\" is no caption of the program";
    }
}

TEST_F(HelpPagesTest, TheKeysThePagesNameDoWhatTheySay)
{
    // Each key a page names, and where it does what the page says.
    frmMDIFrame* main = frmMDIFrame::Instance();
    Show(main);
    frmList* all = OpenView(QStringLiteral("LdViews"));
    ASSERT_TRUE(Go(all));
    ASSERT_TRUE(Select(all, ViewId(QStringLiteral("CUSTOMERS_1"))));
    QWidget* grid = all->ListView()->Grid();
    auto press = [](QWidget* target, const QString& key) {
        const QKeyCombination k = QKeySequence(key)[0];
        QTest::keyClick(target, k.key(), k.keyboardModifiers());
    };
    auto listWindows = [] {
        int n = 0;
        for (Form* f : LoadedForms())
            n += qobject_cast<frmList*>(f) ? 1 : 0;
        return n;
    };

    frmLogonNew logon;
    KeepAfterUnload(&logon);
    auto showLogon = [&] {
        Load(&logon);
        logon.Init(QStringLiteral("quillon Login"));
        logon.SetRelogin(true);  // Cancel returns instead of ending the program
        logon.cbxProfiles->AddItem(QStringLiteral("Second"));
        logon.cbxProfiles->SetListIndex(0);
        logon.show();
    };

    const std::map<QString, std::function<bool()>> checks = {
        {"F1", [&] { return main->MenuItem(QStringLiteral("Help"))->shortcut() == QKeySequence(Qt::Key_F1); }},
        {"F5", [&] { return Loads(all, [&] { press(all->pmFilter(), QStringLiteral("F5")); }); }},
        {"Enter",
         [&] {
             // The catalogue opens the selected view; the logon window runs OK.
             const int before = listWindows();
             press(grid, QStringLiteral("Enter"));
             const bool opened = listWindows() == before + 1;
             showLogon();
             logon.txtUserName->clear();
             boxes.clear();
             press(logon.txtPassword, QStringLiteral("Enter"));
             const bool ok = Prompts(boxes).contains(
                 QStringLiteral("Please specify a User ID before logging into Pelmora."));
             Unload(&logon);
             return opened && ok;
         }},
        {"Insert",
         [&] {
             const int before = editorShown;
             WhenEditorShows(nullptr);
             press(grid, QStringLiteral("Insert"));
             return editorShown == before + 1;
         }},
        {"Delete",
         [&] {
             boxes.clear();
             press(grid, QStringLiteral("Delete"));
             return boxes.size() == 1u;
         }},
        {"Esc",
         [&] {
             showLogon();
             press(logon.txtUserName, QStringLiteral("Esc"));
             const bool cancelled = !logon.IsLoaded();
             frmList* other = OpenView(QStringLiteral("ORDERS_1"), QString(), false);
             press(other->pmFilter(), QStringLiteral("Esc"));
             return cancelled && !IsFormLoaded(other);
         }},
        {"Alt+Down",
         [&] {
             showLogon();
             press(logon.txtProfile, QStringLiteral("Alt+Down"));
             const bool open = logon.cbxProfiles->view()->isVisible();
             logon.cbxProfiles->hidePopup();
             Unload(&logon);
             return open;
         }},
        {"Down",
         [&] {
             showLogon();
             press(logon.txtProfile, QStringLiteral("Down"));
             const bool moved = logon.cbxProfiles->ListIndex() == 1;
             Unload(&logon);
             return moved;
         }},
        {"Up",
         [&] {
             showLogon();
             logon.cbxProfiles->SetListIndex(1);
             press(logon.txtProfile, QStringLiteral("Up"));
             const bool moved = logon.cbxProfiles->ListIndex() == 0;
             Unload(&logon);
             return moved;
         }},
    };

    std::set<QString> named;
    for (const auto& [name, html] : Pages())
        for (const QString& key : Marked(html, QStringLiteral("kbd")))
            named.insert(key);
    ASSERT_FALSE(named.empty());
    for (const QString& key : named) {
        SCOPED_TRACE(key.toStdString());
        const auto check = checks.find(key);
        ASSERT_NE(check, checks.end()) << "a page names a key this test does not know";
        EXPECT_TRUE(check->second());
    }
}
