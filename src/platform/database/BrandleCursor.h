#pragma once
// Read-only connections for the controls that show query results (the list
// control). Such a connection logs on like any other but can never change the
// database; it runs only single queries (the batch rules of the database
// interface decide what a single query is), reads their rows a batch at a time
// through a forward cursor instead of holding the whole result, counts the rows
// of a query, and can be told from another thread to stop what it runs.
//
// A connection is used by one thread at a time; Cancel is the one call that
// may come from any thread. Failures are AppError with kDatabaseErrorNumber and
// the database's own message; a call stopped by Cancel fails with
// kQueryCancelledNumber.

#include "base/Variant.h"

#include <QStringList>
#include <atomic>
#include <memory>
#include <vector>

// The error number of a call that was stopped because its token was cancelled.
inline constexpr int32_t kQueryCancelledNumber = static_cast<int32_t>(0x80040E4Eu);

// Shared between the thread that runs a call and the thread that may stop it.
using BrandleCancelToken = std::shared_ptr<std::atomic<bool>>;
BrandleCancelToken MakeCancelToken();

// One key of a cursor's order: a 0-based field of the query's select list.
struct BrandleSortKey {
    int field = 0;
    bool descending = false;
};

using BrandleRow = std::vector<Variant>;

// The rows of one query, read forward.
class BrandleQueryCursor {
public:
    virtual ~BrandleQueryCursor() = default;
    virtual QStringList FieldNames() const = 0;
    // ADO type codes (AdoType of BrandleDatabase.h) as the result declares them.
    virtual std::vector<int32_t> FieldTypes() const = 0;
    // Up to count rows from the current position; fewer only at the end.
    virtual std::vector<BrandleRow> Fetch(int count) = 0;
    // Steps over up to count rows without reading them; how many there were.
    virtual int64_t Skip(int64_t count) = 0;
    // Reads ahead until field 0 of a row equals id; its position, or -1 (at the
    // end) when no further row has it. Rows read on the way are not kept,
    // except the last keep rows before the found one and the found one, which
    // go into kept (oldest first) so that the batch around it need not be read
    // again.
    virtual int64_t SeekId(int64_t id, int keep, std::vector<BrandleRow>& kept) = 0;
    // The 0-based position of the next row to read.
    virtual int64_t Position() const = 0;
    virtual bool AtEnd() const = 0;
    // Back before the first row: the query runs again.
    virtual void Rewind() = 0;
};

class BrandleReadConnection {
public:
    virtual ~BrandleReadConnection() = default;

    // Opens a database of a server for a login, read-only and fenced (see
    // SqlFence.h): the one call that opens a connection for a user's SQL text.
    // The errors of a refused logon are those of BrandleDatabase::OpenConnection.
    static std::unique_ptr<BrandleReadConnection> Open(const QString& server, const QString& database,
                                                       const QString& login, const QString& password);
    // A read-only connection to the database an open connection works on, for
    // its login (which logged on already), so that its queries can run on
    // another thread. nullptr when the connection is not open or its server
    // offers no such connection.
    static std::unique_ptr<BrandleReadConnection> OpenBeside(const class BrandleDatabase& connection);

    virtual QString ServerName() const = 0;
    virtual QString DatabaseName() const = 0;

    // Opens a cursor on a query written in the program's SQL. A text that is not a
    // single query that cannot write fails before anything runs. With order keys
    // the rows come in that order (the query's own ORDER BY is then overridden);
    // without, in the query's own order. Calls on the cursor run under the token.
    virtual std::unique_ptr<BrandleQueryCursor> OpenCursor(const QString& query,
                                                           const std::vector<BrandleSortKey>& order,
                                                           const BrandleCancelToken& token) = 0;
    // A cursor for a caller that reads the whole result once, from its first row to
    // its last, without moves (the export): the rows of OpenCursor without order
    // keys. Where the cursor reads windows of a result as statements of their own,
    // this one is a single statement, open while the caller reads on and closed at
    // the end, so that a long read costs one execution on the server, not one a
    // window.
    virtual std::unique_ptr<BrandleQueryCursor> OpenReader(const QString& query, const BrandleCancelToken& token)
    {
        return OpenCursor(query, {}, token);
    }
    // The number of rows of a query (same rules as OpenCursor).
    virtual int64_t CountRows(const QString& query, const BrandleCancelToken& token) = 0;
    // Where the row whose field 0 is id stands in the query's rows in that order
    // (whose last key must be field 0, so that it is unique), found by counting
    // the rows before it rather than reading them; and the number of all rows.
    // position -1 when no row has that id; kNoPosition when the order is empty or
    // the connection cannot count so (the caller then reads the rows up to it).
    struct IdPosition {
        int64_t position = -1;
        int64_t count = 0;
    };
    static constexpr int64_t kNoPosition = -2;
    virtual IdPosition PositionOfId(const QString& query, const std::vector<BrandleSortKey>& order, int64_t id,
                                    const BrandleCancelToken& token)
    {
        (void)query, (void)order, (void)id, (void)token;
        return IdPosition{kNoPosition, -1};
    }
    // Marks the token cancelled and stops the call this connection is running under
    // it, if any. Any thread. Later calls under that token fail at once.
    virtual void Cancel(const BrandleCancelToken& token) = 0;
};
