// The list control's cursor over ODBC on its long moves: a skip, a seek to a row
// by id and the position of an id land on the rows the server gives for the
// place, with the same rows as reading through them would give (ties in a sort
// key, NULLs, descending keys, ids not there, moves past the end), the T-SQL a
// SQL Server receives for them, and Cancel from another thread stopping them.

#include "base/AppError.h"
#include "platform/database/BrandleCursor.h"
#include "platform/database/OdbcBackend.h"
#include "platform/database/OdbcReadConnection.h"
#include "platform/database/SqliteBackend.h"

#include <QElapsedTimer>
#include <algorithm>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

namespace {

// Beyond the rows a sorted page is taken from the top of the sort, so that the
// deep pages' other way of sorting runs too.
constexpr int64_t kRows = 120000;
const QString kQuery = QStringLiteral("SELECT ID, A, B FROM T");

class OdbcCursorMoves : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        path = dir->filePath(QStringLiteral("Moves.sqlite"));
        // A: small numbers with many ties and a NULL every 11th row; B: three texts.
        SqliteBackend::openFile(path)->run(QStringLiteral(
            "CREATE TABLE T (ID INTEGER PRIMARY KEY, A int NULL, B varchar(10));\n"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)\n"
            "INSERT INTO T SELECT i, CASE WHEN i % 11 = 0 THEN NULL ELSE (i * 7919) % 13 END, 'b' || (i % 3) FROM n")
                                               .arg(kRows));
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }

    static std::unique_ptr<BrandleReadConnection> Open(OdbcBackend** backend = nullptr)
    {
        auto b = OdbcBackend::openSqliteFile(path, QStringLiteral("TEST"), QStringLiteral("Moves"),
                                             QStringLiteral("coexecutive"), true);
        if (backend)
            *backend = b.get();
        return MakeOdbcReadConnection(std::move(b));
    }

    // The ids in an order, as the database sorts them.
    static std::vector<int64_t> Ids(const QString& orderBy)
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, ("SELECT ID FROM T ORDER BY " + orderBy.toStdString()).c_str(), -1, &st, nullptr);
        std::vector<int64_t> ids;
        while (sqlite3_step(st) == SQLITE_ROW)
            ids.push_back(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
        return ids;
    }

    static std::vector<int64_t> IdsOf(const std::vector<BrandleRow>& rows)
    {
        std::vector<int64_t> ids;
        for (const BrandleRow& r : rows)
            ids.push_back(static_cast<int64_t>(r.front().toDouble()));
        return ids;
    }

    static QTemporaryDir* dir;
    static QString path;
};

QTemporaryDir* OdbcCursorMoves::dir = nullptr;
QString OdbcCursorMoves::path;

std::vector<int64_t> Slice(const std::vector<int64_t>& ids, int64_t from, int64_t count)
{
    return std::vector<int64_t>(ids.begin() + from, ids.begin() + std::min<int64_t>(from + count, ids.size()));
}

TEST_F(OdbcCursorMoves, LongMovesLandOnTheRowsReadingThroughGives)
{
    struct Case {
        std::vector<BrandleSortKey> order;
        const char* orderBy;  // the same order for the database itself
    };
    const Case cases[] = {
        {{{1, false}, {0, false}}, "A, ID"},
        {{{1, true}, {0, false}}, "A DESC, ID"},
        {{{2, true}, {1, false}, {0, false}}, "B DESC, A, ID"},
        {{{1, true}}, "A DESC, ID"},  // the row id is the last key unasked
        {{{0, true}}, "ID DESC"},
    };
    auto c = Open();
    const BrandleCancelToken token = MakeCancelToken();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.orderBy);
        const std::vector<int64_t> ids = Ids(QString::fromLatin1(k.orderBy));
        const int64_t n = static_cast<int64_t>(ids.size());

        // the position of an id: first, last, NULL keys, in a run of ties, deep; and one not there
        std::vector<int64_t> at = {0, 1, 2, 500, 60001, n - 2, n - 1};
        for (int64_t i = 0; i < n; ++i)
            if (ids[static_cast<size_t>(i)] % 11 == 0 && at.size() < 9)
                at.push_back(i);
        for (const int64_t i : at) {
            const auto found = c->PositionOfId(kQuery, k.order, ids[static_cast<size_t>(i)], token);
            EXPECT_EQ(found.position, i);
            EXPECT_EQ(found.count, n);
        }
        const auto missing = c->PositionOfId(kQuery, k.order, n + 5, token);
        EXPECT_EQ(missing.position, -1);
        EXPECT_EQ(missing.count, n);

        auto cursor = c->OpenCursor(kQuery, k.order, token);
        EXPECT_EQ(IdsOf(cursor->Fetch(10)), Slice(ids, 0, 10));
        EXPECT_EQ(cursor->Skip(50), 50);
        EXPECT_EQ(IdsOf(cursor->Fetch(5)), Slice(ids, 60, 5));
        // deep into the result, where a page of a sorted result is made another way
        EXPECT_EQ(cursor->Skip(110000 - 65), 110000 - 65);
        EXPECT_EQ(cursor->Position(), 110000);
        EXPECT_EQ(IdsOf(cursor->Fetch(3)), Slice(ids, 110000, 3));
        std::vector<BrandleRow> kept;
        EXPECT_EQ(cursor->SeekId(ids[110500], 4, kept), 110500);
        EXPECT_EQ(IdsOf(kept), Slice(ids, 110496, 5));
        EXPECT_EQ(IdsOf(cursor->Fetch(2)), Slice(ids, 110501, 2));
        // the rows kept never reach back before the position
        EXPECT_EQ(cursor->SeekId(ids[110504], 10, kept), 110504);
        EXPECT_EQ(IdsOf(kept), Slice(ids, 110503, 2));
        // an id behind the position, or not in the result: not found, at the end
        EXPECT_EQ(cursor->SeekId(ids[5], 0, kept), -1);
        EXPECT_TRUE(kept.empty());
        EXPECT_TRUE(cursor->AtEnd());
        EXPECT_EQ(cursor->Position(), n);
        cursor->Rewind();
        EXPECT_EQ(cursor->SeekId(n + 5, 0, kept), -1);
        EXPECT_TRUE(cursor->AtEnd());

        // a skip past the end counts the rows there were
        cursor->Rewind();
        EXPECT_EQ(IdsOf(cursor->Fetch(1)), Slice(ids, 0, 1));
        EXPECT_EQ(cursor->Skip(n + 100), n - 1);
        EXPECT_TRUE(cursor->AtEnd());
        EXPECT_TRUE(cursor->Fetch(5).empty());
        EXPECT_EQ(cursor->Skip(5), 0);
        // to the last row exactly: the end shows at the next read
        cursor->Rewind();
        EXPECT_EQ(cursor->Skip(n - 1), n - 1);
        EXPECT_FALSE(cursor->AtEnd());
        EXPECT_EQ(IdsOf(cursor->Fetch(5)), Slice(ids, n - 1, 1));
        EXPECT_TRUE(cursor->AtEnd());

        // reading on past the first pages: growing windows, short skips within them
        cursor->Rewind();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(IdsOf(cursor->Fetch(10)), Slice(ids, i * 10, 10));
        EXPECT_EQ(cursor->Skip(500), 500);
        EXPECT_EQ(IdsOf(cursor->Fetch(1)), Slice(ids, 530, 1));
        EXPECT_EQ(cursor->Skip(5000), 5000);
        EXPECT_EQ(IdsOf(cursor->Fetch(2)), Slice(ids, 5531, 2));
        EXPECT_EQ(cursor->SeekId(ids[5540], 2, kept), 5540);
        EXPECT_EQ(IdsOf(kept), Slice(ids, 5538, 3));
    }
}

TEST_F(OdbcCursorMoves, ASqlServerReceivesPagesWhereTheMovesLandAndCountsForPositions)
{
    OdbcBackend* backend = nullptr;
    auto c = Open(&backend);
    backend->setSentLogging(true);
    const BrandleCancelToken token = MakeCancelToken();
    const std::vector<int64_t> ids = Ids(QStringLiteral("A DESC, ID"));
    const QString inner = QStringLiteral("(\nSELECT ID, A, B FROM T\n) AS q (c0, c1, c2)");
    const QString page = QStringLiteral("SELECT * FROM ") + inner + QStringLiteral(" ORDER BY 2 DESC, 1 OFFSET %1 ROWS");
    const QString window = page + QStringLiteral(" FETCH NEXT %2 ROWS ONLY");
    const QString position = QStringLiteral(
        "WITH quillon_rows (c0, c1, c2) AS (\nSELECT ID, A, B FROM T\n), quillon_row AS (SELECT TOP 1 1 AS hit, c1 AS "
        "k0, c0 AS k1 FROM quillon_rows WHERE c0 = %1)\nSELECT COUNT_BIG(*), COUNT_BIG(CASE WHEN (t.c1 > r.k0 OR (t.c1 IS NOT NULL AND r.k0 IS NULL)) OR "
        "((t.c1 = r.k0 OR (t.c1 IS NULL AND r.k0 IS NULL)) AND (t.c0 < r.k1 OR (t.c0 IS NULL AND r.k1 IS NOT NULL))) "
        "THEN 1 END), MAX(r.hit) FROM quillon_rows AS t LEFT JOIN quillon_row AS r ON 1 = 1");
    const QString header = kQuery;  // prepared, not run: its columns

    auto cursor = c->OpenCursor(kQuery, {BrandleSortKey{1, true}}, token);
    cursor->Fetch(10);
    cursor->Fetch(10);
    cursor->Fetch(10);  // reading on: a window twice the last, 10 rows read ahead
    cursor->Skip(5);    // within them
    cursor->Skip(15);   // past them: a window where the skip lands
    cursor->Skip(5000);
    std::vector<BrandleRow> kept;
    cursor->SeekId(ids[90000], 2, kept);
    cursor->Skip(kRows);
    EXPECT_EQ(c->PositionOfId(kQuery, {BrandleSortKey{1, true}, BrandleSortKey{0, false}}, ids[7], token).position, 7);
    EXPECT_EQ(backend->sentLog(),
              (QStringList{
                  header,
                  window.arg(0).arg(10),
                  window.arg(10).arg(10),
                  window.arg(20).arg(20),
                  window.arg(50).arg(10),
                  window.arg(5050).arg(10),
                  position.arg(ids[90000]),
                  window.arg(89998).arg(10),
                  window.arg(90001 + kRows).arg(10),
                  QStringLiteral("SELECT COUNT_BIG(*) FROM ") + inner,
                  header,
                  position.arg(ids[7]),
              }));
    EXPECT_EQ(cursor->Position(), kRows);
}

// Whether the connection holds a result half read, or its driver a statement
// begun and not finished: on a SQL Server a session that waits for its client to
// read on (ASYNC_NETWORK_IO), holding its locks or row versions.
bool HasOpenStatement(OdbcBackend& backend)
{
    if (backend.openQueries() > 0)
        return true;
    for (sqlite3_stmt* st = sqlite3_next_stmt(backend.sqliteHandle(), nullptr); st;
         st = sqlite3_next_stmt(backend.sqliteHandle(), st))
        if (sqlite3_stmt_busy(st))
            return true;
    return false;
}

// The list reads a page, then the user only looks: no statement stays open in
// between, however far the reading went, and reading on gives every row once,
// in order, ties of the query's own order too (each window is a statement of
// its own, and a server need not give tied rows the same order twice).
TEST_F(OdbcCursorMoves, NoStatementStaysOpenBetweenReadsAndReadingOnGivesEveryRowOnce)
{
    struct Case {
        const char* query;
        std::vector<BrandleSortKey> order;
        const char* orderBy;  // the same order for the database itself
    };
    const Case cases[] = {
        {"SELECT ID, A, B FROM T", {{1, false}, {0, false}}, "A, ID"},
        // the query's own order, with ties in A and B: the row id becomes its last key
        {"SELECT ID, A, B FROM T ORDER BY B DESC, A", {}, "B DESC, A, ID"},
        {"SELECT ID, A, B FROM T WHERE ID <= 5000 ORDER BY A DESC -- by A", {}, "A DESC, ID"},
    };
    OdbcBackend* backend = nullptr;
    auto c = Open(&backend);
    const BrandleCancelToken token = MakeCancelToken();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.query);
        std::vector<int64_t> ids = Ids(QString::fromLatin1(k.orderBy));
        if (QByteArray(k.query).contains("5000"))
            ids.erase(std::remove_if(ids.begin(), ids.end(), [](int64_t id) { return id > 5000; }), ids.end());
        auto cursor = c->OpenCursor(QString::fromLatin1(k.query), k.order, token);
        EXPECT_FALSE(HasOpenStatement(*backend));
        std::vector<int64_t> read;
        for (int page = 0; page < 12; ++page) {
            for (const int64_t id : IdsOf(cursor->Fetch(100)))
                read.push_back(id);
            // the window sits idle here
            EXPECT_FALSE(HasOpenStatement(*backend)) << "after page " << page;
        }
        // a jump, then reading on from there
        EXPECT_EQ(cursor->Skip(2000), 2000);
        EXPECT_FALSE(HasOpenStatement(*backend));
        const std::vector<int64_t> after = IdsOf(cursor->Fetch(300));
        EXPECT_FALSE(HasOpenStatement(*backend));
        EXPECT_EQ(read, Slice(ids, 0, 1200));
        EXPECT_EQ(after, Slice(ids, 3200, 300));
        // to the end: every row once
        cursor->Rewind();
        read.clear();
        for (std::vector<BrandleRow> rows; !(rows = cursor->Fetch(1000)).empty();) {
            for (const int64_t id : IdsOf(rows))
                read.push_back(id);
            EXPECT_FALSE(HasOpenStatement(*backend));
        }
        EXPECT_EQ(read, ids);
    }
}

// A caller that reads the whole result at once (the export) gets it from one
// statement, not from a window a statement, in the order the list shows it (the
// row id last); the statement is closed at the end, and when the reader goes
// before it.
TEST_F(OdbcCursorMoves, AReaderReadsTheWholeResultInOneStatementAndLeavesNothingOpen)
{
    struct Case {
        const char* query;
        const char* orderBy;  // the same order for the database itself
    };
    const Case cases[] = {
        {"SELECT ID, A, B FROM T", "ID"},
        {"SELECT ID, A, B FROM T ORDER BY B DESC, A", "B DESC, A, ID"},
        {"SELECT TOP 500 ID, A, B FROM T ORDER BY A DESC", "A DESC, ID LIMIT 500"},
    };
    OdbcBackend* backend = nullptr;
    auto c = Open(&backend);
    backend->setSentLogging(true);
    const BrandleCancelToken token = MakeCancelToken();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.query);
        const std::vector<int64_t> ids = Ids(QString::fromLatin1(k.orderBy));
        backend->clearSentLog();
        auto reader = c->OpenReader(QString::fromLatin1(k.query), token);
        std::vector<int64_t> read;
        for (std::vector<BrandleRow> rows; !(rows = reader->Fetch(1000)).empty();)
            for (const int64_t id : IdsOf(rows))
                read.push_back(id);
        EXPECT_EQ(read, ids);
        EXPECT_TRUE(reader->AtEnd());
        EXPECT_FALSE(HasOpenStatement(*backend));
        // the columns, then the rows: one execution however many rows
        EXPECT_EQ(backend->sentLog().size(), 2) << backend->sentLog().join(QStringLiteral("\n---\n")).toStdString();

        auto left = c->OpenReader(QString::fromLatin1(k.query), token);
        EXPECT_EQ(IdsOf(left->Fetch(10)), Slice(ids, 0, 10));
        left.reset();
        EXPECT_FALSE(HasOpenStatement(*backend));
    }
}

TEST_F(OdbcCursorMoves, CancelFromAnotherThreadStopsALongMove)
{
    auto c = Open();
    // every pair of rows: far too many to sort or count before the cancel
    const QString pairs = QStringLiteral("SELECT a.ID, b.A FROM T a, T b");
    const std::vector<BrandleSortKey> order = {BrandleSortKey{1, false}, BrandleSortKey{0, false}};
    const std::function<void(BrandleReadConnection&, const BrandleCancelToken&)> moves[] = {
        [&](BrandleReadConnection& rc, const BrandleCancelToken& t) { rc.OpenCursor(pairs, order, t)->Skip(1000000); },
        [&](BrandleReadConnection& rc, const BrandleCancelToken& t) {
            std::vector<BrandleRow> kept;
            rc.OpenCursor(pairs, order, t)->SeekId(7, 0, kept);
        },
        [&](BrandleReadConnection& rc, const BrandleCancelToken& t) { rc.PositionOfId(pairs, order, 7, t); },
    };
    for (size_t i = 0; i < std::size(moves); ++i) {
        SCOPED_TRACE(i);
        const BrandleCancelToken token = MakeCancelToken();
        QElapsedTimer t;
        t.start();
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            c->Cancel(token);
        });
        int32_t number = 0;
        try {
            moves[i](*c, token);
        } catch (const AppError& e) {
            number = e.number();
        }
        canceller.join();
        EXPECT_EQ(number, kQueryCancelledNumber);
        // Stopped at the cancel, a fifth of a second in: the move itself would take days.
        EXPECT_LT(t.elapsed(), 10000);
    }
    // the connection serves the next call
    EXPECT_EQ(c->CountRows(kQuery, MakeCancelToken()), kRows);
}

}  // namespace
