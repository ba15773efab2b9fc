// The view editor's opening and header on the demo company.

#include "vieweditor/ViewEditorTestSupport.h"

#include <QTabBar>

#include <QApplication>
#include <QFrame>

namespace {

using editortest::ViewEditorTest;
using ViewEditorHeaderTest = ViewEditorTest;

TEST_F(ViewEditorHeaderTest, AddOpensANewViewOnItsBase)
{
    int32_t result = -1;
    bool shared = true;
    frmListViewEdit* d = OpenAdd(ViewId(QStringLiteral("CUSTOMERS_1")), shared, &result);
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_EQ(d->Caption(), QStringLiteral("New View"));
    EXPECT_EQ(d->Mode(), 1);
    EXPECT_TRUE(d->chkShared()->isChecked());
    EXPECT_FALSE(d->chkSaveAsNewView()->isVisibleTo(d));
    EXPECT_FALSE(d->lblViewDisplayName()->isVisibleTo(d));
    EXPECT_TRUE(d->txtDisplayName()->isVisibleTo(d));
    EXPECT_TRUE(d->lkupBaseView()->isVisibleTo(d));
    EXPECT_TRUE(d->chkCreateSQLView()->isVisibleTo(d));
    EXPECT_FALSE(d->txtSQLViewName()->isVisibleTo(d));
    EXPECT_FALSE(d->lblBase()->isVisibleTo(d));
    EXPECT_FALSE(d->cmdImportNewColumns()->isEnabled());
    EXPECT_EQ(d->lkupBaseView()->SelectedID(), ViewId(QStringLiteral("CUSTOMERS_1")));
    // Two views of the base: the third name. The model is the base view's, not yet stored.
    EXPECT_EQ(d->txtSQLViewName()->text(), QStringLiteral("CUSTOMERS_3"));
    EXPECT_TRUE(d->SQLNameChanged());
    // Hidden without a store: the model is still the base view's.
    EXPECT_EQ(result, ViewId(QStringLiteral("CUSTOMERS_1")));
    EXPECT_GT(d->lvwList(0)->ItemCount(), 0);
    EXPECT_FALSE(d->SSTab1()->isTabEnabled(4));
    EXPECT_EQ(d->txtDisplayName()->maxLength(), 128);
    EXPECT_EQ(d->txtViewDesc()->maxLength(), 128);
    EXPECT_EQ(d->txtSQLViewName()->maxLength(), 50);
    EXPECT_FALSE(d->DirtyColumns() || d->DirtyFilters() || d->DirtyFunctions() || d->DirtyLinksTo() ||
                 d->DirtySearches() || d->NewViewCreated());
    EXPECT_EQ(d->NewViewID(), 0);
}

TEST_F(ViewEditorHeaderTest, AddWithoutABaseAndCancel)
{
    for (int32_t base : {0, -3}) {
        int32_t result = -1;
        bool shared = false;
        auto* d = new frmListViewEdit;
        QTimer::singleShot(0, d, [d] { d->cmdCancel()->click(); });
        result = d->Add(base, shared);
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(IsFormLoaded(d));
    }
    frmListViewEdit* d = OpenAdd(0);
    EXPECT_EQ(d->lkupBaseView()->SelectedID(), -1);
    EXPECT_EQ(d->txtSQLViewName()->text(), QString());
    EXPECT_FALSE(d->chkShared()->isChecked());
    for (int tab = 0; tab < 4; ++tab)
        EXPECT_EQ(d->lvwList(tab)->ItemCount() + d->lvwPickList(tab)->ItemCount(), 0);
    EXPECT_EQ(d->View(), nullptr);
}

TEST_F(ViewEditorHeaderTest, AddWithABaseTheUserMayNotOpenOpensWithoutABase)
{
    LogOnAs(QStringLiteral("guest"), QStringLiteral("guest"));
    OpenLookupConnection();
    int32_t result = -1;
    frmListViewEdit* d = OpenAdd(ViewId(QStringLiteral("INVOICES_1")), false, &result);
    ASSERT_FALSE(boxes.empty());  // the refusal of the view rights
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(d->View(), nullptr);
    EXPECT_EQ(d->lkupBaseView()->SelectedID(), -1);
    EXPECT_EQ(d->LastBaseViewID(), -1);
    EXPECT_EQ(d->txtSQLViewName()->text(), QString());
    EXPECT_EQ(d->lvwList(0)->ItemCount(), 0);
}

TEST_F(ViewEditorHeaderTest, BaseViewChoice)
{
    frmListViewEdit* d = OpenAdd(0);
    eLookUp* lookup = d->lkupBaseView();
    ASSERT_TRUE(lookup->WaitUntilLoaded());
    QStringList names;
    for (int i = 0; i < lookup->EntryCount(); ++i)
        names << lookup->OfferedText(i);
    EXPECT_EQ(lookup->EntryCount(), Value(QStringLiteral("SELECT COUNT(*) FROM LdViews")).toInt() - 2);
    EXPECT_FALSE(names.contains(QStringLiteral("All Views")));
    EXPECT_FALSE(names.contains(QStringLiteral("My Views")));

    const int32_t orders = ViewId(QStringLiteral("ORDERS_1"));
    lookup->SetSelectedID(orders);
    emit lookup->Changed(orders);
    const CoLdUVRef first = d->View();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(d->txtSQLViewName()->text(), QStringLiteral("ORDERS_4"));
    emit lookup->Changed(orders);  // the same base again: not loaded again
    EXPECT_EQ(d->View(), first);
    EXPECT_GT(d->lvwList(0)->ItemCount(), 0);

    emit lookup->Changed(-1);
    for (int tab = 0; tab < 4; ++tab) {
        EXPECT_EQ(d->lvwList(tab)->ItemCount(), 0);
        EXPECT_EQ(d->lvwPickList(tab)->ItemCount(), 0);
        EXPECT_FALSE(d->lvwList(tab)->isEnabled());
    }
    EXPECT_EQ(d->txtSQLViewName()->text(), QString());
    EXPECT_EQ(d->View(), first);  // the model stays
    emit lookup->Changed(orders);  // chosen again after none: loaded again
    EXPECT_NE(d->View(), first);
}

TEST_F(ViewEditorHeaderTest, DefaultSQLNameSkipsTakenNames)
{
    // CUSTOMERS_1 and CUSTOMERS_3: the count gives 3, which is taken.
    Exec(QStringLiteral("UPDATE LdViews SET ViewName = 'CUSTOMERS_3' WHERE ViewName = 'CUSTOMERS_2'"));
    frmListViewEdit* d = OpenAdd(ViewId(QStringLiteral("CUSTOMERS_1")));
    EXPECT_EQ(d->txtSQLViewName()->text(), QStringLiteral("CUSTOMERS_4"));
    // Computed once per chosen base.
    Exec(QStringLiteral("UPDATE LdViews SET ViewName = 'CUSTOMERS_4' WHERE ViewName = 'CUSTOMERS_1'"));
    EXPECT_EQ(d->GetDefaultSQLViewName(false), QStringLiteral("CUSTOMERS_4"));
    EXPECT_EQ(d->GetDefaultSQLViewName(true), QStringLiteral("CUSTOMERS_5"));
    // "_" is no pattern: only the exact name counts.
    Exec(QStringLiteral("UPDATE LdViews SET ViewName = 'CUSTOMERSX5' WHERE ViewName = 'CUSTOMERS_4'"));
    Exec(QStringLiteral("UPDATE LdViews SET ViewName = 'CUSTOMERSX3' WHERE ViewName = 'CUSTOMERS_3'"));
    EXPECT_EQ(d->GetDefaultSQLViewName(true), QStringLiteral("CUSTOMERS_3"));
    // Taken as the save compares names: letter case and trailing blanks aside.
    Exec(QStringLiteral("UPDATE LdViews SET ViewName = 'customers_3  ' WHERE ViewName = 'CUSTOMERSX3'"));
    EXPECT_EQ(d->GetDefaultSQLViewName(true), QStringLiteral("CUSTOMERS_4"));
}

TEST_F(ViewEditorHeaderTest, EditByOwnerNonOwnerAndStandardView)
{
    struct Case {
        const char* user;
        const char* password;
        const char* view;
        bool owner;
        bool custom;
    };
    const Case cases[] = {
        {"jdoe", "secret", "ORDERS_2", true, true},
        {"JDOE", "secret", "ORDERS_2", false, true},  // the creator differs in letter case
        {"asmith", "alice", "ORDERS_2", false, true},
        {"jdoe", "secret", "ORDERS_1", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.view);
        LogOnAs(QString::fromLatin1(c.user), QString::fromLatin1(c.password));
        OpenLookupConnection();
        Variant result;
        frmListViewEdit* d = OpenEdit(ViewId(QString::fromLatin1(c.view)), &result);
        EXPECT_EQ(d->Caption(), QStringLiteral("Customize View"));
        EXPECT_EQ(d->Mode(), 4);
        EXPECT_EQ(d->Owner(), c.owner);
        EXPECT_EQ(result.toInt32(), ViewId(QString::fromLatin1(c.view)));
        EXPECT_EQ(d->txtDisplayName()->isVisibleTo(d), c.owner);
        EXPECT_EQ(d->txtViewDesc()->isVisibleTo(d), c.owner);
        EXPECT_EQ(d->chkShared()->isVisibleTo(d), c.owner);
        EXPECT_EQ(d->lblReq(0)->isVisibleTo(d), c.owner);
        EXPECT_EQ(d->lblViewDisplayName()->isVisibleTo(d), !c.owner);
        EXPECT_EQ(d->chkCreateSQLView()->isVisibleTo(d), c.owner);
        EXPECT_EQ(d->lblName()->text(), c.owner ? QStringLiteral("&Name:") : QStringLiteral("Name:"));
        EXPECT_EQ(d->lblDescription()->text(), c.owner ? QStringLiteral("&Description:") : QStringLiteral("Description:"));
        EXPECT_TRUE(d->chkSaveAsNewView()->isVisibleTo(d));
        EXPECT_FALSE(d->lkupBaseView()->isVisibleTo(d));
        EXPECT_FALSE(d->lblReq(2)->isVisibleTo(d));
        EXPECT_EQ(d->lblBase()->isVisibleTo(d), c.custom);
        if (c.custom)
            EXPECT_EQ(d->lblBase()->text(), QStringLiteral("This is a custom view based on the 'Orders' view."));
        EXPECT_EQ(d->txtSQLViewName()->text(), QString::fromLatin1(c.view));
        EXPECT_FALSE(d->SQLNameChanged());
        Unload(d);
    }
}

TEST_F(ViewEditorHeaderTest, CreateSQLViewRight)
{
    // On load: a view that creates a SQL view asks at once; jdoe may not.
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("CUSTOMERS_2")));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("Create SQL Views")));
    EXPECT_FALSE(d->chkCreateSQLView()->isChecked());
    EXPECT_FALSE(d->txtSQLViewName()->isVisibleTo(d));
    Unload(d);

    LogOnAs(QStringLiteral("asmith"), QStringLiteral("alice"));
    OpenLookupConnection();
    boxes.clear();
    d = OpenEdit(ViewId(QStringLiteral("CUSTOMERS_2")));
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(d->chkCreateSQLView()->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{d->txtSQLViewName(), d->lblSQLViewName(), d->lblReqSQLViewName(),
                                                      d->lkupSQLViewApplications(), d->lblSQLViewApplicationCaption(),
                                                      d->lblReqSQLViewApplication()})
        EXPECT_TRUE(w->isVisibleTo(d)) << qPrintable(w->objectName());
    EXPECT_EQ(d->lkupSQLViewApplications()->SelectedID(), 1);
    d->chkCreateSQLView()->click();
    EXPECT_FALSE(d->txtSQLViewName()->isVisibleTo(d));
    Unload(d);

    // For a new view the box follows the right: off for jdoe, so that nothing is refused.
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    OpenLookupConnection();
    boxes.clear();
    d = OpenAdd(ViewId(QStringLiteral("ORDERS_1")));
    EXPECT_FALSE(d->chkCreateSQLView()->isEnabled());
    d->chkCreateSQLView()->click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(d->chkCreateSQLView()->isChecked());
    EXPECT_FALSE(d->lkupSQLViewApplications()->isVisibleTo(d));
    Unload(d);
    LogOnAs(QStringLiteral("asmith"), QStringLiteral("alice"));
    OpenLookupConnection();
    d = OpenAdd(ViewId(QStringLiteral("ORDERS_1")));
    EXPECT_TRUE(d->chkCreateSQLView()->isEnabled());
}

TEST_F(ViewEditorHeaderTest, SaveAsNewView)
{
    // A standard view: ticking opens the header for editing.
    frmListViewEdit* d = OpenEdit(ViewId(QStringLiteral("ORDERS_1")));
    d->chkSaveAsNewView()->click();
    EXPECT_TRUE(d->txtDisplayName()->isVisibleTo(d));
    EXPECT_EQ(d->txtDisplayName()->text(), QStringLiteral("Orders"));
    EXPECT_TRUE(d->txtViewDesc()->isVisibleTo(d));
    EXPECT_TRUE(d->chkShared()->isVisibleTo(d));
    EXPECT_TRUE(d->chkCreateSQLView()->isVisibleTo(d));
    EXPECT_TRUE(d->etchedCreateSQLView()->isVisibleTo(d));
    EXPECT_FALSE(d->lblViewDisplayName()->isVisibleTo(d));
    EXPECT_EQ(d->lblName()->text(), QStringLiteral("&Name:"));
    EXPECT_EQ(d->txtSQLViewName()->text(), QStringLiteral("ORDERS_4"));
    EXPECT_TRUE(d->SQLNameChanged());
    EXPECT_FALSE(d->cmdImportNewColumns()->isEnabled());
    d->chkSaveAsNewView()->click();
    EXPECT_FALSE(d->txtDisplayName()->isVisibleTo(d));
    EXPECT_TRUE(d->lblViewDisplayName()->isVisibleTo(d));
    EXPECT_FALSE(d->chkCreateSQLView()->isVisibleTo(d));
    EXPECT_EQ(d->lblName()->text(), QStringLiteral("Name:"));
    EXPECT_FALSE(d->cmdImportNewColumns()->isEnabled());  // jdoe may not import columns
    Unload(d);

    // A custom view: only the SQL name changes.
    d = OpenEdit(ViewId(QStringLiteral("ORDERS_2")));
    d->chkSaveAsNewView()->click();
    EXPECT_EQ(d->txtSQLViewName()->text(), QStringLiteral("ORDERS_4"));
    EXPECT_TRUE(d->txtDisplayName()->isVisibleTo(d));
    d->chkSaveAsNewView()->click();
    EXPECT_EQ(d->txtSQLViewName()->text(), QStringLiteral("ORDERS_2"));
}

TEST_F(ViewEditorHeaderTest, CtrlTabNeverLandsOnTheSQLTab)
{
    frmListViewEdit* d = new frmListViewEdit;
    std::vector<int> forward, backward;
    WhileShown(d, [&] {
        d->activateWindow();
        d->lvwList(0)->setFocus();
        for (int i = 0; i < 5; ++i) {
            QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : d;
            QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier);
            forward.push_back(d->SSTab1()->currentIndex());
        }
        for (int i = 0; i < 5; ++i) {
            QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : d;
            QTest::keyClick(focus, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
            backward.push_back(d->SSTab1()->currentIndex());
        }
    });
    d->Edit(ViewId(QStringLiteral("ORDERS_1")));
    EXPECT_EQ(forward, (std::vector<int>{1, 2, 3, 0, 1}));
    EXPECT_EQ(backward, (std::vector<int>{0, 3, 2, 1, 0}));
}

// A switch of tab, by a click on it or by Ctrl+Tab, leaves the focus on the shown
// tab: never in Name, whose selected text the next key would replace.
TEST_F(ViewEditorHeaderTest, TabClicksAndCtrlTabKeepTheFocusOnTheShownTab)
{
    frmListViewEdit* d = new frmListViewEdit;
    std::vector<std::string> misplaced;
    QString name;
    auto check = [&](const char* how) {
        QWidget* focus = QApplication::focusWidget();
        QWidget* frame = d->TabFrame(d->SSTab1()->currentIndex());
        if (!focus || !(focus == frame || frame->isAncestorOf(focus)))
            misplaced.push_back(std::string(how) + " to tab " + std::to_string(d->SSTab1()->currentIndex()) + ": " +
                                (focus ? focus->objectName().toStdString() : "none"));
        QTest::keyClick(focus ? focus : d, Qt::Key_X);
    };
    WhileShown(d, [&] {
        d->activateWindow();
        QTest::qWaitForWindowActive(d);
        name = d->txtDisplayName()->text();
        QTabBar* bar = d->SSTab1()->tabBar();
        for (int tab : {1, 2, 3, 0, 2}) {
            // From a list of the shown tab, and from the Name box itself.
            d->lvwList(d->SSTab1()->currentIndex())->setFocus();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
            check("click");
        }
        d->txtDisplayName()->setFocus();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        check("click from Name");
        d->lvwList(1)->setFocus();
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            check("Ctrl+Tab");
        }
    });
    d->Edit(ViewId(QStringLiteral("ORDERS_2")));
    EXPECT_TRUE(misplaced.empty()) << misplaced.front();
    EXPECT_EQ(d->txtDisplayName()->text(), name);
}

// Esc is Cancel with the focus anywhere in the editor: in a box, a lookup, a list,
// the tabs or a button.
TEST_F(ViewEditorHeaderTest, EscIsCancelWhereverTheFocusIs)
{
    using Control = QWidget* (*)(frmListViewEdit*);
    const std::pair<const char*, Control> controls[] = {
        {"Name", [](frmListViewEdit* d) -> QWidget* { return d->txtDisplayName(); }},
        {"the base view", [](frmListViewEdit* d) -> QWidget* { return d->lkupBaseView(); }},
        {"the view's columns", [](frmListViewEdit* d) -> QWidget* { return d->lvwList(0); }},
        {"the columns to add", [](frmListViewEdit* d) -> QWidget* { return d->lvwPickList(0); }},
        {"the tabs", [](frmListViewEdit* d) -> QWidget* { return d->SSTab1()->tabBar(); }},
        {"OK", [](frmListViewEdit* d) -> QWidget* { return d->cmdOK(); }},
    };
    for (const auto& [what, control] : controls) {
        auto* d = new frmListViewEdit;
        bool closed = false;
        QTimer::singleShot(0, d, [d, control, &closed] {
            QWidget* target = control(d);
            while (target->focusProxy())
                target = target->focusProxy();
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Escape);
            closed = !IsFormLoaded(d);
            if (!closed)
                d->cmdCancel()->click();
        });
        int32_t base = ViewId(QStringLiteral("ORDERS_1"));
        bool shared = false;
        EXPECT_EQ(d->Add(base, shared), 0) << what;
        EXPECT_TRUE(closed) << what;
        EXPECT_FALSE(IsFormLoaded(d)) << what;
    }
}

// A lookup that cannot be initialised offers nothing; the dialog opens all the same.
TEST_F(ViewEditorHeaderTest, AFailingLookupInitialisationIsIgnored)
{
    g_cn.reset();  // no lookup connection: both lookups refuse their Init
    int32_t result = -1;
    frmListViewEdit* d = OpenAdd(ViewId(QStringLiteral("ORDERS_1")), false, &result);
    EXPECT_TRUE(boxes.empty()) << qPrintable(boxes.empty() ? QString() : boxes[0].prompt);
    EXPECT_EQ(d->lkupBaseView()->EntryCount(), 0);
    EXPECT_EQ(d->lkupSQLViewApplications()->EntryCount(), 0);
    EXPECT_EQ(result, d->View() ? d->View()->ViewID() : 0);
    Unload(d);

    Variant edited;
    d = OpenEdit(ViewId(QStringLiteral("ORDERS_2")), &edited);
    EXPECT_TRUE(boxes.empty()) << qPrintable(boxes.empty() ? QString() : boxes[0].prompt);
    EXPECT_EQ(edited.toInt32(), ViewId(QStringLiteral("ORDERS_2")));
    EXPECT_GT(d->lvwList(0)->ItemCount(), 0);
}

}  // namespace

namespace {

// The dialog on the Columns tab, shown: no caption is cut off. With
// QUILLON_SCREENSHOT_DIR set, its picture is saved there (scripts/screenshots.sh).
TEST_F(ViewEditorHeaderTest, ColumnsTabShowsItsTextsWhole)
{
    LogOnAs(QStringLiteral("asmith"), QStringLiteral("alice"));
    OpenLookupConnection();
    frmListViewEdit* d = new frmListViewEdit;
    WhileShown(d, [&] {
        QTest::qWait(50);
        d->lvwList(0)->SetSelectedItem(d->lvwList(0)->Item(2));
        emit d->lvwList(0)->ItemClick(d->lvwList(0)->SelectedItem());
        for (QLabel* label : d->findChildren<QLabel*>())
            if (label->isVisible() && !label->text().isEmpty())
                EXPECT_GE(label->width(), label->sizeHint().width()) << qPrintable(label->objectName());
        for (QAbstractButton* button : d->findChildren<QAbstractButton*>())
            if (button->isVisible() && !button->text().isEmpty())
                EXPECT_GE(button->width(), button->sizeHint().width()) << qPrintable(button->objectName());
        const QString dir = qEnvironmentVariable("QUILLON_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            d->grab().save(dir + QStringLiteral("/view-editor.png"));
    });
    d->Edit(ViewId(QStringLiteral("CUSTOMERS_2")));
}

}  // namespace
