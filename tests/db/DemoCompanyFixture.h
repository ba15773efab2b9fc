#pragma once
// The demo company made once per test suite in a temporary server, and each test
// connected to it as the executive through the database interface.

#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "platform/database/BrandleDatabase.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

class DemoCompanyFixture : public ::testing::Test {
protected:
    // For the suite's SetUpTestSuite / TearDownTestSuite.
    static erpdb::DemoSummary MakeCompany(const QString& server)
    {
        dir = std::make_unique<QTemporaryDir>();
        UseServers();
        erpdb::DemoOptions options;
        options.server = server;
        return erpdb::CreateDemoCompany(options);
    }
    static void DropCompany()
    {
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
        dir.reset();
    }
    // For the test's SetUp (another suite may have pointed the server elsewhere meanwhile).
    void Connect(const QString& server)
    {
        UseServers();
        int32_t flag = 0;
        dbi.OpenConnection(server, QLatin1String(erpdb::kDemoDatabaseName), QStringLiteral("coexecutive"),
                           QLatin1String(erpdb::kDemoExecutivePassword), 0, flag);
    }

    Variant Value(const QString& sql)
    {
        BrandleRecordsetPtr rs;
        const bool rows = dbi.OpenRecordset(sql, rs);
        Variant v = rows ? rs->Item(0) : Variant(NullValue{});
        dbi.CloseRecordset(rs);
        return v;
    }
    int Count(const QString& sql) { return Value(sql).toInt32(); }

    static inline std::unique_ptr<QTemporaryDir> dir;
    BrandleDatabase dbi;

private:
    static void UseServers()
    {
        erpdb::SetServersRoot(dir->filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(dir->filePath(QStringLiteral("client")));
    }
};
