// The search name dialog and the SQL search editor on the demo company, driven
// directly: the name checks with their two messages, the complex box, the hidden
// SQL button, and the editor's test statement, which must be a single query that
// cannot write and, in a catalogue, counts only the rows the list shows.

#include "SearchTestSupport.h"

#include "listwindow/frmListSearchEditSQL.h"
#include "listwindow/frmListSearchName.h"
#include "platform/controls/MenuButton.h"
#include "platform/controls/FilterControl.h"
#include "viewmodel/GetView.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

using namespace listtest;

namespace {

constexpr int32_t kCustomers = 3;
constexpr int32_t kOrders = 4;

class SearchDialogsTest : public SearchTest {
protected:
    void TearDown() override
    {
        SearchTest::TearDown();
        m_dialogs.clear();
    }
    // A search name dialog as Save As (index 0) or Edit (index of a saved search) prepares it.
    frmListSearchName* NameDialog(int32_t viewId, const QString& startingName, int16_t index)
    {
        return NameDialog(GetView(viewId, 0), startingName, index);
    }
    frmListSearchName* NameDialog(const CoLdUVRef& view, const QString& startingName, int16_t index)
    {
        auto d = std::make_unique<frmListSearchName>();
        KeepAfterUnload(d.get());
        d->Init(startingName, QStringLiteral("WHERE ( {State} = 'TX' )"), view,
                QStringLiteral("Save Search As"), false, index, index ? 4 : 1);
        Show(d.get());
        frmListSearchName* raw = d.get();
        m_dialogs.push_back(std::move(d));
        return raw;
    }
    frmListSearchEditSQL* Editor(int32_t viewId, const QString& text)
    {
        auto d = std::make_unique<frmListSearchEditSQL>();
        KeepAfterUnload(d.get());
        d->Init(GetView(viewId, 0), Variant(text), QStringLiteral("Texas"));
        Show(d.get());
        frmListSearchEditSQL* raw = d.get();
        m_dialogs.push_back(std::move(d));
        return raw;
    }
    QString Prompt() const { return boxes.empty() ? QString() : boxes.back().prompt; }

    std::vector<std::unique_ptr<Form>> m_dialogs;
};

TEST_F(SearchDialogsTest, TheNameIsRequiredAndMustNotBeInUseByThisUsersSearchesInItsStoredForm)
{
    // jdoe owns "O~Brien Customers" on Customers; admin owns the shared "California Customers".
    // A search stored with the apostrophe itself (as Save As stores it) is not found by the test.
    Exec(QStringLiteral("INSERT INTO LdViewFilters (ViewID, FilterName, FilterString, Shared, Complex, CreatorID) "
                        "VALUES (3, 'Bob''s Customers', '', 0, 0, 'jdoe')"));
    const QString noName = QString::fromLatin1(frmListSearchName::kNoNameMessage);
    const QString inUse = QString::fromLatin1(frmListSearchName::kNameInUseMessage);
    struct Case {
        const char* what;
        QString startingName;
        QString typed;
        QString message;  // empty: accepted
    };
    const Case cases[] = {
        {"an empty name", QString(), QString(), noName},
        {"a name of blanks", QString(), QStringLiteral("   "), noName},
        {"the unsaved search's name", QString(), QStringLiteral("QuickSearch"), inUse},
        {"the unsaved search's name as the starting name", QStringLiteral("QuickSearch"),
         QStringLiteral("QuickSearch"), inUse},
        {"another letter case of it", QString(), QStringLiteral("quicksearch"), QString()},
        {"a name of this user in its stored form", QString(), QStringLiteral("O'Brien Customers"), inUse},
        {"the same name as the starting name", QStringLiteral("O'Brien Customers"),
         QStringLiteral("O'Brien Customers"), QString()},
        {"another user's shared search", QString(), QStringLiteral("California Customers"), QString()},
        {"a name stored with its apostrophe", QString(), QStringLiteral("Bob's Customers"), QString()},
        {"a new name with blanks around it", QString(), QStringLiteral(" Texas "), QString()},
        {"a name with a NUL character", QString(), QStringLiteral("Tex") + QChar(u'\0') + QStringLiteral("as"),
         QString::fromLatin1(frmListSearchName::kNulInNameMessage)},
    };
    for (const Case& c : cases) {
        boxes.clear();
        frmListSearchName* d = NameDialog(kCustomers, c.startingName, 0);
        d->txtName()->setText(c.typed);
        d->cmdOK()->click();
        EXPECT_EQ(Prompt(), c.message) << c.what;
        if (c.message.isEmpty()) {
            EXPECT_FALSE(d->isVisible()) << c.what;
            EXPECT_TRUE(IsFormLoaded(d)) << c.what;
            EXPECT_EQ(d->txtName()->text(), c.typed) << c.what;  // used untrimmed
        } else {
            EXPECT_TRUE(d->isVisible()) << c.what;
            EXPECT_EQ(boxes.back().style & vbExclamation, static_cast<int>(vbExclamation)) << c.what;
        }
        Unload(d);
    }

    // Another user's own searches do not count: admin may use jdoe's name.
    LogOnAs(QStringLiteral("admin"), QStringLiteral("admin"));
    boxes.clear();
    frmListSearchName* d = NameDialog(kCustomers, QString(), 0);
    d->txtName()->setText(QStringLiteral("O'Brien Customers"));
    d->cmdOK()->click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(d->isVisible());
}

TEST_F(SearchDialogsTest, EnterIsOkUnlessAButtonHasTheFocusAndEscIsCancel)
{
    struct Case {
        const char* what;
        const char* focus;  // the control with the focus
        Qt::Key key;
        bool loaded;   // still loaded afterwards
        bool visible;  // still shown afterwards
    };
    const Case cases[] = {
        {"Enter in the name box", "txtName", Qt::Key_Return, true, false},
        {"Enter on Cancel", "cmdCancel", Qt::Key_Return, false, false},
        {"Enter on OK", "cmdOK", Qt::Key_Enter, true, false},
        {"Esc in the name box", "txtName", Qt::Key_Escape, false, false},
    };
    for (const Case& c : cases) {
        frmListSearchName* d = NameDialog(kCustomers, QString(), 0);
        d->txtName()->setText(QStringLiteral("Texas"));
        QWidget* target = d->findChild<QWidget*>(QString::fromLatin1(c.focus));
        ASSERT_NE(target, nullptr) << c.what;
        target->setFocus();
        QTest::keyClick(target, c.key);
        EXPECT_EQ(IsFormLoaded(d), c.loaded) << c.what;
        EXPECT_EQ(d->isVisible(), c.visible) << c.what;
        if (IsFormLoaded(d))
            Unload(d);
    }

    // The editor: Enter stays in the statement box; a button with the focus takes it.
    frmListSearchEditSQL* e = Editor(kCustomers, QStringLiteral("WHERE c.State = 'CA'"));
    e->txtSQLWhere()->moveCursor(QTextCursor::End);
    QTest::keyClick(e->txtSQLWhere(), Qt::Key_Return);
    EXPECT_TRUE(e->isVisible());
    EXPECT_EQ(e->FilterString(), QStringLiteral("WHERE c.State = 'CA'\n"));
    e->cmdOK()->setFocus();
    QTest::keyClick(e->cmdOK(), Qt::Key_Return);
    EXPECT_FALSE(e->isVisible());
    EXPECT_TRUE(IsFormLoaded(e));
    Show(e);
    e->cmdCancel()->setFocus();
    QTest::keyClick(e->cmdCancel(), Qt::Key_Return);
    EXPECT_FALSE(IsFormLoaded(e));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompt());
}

TEST_F(SearchDialogsTest, TheUserIdInTheUniquenessTestIsQuoted)
{
    // A user id with an apostrophe would break the statement if pasted in as it is.
    const CoLdUVRef view = GetView(kCustomers, 0);
    view->ViewUser = QStringLiteral("o'hara");
    frmListSearchName* d = NameDialog(view, QString(), 0);
    TakeStatements();
    d->txtName()->setText(QStringLiteral("Anything"));
    d->cmdOK()->click();
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompt());
    EXPECT_TRUE(TakeStatements().join(QLatin1Char('\n')).contains(QStringLiteral("CreatorID = 'o''hara'")));
}

TEST_F(SearchDialogsTest, TheComplexBoxIsFixedForAComplexSearchAndTheSqlButtonIsNeverShown)
{
    const CoLdUVRef orders = GetView(kOrders, 0);
    struct Case {
        const char* what;
        int16_t index;
        bool ticked;
        bool enabled;
    };
    std::vector<Case> cases = {{"the unsaved search", 0, false, true}};
    for (int16_t i = 1; i <= orders->Filters()->Count(); ++i) {
        const bool complex = orders->Filters()->Item(Variant(int32_t(i)))->Complex();
        cases.push_back({complex ? "a complex search" : "a simple search", i, complex, !complex});
    }
    ASSERT_GE(cases.size(), 3u);
    for (const Case& c : cases) {
        frmListSearchName* d = NameDialog(kOrders, QString(), c.index);
        EXPECT_EQ(d->chkComplex()->isChecked(), c.ticked) << c.what << c.index;
        EXPECT_EQ(d->chkComplex()->isEnabled(), c.enabled) << c.what << c.index;
        EXPECT_FALSE(d->cmdEditSQL()->isVisible()) << c.what;
        // Loading leaves the name box and the caption to the caller.
        EXPECT_TRUE(d->txtName()->text().isEmpty());
        EXPECT_TRUE(d->Caption().isEmpty());
        Unload(d);
    }
}

TEST_F(SearchDialogsTest, TheSqlButtonTakesTheEditorsStatementAndFixesTheComplexBox)
{
    frmListSearchName* d = NameDialog(kCustomers, QString(), 0);
    const QString statement = QStringLiteral("WHERE c.State = 'TX'");
    {
        DialogDriver driver(QStringLiteral("frmListSearchEditSQL"), [&](Form* f) {
            auto* editor = static_cast<frmListSearchEditSQL*>(f);
            editor->txtSQLWhere()->setPlainText(statement);
            editor->cmdOK()->click();
        });
        d->cmdEditSQL()->click();
        EXPECT_TRUE(driver.Ran());
    }
    EXPECT_EQ(d->FilterString(), statement);
    EXPECT_FALSE(d->chkComplex()->isEnabled());

    // Cancel in the editor changes nothing.
    {
        DialogDriver driver(QStringLiteral("frmListSearchEditSQL"), [&](Form* f) {
            auto* editor = static_cast<frmListSearchEditSQL*>(f);
            editor->txtSQLWhere()->setPlainText(QStringLiteral("WHERE c.State = 'CA'"));
            editor->cmdCancel()->click();
        });
        d->cmdEditSQL()->click();
        EXPECT_TRUE(driver.Ran());
    }
    EXPECT_EQ(d->FilterString(), statement);
}

TEST_F(SearchDialogsTest, TheEditorAcceptsOnlyAStatementThatRunsAsASingleQuery)
{
    frmListSearchEditSQL* e = Editor(kCustomers, QString());
    EXPECT_EQ(e->Caption(), QStringLiteral("Edit Search [Texas]"));
    const QString customers = Value(QStringLiteral("SELECT COUNT(*) FROM Customers"));
    struct Case {
        const char* what;
        QString text;
        bool runs;
    };
    const Case cases[] = {
        {"an empty statement", QString(), true},
        {"column SQL", QStringLiteral("WHERE c.State = 'CA'"), true},
        {"column tokens", QStringLiteral("WHERE {State} = 'CA'"), false},
        {"a subquery", QStringLiteral("WHERE c.CustomerID IN (SELECT CustomerID FROM Orders)"), true},
        {"a union", QStringLiteral("WHERE 1 = 0 UNION SELECT 1"), true},
        {"a second statement that writes", QStringLiteral("WHERE 1 = 1; DELETE FROM Customers"), false},
        {"a second query", QStringLiteral("WHERE 1 = 1; SELECT 1"), false},
        {"text that does not parse", QStringLiteral("WHERE c.State ="), false},
    };
    for (const Case& c : cases) {
        e->txtSQLWhere()->setPlainText(c.text);
        QString message;
        EXPECT_EQ(e->ValidateSQL(&message), c.runs) << c.what;
        EXPECT_EQ(message.isEmpty(), c.runs) << c.what;
        // OK hides the dialog only for a statement that runs; otherwise it shows the
        // database's message and the dialog stays.
        boxes.clear();
        Show(e);
        e->cmdOK()->click();
        EXPECT_EQ(e->isVisible(), !c.runs) << c.what;
        EXPECT_TRUE(IsFormLoaded(e));
        EXPECT_EQ(e->FilterString(), c.text);
        if (c.runs) {
            EXPECT_TRUE(boxes.empty()) << c.what << qPrintable(Prompt());
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.what;
            EXPECT_EQ(boxes[0].prompt, message) << c.what;
            EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
        }
    }
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM Customers")), customers);
    boxes.clear();
}

TEST_F(SearchDialogsTest, TestShowsTheRecordCountAndTheHelperTabWritesOnlyItsOwnText)
{
    const QString statement = QStringLiteral("WHERE c.State = 'CA'");
    frmListSearchEditSQL* e = Editor(kCustomers, statement);
    EXPECT_TRUE(e->lblResults()->text().isEmpty());
    EXPECT_TRUE(e->txtSQLCreate()->isReadOnly());

    QSignalSpy loaded(e->ListView(), &eListView::LoadComplete);
    e->cmdExecute()->click();
    ASSERT_TRUE(WaitFor([&] { return loaded.count() > 0; }));
    EXPECT_EQ(e->lblResults()->text(),
              QStringLiteral("Record Count: ") + Value(QStringLiteral("SELECT COUNT(*) FROM Customers WHERE State = 'CA'")));

    // A statement that does not run is not tested: the database's message shows and
    // the earlier test's rows and count go.
    e->txtSQLWhere()->setPlainText(QStringLiteral("WHERE c.NoSuchColumn = 'CA'"));
    e->cmdExecute()->click();
    QTest::qWait(50);
    EXPECT_EQ(loaded.count(), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("NoSuchColumn"))) << qPrintable(boxes[0].prompt);
    EXPECT_EQ(e->ListView()->RowCount(), 0);
    EXPECT_TRUE(e->lblResults()->text().isEmpty());
    boxes.clear();
    e->txtSQLWhere()->setPlainText(statement);

    // Go with no rows gives no text; with a row, the WHERE text over the columns' SQL.
    e->cmdGo()->click();
    EXPECT_TRUE(e->txtSQLCreate()->toPlainText().isEmpty());
    e->pmFilter()->LoadFilter(QStringLiteral("WHERE ( c.State = 'TX' )"), false);
    ASSERT_FALSE(e->pmFilter()->IsTextRow());
    e->cmdGo()->click();
    EXPECT_EQ(e->txtSQLCreate()->toPlainText(), QStringLiteral("WHERE ( c.State = 'TX' )"));
    e->cmdClear()->click();
    EXPECT_TRUE(e->txtSQLCreate()->toPlainText().isEmpty());
    e->cmdGo()->click();
    EXPECT_TRUE(e->txtSQLCreate()->toPlainText().isEmpty());
    EXPECT_EQ(e->FilterString(), statement);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompt());
}

TEST_F(SearchDialogsTest, InACatalogueTheEditorsTestCountsOnlyTheRowsTheListShows)
{
    // The catalogues hold views jdoe may not list (asmith's private Unpaid
    // Invoices; My Views rows of other users): the test must not count them.
    const QString text = QStringLiteral("WHERE 1=1 OR 1=1");
    struct Case {
        const char* catalogue;
        const char* everyRow;  // what the view's own FROM would count
    };
    const Case cases[] = {
        {"LdViews", "SELECT COUNT(*) FROM LdCatalogViews"},
        {"LdMyViews", "SELECT COUNT(*) FROM LdCatalogMyViews"},
    };
    for (const Case& c : cases) {
        frmList* w = OpenView(QString::fromLatin1(c.catalogue));
        ASSERT_TRUE(IsFormLoaded(w)) << c.catalogue;
        w->pmFilter()->LoadFilter(text, true);
        ASSERT_TRUE(Go(w)) << c.catalogue;
        const int32_t shown = w->RecordCount();
        ASSERT_LT(shown, Value(QString::fromLatin1(c.everyRow)).toInt()) << c.catalogue;

        QString counted;
        bool validated = false;
        DialogDriver editorDriver(QStringLiteral("frmListSearchEditSQL"), [&](Form* f) {
            auto* editor = static_cast<frmListSearchEditSQL*>(f);
            EXPECT_EQ(editor->FilterString(), text);
            QSignalSpy loaded(editor->ListView(), &eListView::LoadComplete);
            editor->cmdExecute()->click();
            if (WaitFor([&] { return loaded.count() > 0; }))
                counted = editor->lblResults()->text();
            validated = editor->ValidateSQL();
            editor->cmdCancel()->click();
        });
        DialogDriver nameDriver(QStringLiteral("frmListSearchName"), [&](Form* f) {
            auto* d = static_cast<frmListSearchName*>(f);
            d->cmdEditSQL()->click();  // the button is hidden; the editor is still wired to it
            d->cmdCancel()->click();
        });
        emit w->mbSearches()->ItemClick(QStringLiteral("SAVE_AS"));  // returns when the dialogs are closed
        ASSERT_TRUE(nameDriver.Ran() && editorDriver.Ran()) << c.catalogue;
        EXPECT_EQ(counted.toStdString(), "Record Count: " + std::to_string(shown)) << c.catalogue;
        EXPECT_TRUE(validated) << c.catalogue;
        Unload(w);
    }
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompt());
}

}  // namespace
