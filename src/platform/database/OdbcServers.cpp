#include "platform/database/OdbcServers.h"

#include "base/AppError.h"
#include "base/SqlText.h"
#include "platform/database/BrandleCursor.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/OdbcTsqlReading.h"

#include <QMutex>

namespace {

QMutex g_lookupMutex;
OdbcServerLookup g_lookup;

// The words of a query outside parentheses, texts, bracketed names and comments,
// in upper case.
QStringList TopLevelWords(const QString& query)
{
    QStringList words;
    int depth = 0;
    for (qsizetype i = 0; i < query.size(); ++i) {
        const QChar c = query[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            i = query.indexOf(close, i + 1);
            if (i < 0)
                break;
            continue;
        }
        if (c == QLatin1Char('-') && query.mid(i, 2) == QLatin1String("--")) {
            i = query.indexOf(QLatin1Char('\n'), i);
            if (i < 0)
                break;
            continue;
        }
        if (c == QLatin1Char('/') && query.mid(i, 2) == QLatin1String("/*")) {
            i = query.indexOf(QLatin1String("*/"), i + 2);
            if (i < 0)
                break;
            ++i;
            continue;
        }
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            --depth;
        else if (depth == 0 && (c.isLetter() || c == QLatin1Char('_')) && (i == 0 || !query[i - 1].isLetterOrNumber())) {
            qsizetype j = i;
            while (j < query.size() && (query[j].isLetterOrNumber() || query[j] == QLatin1Char('_')))
                ++j;
            words << query.mid(i, j - i).toUpper();
            i = j - 1;
        }
    }
    return words;
}

// Where the query's own top-level ORDER BY starts among its words; -1 when none.
qsizetype OwnOrderAt(const QStringList& words)
{
    for (qsizetype i = words.size() - 1; i > 0; --i) {
        if (words[i] == QLatin1String("BY") && words[i - 1] == QLatin1String("ORDER"))
            return i - 1;
    }
    return -1;
}

QString Keys(const std::vector<BrandleSortKey>& order)
{
    QString keys;
    bool idIncluded = false;
    for (const BrandleSortKey& k : order) {
        if (!keys.isEmpty())
            keys += QStringLiteral(", ");
        keys += QString::number(k.field + 1) + (k.descending ? QStringLiteral(" DESC") : QString());
        idIncluded = idIncluded || k.field == 0;
    }
    if (!idIncluded)
        keys += keys.isEmpty() ? QStringLiteral("1") : QStringLiteral(", 1");
    return keys;
}

// The texts of tsql::IdPositionQuery for both dialects: they differ only in how
// the query is named and how the one row is limited.
QString IdPositionText(const QString& query, int columns, const std::vector<BrandleSortKey>& keys, long long id,
                       bool sqlite)
{
    const auto c = [](int field) { return QStringLiteral("t.c") + QString::number(field); };
    const auto k = [](size_t i) { return QStringLiteral("r.k") + QString::number(i); };
    const QString names = tsql::ColumnNames(columns);
    QString values;
    for (size_t i = 0; i < keys.size(); ++i)
        values += QStringLiteral(", c") + QString::number(keys[i].field) + QStringLiteral(" AS k") + QString::number(i);
    // A row before the one with the id: before it on one key, equal on every key
    // before that one (NULL equal to NULL, NULL below any value).
    QString before;
    QString equalSoFar;
    for (size_t i = 0; i < keys.size(); ++i) {
        const QString col = c(keys[i].field);
        const QString key = k(i);
        const QString strict =
            keys[i].descending
                ? QStringLiteral("(%1 > %2 OR (%1 IS NOT NULL AND %2 IS NULL))").arg(col, key)
                : QStringLiteral("(%1 < %2 OR (%1 IS NULL AND %2 IS NOT NULL))").arg(col, key);
        before += (before.isEmpty() ? QString() : QStringLiteral(" OR ")) +
                  (equalSoFar.isEmpty() ? strict : QStringLiteral("(") + equalSoFar + QStringLiteral(" AND ") + strict +
                                                       QStringLiteral(")"));
        const QString equal = QStringLiteral("(%1 = %2 OR (%1 IS NULL AND %2 IS NULL))").arg(col, key);
        equalSoFar += (equalSoFar.isEmpty() ? QString() : QStringLiteral(" AND ")) + equal;
    }
    // The query is read once for the count and the position (the row itself is
    // found by its id, which a server finds by its key).
    // Names of the program's own for the two parts, which a table of the query
    // cannot take for itself; t and r only name them outside the query.
    // SQL Server takes no WITH inside a WITH part: a query's own common table
    // expressions go first.
    const qsizetype ownTables = sqlite ? 0 : tsql::CommonTablesEnd(query);
    return (ownTables > 0 ? query.left(ownTables) + QStringLiteral(",\nquillon_rows (") : QStringLiteral("WITH quillon_rows (")) +
           names + (sqlite ? QStringLiteral(") AS NOT MATERIALIZED (\n") : QStringLiteral(") AS (\n")) +
           (sqlite ? query : tsql::InnerQuery(query.mid(ownTables))) +
           QStringLiteral("\n), quillon_row AS (SELECT ") + (sqlite ? QString() : QStringLiteral("TOP 1 ")) +
           QStringLiteral("1 AS hit") + values + QStringLiteral(" FROM quillon_rows WHERE c0 = ") + QString::number(id) +
           (sqlite ? QStringLiteral(" LIMIT 1)") : QStringLiteral(")")) +
           QStringLiteral("\nSELECT COUNT(*), SUM(CASE WHEN ") + before +
           QStringLiteral(" THEN 1 ELSE 0 END), MAX(r.hit) FROM quillon_rows AS t LEFT JOIN quillon_row AS r ON 1 = 1");
}

// "SELECT <list> FROM" the query's rows, its columns named c0, c1 ... by position.
// A query with common table expressions keeps them in front and its main query
// becomes one more of them, quillon_q: SQL Server takes no WITH inside parentheses.
QString SelectFromRows(const QString& query, int columns, const QString& list)
{
    const qsizetype ownTables = tsql::CommonTablesEnd(query);
    if (ownTables == 0)
        return QStringLiteral("SELECT ") + list + QStringLiteral(" FROM ") + tsql::DerivedTable(query, columns);
    return query.left(ownTables) + QStringLiteral(",\nquillon_q (") + tsql::ColumnNames(columns) +
           QStringLiteral(") AS (\n") + tsql::InnerQuery(query.mid(ownTables)) + QStringLiteral("\n)\nSELECT ") + list +
           QStringLiteral(" FROM quillon_q AS q");
}

}  // namespace

std::vector<BrandleSortKey> IdPositionKeys(const std::vector<BrandleSortKey>& order)
{
    std::vector<BrandleSortKey> keys;
    for (const BrandleSortKey& k : order) {
        keys.push_back(k);
        if (k.field == 0)
            return keys;
    }
    keys.push_back(BrandleSortKey{0, false});
    return keys;
}

QString SqliteIdPositionQuery(const QString& translated, int columns, const std::vector<BrandleSortKey>& keys,
                              long long id)
{
    return IdPositionText(translated, columns, keys, id, true);
}

void SetOdbcServerLookup(OdbcServerLookup lookup)
{
    QMutexLocker lock(&g_lookupMutex);
    g_lookup = std::move(lookup);
}

std::optional<OdbcServerConfig> FindOdbcServer(const QString& server)
{
    OdbcServerLookup lookup;
    {
        QMutexLocker lock(&g_lookupMutex);
        lookup = g_lookup;
    }
    if (!lookup || server.trimmed().isEmpty())
        return std::nullopt;
    return lookup(server.trimmed());
}

namespace {

// Whether a connection-string value must go in braces: it holds a character of
// the string's own syntax, or blanks at its ends.
bool NeedsBraces(const QString& value)
{
    static const QString special = QStringLiteral(";{}=");
    bool needs = value.trimmed() != value;
    for (const QChar c : value)
        needs = needs || special.contains(c);
    return needs;
}

}  // namespace

QString OdbcQuoteValue(const QString& value)
{
    if (!NeedsBraces(value))
        return value;
    QString v = value;
    v.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return QLatin1Char('{') + v + QLatin1Char('}');
}

OdbcDriverFamily DriverFamily(const QString& driver)
{
    return driver.contains(QLatin1String("tds"), Qt::CaseInsensitive) ? OdbcDriverFamily::FreeTds
                                                                       : OdbcDriverFamily::Microsoft;
}

namespace {

// A value as FreeTDS 1.3 reads it: to the next ";", or in braces up to the first
// "}" (a doubled one stays doubled), so a "}" can only go without braces.
QString FreeTdsValue(const QString& value, const QString& what)
{
    if (!NeedsBraces(value))
        return value;
    if (!value.contains(QLatin1Char('}')))
        return QLatin1Char('{') + value + QLatin1Char('}');
    if (value.contains(QLatin1Char(';')) || value.startsWith(QLatin1Char('{')) || value.trimmed() != value)
        throw AppError(kDatabaseErrorNumber,
                       QStringLiteral("The %1 holds a \"}\" together with a \";\", a leading \"{\" or blanks at its "
                                      "ends, which the FreeTDS driver cannot be given.")
                           .arg(what),
                       QStringLiteral("BrandleDatabase"));
    return value;
}

}  // namespace

QString SqlServerConnectionString(const OdbcServerConfig& config, const QString& database, const QString& login,
                                  const QString& password)
{
    const bool freeTds = DriverFamily(config.driver) == OdbcDriverFamily::FreeTds;
    const auto quote = [&](const QString& value, const QString& what) {
        return freeTds ? FreeTdsValue(value, what) : OdbcQuoteValue(value);
    };
    QString host = config.host.trimmed();
    QString port;
    const int comma = host.indexOf(QLatin1Char(','));
    if (comma >= 0) {
        port = host.mid(comma + 1).trimmed();
        host = host.left(comma).trimmed();
    }
    QString s = QStringLiteral("Driver=") + OdbcQuoteValue(config.driver) + QStringLiteral(";Server=");
    if (freeTds) {
        s += quote(host, QStringLiteral("server name")) + QLatin1Char(';');
        if (!port.isEmpty())
            s += QStringLiteral("Port=") + quote(port, QStringLiteral("port")) + QLatin1Char(';');
    } else {
        s += quote(port.isEmpty() ? host : host + QLatin1Char(',') + port, QString()) + QLatin1Char(';');
    }
    s += QStringLiteral("Database=") + quote(database.trimmed(), QStringLiteral("database name")) +
         QStringLiteral(";UID=") + quote(login, QStringLiteral("login name")) + QStringLiteral(";PWD=") +
         quote(password, QStringLiteral("password of login '%1'").arg(login)) + QLatin1Char(';');
    // The options, with the encryption keyword the family reads.
    const QString wrong = freeTds ? QStringLiteral("Encrypt") : QStringLiteral("Encryption");
    const QString right = freeTds ? QStringLiteral("Encryption") : QStringLiteral("Encrypt");
    for (const QString& option : config.options.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QString key = option.section(QLatin1Char('='), 0, 0).trimmed();
        QString value = option.section(QLatin1Char('='), 1).trimmed();
        if (key.isEmpty())
            continue;
        if (key.compare(wrong, Qt::CaseInsensitive) == 0) {
            key = right;
            // FreeTDS: off / request / require; Microsoft's: no / yes / strict
            static const QStringList freeTdsValues = {QStringLiteral("off"), QStringLiteral("require"),
                                                      QStringLiteral("strict")};
            static const QStringList microsoftValues = {QStringLiteral("no"), QStringLiteral("yes"),
                                                        QStringLiteral("strict")};
            const QStringList& from = freeTds ? microsoftValues : freeTdsValues;
            const QStringList& to = freeTds ? freeTdsValues : microsoftValues;
            const qsizetype at = from.indexOf(value.toLower());
            if (at >= 0)
                value = to[at];
            else if (!freeTds && value.compare(QLatin1String("request"), Qt::CaseInsensitive) == 0)
                value = QStringLiteral("yes");
        }
        s += key + QLatin1Char('=') + value + QLatin1Char(';');
    }
    return s;
}

namespace tsql {

QString SessionOptions()
{
    return QStringLiteral("SET QUOTED_IDENTIFIER ON;\nSET ANSI_NULLS ON;\nSET ANSI_PADDING ON;\nSET ANSI_WARNINGS ON;\n"
                          "SET ARITHABORT ON;\nSET CONCAT_NULL_YIELDS_NULL ON;\nSET NUMERIC_ROUNDABORT OFF;");
}

QString Begin(int level)
{
    return level == 0 ? QStringLiteral("BEGIN TRANSACTION") : QStringLiteral("SAVE TRANSACTION quillon_tran_%1").arg(level);
}

QString Commit(int level) { return level == 0 ? QStringLiteral("COMMIT TRANSACTION") : QString(); }

QString Rollback(int level)
{
    return level == 0 ? QStringLiteral("ROLLBACK TRANSACTION")
                      : QStringLiteral("ROLLBACK TRANSACTION quillon_tran_%1").arg(level);
}

QString SaveBatch(int number) { return QStringLiteral("SAVE TRANSACTION quillon_batch_%1").arg(number); }
QString RollbackBatch(int number) { return QStringLiteral("ROLLBACK TRANSACTION quillon_batch_%1").arg(number); }
QString RollbackBatchIfOpen(int number) { return QStringLiteral("IF XACT_STATE() = 1 ") + RollbackBatch(number); }

QString CallEscape(const BrandleCommand& command)
{
    QString markers;
    for (size_t i = 0; i < command.Parameters().size(); ++i)
        markers += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    return QStringLiteral("{call ") + command.ProcedureName() + QLatin1Char('(') + markers + QStringLiteral(")}");
}

QString CallBatch(const BrandleCommand& command, int number)
{
    const auto typeOf = [](const BrandleCommand::Parameter& p) -> QString {
        switch (p.type) {
        case adInteger:
            return QStringLiteral("int");
        case adDouble:
            return QStringLiteral("float");
        case adCurrency:
            return QStringLiteral("money");
        case adBoolean:
            return QStringLiteral("bit");
        case adDate:
            return QStringLiteral("datetime");
        default: {
            const QString size = p.size > 0 && p.size <= 4000 ? QString::number(p.size) : QStringLiteral("max");
            return (p.type == adChar && p.size > 0 && p.size <= 4000 ? QStringLiteral("nchar(")
                                                                      : QStringLiteral("nvarchar(")) +
                   size + QLatin1Char(')');
        }
        }
    };
    const QString save = QStringLiteral("quillon_batch_") + QString::number(number);
    QString declares;
    QString args;
    QString outputs;
    for (size_t i = 0; i < command.Parameters().size(); ++i) {
        const BrandleCommand::Parameter& p = command.Parameters()[i];
        args += i == 0 ? QStringLiteral(" ") : QStringLiteral(", ");
        if (p.direction == adParamOutput) {
            const QString var = QStringLiteral("@quillon_out") + QString::number(i + 1);
            declares += QStringLiteral("DECLARE ") + var + QLatin1Char(' ') + typeOf(p) + QStringLiteral(";\n");
            args += var + QStringLiteral(" OUTPUT");
            outputs += (outputs.isEmpty() ? QStringLiteral("SELECT ") : QStringLiteral(", ")) + var;
        } else {
            args += QLatin1Char('?');
        }
    }
    return TransactionBatch(QStringLiteral("    EXEC ") + command.ProcedureName() + args + QLatin1Char(';'), number,
                            declares, command.ProcedureName()) +
           (outputs.isEmpty() ? QString() : outputs + QStringLiteral(";\n"));
}

QString EndedTransactionMessage(const QString& procedure)
{
    return (procedure.isEmpty() ? QStringLiteral("A procedure the statements call")
                                : QStringLiteral("The procedure ") + procedure) +
           QStringLiteral(" ended the transaction it was called in: its work was rolled back.");
}

QString TransactionBatch(const QString& statements, int number, const QString& declares, const QString& procedure)
{
    const QString save = QStringLiteral("quillon_batch_") + QString::number(number);
    // The statements on lines of their own: a comment ending them stays a comment.
    // Error 266 with no transaction left: a procedure rolled back the one it was
    // called in, and said nothing else.
    return QStringLiteral("DECLARE @quillon_outer bit = CASE WHEN @@TRANCOUNT = 0 THEN 1 ELSE 0 END;\n") + declares +
           QStringLiteral("IF @quillon_outer = 1 BEGIN TRANSACTION; ELSE SAVE TRANSACTION ") + save +
           QStringLiteral(";\nBEGIN TRY\n") + statements +
           QStringLiteral("\n    IF @quillon_outer = 1 AND @@TRANCOUNT > 0 COMMIT TRANSACTION;\nEND TRY\nBEGIN CATCH\n"
                          "    IF ERROR_NUMBER() = 266 AND @@TRANCOUNT = 0 THROW ") +
           QString::number(kEndedTransactionError) + QStringLiteral(", ") +
           QuoteSQLString(Variant(EndedTransactionMessage(procedure))) +
           QStringLiteral(", 1;\n"
                          "    IF @quillon_outer = 1 AND @@TRANCOUNT > 0 ROLLBACK TRANSACTION;\n"
                          "    ELSE IF @quillon_outer = 0 AND XACT_STATE() = 1 ROLLBACK TRANSACTION ") +
           save + QStringLiteral(";\n    THROW;\nEND CATCH;\n");
}

QString ColumnNames(int columns)
{
    QString names;
    for (int i = 0; i < columns; ++i)
        names += (i ? QStringLiteral(", c") : QStringLiteral("c")) + QString::number(i);
    return names;
}

QString DerivedTable(const QString& query, int columns)
{
    // The columns named by position: SQL Server refuses a derived table with two
    // columns of one name or a column without a name, which a query it runs alone
    // may have. A line break before the closing parenthesis keeps a comment
    // ending the query a comment.
    return QStringLiteral("(\n") + InnerQuery(query) + QStringLiteral("\n) AS q (") + ColumnNames(columns) +
           QLatin1Char(')');
}

QString OrderedQuery(const QString& query, int columns, const std::vector<BrandleSortKey>& order, long long offset,
                     long long count)
{
    return WithOwnHints(query, [&](const QString& body) {
        QString s = SelectFromRows(body, columns, QStringLiteral("*")) + QStringLiteral(" ORDER BY ") + Keys(order) +
                    QStringLiteral(" OFFSET ") + QString::number(offset) + QStringLiteral(" ROWS");
        if (count >= 0)
            s += QStringLiteral(" FETCH NEXT ") + QString::number(count) + QStringLiteral(" ROWS ONLY");
        return s;
    });
}

QString CountQuery(const QString& query, int columns)
{
    return WithOwnHints(query,
                        [&](const QString& body) { return SelectFromRows(body, columns, QStringLiteral("COUNT(*)")); });
}

bool HasOwnOrder(const QString& query) { return OwnOrderAt(TopLevelWords(query)) >= 0; }

QString InnerQuery(const QString& query)
{
    const QStringList words = TopLevelWords(query);
    const qsizetype order = OwnOrderAt(words);
    if (order < 0)
        return query;
    // TOP right after the SELECT (or its DISTINCT / ALL) of the query's last part
    qsizetype select = -1;
    for (qsizetype i = order; i-- > 0;) {
        if (words[i] == QLatin1String("SELECT")) {
            select = i;
            break;
        }
    }
    qsizetype afterSelect = select + 1;
    if (select >= 0 && afterSelect < words.size() &&
        (words[afterSelect] == QLatin1String("DISTINCT") || words[afterSelect] == QLatin1String("ALL")))
        ++afterSelect;
    const bool top = select >= 0 && afterSelect < words.size() && words[afterSelect] == QLatin1String("TOP");
    const bool limited = words.mid(order).contains(QLatin1String("OFFSET")) ||
                         words.mid(order).contains(QLatin1String("FOR"));
    if (top || limited)
        return query;
    // a line break first: a comment that ends the query stays a comment
    return query + QStringLiteral("\nOFFSET 0 ROWS");
}

QString IdPositionQuery(const QString& query, int columns, const std::vector<BrandleSortKey>& keys, long long id)
{
    return WithOwnHints(query,
                        [&](const QString& body) { return IdPositionText(body, columns, keys, id, false); });
}

QString WithOwnHints(const QString& query, const std::function<QString(const QString&)>& wrap)
{
    const qsizetype hints = QueryHintsAt(query);
    if (hints < 0)
        return wrap(query);
    return wrap(query.left(hints)) + QLatin1Char('\n') + query.mid(hints);
}

}  // namespace tsql
