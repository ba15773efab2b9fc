// What the view builder refuses before it writes anything: base pieces that would
// break the statements built from them, a view name another view has (compared
// as the database compares names), texts longer than their columns; and a shown
// column that needs the extended FROM clause, which the stored FROM then carries.
#include "db/ProceduresTestSupport.h"

#include "base/AppError.h"
#include "base/SqlText.h"

using namespace proctest;

namespace {

class ViewSqlChecksTest : public ProceduresTest {
protected:
    // The error of building view 1, "" when it was built.
    QString BuildError(int viewId = 1)
    {
        try {
            UpdateSql(viewId);
        } catch (const AppError& e) {
            return e.description();
        }
        return QString();
    }
};

TEST_F(ViewSqlChecksTest, DamagedBasePiecesAreRefusedNamingThePieceAndNothingIsWritten)
{
    ASSERT_EQ(BuildError(), QString());
    const Pieces before = StoredPieces(1);
    struct Case {
        const char* column;  // of LdBases, or "ColumnSQL" of a column of base 1 by its id
        const char* piece;
        const char* message;
        int baseColumn = 0;
    };
    const Case cases[] = {
        {"FromSQL", "Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID --",
         "the FROM clause of base 1 (Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID --) ends in a line "
         "comment, which would swallow the search that follows it."},
        {"FromSQL", "Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID; DELETE FROM Orders",
         "the FROM clause of base 1 (Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID; DELETE FROM Orders) "
         "holds a \";\", which would start a second statement."},
        {"FromSQL", "Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID; VACUUM INTO '/tmp/x.db'",
         "holds a \";\", which would start a second statement."},
        {"FromSQL", "Orders o INNER JOIN Customers c ON (c.CustomerID = o.CustomerID",
         "the FROM clause of base 1 (Orders o INNER JOIN Customers c ON (c.CustomerID = o.CustomerID) leaves a "
         "parenthesis open."},
        {"FromSQL", "Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID /*", "leaves a text, name or comment open."},
        {"FromExSQL", "LEFT JOIN OrderNotes n ON n.OrderID = o.OrderID -- notes",
         "the extended FROM clause of base 1 (LEFT JOIN OrderNotes n ON n.OrderID = o.OrderID -- notes) ends in a line "
         "comment"},
        {"KeySQL", "o.OrderID FROM Orders o; DELETE FROM Orders; SELECT o.OrderID",
         "the row id of base 1 (o.OrderID FROM Orders o; DELETE FROM Orders; SELECT o.OrderID) holds a \";\""},
        {"KeySQL", "o.OrderID --", "the row id of base 1 (o.OrderID --) ends in a line comment"},
        // A shown column and a column only searched on.
        {"ColumnSQL", "o.Amount --", "the SQL of column 'Amount' (o.Amount --) ends in a line comment", 103},
        {"ColumnSQL", "n.Note); DELETE FROM Orders; SELECT (1", "the SQL of column 'Note' (n.Note); DELETE FROM Orders; "
         "SELECT (1) closes a parenthesis it did not open", 105},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.piece);
        const QString piece = QuoteSQLString(QString::fromUtf8(c.piece));
        Exec(c.baseColumn ? QStringLiteral("SAVEPOINT damaged; UPDATE LdBaseColumns SET ColumnSQL = %1 WHERE ColumnID = %2")
                                .arg(piece)
                                .arg(c.baseColumn)
                          : QStringLiteral("SAVEPOINT damaged; UPDATE LdBases SET %1 = %2 WHERE BaseID = 1")
                                .arg(QLatin1String(c.column), piece));
        const QString error = BuildError();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << error.toStdString();
        EXPECT_TRUE(error.startsWith(QLatin1String("Ld_UpdateSQLStmts: "))) << error.toStdString();
        const Pieces after = StoredPieces(1);
        EXPECT_EQ(after.select, before.select);
        EXPECT_EQ(after.from, before.from);
        EXPECT_EQ(after.fromEx, before.fromEx);
        Exec(QStringLiteral("ROLLBACK TO damaged; RELEASE damaged"));
    }
    // A comment that ends on its own line swallows nothing.
    Exec(QStringLiteral("UPDATE LdBases SET FromSQL = 'Orders o -- the orders\n INNER JOIN Customers c ON c.CustomerID = "
                        "o.CustomerID' WHERE BaseID = 1"));
    EXPECT_EQ(BuildError(), QString());
    const Pieces p = StoredPieces(1);
    EXPECT_EQ(Query(p.select + " " + p.from + " WHERE ( o.Status = 'Open' )").rows.size(), 2u);
}

TEST_F(ViewSqlChecksTest, AViewNameIsNoOtherViewsWithoutRegardToCaseOrTrailingBlanks)
{
    Exec("INSERT INTO LdViews (ViewID, ViewName, DisplayName, BaseID) VALUES (8, 'LdViews', 'All Views', 2), "
         "(9, 'LdMyViews', 'My Views', 2);"
         "INSERT INTO LdViewColumns (ViewID, BaseColumnID, ColumnOrder, Viewable) VALUES (3, 202, 3, -1);");
    for (const char* name : {"CUSTOMERS_1", "customers_1", "CUSTOMERS_1  ", "ldmyviews", "LDVIEWS"}) {
        SCOPED_TRACE(name);
        Exec(QStringLiteral("UPDATE LdViews SET ViewName = %1 WHERE ViewID = 3").arg(QuoteSQLString(QString::fromUtf8(name))));
        const QString error = BuildError(3);
        EXPECT_TRUE(error.contains(QStringLiteral("the name '%1' of view 3 is the name of the view").arg(QString::fromUtf8(name))))
            << error.toStdString();
    }
    Exec("UPDATE LdViews SET ViewName = 'CUSTOMERS_3' WHERE ViewID = 3");
    EXPECT_EQ(BuildError(3), QString());
}

TEST_F(ViewSqlChecksTest, TextsLongerThanTheirColumnsAreRefused)
{
    struct Case {
        const char* column;
        int length;
        const char* what;
    };
    for (const Case& c : {Case{"ViewName", 51, "name"}, Case{"DisplayName", 10000, "display name"},
                          Case{"Description", 129, "description"}}) {
        SCOPED_TRACE(c.column);
        Exec(QStringLiteral("SAVEPOINT longer; UPDATE LdViews SET %1 = %2 WHERE ViewID = 3")
                 .arg(QLatin1String(c.column), QuoteSQLString(QString(c.length, QLatin1Char('x')))));
        EXPECT_TRUE(BuildError(3).contains(
            QStringLiteral("the %1 of view 3 has %2 characters; at most").arg(QLatin1String(c.what)).arg(c.length)))
            << BuildError(3).toStdString();
        Exec(QStringLiteral("ROLLBACK TO longer; RELEASE longer"));
    }
}

TEST_F(ViewSqlChecksTest, AShownColumnThatNeedsTheExtendedFromIsStoredWithItInTheFromClause)
{
    // The note is shown, not only filtered by.
    Exec("UPDATE LdViewColumns SET Viewable = -1, ColumnOrder = 5 WHERE ViewColumnID = 4");
    ASSERT_EQ(BuildError(), QString());
    const Pieces p = StoredPieces(1);
    EXPECT_EQ(p.from, "FROM Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID LEFT JOIN OrderNotes n ON "
                      "n.OrderID = o.OrderID");
    EXPECT_EQ(p.fromEx, QString());
    // The list without and with a search on the column, the list adding the empty extended FROM.
    const Rows all = Query(p.select + " " + p.from);
    EXPECT_EQ(all.rows.size(), 3u);
    EXPECT_TRUE(all.columns.contains(QStringLiteral("Note")));
    const Rows rush = Query(p.select + " " + p.from + " " + p.fromEx + " WHERE ( n.Note = 'rush' )");
    EXPECT_EQ(Column(rush, 0), QStringList{QStringLiteral("10")});

    // Hidden again: the extended FROM clause is the search's alone once more.
    Exec("UPDATE LdViewColumns SET Viewable = 0 WHERE ViewColumnID = 4");
    ASSERT_EQ(BuildError(), QString());
    EXPECT_EQ(StoredPieces(1).fromEx, "LEFT JOIN OrderNotes n ON n.OrderID = o.OrderID");
}

}  // namespace
