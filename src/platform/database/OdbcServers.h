#pragma once
// Which servers are reached through ODBC, and how. The client configuration of
// a server (kept per user beside the logins' passwords, db/ reads it) may name
// an ODBC driver; a server with such an entry is opened by the ODBC back end,
// every other name by the embedded server as before.
//
// Also here: the T-SQL texts the ODBC back end sends for what the program does
// not write itself (transactions, procedure calls, paging, counting), so that
// tests can compare them with what a real server is meant to receive.

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class BrandleCommand;
struct BrandleSortKey;

struct OdbcServerConfig {
    // The dialect the driver's server speaks. SqliteFiles: the SQLite ODBC driver
    // on the database files of an embedded server (how the ODBC path is tried
    // without a SQL Server); the T-SQL is translated for it before each call.
    enum class Dialect { SqlServer, SqliteFiles };
    Dialect dialect = Dialect::SqlServer;
    QString driver = QStringLiteral("FreeTDS");
    // The server as the client configuration names it: "host", "host\instance" or "host,port".
    QString host;
    // More "key=value;" pairs appended to the connection string (TDS_Version, Encrypt ...).
    QString options;
    // SqliteFiles: the embedded server whose database files the driver opens.
    QString filesServer;
};

// The configuration of a server name; nullopt for a name not reached through ODBC.
using OdbcServerLookup = std::function<std::optional<OdbcServerConfig>(const QString& server)>;
void SetOdbcServerLookup(OdbcServerLookup lookup);
std::optional<OdbcServerConfig> FindOdbcServer(const QString& server);

// "{...}" around a connection-string value that needs it, "}" doubled inside.
QString OdbcQuoteValue(const QString& value);

// The drivers that reach a SQL Server read a connection string each in its own
// way: FreeTDS (tdsodbc) takes the port as Port= and encryption as Encryption=,
// and does not undo a "}" doubled inside braces; Microsoft's drivers take the
// port after the host ("host,port"), ignore Port=, and take Encrypt=.
enum class OdbcDriverFamily { FreeTds, Microsoft };
OdbcDriverFamily DriverFamily(const QString& driver);
// The connection string for a SQL Server, as the config's driver family reads it:
// Driver, Server (with the port of "host,port" where that family wants it;
// "host\instance" as it is), Database, UID, PWD, then the options (Encrypt= and
// Encryption= written as that family's keyword). A value FreeTDS cannot be given
// (a "}" where braces are needed) fails with a message that says so.
QString SqlServerConnectionString(const OdbcServerConfig& config, const QString& database, const QString& login,
                                  const QString& password);

// The T-SQL sent to a SQL Server.
namespace tsql {
// The session options the program's writes need (a filtered index, as CoRegKeys
// has, refuses a write under other settings; sqlcmd runs with QUOTED_IDENTIFIER
// OFF), one SET a line: every trial script sets them first, and every connection
// to a SQL Server once it is open.
QString SessionOptions();
// Transactions by nesting level: the outermost is the transaction, each deeper
// level a savepoint named after its level. Commit of an inner level sends nothing
// (SQL Server has no release of a savepoint); "" when nothing is sent.
QString Begin(int level);
QString Commit(int level);
QString Rollback(int level);
// The savepoint a batch of several statements runs in inside an open transaction.
QString SaveBatch(int number);
QString RollbackBatch(int number);
// RollbackBatch while the transaction can still be committed (a doomed one
// takes no rollback to a savepoint; one a procedure ended has none).
QString RollbackBatchIfOpen(int number);
// The ODBC call escape for a command: "{call name(?, ?)}", one marker a parameter.
QString CallEscape(const BrandleCommand& command);
// A command as one batch with its transaction handling, so that a call costs one
// round trip: a transaction of its own when the connection holds none (else the
// savepoint quillon_batch_<number>), ended in the batch; a marker for each input,
// a variable for each output, the outputs selected as the batch's last result.
// A procedure that ends the transaction it was called in with a ROLLBACK of its
// own and no error (error 266 to its caller, in the old style) fails the call
// with EndedTransactionMessage, error kEndedTransactionError: nothing of its work
// is stored, as a caller of any client of SQL Server is told.
QString CallBatch(const BrandleCommand& command, int number);
// Statements (a call by its text, or several) in the same one batch with their
// transaction handling: all of them or, on the first error, none; declares go
// before them, at the top of the batch; procedure: the one the statements call,
// for the message of one that ends the transaction ("" when not known).
QString TransactionBatch(const QString& statements, int number, const QString& declares = QString(),
                         const QString& procedure = QString());
inline constexpr int kEndedTransactionError = 50000;
QString EndedTransactionMessage(const QString& procedure);
// "c0, c1 ...": the names by position the program gives a query's columns
// (columns of them) where it wraps the query.
QString ColumnNames(int columns);
// "(<query>) AS q (c0, c1 ...)": the query as a derived table of columns columns.
QString DerivedTable(const QString& query, int columns);
// A query's rows in an order (select-list positions), the first column (the row id)
// as the last key so that pages never overlap; from offset, count rows (count < 0: all).
// Pages and counts read the query as a derived table, or, when it begins with
// common table expressions, as one more of them after its own (quillon_q).
QString OrderedQuery(const QString& query, int columns, const std::vector<BrandleSortKey>& order, long long offset,
                     long long count);
QString CountQuery(const QString& query, int columns);
// Whether a query ends with an ORDER BY of its own (outside parentheses, texts,
// bracketed names and comments).
bool HasOwnOrder(const QString& query);
// A query as the inside of a derived table or a WITH part: SQL Server refuses an
// ORDER BY there unless TOP, OFFSET or FOR XML comes with it, so a query with an
// order of its own and none of those gets "OFFSET 0 ROWS" (the order kept, nothing
// left out).
QString InnerQuery(const QString& query);
// Where the row whose first column is id stands in a query's rows in an order
// (the keys as the list's cursor sorts: see IdPositionKeys), counted on the
// server: one row of the number of all rows, the number before that row (NULL
// when there are none) and 1 when the row is there (NULL when it is not). The
// query's columns (columns of them) are named c0, c1 ... by position; the
// row's own key values are compared on the server, so nothing goes through the
// client and its types. NULLs sort as SQL Server sorts them: first ascending,
// last descending.
QString IdPositionQuery(const QString& query, int columns, const std::vector<BrandleSortKey>& keys, long long id);
// A wrapper of the query (wrap, given the query without them) followed by the
// query's own OPTION (...) hints, which SQL Server takes only at the end of the
// statement, never inside parentheses.
QString WithOwnHints(const QString& query, const std::function<QString(const QString&)>& wrap);
}  // namespace tsql

// The keys a cursor over ODBC sorts by: the order up to the row id (field 0),
// the row id ascending appended when the order does not have it.
std::vector<BrandleSortKey> IdPositionKeys(const std::vector<BrandleSortKey>& order);
// tsql::IdPositionQuery in SQLite's SQL, for the SQLite driver (translated: the
// query as the driver runs it).
QString SqliteIdPositionQuery(const QString& translated, int columns, const std::vector<BrandleSortKey>& keys,
                              long long id);
