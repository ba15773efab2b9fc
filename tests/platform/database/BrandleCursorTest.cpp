// Read-only connections of the list controls: what they refuse to run, their
// forward cursor, and a cancel from another thread.

#include "platform/database/BrandleCursor.h"

#include "platform/controls/ControlsTestSupport.h"
#include "base/AppError.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <thread>

using namespace controlstest;

namespace {

std::unique_ptr<BrandleReadConnection> OpenDemo()
{
    ControlsServer::Get();
    return BrandleReadConnection::Open(kServer, kDatabase, QString::fromLatin1(erpdb::kExecutiveLogin),
                                       QString::fromLatin1(erpdb::kDemoExecutivePassword));
}

QString ErrorOf(const std::function<void()>& f, int32_t* number = nullptr)
{
    try {
        f();
    } catch (const AppError& e) {
        if (number)
            *number = e.number();
        return e.description();
    }
    return {};
}

TEST(BrandleCursor, RunsOnlyASingleQueryThatCannotWrite)
{
    auto c = OpenDemo();
    auto& server = ControlsServer::Get();
    const int64_t before = server.Ids(QStringLiteral("SELECT COUNT(*) FROM OrderLines")).front();
    const QString refused[] = {
        QStringLiteral("DELETE FROM OrderLines"),
        QStringLiteral("SELECT 1; DELETE FROM OrderLines"),
        QStringLiteral("SELECT 1 DELETE FROM OrderLines"),
        QStringLiteral("UPDATE OrderLines SET Quantity = 0"),
        QStringLiteral("INSERT INTO LdMyViews (ViewID, UserID) VALUES (1, 'x')"),
        QStringLiteral("EXEC Ld_DeleteView 5"),
        QStringLiteral("DROP TABLE OrderLines"),
    };
    const BrandleCancelToken token = MakeCancelToken();
    for (const QString& sql : refused) {
        int32_t number = 0;
        const QString message = ErrorOf([&] { c->OpenCursor(sql, {}, token); }, &number);
        EXPECT_FALSE(message.isEmpty()) << sql.toStdString();
        EXPECT_EQ(number, kDatabaseErrorNumber) << sql.toStdString();
        EXPECT_FALSE(ErrorOf([&] { c->CountRows(sql, token); }).isEmpty()) << sql.toStdString();
    }
    EXPECT_EQ(server.Ids(QStringLiteral("SELECT COUNT(*) FROM OrderLines")).front(), before);
    EXPECT_EQ(ErrorOf([&] {
                  BrandleReadConnection::Open(kServer, kDatabase, QString::fromLatin1(erpdb::kExecutiveLogin),
                                              QStringLiteral("wrong"));
              }),
              QStringLiteral("Login failed for user 'coexecutive'."));
}

TEST(BrandleCursor, ReadsForwardSkipsRewindsAndSeeks)
{
    auto c = OpenDemo();
    const BrandleCancelToken token = MakeCancelToken();
    const QString sql = QStringLiteral("SELECT ol.OrderLineID, ol.Quantity FROM OrderLines ol WHERE ol.OrderLineID <= 1000");
    EXPECT_EQ(c->CountRows(sql, token), 1000);
    auto cursor = c->OpenCursor(sql, {BrandleSortKey{1, true}, BrandleSortKey{0, false}}, token);
    EXPECT_EQ(cursor->FieldNames(), (QStringList{"OrderLineID", "Quantity"}));
    const auto expected = ControlsServer::Get().Ids(
        QStringLiteral("SELECT OrderLineID FROM OrderLines WHERE OrderLineID <= 1000 ORDER BY Quantity DESC, OrderLineID"));
    auto first = cursor->Fetch(10);
    ASSERT_EQ(first.size(), 10u);
    EXPECT_EQ(first[3][0].toInt32(), expected[3]);
    EXPECT_EQ(cursor->Skip(500), 500);
    EXPECT_EQ(cursor->Position(), 510);
    EXPECT_EQ(cursor->Fetch(1).front()[0].toInt32(), expected[510]);
    std::vector<BrandleRow> kept;
    EXPECT_EQ(cursor->SeekId(expected[900], 5, kept), 900);
    ASSERT_EQ(kept.size(), 6u);
    EXPECT_EQ(kept.front()[0].toInt32(), expected[895]);
    EXPECT_EQ(kept.back()[0].toInt32(), expected[900]);
    EXPECT_EQ(cursor->SeekId(expected[100], 0, kept), -1);  // behind the cursor
    EXPECT_EQ(cursor->Fetch(10).size(), 0u);
    cursor->Rewind();
    EXPECT_EQ(cursor->Fetch(1).front()[0].toInt32(), expected[0]);
    EXPECT_EQ(cursor->Skip(5000), 999);
    EXPECT_TRUE(cursor->AtEnd());
}

// The position of a row by the count of the rows before it agrees with the
// cursor's own order: keys up and down, ties broken by the id, NULLs, texts
// compared without regard to case, repeated column names; an id the result does
// not hold has none, and the count of the whole result comes with it.
TEST(BrandleCursor, PositionOfIdAgreesWithTheCursorsOrder)
{
    auto c = OpenDemo();
    const BrandleCancelToken token = MakeCancelToken();
    const QString sql = QStringLiteral(
        "SELECT ol.OrderLineID AS ID, CASE WHEN ol.Quantity > 7 THEN NULL ELSE ol.Quantity END AS Q, "
        "CASE WHEN ol.OrderLineID % 2 = 0 THEN UPPER(p.Name) ELSE p.Name END AS Q "
        "FROM OrderLines ol INNER JOIN Products p ON p.ProductID = ol.ProductID WHERE ol.OrderLineID <= 2000");
    const std::vector<std::vector<BrandleSortKey>> orders = {
        {BrandleSortKey{0, false}},
        {BrandleSortKey{1, false}, BrandleSortKey{0, false}},
        {BrandleSortKey{1, true}, BrandleSortKey{0, false}},
        {BrandleSortKey{2, false}, BrandleSortKey{0, false}},
        {BrandleSortKey{2, true}, BrandleSortKey{0, false}},
    };
    for (size_t o = 0; o < orders.size(); ++o) {
        auto cursor = c->OpenCursor(sql, orders[o], token);
        const std::vector<BrandleRow> rows = cursor->Fetch(5000);
        ASSERT_EQ(rows.size(), 2000u);
        for (size_t k : {size_t{0}, size_t{1}, size_t{17}, size_t{999}, size_t{1500}, size_t{1998}, size_t{1999}}) {
            const int64_t id = static_cast<int64_t>(rows[k][0].toDouble());
            const BrandleReadConnection::IdPosition found = c->PositionOfId(sql, orders[o], id, token);
            EXPECT_EQ(found.position, static_cast<int64_t>(k)) << "order " << o << " row " << k;
            EXPECT_EQ(found.count, 2000);
        }
        EXPECT_EQ(c->PositionOfId(sql, orders[o], 999999, token).position, -1) << o;
    }
    EXPECT_EQ(c->PositionOfId(sql, {}, 5, token).position, BrandleReadConnection::kNoPosition);
}

TEST(BrandleCursor, CancelFromAnotherThreadStopsTheRunningCall)
{
    auto c = OpenDemo();
    const BrandleCancelToken token = MakeCancelToken();
    int32_t number = 0;
    QElapsedTimer t;
    t.start();
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        c->Cancel(token);
    });
    // A count of the order lines cubed would take days.
    const QString message = ErrorOf(
        [&] {
            c->CountRows(QStringLiteral("SELECT a.OrderLineID FROM OrderLines a, OrderLines b, OrderLines c"), token);
        },
        &number);
    canceller.join();
    EXPECT_EQ(number, kQueryCancelledNumber) << message.toStdString();
    // Stopped at the cancel, a fifth of a second in, not at the end of the count.
    EXPECT_LT(t.elapsed(), 10000);
    // The token stays cancelled; the connection serves the next token.
    EXPECT_FALSE(ErrorOf([&] { c->CountRows(QStringLiteral("SELECT 1"), token); }).isEmpty());
    EXPECT_EQ(c->CountRows(QStringLiteral("SELECT 1"), MakeCancelToken()), 1);
    // Cancelling a token the connection is not running under changes nothing else.
    const BrandleCancelToken other = MakeCancelToken();
    c->Cancel(other);
    EXPECT_EQ(c->CountRows(QStringLiteral("SELECT 1"), MakeCancelToken()), 1);
}

}  // namespace
