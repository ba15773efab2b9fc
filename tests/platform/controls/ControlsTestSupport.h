#pragma once
// A demo company on an embedded server in a temporary folder for the tests of
// the list controls: made on first use and kept to the end of the test program,
// with enough order lines that a result is far larger than what the list control
// keeps in memory.

#include "base/AuUtilities.h"
#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/forms/FormsRuntime.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace controlstest {

inline const QString kServer = QStringLiteral("CTLTEST");
inline const QString kDatabase = QStringLiteral("DEMO");
inline constexpr int64_t kOrderLines = 30000;

class ControlsServer {
public:
    static ControlsServer& Get()
    {
        static ControlsServer server;
        server.Use();
        return server;
    }
    void Use() const
    {
        erpdb::SetServersRoot(m_dir.filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(m_dir.filePath(QStringLiteral("config")));
    }
    // The application login's password as the session holds it: enciphered.
    static QString EncipheredPassword()
    {
        return CryptText(1, QString::fromLatin1(erpdb::kDemoExecutivePassword), SessionCipherKey(), true);
    }
    // A writable connection of the tests' own, for expected results.
    BrandleDatabase& Dbi()
    {
        Use();
        if (!m_dbi.IsOpen()) {
            int32_t flag = 0;
            m_dbi.OpenConnection(kServer, kDatabase, QString::fromLatin1(erpdb::kExecutiveLogin),
                                 QString::fromLatin1(erpdb::kDemoExecutivePassword), 0, flag);
        }
        return m_dbi;
    }
    struct ViewPieces {
        QString select, from, fromEx, columns;
    };
    ViewPieces View(const QString& viewName)
    {
        BrandleRecordsetPtr rs;
        Dbi().OpenRecordset(QStringLiteral("SELECT SQLSelect, SQLFrom, SQLFromEx, ColumnString FROM LdViews "
                                           "WHERE ViewName = '") +
                                viewName + QStringLiteral("'"),
                            rs);
        auto text = [](const Variant& v) { return v.isNull() ? QString() : v.toString(); };
        ViewPieces p{text(rs->Item(0)), text(rs->Item(1)), text(rs->Item(2)), text(rs->Item(3))};
        Dbi().CloseRecordset(rs);
        return p;
    }
    // The first field of every row of a query.
    std::vector<int64_t> Ids(const QString& sql)
    {
        std::vector<int64_t> ids;
        BrandleRecordsetPtr rs;
        Dbi().OpenRecordset(sql, rs);
        for (; rs->HasRecord(); rs->MoveNext())
            ids.push_back(static_cast<int64_t>(rs->Item(0).toDouble()));
        Dbi().CloseRecordset(rs);
        return ids;
    }

private:
    ControlsServer()
    {
        Use();
        erpdb::DemoOptions options;
        options.server = kServer;
        options.orderLines = kOrderLines;
        erpdb::CreateDemoCompany(options);
    }
    QTemporaryDir m_dir;
    BrandleDatabase m_dbi;
};

// Records every message box and answers it with OK.
class BoxRecorder {
public:
    BoxRecorder()
    {
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            return static_cast<int>(vbOK);
        });
    }
    ~BoxRecorder() { SetMessageBoxAnswerer(nullptr); }
    std::vector<MessageBoxRequest> boxes;
};

}  // namespace controlstest
