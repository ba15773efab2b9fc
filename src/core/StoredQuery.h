#pragma once
// A query from the stored definitions (a linked view's value list or extra
// filter), run as the other user SQL runs: a single query that cannot write,
// on a fenced read-only connection of its own, off the window's thread. The
// window's thread waits through the busy wait: the windows keep painting, and
// after a few seconds the busy dialog offers Cancel.

#include "platform/database/BrandleCursor.h"  // kQueryCancelledNumber
#include "platform/database/BrandleDatabase.h"

#include <QString>

// What the busy dialog says while such a query runs.
inline constexpr const char* kStoredQueryWaitMessage =
    "A linked view's query is still running. Waiting for the database...";

// The rows of sql (at most maxRows when above 0), as a result set. Cancel
// fails with kQueryCancelledNumber; the session's command timeout with the
// timeout's error, as a statement of the session's does; a refused or failing
// query with its error.
BrandleRecordsetPtr OpenStoredQuery(const QString& sql, int maxRows = 0);
