// The lookup control on the demo company's lookups, through the session's
// lookup connection.

#include "vieweditor/ViewEditorTestSupport.h"

#include <QComboBox>
#include <QSignalSpy>
#include <sqlite3.h>

namespace {

using LookUpTest = editortest::ViewEditorTest;

std::unique_ptr<eLookUp> Opened(const QString& name, const QString& filter = QString())
{
    auto lookup = std::make_unique<eLookUp>();
    lookup->Init(g_cn, name);
    if (!filter.isEmpty())
        lookup->SetFilter(filter);
    EXPECT_TRUE(lookup->WaitUntilLoaded());
    return lookup;
}

TEST_F(LookUpTest, OffersTheEntriesOfEachLookup)
{
    struct Case {
        const char* lookup;
        const char* filter;
        QString countSql;
    };
    const Case cases[] = {
        {"Ld_Views", "", QStringLiteral("SELECT COUNT(*) FROM LdViews")},
        {"Ld_Views", "(ViewName <> 'LdViews' AND ViewName <> 'LdMyViews')",
         QStringLiteral("SELECT COUNT(*) FROM LdViews WHERE ViewName NOT IN ('LdViews', 'LdMyViews')")},
        {"Ld_SQLViewApplications", "", QStringLiteral("SELECT COUNT(*) FROM LdSQLViewApplications")},
        {"Ld_LinkedViews", "ViewID = 4",
         QStringLiteral("SELECT COUNT(*) FROM Ld_LinkedViews WHERE ViewID = 4")},
        {"LdLinkedCustomPropAttr", "", QStringLiteral("SELECT COUNT(*) FROM ShTrackingGroups WHERE TypeID = 2")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lookup) + " " + c.filter);
        auto lookup = Opened(QString::fromLatin1(c.lookup), QString::fromLatin1(c.filter));
        EXPECT_EQ(lookup->EntryCount(), Value(c.countSql).toInt());
        EXPECT_GT(lookup->EntryCount(), 0);
        EXPECT_EQ(lookup->SelectedID(), -1);
        EXPECT_EQ(lookup->DisplayText(), QString());
    }
    EXPECT_GE(Value(QStringLiteral("SELECT COUNT(*) FROM LdSQLViewApplications")).toInt(), 2);
}

TEST_F(LookUpTest, ChoiceColumnsAndTypeAhead)
{
    auto lookup = Opened(QStringLiteral("Ld_Views"));
    QSignalSpy changed(lookup.get(), &eLookUp::Changed);
    lookup->SetSelectedID(4);
    EXPECT_EQ(lookup->SelectedID(), 4);
    EXPECT_EQ(lookup->ID(), 4);
    EXPECT_EQ(lookup->DisplayText(), QStringLiteral("Orders"));
    EXPECT_EQ(lookup->ColumnValue(QStringLiteral("ViewName")), QStringLiteral("ORDERS_1"));
    EXPECT_EQ(lookup->ColumnValue(QStringLiteral("viewname")), QStringLiteral("ORDERS_1"));
    EXPECT_EQ(changed.count(), 0);  // set by the program
    try {
        lookup->ColumnValue(QStringLiteral("NoSuchColumn"));
        ADD_FAILURE() << "an unknown column was read";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 5);
    }
    lookup->SetSelectedID(99999);
    EXPECT_EQ(lookup->SelectedID(), -1);

    // Typing narrows the entries to those containing the text, without regard to case.
    lookup->TypeText(QStringLiteral("order"));
    QStringList offered;
    for (int i = 0; i < lookup->OfferedCount(); ++i)
        offered << lookup->OfferedText(i);
    EXPECT_TRUE(offered.contains(QStringLiteral("Orders")));
    EXPECT_TRUE(offered.contains(QStringLiteral("Order Lines")));
    EXPECT_FALSE(offered.contains(QStringLiteral("Customers")));
    lookup->ChooseOffered(offered.indexOf(QStringLiteral("Order Lines")));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 5);
    EXPECT_EQ(lookup->SelectedID(), 5);
    EXPECT_EQ(lookup->Combo()->currentText(), QStringLiteral("Order Lines"));
}

TEST_F(LookUpTest, FilterRunsAsOneQueryThatCannotWrite)
{
    auto lookup = Opened(QStringLiteral("Ld_Views"));
    ASSERT_GT(lookup->EntryCount(), 0);
    const QString before = Value(QStringLiteral("SELECT COUNT(*) FROM LdViews"));
    for (const char* filter : {"1 = 1); DELETE FROM LdViews; --", "1 = 1) UNION SELECT 1, 'x', 'y'; DELETE FROM LdViews WHERE (1 = 1"}) {
        SCOPED_TRACE(filter);
        EXPECT_THROW(lookup->SetFilter(QString::fromLatin1(filter)), AppError);
        EXPECT_EQ(lookup->EntryCount(), 0);
        EXPECT_EQ(lookup->SelectedID(), -1);
    }
    EXPECT_EQ(Value(QStringLiteral("SELECT COUNT(*) FROM LdViews")), before);
    // A comment at the end of a filter cannot swallow the statement's bracket.
    lookup->SetFilter(QStringLiteral("ViewName = 'ORDERS_1' -- the orders"));
    ASSERT_TRUE(lookup->WaitUntilLoaded());
    EXPECT_EQ(lookup->EntryCount(), 1);
    EXPECT_THROW(lookup->Init(g_cn, QStringLiteral("Ld_Views; DROP TABLE LdViews")), AppError);
}

TEST_F(LookUpTest, LargeLookupReadsOffTheWindowThread)
{
    {
        sqlite3* db = nullptr;
        const QString file = erpdb::FindDatabaseFile(listtest::kServer, QString::fromLatin1(erpdb::kDemoDatabaseName));
        ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "CREATE VIEW Ld_Big AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < 100000) SELECT i AS ID, 'Entry ' || i AS DisplayText, i % 7 AS Bucket FROM n",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    auto lookup = std::make_unique<eLookUp>();
    lookup->Init(g_cn, QStringLiteral("Ld_Big"));
    lookup->SetSelectedID(4242);
    EXPECT_TRUE(lookup->IsLoading());  // the rows come later
    ASSERT_TRUE(lookup->WaitUntilLoaded());
    EXPECT_EQ(lookup->EntryCount(), 100000);
    EXPECT_EQ(lookup->SelectedID(), 4242);
    EXPECT_EQ(lookup->DisplayText(), QStringLiteral("Entry 4242"));
    lookup->TypeText(QStringLiteral("entry 9999"));
    EXPECT_EQ(lookup->OfferedCount(), 11);  // 9999 and 99990 to 99999
    // A newer filter replaces a read still running.
    lookup->SetFilter(QStringLiteral("Bucket = 0"));
    lookup->SetFilter(QStringLiteral("Bucket = 1"));
    ASSERT_TRUE(lookup->WaitUntilLoaded());
    EXPECT_EQ(lookup->EntryCount(), 14286);
    lookup->SetFilter(QStringLiteral("Bucket = 2"));
    lookup.reset();  // ends a read still running
}

}  // namespace
