#pragma once
// The stored procedures of the embedded server, on a real company database with
// a small fixture: two bases over business tables, views with columns of every
// kind, column functions, links, saved searches, registry values and rights.
// The fixture shared by ProceduresTest.cpp and ProceduresInterfaceTest.cpp.

#include "base/AppError.h"
#include "db/EmbeddedServer.h"
#include "db/Schema.h"
#include "db/procedures/Procedures.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/HostProcedures.h"
#include "platform/database/SqliteBackend.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace proctest {

struct Rows {
    QStringList columns;
    std::vector<std::vector<Variant>> rows;
};

const char* const kFixture = R"SQL(
CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, Name TEXT NOT NULL, City TEXT);
CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID INTEGER NOT NULL, Amount REAL, Status TEXT);
CREATE TABLE OrderNotes (OrderID INTEGER NOT NULL, Note TEXT);
INSERT INTO Customers VALUES (1, 'Acme', 'Boston'), (2, 'Globex', 'Denver');
INSERT INTO Orders VALUES (10, 1, 100.0, 'Open'), (11, 1, 250.5, 'Closed'), (12, 2, 75.25, 'Open');
INSERT INTO OrderNotes VALUES (10, 'rush');

INSERT INTO LdBases (BaseID, Base, DisplayName, KeySQL, FromSQL, FromExSQL) VALUES
 (1, 'ORDERS', 'Orders', 'o.OrderID', 'Orders o INNER JOIN Customers c ON c.CustomerID = o.CustomerID',
  'LEFT JOIN OrderNotes n ON n.OrderID = o.OrderID'),
 (2, 'CUSTOMERS', 'Customers', 'c.CustomerID', 'Customers c', NULL);
INSERT INTO LdBaseColumns (ColumnID, BaseID, ColumnName, DisplayName, ColumnSQL, DataType, Type, Required,
                           AllowFunctions, FilterDataType, UseExtendedFrom, Imported) VALUES
 (101, 1, 'OrderNo', 'Order No', 'o.OrderID', 'int', 1, 1, 0, 'number', 0, 0),
 (102, 1, 'Customer', 'Customer', 'c.Name', 'varchar', 2, 0, 0, 'text', 0, 0),
 (103, 1, 'Amount', 'Amount', 'o.Amount', 'money', 1, 0, 1, 'money', 0, 0),
 (104, 1, 'Status', 'Status', 'o.Status', 'varchar', 2, 0, 0, 'text', 0, 0),
 (105, 1, 'Note', 'Note', 'n.Note', 'varchar', 2, 0, 0, 'text', 1, 0),
 (106, 1, 'CustomerID', 'Customer No', 'o.CustomerID', 'int', 1, 0, 0, 'number', 0, 1),
 (201, 2, 'CustNo', 'Customer No', 'c.CustomerID', 'int', 1, 1, 0, 'number', 0, 0),
 (202, 2, 'CustName', 'Customer Name', 'c.Name', 'varchar', 2, 0, 0, 'text', 0, 0),
 (203, 2, 'City', 'City', 'c.City', 'varchar', 2, 0, 0, 'text', 0, 0);
INSERT INTO LdColumnFunctions (ColumnFunctionID, ColumnFunction, FunctionTemplate, ResultDataType, DisplayTemplate) VALUES
 (1, 'Sum', 'SUM(%COL%)', NULL, 'Sum of %NAME%'),
 (3, 'Count', 'COUNT(%COL%)', 'int', 'Count of %NAME%');

INSERT INTO LdViews (ViewID, ViewName, DisplayName, Description, BaseID, Custom, Shared, CreatorID) VALUES
 (1, 'ORDERS_1', 'Open Orders', 'Orders with their customers', 1, 0, 1, NULL),
 (2, 'CUSTOMERS_1', 'Customers', '', 2, 0, 1, NULL),
 (3, 'CUSTOMERS_2', 'Mary''s customers', '', 2, -1, 0, 'mary');
-- View 1: viewable and filterable, viewable only, filter only (extended FROM), a
-- relation column, a base column without a row (Status) and a second row for Customer.
INSERT INTO LdViewColumns (ViewColumnID, ViewID, BaseColumnID, ColumnOrder, FilterOrder, Filterable, Viewable) VALUES
 (1, 1, 101, 1, 1, -1, -1),
 (2, 1, 102, 3, 0, 0, -1),
 (3, 1, 103, 2, 2, -1, -1),
 (4, 1, 105, 0, 3, -1, 0),
 (5, 1, 106, 4, 4, -1, -1),
 (6, 1, 102, 9, 0, 0, 0),
 (7, 2, 201, 1, 1, -1, -1),
 (8, 2, 202, 2, 2, -1, -1),
 (9, 3, 201, 1, 1, -1, -1),
 (10, 3, 203, 2, 0, 0, -1);
INSERT INTO LdViewColumnFunctions (ViewID, BaseColumnID, ColumnFunctionID, FunctionOrder) VALUES
 (1, 101, 3, 2), (1, 103, 1, 1);
INSERT INTO LdBaseRelationships (BaseRelationshipID, BaseID, RelatedBaseID, ColumnID1, AssocColumnID1,
                                 Column1Filter, Column1FilterTypeID) VALUES
 (1, 1, 2, 106, 201, 'SELECT ''Acme''', 1);
INSERT INTO LdViewRelationships (ViewRelationshipID, ViewID, BaseRelationshipID, LinkViewID, UseMe) VALUES
 (1, 1, 1, 2, -1), (2, 1, 1, 3, 0);
INSERT INTO LdViewFilters (ViewFilterID, ViewID, FilterName, FilterString, Shared, Complex, CreatorID) VALUES
 (1, 1, 'Open ones', 'WHERE ( {Status} = ''Open'' )', -1, 0, 'jdoe'),
 (2, 1, 'Big', 'WHERE o.Amount > 200', 0, -1, 'admin'),
 (3, 3, 'Boston', 'WHERE ( {City} = ''Boston'' )', 0, 0, 'mary');
INSERT INTO LdViewFilterColumns (ViewFilterID, BaseColumnID) VALUES (3, 203);
INSERT INTO LdMyViews (ViewID, UserID, IsMyView, AutoPopulate) VALUES (1, 'jdoe', 1, -1), (3, 'mary', 1, 0);

INSERT INTO CoUsers (UserID, UserName) VALUES ('admin', 'Administrator'), ('jdoe', 'John Doe'), ('mary', 'Mary Major');
INSERT INTO CoUserGroups (GroupID, UserID) VALUES ('sales', 'mary'), ('admins', 'jdoe');
INSERT INTO CoSecuredObjects (SecuredObjectID, Description) VALUES
 ('QuillonAllViews', 'All Views'), ('QuillonMyViews', 'My Views');
INSERT INTO CoSecuredObjectRights (SecuredObjectID, CompanyID, PrincipalID, IsGroup, Rights) VALUES
 ('QuillonAllViews', NULL, 'jdoe', 0, 1),
 ('QuillonAllViews', NULL, 'sales', 1, 6),
 ('QuillonAllViews', NULL, 'admins', 1, 8),
 ('QuillonMyViews', 'ACME', 'mary', 0, 9),
 ('QuillonMyViews', 'OTHER', 'mary', 0, 2),
 ('QuillonMyViews', NULL, 'mary', 0, 16);
INSERT INTO CoRegKeys (KeyID, ParentID, Name) VALUES (1, NULL, 'System'), (2, NULL, 'Config'), (3, 2, 'Export');
INSERT INTO CoRegValues (KeyID, Name, Type, Value) VALUES
 (1, 'Version', 'S', '7.6.5 / 7.6.0'), (2, 'ExcelExportAuthMethod', 'I4', '1'), (3, 'Ratio', 'F8', '0.25'),
 (2, 'Odd', 'I2', '3');
)SQL";

class ProceduresTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        erpdb::RegisterProcedures();
        ASSERT_TRUE(m_dir.isValid());
        const QByteArray path = m_dir.filePath(QStringLiteral("ACME.sqlite")).toUtf8();
        ASSERT_EQ(sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
                  SQLITE_OK);
        erpdb::PrepareConnection(m_db);
        sqlite3_exec(m_db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);  // a test file needs no fsync
        erpdb::CreateCompanyDatabase(m_db);
        erpdb::ExecScript(m_db, QString::fromUtf8(kFixture));
    }
    void TearDown() override { sqlite3_close_v2(m_db); }

    // Calls a procedure as the dispatcher does: by name, with its arguments in order.
    ProcedureCall Call(const char* name, std::vector<Variant> args)
    {
        const HostProcedureInfo* info = FindHostProcedure(QLatin1String(name));
        if (!info)
            throw AppError(kDatabaseErrorNumber, QStringLiteral("no procedure %1").arg(QLatin1String(name)));
        EXPECT_GE(static_cast<int>(args.size()), info->minArgs) << name;
        EXPECT_LE(static_cast<int>(args.size()), info->maxArgs) << name;
        ProcedureCall call;
        call.db = m_db;
        call.login = QStringLiteral("coexecutive");
        call.procedureName = info->name;
        call.args = std::move(args);
        call.outputs.resize(call.args.size());
        info->run(call);
        return call;
    }

    Rows Query(const QString& sql)
    {
        Rows r;
        sqlite3_stmt* st = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, utf8.constData(), -1, &st, nullptr) != SQLITE_OK) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_finalize(st);
            throw AppError(kDatabaseErrorNumber, message + QStringLiteral(" in: ") + sql);
        }
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            r.columns << QString::fromUtf8(sqlite3_column_name(st, i));
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            std::vector<Variant> row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                switch (sqlite3_column_type(st, i)) {
                case SQLITE_NULL: row.emplace_back(Null); break;
                case SQLITE_INTEGER: row.push_back(Variant::fromInt64Checked(sqlite3_column_int64(st, i))); break;
                case SQLITE_FLOAT: row.emplace_back(sqlite3_column_double(st, i)); break;
                default: row.emplace_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
                }
            }
            r.rows.push_back(std::move(row));
        }
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            throw AppError(kDatabaseErrorNumber, message + QStringLiteral(" in: ") + sql);
        return r;
    }

    Variant Value(const QString& sql)
    {
        const Rows r = Query(sql);
        return r.rows.empty() ? Variant() : r.rows[0][0];
    }

    void Exec(const QString& sql) { erpdb::ExecScript(m_db, sql); }

    // Everything the database holds, for "nothing was written".
    QString Snapshot()
    {
        QString all;
        const Rows objects = Query(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY name"));
        for (const auto& o : objects.rows) {
            all += o[0].toString() + QLatin1Char(' ') + o[1].toString() + QLatin1Char('\n');
            if (o[0].toString() != QLatin1String("table") || o[1].toString().startsWith(QLatin1String("sqlite_")))
                continue;
            for (const auto& row : Query(QStringLiteral("SELECT * FROM ") + o[1].toString()).rows) {
                for (const Variant& v : row)
                    all += (v.isNull() ? QStringLiteral("<null>") : v.toString()) + QLatin1Char('|');
                all += QLatin1Char('\n');
            }
        }
        return all;
    }

    struct Pieces {
        QString select, from, fromEx, columnString;
    };
    Pieces StoredPieces(int viewId)
    {
        const Rows r = Query(QStringLiteral("SELECT SQLSelect, SQLFrom, SQLFromEx, ColumnString FROM LdViews WHERE ViewID = %1")
                                 .arg(viewId));
        auto text = [](const Variant& v) { return v.isNull() ? QString() : v.toString(); };
        return {text(r.rows.at(0)[0]), text(r.rows.at(0)[1]), text(r.rows.at(0)[2]), text(r.rows.at(0)[3])};
    }

    // Builds a view's pieces as the view model's Store does it: with its output parameters.
    bool UpdateSql(int viewId)
    {
        const ProcedureCall c = Call("Ld_UpdateSQLStmts", {Variant(int32_t(viewId)), Variant(QString()), Variant(int32_t(0))});
        return c.outputs.at(2).toInt32() != 0;
    }

    static QStringList Column(const Rows& r, int index)
    {
        QStringList out;
        for (const auto& row : r.rows)
            out << (row[index].isNull() ? QStringLiteral("<null>") : row[index].toString());
        return out;
    }
    static QStringList Column(const ProcedureCall& c, const char* field)
    {
        const int index = c.columns.indexOf(QLatin1String(field));
        EXPECT_GE(index, 0) << field;
        QStringList out;
        for (const auto& row : c.rows)
            out << (row[index].isNull() ? QStringLiteral("<null>") : row[index].toString());
        return out;
    }

    QTemporaryDir m_dir;
    sqlite3* m_db = nullptr;
};

}  // namespace proctest
