#pragma once
// A company database of its own for each test: a server in a temporary folder,
// a company with the schema, a small set of bases, views and their children that
// shows every kind of child, and a session engine connected to it.

#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "db/EmbeddedServer.h"
#include "db/procedures/Procedures.h"
#include "db/Schema.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/forms/FormsRuntime.h"
#include "viewmodel/CoLdUV.h"
#include "viewmodel/GetView.h"

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <ostream>
#include <vector>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[';
    for (const QString& s : list)
        *os << '"' << s.toStdString() << "\" ";
    *os << ']';
}

namespace vmtest {

inline constexpr char kServer[] = "VMTEST";
inline constexpr char kDatabase[] = "VMDB";
inline constexpr char kPassword[] = "exec-pw";

// The views, columns, links and searches every test starts from. Ids are fixed so
// that statements can be compared as text.
inline const char* SeedSql()
{
    return R"SQL(
CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, CustName TEXT, Region TEXT, Total REAL, Phone TEXT);
INSERT INTO Customers VALUES (1, 'Acme', 'North', 150, '555-1'), (2, 'Bolt', 'South', 50, NULL),
                             (3, 'O''Neil', 'North', 300, '555-3');
CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID INTEGER, Amount REAL);
INSERT INTO Orders VALUES (10, 1, 100), (11, 1, 50), (12, 3, 300);
CREATE TABLE Codes (Code TEXT);
INSERT INTO Codes VALUES ('B'), ('A'), ('C');

INSERT INTO LdBases (BaseID, Base, DisplayName, KeySQL, FromSQL, FromExSQL) VALUES
  (1, 'Customers', 'Customers', 'c.CustomerID', 'Customers c', NULL),
  (2, 'Orders', 'Orders', 'o.OrderID', 'Orders o', NULL);

INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, Required,
                           AllowFunctions, FilterDataType, UseExtendedFrom, Imported) VALUES
  (1, 1, 'CustID', 'Customer ID', 'c.CustomerID', 'int', 1, 1, 0, 'Number', 0, 0),
  (2, 1, 'CustName', 'Name', 'c.CustName', 'varchar', 0, 0, 0, 'String', 0, 0),
  (3, 1, 'Region', 'Region', 'c.Region', 'varchar', 0, 0, 0, 'String', 1, 0),
  (4, 1, ' Total ', 'Total', 'c.Total', 'money', 1, 0, 1, 'Number', 0, 1),
  (8, 1, 'Phone', 'Phone', 'c.Phone', 'varchar', 0, 0, 0, 'String', 0, 0),
  (5, 2, 'OrderID', 'Order', 'o.OrderID', 'int', 1, 1, 0, 'Number', 0, 0),
  (6, 2, 'CustomerID', 'Customer', 'o.CustomerID', 'int', 1, 0, 0, 'Number', 0, 0),
  (7, 2, 'Amount', 'Amount', 'o.Amount', 'money', 1, 0, 1, 'Number', 0, 0);

INSERT INTO LdColumnFunctions (ColumnFunctionID, ColumnFunction, FunctionTemplate, ResultDataType, DisplayTemplate) VALUES
  (1, 'SUM', 'SUM(%COL%)', NULL, 'Sum of %NAME%'),
  (2, 'AVG', 'AVG(%COL%)', NULL, 'Average %NAME%'),
  (3, 'COUNT', 'COUNT(%COL%)', 'int', 'Count of %NAME%');

-- 1: one relation column with a value list; 2: two columns, a list that is not
-- a query and a query without rows, extra filters; 3: a second column whose
-- linked-view column is missing, with a value list.
INSERT INTO LdBaseRelationships (BaseRelationshipID, BaseID, RelatedBaseID, ColumnID1, AssocColumnID1, ColumnID2,
    AssocColumnID2, Column1Filter, Column1FilterTypeID, Column2Filter, Column2FilterTypeID, MiscFilter,
    MiscFilterTypeID, MiscFilter2, MiscFilter2TypeID) VALUES
  (1, 1, 2, 1, 6, NULL, NULL, 'SELECT Code FROM Codes ORDER BY Code', 1, NULL, NULL, NULL, NULL, NULL, NULL),
  (2, 1, 2, 3, 6, 4, 7, 'North', 2, 'SELECT Code FROM Codes WHERE 1 = 0', 1, '{Region} = ''North''', 3, 'x', 4),
  (3, 1, 2, 1, 6, 3, NULL, NULL, NULL, 'SELECT Code FROM Codes ORDER BY Code', 1, NULL, NULL, NULL, NULL);

INSERT INTO LdViews (ViewID, ViewName, DisplayName, Description, BaseID, Custom, Shared, SQLViewApplicationID,
                     CreateSQLView, CreatorID, UpdatorID, LastUsedFilter, BaseViewID) VALUES
  (12, 'vwCustomers', 'Customers', 'All customers', 1, 1, 1, NULL, 0, 'JSMITH  ', 'JSMITH', 55, NULL),
  (13, 'vwOrders', 'Orders', '', 2, 0, 1, NULL, 0, NULL, NULL, NULL, NULL),
  (14, 'vwCustList', 'Customer list', '', 1, 0, 1, NULL, 0, NULL, NULL, NULL, 12);

INSERT INTO LdViewColumns (ViewColumnID, ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) VALUES
  (40, 12, 1, 1, 1, 1, 1), (41, 12, 2, 2, 2, 1, 1), (42, 12, 3, 3, 0, 0, 1), (43, 12, 4, 4, 3, 1, 1),
  (50, 13, 5, 1, 1, 1, 1), (51, 13, 6, 2, 2, 1, 1), (52, 13, 7, 3, 3, 1, 1),
  (60, 14, 1, 1, 1, 1, 1), (61, 14, 2, 2, 2, 1, 1);

INSERT INTO LdViewColumnFunctions (ViewColumnFunctionID, ViewID, BaseColumnID, ColumnFunctionID, FunctionOrder) VALUES
  (1, 12, 4, 1, 1), (2, 12, 4, 2, 2), (3, 12, 1, 3, 3);

INSERT INTO LdViewRelationships (ViewRelationshipID, ViewID, BaseRelationshipID, LinkViewID, UseMe) VALUES
  (31, 12, 1, 13, 1), (32, 12, 2, 13, 0), (33, 12, 3, 13, 1);

INSERT INTO LdViewFilters (ViewFilterID, ViewID, FilterName, FilterString, Shared, Complex, CreatorID, UpdatorID) VALUES
  (55, 12, 'Big ones', 'WHERE {Total} > 100', 1, 0, 'JSMITH  ', 'JSMITH'),
  (56, 12, 'Mine', 'WHERE c.CustName LIKE ''A%''', 0, 1, 'JSMITH', 'JSMITH'),
  (57, 12, 'North', 'WHERE {Region} = ''North''', 1, 0, 'BJONES', 'BJONES');

INSERT INTO LdMyViews (MyViewID, ViewID, UserID, IsMyView, AutoPopulate) VALUES (1, 12, 'JSMITH', 1, 1);
INSERT INTO LdMaster (MasterID, MasterName, MasterValue) VALUES (1, 'OpeningLinkedViews', '1'), (2, 'Other', 'x');
)SQL";
}

// Hands an open database object to a session engine.
class ConnectionHolder : public VObject, public DatabaseObjectOwner {
public:
    explicit ConnectionHolder(BrandleDatabasePtr db) : m_db(std::move(db)) {}
    BrandleDatabasePtr odbi() override { return m_db; }

private:
    BrandleDatabasePtr m_db;
};

struct RecordedBox {
    QString prompt;
    int style = 0;
    QString title;
};

class ViewModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        erpdb::SetServersRoot(m_dir.filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(m_dir.filePath(QStringLiteral("config")));
        erpdb::RegisterProcedures();
        erpdb::CreateServer(QLatin1String(kServer), QLatin1String(kPassword), QStringLiteral("ro-pw"));
        erpdb::CreateCompany(QLatin1String(kServer), QStringLiteral("VM"), QStringLiteral("View Model Co"),
                             QLatin1String(kDatabase));
        RunOnFile(SeedSql());
        WithFile([](sqlite3* db) {
            for (int32_t id : {12, 13, 14})
                erpdb::BuildViewSqlPieces(db, id);
        });

        m_db = std::make_shared<BrandleDatabase>();
        int32_t flag = 0;
        m_db->OpenConnection(QLatin1String(kServer), QLatin1String(kDatabase), QLatin1String(erpdb::kExecutiveLogin),
                             QLatin1String(kPassword), 0, flag);
        m_probe = std::make_shared<BrandleDatabase>();
        m_probe->OpenConnection(QLatin1String(kServer), QLatin1String(kDatabase),
                                QLatin1String(erpdb::kExecutiveLogin), QLatin1String(kPassword), 0, flag);
        auto engine = CoQuillonSystemEngine::Create();
        engine->ShareConnection(std::make_shared<ConnectionHolder>(m_db));
        g_sUserID = QStringLiteral("JSMITH");
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            m_boxes.push_back({r.prompt, r.style, r.title});
            return static_cast<int>(vbOK);
        });
        m_db->SetStatementLogging(true);
    }

    void TearDown() override
    {
        SetMessageBoxAnswerer(nullptr);
        if (g_oSystemEngine)
            g_oSystemEngine->CloseConnection();
        g_oSystemEngine.reset();
        if (m_probe)
            m_probe->CloseConnection();
        g_sUserID.clear();
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
    }

    // A connection of its own to the company file, for seeding and for looking at rows.
    void WithFile(const std::function<void(sqlite3*)>& f)
    {
        sqlite3* db = erpdb::OpenDatabase(QLatin1String(kServer), QLatin1String(kDatabase),
                                          QLatin1String(erpdb::kExecutiveLogin), QLatin1String(kPassword));
        try {
            f(db);
        } catch (...) {
            sqlite3_close_v2(db);
            throw;
        }
        sqlite3_close_v2(db);
    }
    void RunOnFile(const QString& sql)
    {
        WithFile([&](sqlite3* db) { erpdb::ExecScript(db, sql); });
    }

    // The committed rows of a query (read on a connection of its own), each row's
    // fields joined by "|" (NULL as "<null>").
    QStringList Rows(const QString& sql)
    {
        BrandleRecordsetPtr rs;
        QStringList rows;
        if (m_probe->OpenRecordset(sql, rs, 0, 1)) {
            while (rs->HasRecord()) {
                QStringList fields;
                for (int i = 0; i < rs->FieldCount(); ++i) {
                    const Variant v = rs->Item(i);
                    fields << (v.isNull() ? QStringLiteral("<null>") : v.toString());
                }
                rows << fields.join(QLatin1Char('|'));
                rs->MoveNext();
            }
        }
        m_probe->CloseRecordset(rs);
        return rows;
    }
    QString Value(const QString& sql)
    {
        const QStringList rows = Rows(sql);
        return rows.isEmpty() ? QStringLiteral("<none>") : rows.first();
    }

    const QStringList& Log() const { return m_db->StatementLog(); }
    void ClearLog() { m_db->ClearStatementLog(); }
    // The logged statements that begin with a text.
    QStringList LoggedStarting(const QString& start) const
    {
        QStringList found;
        for (const QString& s : Log())
            if (s.startsWith(start))
                found << s;
        return found;
    }

    QTemporaryDir m_dir;
    BrandleDatabasePtr m_db;     // the session's connection, which records its statements
    BrandleDatabasePtr m_probe;  // for looking at what was committed
    std::vector<RecordedBox> m_boxes;
};

inline QString Lines(const QStringList& lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

inline int ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace vmtest
