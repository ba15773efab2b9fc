// The two column dialogs on a copy of the demo company: the sources a base
// offers, the columns of a linked view or a custom-property group with their
// prefixes, the rights check on the linked view, the name rules and uniqueness
// tests word for word, empty names refused, OK against Apply, and a failing
// import reported without losing the dialog or keeping the hourglass, and Esc as
// Cancel wherever the focus is.
#include "listwindow/ListWindowTestSupport.h"
#include "platform/controls/ReportListView.h"
#include "platform/controls/eLookUp.h"
#include "vieweditor/ImportedColumnNames.h"
#include "vieweditor/frmEditImportedColumn.h"
#include "vieweditor/frmImportColumn.h"

#include <QComboBox>
#include <QSet>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

constexpr int kProductsView = 6;        // Products: one custom property in its group
constexpr int kOrdersByRepView = 10;    // Orders: links to Customers through table 1
constexpr int kCustomerReport = 12;     // Customers: a group of two custom properties

const QString kRequiredOne = QStringLiteral(
    "The following field requires you to enter information:\n\n   - %1\n\nPlease enter the information in the required "
    "field,\nwhich is indicated with an asterisk (*).");

class ImportColumnDialogsTest : public listtest::ListWindowTest {
protected:
    void SetUp() override
    {
        listtest::ListWindowTest::SetUp();
        LogOnAs(QStringLiteral("admin"), QStringLiteral("admin"));
        OpenLookupConnection();
    }

    frmImportColumn* OpenImport(int32_t viewId)
    {
        auto* dialog = new frmImportColumn;
        dialog->Init(viewId);
        Load(dialog);
        EXPECT_TRUE(dialog->lkupView()->WaitUntilLoaded());
        return dialog;
    }
    // The Customer Report's custom property Segment, imported as a column of its base; its column id.
    int32_t ImportSegment()
    {
        Probe().Execute(QStringLiteral("EXEC Ld_ImportCustomProperty 12,1,'Segment','Segment',1"));
        return Probe()
            .DLookup(QStringLiteral("ColumnID"), QStringLiteral("LdBaseColumns"),
                     QStringLiteral("BaseID = 10 AND ColumnName = 'Segment'"))
            .toInt32();
    }
    // Chooses a source and then the lookup's first entry, as the user does.
    void Choose(frmImportColumn* d, int source)
    {
        d->cboSources()->setCurrentIndex(source);
        emit d->cboSources()->activated(source);
        ASSERT_TRUE(d->lkupView()->WaitUntilLoaded());
        ASSERT_GT(d->lkupView()->OfferedCount(), 0);
        d->lkupView()->ChooseOffered(0);
    }
    static QStringList Column(const ReportListView* list, int column)
    {
        QStringList texts;
        for (int i = 1; i <= list->ItemCount(); ++i)
            texts << (column == 0 ? list->Item(i)->Text() : list->Item(i)->SubItem(column));
        return texts;
    }
    int BaseColumns() { return Probe().DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("LdBaseColumns"), QString()).toInt32(); }
    QStringList Prompts()
    {
        QStringList out;
        for (const MessageBoxRequest& r : boxes)
            out << r.prompt;
        boxes.clear();
        return out;
    }
};

TEST_F(ImportColumnDialogsTest, CustomPropertiesAreOfferedOnlyForABaseThatHasThemAndItsNameIsQuoted)
{
    frmImportColumn* orders = OpenImport(kOrdersByRepView);
    EXPECT_EQ(orders->windowTitle(), QStringLiteral("Import Column"));
    EXPECT_EQ(orders->BaseName(), QStringLiteral("ORDERS"));
    EXPECT_EQ(orders->cboSources()->count(), 1);
    EXPECT_EQ(orders->lblSourceListLabel()->text(), QStringLiteral("Linked Views:"));
    EXPECT_EQ(orders->lkupView()->Filter(), QStringLiteral("ViewID = 10"));

    // A base whose name holds an apostrophe still finds its custom properties.
    Probe().Execute(QStringLiteral("UPDATE LdBases SET Base = 'CUST''OMERS' WHERE BaseID = 10"));
    Probe().Execute(QStringLiteral("UPDATE ShTrackingGroups SET TableName = 'CUST''OMERS' WHERE TrackingGroupID = 1"));
    frmImportColumn* customers = OpenImport(kCustomerReport);
    EXPECT_TRUE(customers->HasCustomProperties());
    ASSERT_EQ(customers->cboSources()->count(), 2);
    EXPECT_EQ(customers->cboSources()->itemText(1), QStringLiteral("Custom Properties"));
    Choose(customers, 1);
    EXPECT_EQ(customers->lblSourceListLabel()->text(), QStringLiteral("Custom Properties:"));
    EXPECT_EQ(customers->lkupView()->Filter(), QStringLiteral("TableName = 'CUST''OMERS'"));
    EXPECT_EQ(customers->lstViews()->ItemCount(), 2);
}

TEST_F(ImportColumnDialogsTest, SourcesListTheirColumnsAndPrefixTheNamesWhereTheyLackThePrefix)
{
    frmImportColumn* d = OpenImport(kOrdersByRepView);
    Choose(d, 0);
    EXPECT_EQ(d->Prefix(), QStringLiteral("Customer"));
    EXPECT_EQ(d->lstViews()->ItemCount(),
              Probe().DLookup(QStringLiteral("COUNT(*)"), QStringLiteral("LdBaseColumns"), QStringLiteral("BaseID = 10")).toInt32());
    // The first row is chosen at once.
    EXPECT_EQ(d->lstViews()->SelectedItem(), d->lstViews()->Item(1));
    EXPECT_EQ(d->txtColumnName()->text(), QStringLiteral("Customer Active"));
    EXPECT_EQ(d->txtSQLColumnName()->text(), QStringLiteral("CustomerActive"));
    struct Row {
        const char* display;
        const char* name;
        const char* expectedDisplay;
        const char* expectedName;
    };
    for (const Row& r : {Row{"City", "City", "Customer City", "CustomerCity"},
                         Row{"Customer Code", "CustomerCode", "Customer Code", "CustomerCode"},
                         Row{"Customer No", "CustomerID", "Customer No", "CustomerID"}}) {
        ListItem* item = nullptr;
        for (int i = 1; i <= d->lstViews()->ItemCount(); ++i)
            if (d->lstViews()->Item(i)->Text() == QLatin1String(r.display))
                item = d->lstViews()->Item(i);
        ASSERT_NE(item, nullptr) << r.display;
        EXPECT_EQ(item->SubItem(1), QLatin1String(r.name));
        emit d->lstViews()->ItemClick(item);
        EXPECT_EQ(d->txtColumnName()->text(), QLatin1String(r.expectedDisplay));
        EXPECT_EQ(d->txtSQLColumnName()->text(), QLatin1String(r.expectedName));
    }

    // Two custom properties are prefixed by their group, its blanks left out of the SQL name.
    frmImportColumn* customers = OpenImport(kCustomerReport);
    Choose(customers, 1);
    EXPECT_EQ(customers->Prefix(), QStringLiteral("Customer Profile"));
    EXPECT_EQ(customers->SQLPrefix(), QStringLiteral("CustomerProfile"));
    EXPECT_EQ(Column(customers->lstViews(), 0), (QStringList{QStringLiteral("Preferred Carrier"), QStringLiteral("Segment")}));
    EXPECT_EQ(customers->txtColumnName()->text(), QStringLiteral("Customer Profile Preferred Carrier"));
    EXPECT_EQ(customers->txtSQLColumnName()->text(), QStringLiteral("CustomerProfileCarrier"));
    // A single one keeps its own names.
    frmImportColumn* products = OpenImport(kProductsView);
    Choose(products, 1);
    EXPECT_EQ(products->Prefix(), QString());
    EXPECT_EQ(products->txtColumnName()->text(), QStringLiteral("Aisle"));
    EXPECT_EQ(products->txtSQLColumnName()->text(), QStringLiteral("Aisle"));
}

TEST_F(ImportColumnDialogsTest, TwoLinksThroughTheSameTableAreTwoEntriesEachChosenByItsOwnId)
{
    // A second link of the view, to another view of the same base through the same table.
    Probe().Execute(QStringLiteral(
        "INSERT INTO LdViewRelationships (ViewID, BaseRelationshipID, LinkViewID, UseMe) "
        "SELECT vr.ViewID, vr.BaseRelationshipID, 12, 1 FROM LdViewRelationships vr WHERE vr.ViewID = 10 AND vr.UseMe = 1 "
        "AND vr.LinkViewID <> 12 LIMIT 1"));
    frmImportColumn* d = OpenImport(kOrdersByRepView);
    d->cboSources()->setCurrentIndex(0);
    emit d->cboSources()->activated(0);
    ASSERT_TRUE(d->lkupView()->WaitUntilLoaded());
    ASSERT_EQ(d->lkupView()->OfferedCount(), 2);
    QSet<int32_t> ids;
    QSet<QString> linked;
    for (int row = 0; row < 2; ++row) {
        d->lkupView()->TypeText(QString());  // the whole list offered again
        d->lkupView()->ChooseOffered(row);
        ids << d->lkupView()->SelectedID();
        linked << d->lkupView()->ColumnValue(QStringLiteral("FKViewID"));
        EXPECT_GT(d->lstViews()->ItemCount(), 0);
    }
    EXPECT_EQ(ids.size(), 2);
    EXPECT_EQ(linked.size(), 2);
    // The chosen (second) entry stays chosen, and the import names its table.
    const QString table = d->lkupView()->ColumnValue(QStringLiteral("TableID"));
    TakeStatements();
    d->cmdOK()->click();
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? std::string() : boxes[0].prompt.toStdString());
    EXPECT_EQ(TakeStatements().filter(QStringLiteral("EXEC Ld_ImportColumn %1,%2,").arg(kOrdersByRepView).arg(table)).size(), 1);
}

TEST_F(ImportColumnDialogsTest, ALinkedViewTheUserMayNotOpenOffersNoColumns)
{
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    OpenLookupConnection();
    Probe().Execute(QStringLiteral("DELETE FROM CoSecuredObjectRights WHERE SecuredObjectID = 'ArCustomers'"));
    frmImportColumn* d = OpenImport(kOrdersByRepView);
    const int before = BaseColumns();
    Choose(d, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QLatin1String("View rights"))) << boxes[0].prompt.toStdString();
    EXPECT_EQ(d->lstViews()->ItemCount(), 0);
    boxes.clear();
    d->cmdOK()->click();  // nothing to import
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(BaseColumns(), before);
}

TEST_F(ImportColumnDialogsTest, NamesAreCheckedInOrderWithTheirMessagesWordForWord)
{
    EXPECT_EQ(importednames::SQLNameMessage(),
              QStringLiteral("The SQL Column Name cannot be prefixed by a number, contain a space, or contain any the "
                             "following characters:\r\n' ! ` ~ % ^ & * ( ) - + = [ ] { } \\ / | : ; , . < > ? \""));
    EXPECT_EQ(importednames::DisplayNameMessage(),
              QStringLiteral("The Column Name cannot contain the following characters:\r\n' ,"));
    const QString sqlRule = importednames::SQLNameMessage();
    const QString displayRule = importednames::DisplayNameMessage();
    struct Case {
        QString display;
        QString sql;
        QString message;  // "" when accepted
    };
    std::vector<Case> cases = {
        {QStringLiteral(""), QStringLiteral("Ok"), kRequiredOne.arg(QStringLiteral("Column Name"))},
        {QStringLiteral("Fine"), QStringLiteral("   "), kRequiredOne.arg(QStringLiteral("SQL Column Name"))},
        {QStringLiteral(" "), QStringLiteral(""),
         QStringLiteral("The following fields require you to enter information:\n\n   - Column Name\n   - SQL Column "
                        "Name\n\nPlease enter the information in the required fields,\nwhich are indicated with an "
                        "asterisk (*).")},
        {QStringLiteral("Fine"), QStringLiteral("1Name"), sqlRule},
        {QStringLiteral("Fine"), QStringLiteral("Two Words"), sqlRule},
        {QStringLiteral("Fine, too"), QStringLiteral("Bad-Name"), sqlRule},  // the SQL rule comes first
        {QStringLiteral("A,B"), QStringLiteral("Fine"), displayRule},
        {QStringLiteral("O'Brien"), QStringLiteral("Fine"), displayRule},
        {QStringLiteral("Fine"), QStringLiteral("city"), QString::fromLatin1(importednames::kSQLNameNotUnique)},
        {QStringLiteral("CITY"), QStringLiteral("Fine"), QString::fromLatin1(importednames::kDisplayNameNotUnique)},
        {QStringLiteral("Fine"), QStringLiteral("Seg@ment"), sqlRule},
        {QStringLiteral("Fine"), QStringLiteral("ID"), QString::fromLatin1(importednames::kSQLNameNotUnique)},
    };
    for (const char* c = importednames::kSQLNameCharacters; *c; ++c)
        cases.push_back({QStringLiteral("Fine"), QStringLiteral("a") + QLatin1Char(*c) + QStringLiteral("b"), sqlRule});

    frmImportColumn* d = OpenImport(kCustomerReport);
    Choose(d, 1);
    const int before = BaseColumns();
    for (const Case& c : cases) {
        d->txtColumnName()->setText(c.display);
        d->txtSQLColumnName()->setText(c.sql);
        boxes.clear();
        d->cmdOK()->click();
        ASSERT_EQ(boxes.size(), 1u) << c.display.toStdString() << " / " << c.sql.toStdString();
        EXPECT_EQ(boxes[0].prompt, c.message) << c.display.toStdString() << " / " << c.sql.toStdString();
        EXPECT_EQ(boxes[0].icon(), static_cast<int>(vbExclamation));
        // Names stay for correction.
        EXPECT_EQ(d->txtSQLColumnName()->text(), c.sql);
    }
    EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
    EXPECT_EQ(BaseColumns(), before);
    EXPECT_TRUE(IsFormLoaded(d));

    // An underscore first, a blank and a hyphen in the display name pass.
    d->txtColumnName()->setText(QStringLiteral("Profile - Segment"));
    d->txtSQLColumnName()->setText(QStringLiteral("_Segment"));
    boxes.clear();
    d->cmdOK()->click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(BaseColumns(), before + 1);
    EXPECT_EQ(d->NewColumnName(), QStringLiteral("Profile - Segment"));
}

TEST_F(ImportColumnDialogsTest, ApplyImportsAndStaysOkImportsAndHidesCancelUnloads)
{
    frmImportColumn* d = OpenImport(kCustomerReport);
    Show(d);
    Choose(d, 1);
    const int before = BaseColumns();
    TakeStatements();
    d->cmdApply()->click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(BaseColumns(), before + 1);
    EXPECT_TRUE(TakeStatements().contains(QStringLiteral(
        "EXEC Ld_ImportCustomProperty 12,1,'CustomerProfileCarrier','Customer Profile Preferred Carrier',2")));
    // The list is read again without the imported property, its first row chosen; the dialog stays.
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Column(d->lstViews(), 0), QStringList{QStringLiteral("Segment")});
    EXPECT_EQ(d->txtColumnName()->text(), QStringLiteral("Segment"));

    d->cmdOK()->click();
    EXPECT_EQ(BaseColumns(), before + 2);
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->NewColumnName(), QStringLiteral("Segment"));
    EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));

    frmImportColumn* cancelled = OpenImport(kOrdersByRepView);
    cancelled->cmdCancel()->click();
    EXPECT_FALSE(IsFormLoaded(cancelled));
}

// The widget that takes the keys of a control (a list or a lookup hands them on).
QWidget* KeyTarget(QWidget* control)
{
    while (control->focusProxy())
        control = control->focusProxy();
    return control;
}

TEST_F(ImportColumnDialogsTest, EscClosesBothDialogsAsCancelDoesWhereverTheFocusIs)
{
    using ImportControl = QWidget* (*)(frmImportColumn*);
    const std::pair<const char*, ImportControl> importControls[] = {
        {"Source", [](frmImportColumn* d) -> QWidget* { return d->cboSources(); }},
        {"the linked view", [](frmImportColumn* d) -> QWidget* { return d->lkupView(); }},
        {"Available Columns", [](frmImportColumn* d) -> QWidget* { return d->lstViews(); }},
        {"Column Name", [](frmImportColumn* d) -> QWidget* { return d->txtColumnName(); }},
        {"SQL Column Name", [](frmImportColumn* d) -> QWidget* { return d->txtSQLColumnName(); }},
        {"OK", [](frmImportColumn* d) -> QWidget* { return d->cmdOK(); }},
        {"Apply", [](frmImportColumn* d) -> QWidget* { return d->cmdApply(); }},
    };
    const int before = BaseColumns();
    for (const auto& [what, control] : importControls) {
        frmImportColumn* d = OpenImport(kOrdersByRepView);
        Show(d);
        Choose(d, 0);  // a column chosen: OK would import it
        QWidget* target = KeyTarget(control(d));
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_FALSE(IsFormLoaded(d)) << what;
    }
    EXPECT_EQ(BaseColumns(), before);
    EXPECT_TRUE(boxes.empty());

    int32_t column = ImportSegment();
    int32_t view = kCustomerReport;
    QString name = QStringLiteral("Segment");
    using EditControl = QWidget* (*)(frmEditImportedColumn*);
    const std::pair<const char*, EditControl> editControls[] = {
        {"Column Name", [](frmEditImportedColumn* d) -> QWidget* { return d->txtColumnName(); }},
        {"SQL Column Name", [](frmEditImportedColumn* d) -> QWidget* { return d->txtSQLColumnName(); }},
        {"OK", [](frmEditImportedColumn* d) -> QWidget* { return d->cmdOK(); }},
    };
    for (const auto& [what, control] : editControls) {
        auto* d = new frmEditImportedColumn;
        d->Init(column, view, name, name);
        Show(d);
        d->txtColumnName()->setText(QStringLiteral("Renamed"));
        QWidget* target = control(d);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_FALSE(IsFormLoaded(d)) << what;
    }
}

TEST_F(ImportColumnDialogsTest, AFailingImportShowsTheErrorPutsThePointerBackAndKeepsTheDialog)
{
    frmImportColumn* d = OpenImport(kOrdersByRepView);
    Show(d);
    Choose(d, 0);
    // The source goes away after the list was read.
    Probe().Execute(QStringLiteral("DELETE FROM LdBaseTables WHERE TableID = 1"));
    const int before = BaseColumns();
    d->cmdOK()->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.contains(QLatin1String(") -- "))) << boxes[0].prompt.toStdString();
    EXPECT_TRUE(boxes[0].prompt.contains(QLatin1String("is not a source"))) << boxes[0].prompt.toStdString();
    EXPECT_EQ(ScreenMousePointer(), static_cast<int>(vbDefault));
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(BaseColumns(), before);
}

TEST_F(ImportColumnDialogsTest, EditLeavesTheColumnItselfOutOfTheUniquenessTests)
{
    int32_t column = ImportSegment();
    int32_t view = kCustomerReport;
    QString name = QStringLiteral("Segment");
    QString sqlName = QStringLiteral("Segment");
    auto* d = new frmEditImportedColumn;
    d->Init(column, view, name, sqlName);
    Show(d);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Edit Imported Column"));
    EXPECT_EQ(d->txtColumnName()->text(), QStringLiteral("Segment"));

    struct Case {
        QString display;
        QString sql;
        QString message;
    };
    const std::vector<Case> cases = {
        {QStringLiteral(""), QStringLiteral("Segment"), kRequiredOne.arg(QStringLiteral("Column Name"))},
        {QStringLiteral("Segment"), QStringLiteral("9Lives"), importednames::SQLNameMessage()},
        {QStringLiteral("Seg,ment"), QStringLiteral("Segment"), importednames::DisplayNameMessage()},
        {QStringLiteral("Segment"), QStringLiteral("City"), QString::fromLatin1(importednames::kSQLNameNotUnique)},
        {QStringLiteral("Phone"), QStringLiteral("Segment"), QString::fromLatin1(importednames::kDisplayNameNotUnique)},
        // What the import refuses, the rename refuses: no second [City] or [ID] in the
        // SQL view, nothing but letters, digits and "_".
        {QStringLiteral("Segment"), QStringLiteral("City\t"), importednames::SQLNameMessage()},
        {QStringLiteral("Segment"), QStringLiteral("Seg\r\nment"), importednames::SQLNameMessage()},
        {QStringLiteral("Segment"), QStringLiteral("Seg\x07ment"), importednames::SQLNameMessage()},
        {QStringLiteral("Segment"), QStringLiteral("Seg@ment"), importednames::SQLNameMessage()},
        {QStringLiteral("Segment"), QStringLiteral("ID"), QString::fromLatin1(importednames::kSQLNameNotUnique)},
        {QStringLiteral("Segment"), QStringLiteral("id"), QString::fromLatin1(importednames::kSQLNameNotUnique)},
        {QStringLiteral("Seg") + QChar(0xD800), QStringLiteral("Segment"),
         QString::fromLatin1(importednames::kIncompleteCharacter)},
    };
    for (const Case& c : cases) {
        d->txtColumnName()->setText(c.display);
        d->txtSQLColumnName()->setText(c.sql);
        boxes.clear();
        d->cmdOK()->click();
        ASSERT_EQ(boxes.size(), 1u) << c.display.toStdString();
        EXPECT_EQ(boxes[0].prompt, c.message) << c.display.toStdString();
        EXPECT_TRUE(d->isVisible());
    }
    // Unchanged names pass: the column is compared with itself by its id as quoted text.
    d->txtColumnName()->setText(QStringLiteral("Segment"));
    d->txtSQLColumnName()->setText(QStringLiteral("Segment"));
    boxes.clear();
    TakeStatements();
    d->cmdOK()->click();
    EXPECT_TRUE(boxes.empty());
    const QString marker = QStringLiteral("bc.ColumnID <> '%1' AND bc.ColumnName = 'Segment'").arg(column);
    EXPECT_TRUE(TakeStatements().filter(marker).size() == 1);
    EXPECT_TRUE(IsFormLoaded(d));
    EXPECT_FALSE(d->isVisible());

    auto* cancelled = new frmEditImportedColumn;
    cancelled->Init(column, view, name, sqlName);
    Show(cancelled);
    cancelled->cmdCancel()->click();
    EXPECT_FALSE(IsFormLoaded(cancelled));
}

}  // namespace
