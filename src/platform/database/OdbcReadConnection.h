#pragma once
// The list control's read-only connections over ODBC: a connection with the
// read-only login that pages through a query (OFFSET ... FETCH on a SQL Server,
// the row id the last key, of a query's own order too, so that pages neither
// overlap nor leave gaps; each page read whole and its statement closed, so that
// no half-read result waits on the server while the list is only looked at) and
// counts its rows; a long move asks the server for the rows where it lands and
// the position of a row by id is counted on the server. Cancel stops the
// running statement from another thread.

#include "platform/database/BrandleCursor.h"
#include "platform/database/OdbcServers.h"

#include <memory>

class OdbcBackend;

std::unique_ptr<BrandleReadConnection> OpenOdbcReadConnection(const OdbcServerConfig& config, const QString& server,
                                                               const QString& database, const QString& login,
                                                               const QString& password);
// Over a back end already open (tests that open a file directly).
std::unique_ptr<BrandleReadConnection> MakeOdbcReadConnection(std::unique_ptr<OdbcBackend> backend);

// The texts of a page of a query as a SQL Server receives them (tests compare them).
// Whether a SQL Server runs the query as written, unpaged: its own order comes with
// TOP, OFFSET or FOR XML (no second OFFSET may follow, and wrapped it would lose
// its order) and the list asks for no order of its own.
bool OdbcRunsAsWritten(const QString& query, const std::vector<BrandleSortKey>& order);
// columns: how many the query has (the derived table names them by position).
QString OdbcPageQuery(const QString& query, int columns, const std::vector<BrandleSortKey>& order, long long offset,
                      long long count);
