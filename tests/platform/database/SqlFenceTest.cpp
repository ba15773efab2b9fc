// Hostile SQL texts on every connection that runs a user's text (the list's
// cursor and count, the statistics' and the search editor's read-only query):
// each is refused before any of it runs, and afterwards every table and every
// connection setting is as it was.

#include "platform/database/BrandleCursor.h"
#include "platform/database/SqlFence.h"
#include "platform/database/SqliteBackend.h"

#include "platform/controls/ControlsTestSupport.h"
#include "base/AppError.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace controlstest;

namespace {

const QString kQuery = QStringLiteral("SELECT o.OrderID FROM Orders o ");

QString Text(sqlite3_stmt* st, int c)
{
    const auto* p = sqlite3_column_text(st, c);
    return p ? QString::fromUtf8(reinterpret_cast<const char*>(p)) : QStringLiteral("<null>");
}

// Every row of every table, as one digest per table.
QStringList Contents(sqlite3* db)
{
    QStringList tables;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        tables << Text(st, 0);
    sqlite3_finalize(st);
    QStringList out;
    for (const QString& t : tables) {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        const QByteArray sql = QStringLiteral("SELECT * FROM \"%1\"").arg(t).toUtf8();
        sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                hash.addData((Text(st, c) + QLatin1Char('|')).toUtf8());
        sqlite3_finalize(st);
        out << t + QLatin1Char('=') + QString::fromLatin1(hash.result().toHex());
    }
    return out;
}

// The settings a statement could change on a connection.
QStringList Settings(sqlite3* db)
{
    QStringList out;
    for (const char* pragma : {"query_only", "foreign_keys", "writable_schema", "busy_timeout", "locking_mode",
                               "max_page_count", "journal_mode", "recursive_triggers", "cache_size", "synchronous",
                               "user_version", "defer_foreign_keys", "automatic_index", "trusted_schema",
                               "temp_store", "database_list", "reverse_unordered_selects", "ignore_check_constraints"}) {
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = QByteArray("PRAGMA ") + pragma;
        sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
        QString v = QString::fromLatin1(pragma) + QLatin1Char('=');
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                v += Text(st, c) + QLatin1Char(',');
        sqlite3_finalize(st);
        out << v;
    }
    // case_sensitive_like cannot be read; its effect can.
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT 'a' LIKE 'A'", -1, &st, nullptr);
    sqlite3_step(st);
    out << QStringLiteral("like=") + Text(st, 0);
    sqlite3_finalize(st);
    return out;
}

QString ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.description().isEmpty() ? QStringLiteral("(no message)") : e.description();
    }
    return {};
}

// What users type after the list's SELECT ... FROM ...: each must be refused.
const char* const kHostile[] = {
    // SQLite reads two statements where a reader with nested comments sees one
    "WHERE 1=1 /* /* */ ; PRAGMA query_only = 1; -- */",
    "WHERE 1=1 /* /* */ ; PRAGMA foreign_keys = ON; -- */",
    "WHERE 1=1 /* /* */ ; PRAGMA writable_schema = 1; -- */",
    "WHERE 1=1 /* /* */ ; PRAGMA case_sensitive_like = 1; -- */",
    "WHERE 1=1 /* /* */ ; PRAGMA busy_timeout = 1; -- */",
    "WHERE 1=1 /* /* */ ; PRAGMA locking_mode = EXCLUSIVE; -- */",
    "WHERE 1=1 /* /* */ ; PRAGMA max_page_count = 1; -- */",
    "WHERE 1=1 /* /* */ ; PRAGMA recursive_triggers = 1; -- */",
    "WHERE 1=1 /* /* */ ; DELETE FROM Orders; -- */",
    // parameters that swallow a quote
    "WHERE 1=1 AND $a(') ; PRAGMA query_only = 1; --')",
    "WHERE 1=1 AND :a(') ; PRAGMA max_page_count = 1; --')",
    "WHERE 1=1 AND #a(') ; PRAGMA locking_mode = EXCLUSIVE; --')",
    "WHERE 1=1 AND @a(') ; PRAGMA case_sensitive_like = 1; --')",
    // plain second statements
    "WHERE 1=1; PRAGMA max_page_count = 1",
    "WHERE 1=1; ATTACH DATABASE 'other.sqlite' AS other",
    "WHERE 1=1; BEGIN EXCLUSIVE",
    "WHERE 1=1; SAVEPOINT x",
    // functions that reach into the engine or outside
    "WHERE fts3_tokenizer('simple') IS NOT NULL",
    "WHERE load_extension('libm') IS NULL",
    "WHERE sqlite_compileoption_get(0) IS NOT NULL",
    // the users' passwords
    "WHERE 1=0 UNION SELECT Password FROM CoUsers",
    "WHERE o.OrderID IN (SELECT LENGTH(Password) FROM CoUsers)",
    "WHERE EXISTS (SELECT 1 FROM CoUsers WHERE Password LIKE 'a%')",
};

class SqlFenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ControlsServer::Get();
        const QString login = QString::fromLatin1(erpdb::kExecutiveLogin);
        const QString password = QString::fromLatin1(erpdb::kDemoExecutivePassword);
        sqlite3* db = erpdb::OpenDatabase(kServer, kDatabase, login, password);
        auto backend = std::make_unique<SqliteBackend>(db, kServer, kDatabase, login);
        session = backend->handle();
        dbi.OpenBackend(std::move(backend));
        read = BrandleReadConnection::Open(kServer, kDatabase, login, password);
    }

    BrandleDatabase dbi;
    sqlite3* session = nullptr;
    std::unique_ptr<BrandleReadConnection> read;
};

TEST_F(SqlFenceTest, HostileTextsAreRefusedOnEveryPathAndChangeNothing)
{
    const QStringList contents = Contents(session);
    const QStringList settings = Settings(session);
    const BrandleCancelToken token = MakeCancelToken();
    const QString probe = QStringLiteral("SELECT OrderID FROM Orders WHERE 'a' LIKE 'A'");
    const int64_t orders = read->CountRows(QStringLiteral("SELECT OrderID FROM Orders"), token);
    for (const char* text : kHostile) {
        const QString sql = kQuery + QString::fromUtf8(text);
        const std::function<void()> paths[] = {
            [&] { read->OpenCursor(sql, {}, token)->Fetch(10); },
            [&] { read->OpenCursor(sql, {BrandleSortKey{0, true}}, token)->Fetch(10); },
            [&] { read->CountRows(sql, token); },
            [&] {
                BrandleRecordsetPtr rs;
                dbi.OpenReadOnlyRecordset(sql, rs);
            },
        };
        for (const auto& path : paths)
            EXPECT_FALSE(ErrorOf(path).isEmpty()) << text;
        EXPECT_EQ(Settings(session), settings) << text;
        // the read connection still reads, compares case-blind and holds no lock
        EXPECT_EQ(read->CountRows(probe, token), orders) << text;
        BrandleRecordsetPtr rs;
        ASSERT_TRUE(dbi.OpenReadOnlyRecordset(QStringLiteral("SELECT COUNT(*) FROM Orders WHERE 'a' LIKE 'A'"), rs))
            << text;
        EXPECT_EQ(rs->Item(0).toDouble(), orders) << text;
    }
    // the session still writes, at once
    sqlite3_busy_timeout(session, 0);
    EXPECT_EQ(sqlite3_exec(session, "BEGIN IMMEDIATE; UPDATE Orders SET OrderID = OrderID WHERE OrderID = 1; ROLLBACK",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(session);
    EXPECT_EQ(Contents(session), contents);
}

TEST_F(SqlFenceTest, RefusalsNameWhatWasRefused)
{
    const BrandleCancelToken token = MakeCancelToken();
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"WHERE fts3_tokenizer('simple') IS NOT NULL", "not authorized"},
        {"WHERE 1=0 UNION SELECT Password FROM CoUsers", "access to CoUsers.Password is prohibited"},
        // the translator reads the second statement as the database does
        {"WHERE 1=1 /* /* */ ; PRAGMA query_only = 1; -- */", "PRAGMA"},
        {"WHERE 1=1 AND $a(') ; PRAGMA query_only = 1; --')", "$a(')"},
    };
    for (const Case& c : cases) {
        const QString sql = kQuery + QString::fromUtf8(c.text);
        EXPECT_TRUE(ErrorOf([&] { read->CountRows(sql, token); }).contains(QString::fromUtf8(c.message)))
            << c.text << " " << qPrintable(ErrorOf([&] { read->CountRows(sql, token); }));
        EXPECT_TRUE(ErrorOf([&] {
                        BrandleRecordsetPtr rs;
                        dbi.OpenReadOnlyRecordset(sql, rs);
                    }).contains(QString::fromUtf8(c.message)))
            << c.text;
    }
    // What a list may do still runs: subqueries, UNION, CTEs, functions, views, CoUsers without passwords.
    const char* allowed[] = {
        "WHERE o.OrderID IN (SELECT OrderID FROM OrderLines WHERE Quantity > 5)",
        "WHERE 1=0 UNION SELECT LENGTH(UserName) FROM CoUsers",
        "WHERE o.OrderID IN (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5) SELECT i FROM n)",
        "WHERE LEN(UPPER('x')) = 1 AND ABS(-1) = 1 AND sqlite_version() <> '' -- it's fine",
        "WHERE o.OrderID IN (SELECT v_ViewID FROM LdCatalogViews)",
    };
    for (const char* text : allowed) {
        const QString sql = kQuery + QString::fromUtf8(text);
        EXPECT_EQ(ErrorOf([&] { read->CountRows(sql, token); }), QString()) << text;
        EXPECT_EQ(ErrorOf([&] {
                      BrandleRecordsetPtr rs;
                      dbi.OpenReadOnlyRecordset(sql, rs);
                  }),
                  QString())
            << text;
    }
}

TEST_F(SqlFenceTest, ReadConnectionsOpenTheFileReadOnly)
{
    // Even a statement that slipped past every check could not write: the file is
    // open read-only. The session's own connection stays writable.
    BrandleRecordsetPtr rs;
    dbi.OpenReadOnlyRecordset(QStringLiteral("SELECT 1"), rs);
    EXPECT_EQ(sqlite3_db_readonly(session, "main"), 0);
    auto fenced = FencedDatabase::Open(erpdb::FindDatabaseFile(kServer, kDatabase), {});
    EXPECT_EQ(sqlite3_db_readonly(fenced->handle(), "main"), 1);
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(fenced->PrepareSingleQuery(QStringLiteral("SELECT 1; SELECT 2"), &st), FencedDatabase::kNotASingleQuery);
    EXPECT_EQ(fenced->PrepareSingleQuery(QStringLiteral("SELECT 1; -- a comment\n/* and another */ ;"), &st), SQLITE_OK);
    sqlite3_finalize(st);
    EXPECT_NE(fenced->PrepareSingleQuery(QStringLiteral("PRAGMA query_only = 0"), &st), SQLITE_OK);
    EXPECT_STREQ(sqlite3_errmsg(fenced->handle()), "not authorized");
}

}  // namespace
