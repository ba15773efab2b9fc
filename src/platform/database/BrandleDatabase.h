#pragma once
// The database interface every statement of the program runs through:
// BrandleDatabase (one connection), the BrandleRecordset result sets it returns
// and BrandleCommand for stored procedures. Behind it sits a back end: the
// embedded one (SQLite files of our own ERP server) by default; nothing above
// this interface knows which back end runs.

#include "base/SqlText.h"
#include "base/Variant.h"

#include <QStringList>
#include <memory>
#include <vector>

// The error number of failures reported by the database (the database's own
// message is the description, the source "BrandleDatabase").
inline constexpr int32_t kDatabaseErrorNumber = static_cast<int32_t>(0x80040E14u);

// ADO data-type codes reported by FieldType and taken by AddParameter.
enum AdoType : int32_t {
    adInteger = 3,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBoolean = 11,
    adChar = 129,
    adVarChar = 200,
};
enum AdoDirection : int32_t { adParamInput = 1, adParamOutput = 2 };

// A result set, read completely when it was opened (a snapshot): another
// statement may run on the same connection while it is open.
class BrandleRecordset : public VObject {
public:
    BrandleRecordset() = default;
    BrandleRecordset(QStringList fieldNames, std::vector<int32_t> fieldTypes, std::vector<std::vector<Variant>> rows);

    // The current row's value of a field by name (without regard to case) or by
    // 0-based position; Null for a database NULL. A field that does not exist fails.
    Variant Item(const QString& fieldName) const;
    Variant Item(int index) const;
    Variant Item(const Variant& nameOrIndex) const;
    bool HasRecord() const { return m_row < m_rows.size(); }
    void MoveNext();
    void MoveFirst() { m_row = 0; }
    int32_t FieldType(int index) const;
    int FieldCount() const { return static_cast<int>(m_fieldNames.size()); }
    QString FieldName(int index) const;
    int RecordCount() const { return static_cast<int>(m_rows.size()); }
    bool IsClosed() const { return m_closed; }
    void Close();

private:
    int fieldIndex(const QString& name) const;
    QStringList m_fieldNames;
    std::vector<int32_t> m_fieldTypes;
    std::vector<std::vector<Variant>> m_rows;
    size_t m_row = 0;
    bool m_closed = false;
};
using BrandleRecordsetPtr = std::shared_ptr<BrandleRecordset>;

// A stored-procedure call with typed parameters, some of them outputs.
class BrandleCommand : public VObject {
public:
    struct Parameter {
        QString name;  // as given, with its leading "@"
        int32_t type = adVarChar;
        int32_t direction = adParamInput;
        int32_t size = 0;
        Variant value;
    };

    void Init(const QString& procedureName, int parameterCount);
    void AddParameter(const QString& name, int32_t adoType, int32_t direction, int32_t size,
                      const Variant& value = Variant(), int32_t precision = -1, int32_t numericScale = -1);
    // The value of a parameter after the call (outputs) or as given (inputs);
    // a name without its "@" finds it too. An unknown name fails.
    Variant ParameterValue(const QString& name) const;

    const QString& ProcedureName() const { return m_procedure; }
    std::vector<Parameter>& Parameters() { return m_parameters; }
    const std::vector<Parameter>& Parameters() const { return m_parameters; }

private:
    QString m_procedure;
    std::vector<Parameter> m_parameters;
};
using BrandleCommandPtr = std::shared_ptr<BrandleCommand>;

class DatabaseBackend;  // the connection behind a BrandleDatabase

class BrandleDatabase : public VObject {
public:
    BrandleDatabase();
    ~BrandleDatabase() override;

    // Seconds a statement may run before it is stopped with an error (0: no limit).
    void SetCommandTimeout(int32_t seconds);
    int32_t CommandTimeout() const { return m_commandTimeout; }

    // Opens a connection to a database of a server with a login; closes any open one first.
    // Login and database errors are raised. Returns 0.
    int32_t OpenConnection(const QString& server, const QString& database, const QString& login,
                           const QString& password, int32_t options, int32_t& flag);
    // The read-only login a server reached through ODBC runs OpenReadOnlyRecordset's
    // queries with (its password enciphered as the session keeps it, deciphered
    // only to open that connection). Kept for the connections opened later.
    void SetReadOnlyLogin(const QString& login, const QString& encipheredPassword);
    // Takes an already open back end as this object's connection (tools and tests that
    // open a database file directly); closes any open one first.
    void OpenBackend(std::unique_ptr<DatabaseBackend> backend);
    // Closes the connection; no error when none is open. Open transactions are rolled back.
    void CloseConnection();
    bool IsOpen() const;
    QString ServerName() const;
    QString DatabaseName() const;
    QString LoginName() const;
    // The date literals the program writes for this connection's server: a SQL
    // Server's (a server name the ODBC lookup gives in SQL Server's dialect) or
    // the embedded server's, also for the SQLite driver on its files.
    SqlDateForm DateForm() const;

    // Named transactions nest: the outermost begins a transaction, an inner one a
    // savepoint; committing or rolling back a name that is not open is an error.
    // Rolling back an outer name also undoes every inner one still open.
    int32_t BeginTrans(const QString& name, int32_t& flag);
    int32_t CommitTrans(const QString& name, int32_t& flag);
    int32_t RollbackTrans(const QString& name, int32_t& flag);
    int TransactionDepth() const;

    // Runs a query (or an EXEC of a procedure); True when the result has a row, the
    // set then on its first row. The set is open in either case.
    bool OpenRecordset(const QString& sql, BrandleRecordsetPtr& rs, int32_t options = 0, int32_t cursorType = 1);
    // Runs a command; outputs are readable afterwards. True when the result has a row.
    bool OpenCommandRecordset(BrandleCommand& command, BrandleRecordsetPtr& rs);
    // Runs a command; True when run; outputs are readable afterwards.
    bool ExecuteCommand(BrandleCommand& command);
    // Runs a statement or a batch; rows a statement returns are discarded.
    void Execute(const QString& sql);
    // Runs a statement that must not write (a query built from a user's WHERE text):
    // anything but a single read-only query fails with an error.
    bool OpenReadOnlyRecordset(const QString& sql, BrandleRecordsetPtr& rs);
    void CloseRecordset(BrandleRecordsetPtr& rs);
    // SELECT expression FROM from [WHERE where]: the first field of the first row, Null without a row.
    Variant DLookup(const QString& expression, const QString& from, const QString& where);
    // Logs on to the server with the login and password and reports its version text;
    // a refused login gives an empty text. A SQL Server reached through ODBC is asked
    // over this object's open connection to it, with no logon of its own (empty when
    // none is open).
    QString GetServerVersion(const QString& server, const QString& login, const QString& password, Variant& v1,
                             Variant& v2, Variant& v3);

    // The statements this connection sent, in order (as the program wrote them; DLookup
    // as the SELECT it composed, a command as "EXEC name @p = value, @q OUTPUT").
    // Transactions are not recorded.
    void SetStatementLogging(bool on);
    const QStringList& StatementLog() const { return m_log; }
    void ClearStatementLog() { m_log.clear(); }

private:
    void record(const QString& sql);
    DatabaseBackend& backend();
    template <class F>
    decltype(auto) guarded(F&& f);
    void checkAborted() const;
    int findTransaction(const QString& name) const;
    std::unique_ptr<DatabaseBackend> m_backend;
    QStringList m_transactions;  // open transaction names, outermost first
    // The database ended the open transaction on its own (a statement was stopped
    // inside it): later statements fail until the names are committed or rolled back.
    bool m_aborted = false;
    int32_t m_commandTimeout = 30;
    QString m_readLogin;
    QString m_readPassword;
    bool m_logging = false;
    QStringList m_log;
};
using BrandleDatabasePtr = std::shared_ptr<BrandleDatabase>;
