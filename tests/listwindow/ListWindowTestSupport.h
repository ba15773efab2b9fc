#pragma once
// The list window's tests: a demo company made once for the test program and
// copied afresh for each test (the commands write to it), a settings registry of
// each test's own, a session logged on through start-up's LogOn, scripted
// answers to the message boxes, and helpers to open a list window and wait for
// its rows.

#include "base/AppError.h"
#include "core/CoQuillonSystemEngine.h"
#include "core/SessionValues.h"
#include "core/StartUp.h"
#include "db/ClientOdbcConfig.h"
#include "db/DemoCompany.h"
#include "db/EmbeddedServer.h"
#include "listwindow/frmList.h"
#include "core/clsLogonProfile.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/settings/RegistryStore.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/eListView.h"
#include "vieweditor/frmListViewEdit.h"
#include "WaitFor.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace listtest {

inline const QString kServer = QStringLiteral("LISTSRV");
inline const QString kCompany = QString::fromLatin1(erpdb::kDemoCompanyID);

// The demo company, made once; each test works on a copy of its folders.
class PristineServer {
public:
    static PristineServer& Get()
    {
        static PristineServer server;
        return server;
    }
    // Copies the server and the client configuration into a folder of the test's own.
    void CopyTo(const QString& root) const { CopyTree(m_dir.path(), root); }

private:
    PristineServer()
    {
        erpdb::SetServersRoot(m_dir.filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(m_dir.filePath(QStringLiteral("config")));
        erpdb::DemoOptions options;
        options.server = kServer;
        options.orderLines = 400;
        erpdb::CreateDemoCompany(options);
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
    }
    static void CopyTree(const QString& from, const QString& to)
    {
        QDir().mkpath(to);
        QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString target = to + path.mid(from.size());
            if (it.fileInfo().isDir())
                QDir().mkpath(target);
            else
                QFile::copy(path, target);
        }
    }
    QTemporaryDir m_dir;
};

class ListWindowTest : public ::testing::Test {
protected:
    // The list windows loaded now.
    static std::vector<frmList*> ListWindows()
    {
        std::vector<frmList*> windows;
        for (Form* f : LoadedForms())
            if (auto* w = qobject_cast<frmList*>(f))
                windows.push_back(w);
        return windows;
    }
    void SetUp() override
    {
        ASSERT_TRUE(m_work.isValid());
        PristineServer::Get().CopyTo(m_work.path());
        erpdb::SetServersRoot(m_work.filePath(QStringLiteral("servers")));
        erpdb::SetClientConfigRoot(m_work.filePath(QStringLiteral("config")));
        // CTest runs these tests a second time with the server reached through the
        // SQLite ODBC driver on the same files.
        if (qEnvironmentVariableIntValue("QUILLON_TESTS_OVER_ODBC") == 1) {
            OdbcServerConfig odbc;
            odbc.dialect = OdbcServerConfig::Dialect::SqliteFiles;
            odbc.driver = QStringLiteral("SQLite3");
            odbc.filesServer = kServer;
            erpdb::WriteClientOdbcServer(kServer, odbc);
        }
        RegistryStore::SetDirectory(m_work.filePath(QStringLiteral("registry")));
        ResetSession();
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            if (answers.empty())
                return r.buttons() == vbYesNo ? static_cast<int>(vbNo) : static_cast<int>(vbOK);
            const int a = answers.front();
            answers.pop_front();
            return a;
        });
        LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    }
    void TearDown() override
    {
        const auto forms = LoadedForms();
        for (auto it = forms.rbegin(); it != forms.rend(); ++it)
            if (IsFormLoaded(*it))
                Unload(*it);
        CollectUnloadedForms();
        SetMessageBoxAnswerer(nullptr);
        ResetSession();
        if (m_probe)
            m_probe->CloseConnection();
        RegistryStore::SetDirectory(QString());
        erpdb::SetServersRoot(QString());
        erpdb::SetClientConfigRoot(QString());
        SetScreenMousePointer(vbDefault);
    }

    static void ResetSession()
    {
        if (g_oSystemEngine)
            g_oSystemEngine->CloseConnection();
        g_oSystemEngine.reset();
        g_cn.reset();
        g_sUserID.clear();
        g_sCompanyID.clear();
        g_sDatabase.clear();
        g_sServer.clear();
    }

    // A session for a demo user, as the logon window starts one.
    void LogOnAs(const QString& user, const QString& password)
    {
        ResetSession();
        clsLogonProfile profile;
        profile.SQLServer = kServer;
        profile.Company = kCompany;
        profile.HBServer = QStringLiteral("hbhost");
        profile.HBServerPort = 1331;
        profile.CurrentUser = user;
        profile.CurrentUserPwd = password;
        try {
            LogOn(profile, false);
        } catch (const AppError& e) {
            FAIL() << qPrintable(e.description());
        }
        SessionEngine().DBI().SetStatementLogging(true);
        // As showing the main window does: the lookups of the view editor read through it.
        OpenLookupConnection();
    }

    // A connection of the test's own to the company database.
    BrandleDatabase& Probe()
    {
        if (!m_probe) {
            m_probe = std::make_shared<BrandleDatabase>();
            int32_t flag = 0;
            m_probe->OpenConnection(kServer, QString::fromLatin1(erpdb::kDemoDatabaseName),
                                    QString::fromLatin1(erpdb::kExecutiveLogin),
                                    QString::fromLatin1(erpdb::kDemoExecutivePassword), 0, flag);
        }
        return *m_probe;
    }
    // The rows of a query, each row's fields joined by "|" (NULL as "<null>").
    QStringList Rows(const QString& sql)
    {
        BrandleRecordsetPtr rs;
        QStringList rows;
        if (Probe().OpenRecordset(sql, rs)) {
            for (; rs->HasRecord(); rs->MoveNext()) {
                QStringList fields;
                for (int i = 0; i < rs->FieldCount(); ++i) {
                    const Variant v = rs->Item(i);
                    fields << (v.isNull() ? QStringLiteral("<null>") : v.toString());
                }
                rows << fields.join(QLatin1Char('|'));
            }
        }
        Probe().CloseRecordset(rs);
        return rows;
    }
    QString Value(const QString& sql)
    {
        const QStringList rows = Rows(sql);
        return rows.isEmpty() ? QStringLiteral("<none>") : rows.first();
    }
    void Exec(const QString& sql) { Probe().Execute(sql); }
    int32_t ViewId(const QString& viewName)
    {
        return Value(QStringLiteral("SELECT ViewID FROM LdViews WHERE ViewName = '") + viewName + QStringLiteral("'"))
            .toInt();
    }

    // The statements the session's connection sent since the last call.
    QStringList TakeStatements()
    {
        BrandleDatabase& dbi = SessionEngine().DBI();
        QStringList log = dbi.StatementLog();
        dbi.ClearStatementLog();
        return log;
    }

    // A list window for a view, shown (loaded) and, when it queries, with its rows loaded.
    frmList* Open(int32_t viewId, const QString& filter = QString(), Form* owner = nullptr, bool mainView = true)
    {
        auto* window = new frmList;
        window->Init(viewId, filter, owner, mainView);
        window->resize(1000, 640);
        QPointer<frmList> guard(window);
        EXPECT_TRUE(Loads(window, [window] { Show(window); }));
        return guard;
    }
    frmList* OpenView(const QString& viewName, const QString& filter = QString(), bool mainView = true)
    {
        return Open(ViewId(viewName), filter, nullptr, mainView);
    }
    // Does the action and, when the list control then runs a query, waits for its load event.
    static bool Loads(frmList* window, const std::function<void()>& action)
    {
        QPointer<eListView> list = window->ListView();
        QSignalSpy loaded(list.data(), &eListView::LoadComplete);
        const QString before = list->Statement();
        action();
        if (!list || (list->Statement().isEmpty() && before.isEmpty()))
            return true;
        // The rows, the count and the statistics that follow the first rows.
        QPointer<frmList> self(window);
        return WaitFor([&] { return loaded.count() > 0 && (!self || !self->StatisticsPending()); });
    }
    // Runs the list as Go does and waits for its load event.
    static bool Go(frmList* window)
    {
        return Loads(window, [window] { window->cmdGo_Click(); });
    }
    // Selects the row with that id and waits until it is selected.
    static bool Select(frmList* window, int32_t id)
    {
        window->ListView()->SelectRowByID(id);
        return WaitFor([window, id] { return window->ListView()->SelectedID() == id; });
    }
    // Runs f on the view editor once a command has shown it (modally), then
    // cancels it unless f pressed OK or Cancel itself. editorShown counts the shows.
    void WhenEditorShows(const std::function<void(frmListViewEdit*)>& f)
    {
        auto poll = std::make_shared<std::function<void(int)>>();
        *poll = [this, f, poll](int tries) {
            for (Form* form : LoadedForms()) {
                auto* editor = qobject_cast<frmListViewEdit*>(form);
                if (!editor || !editor->isVisible())
                    continue;
                ++editorShown;
                if (f)
                    f(editor);
                if (IsFormLoaded(editor) && editor->isVisible())
                    editor->cmdCancel()->click();
                return;
            }
            if (tries > 0)
                QTimer::singleShot(10, [poll, tries] { (*poll)(tries - 1); });
        };
        QTimer::singleShot(0, [poll] { (*poll)(500); });
    }
    int editorShown = 0;

    // The statement the list control ran last.
    static QString ListStatement(frmList* window) { return window->ListView()->Statement(); }

    // The filter pane's field whose conditions name that reference (a column
    // token), tried on the empty last row and removed again; -1 when none does.
    static int FilterField(FILTERLib::Filter* pane, const QString& reference)
    {
        using Op = FILTERLib::Filter::Op;
        const std::pair<Op, const char*> tries[] = {
            {Op::IsEmpty, ""}, {Op::Equals, "1"}, {Op::Equals, "2024-01-01"}, {Op::Is, "Yes"}};
        const QString before = pane->WhereText();
        for (int field = 0; field < pane->FieldCount(); ++field) {
            for (const auto& [op, value] : tries) {
                const int row = pane->RowCount() - 1;
                if (!pane->SetRow(row, field, op, QLatin1String(value)))
                    continue;
                const bool named = pane->WhereText().count(reference) > before.count(reference);
                pane->RemoveRow(row);
                if (named)
                    return field;
            }
        }
        return -1;
    }
    // The value box of the filter pane that holds that text, as the user sees it.
    static QLineEdit* ValueBox(frmList* window, const QString& text)
    {
        for (QLineEdit* e : window->pmFilter()->findChildren<QLineEdit*>())
            if (e->isVisibleTo(window) && e->text() == text)
                return e;
        return nullptr;
    }

    std::vector<MessageBoxRequest> boxes;
    std::deque<int> answers;  // answers to the next boxes; then Yes/No boxes get No, the others OK
    QTemporaryDir m_work;
    BrandleDatabasePtr m_probe;
};

inline QStringList Prompts(const std::vector<MessageBoxRequest>& boxes)
{
    QStringList prompts;
    for (const MessageBoxRequest& b : boxes)
        prompts << b.prompt;
    return prompts;
}

}  // namespace listtest
