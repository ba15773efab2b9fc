#include "platform/database/OdbcServers.h"

#include "platform/database/BrandleCursor.h"
#include "platform/database/BrandleDatabase.h"

#include <QMutex>

namespace {

QMutex g_lookupMutex;
OdbcServerLookup g_lookup;

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

}  // namespace

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

QString OdbcQuoteValue(const QString& value)
{
    static const QString special = QStringLiteral(";{}=");
    bool needs = value.trimmed() != value;
    for (const QChar c : value)
        needs = needs || special.contains(c);
    if (!needs)
        return value;
    QString v = value;
    v.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return QLatin1Char('{') + v + QLatin1Char('}');
}

QString SqlServerConnectionString(const OdbcServerConfig& config, const QString& database, const QString& login,
                                  const QString& password)
{
    QString host = config.host.trimmed();
    QString port;
    const int comma = host.indexOf(QLatin1Char(','));
    if (comma >= 0) {
        port = host.mid(comma + 1).trimmed();
        host = host.left(comma).trimmed();
    }
    QString s = QStringLiteral("Driver=") + OdbcQuoteValue(config.driver) + QStringLiteral(";Server=") +
                OdbcQuoteValue(host) + QLatin1Char(';');
    if (!port.isEmpty())
        s += QStringLiteral("Port=") + OdbcQuoteValue(port) + QLatin1Char(';');
    s += QStringLiteral("Database=") + OdbcQuoteValue(database.trimmed()) + QStringLiteral(";UID=") +
         OdbcQuoteValue(login) + QStringLiteral(";PWD=") + OdbcQuoteValue(password) + QLatin1Char(';');
    QString options = config.options.trimmed();
    if (!options.isEmpty()) {
        if (!options.endsWith(QLatin1Char(';')))
            options += QLatin1Char(';');
        s += options;
    }
    return s;
}

namespace tsql {

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

QString CallEscape(const BrandleCommand& command)
{
    QString markers;
    for (size_t i = 0; i < command.Parameters().size(); ++i)
        markers += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    return QStringLiteral("{call ") + command.ProcedureName() + QLatin1Char('(') + markers + QStringLiteral(")}");
}

QString OrderedQuery(const QString& query, const std::vector<BrandleSortKey>& order, long long offset,
                     long long count)
{
    // The query becomes a derived table; a line break before the closing
    // parenthesis keeps a comment ending the query a comment.
    QString s = QStringLiteral("SELECT * FROM (\n") + query + QStringLiteral("\n) AS q ORDER BY ") + Keys(order) +
                QStringLiteral(" OFFSET ") + QString::number(offset) + QStringLiteral(" ROWS");
    if (count >= 0)
        s += QStringLiteral(" FETCH NEXT ") + QString::number(count) + QStringLiteral(" ROWS ONLY");
    return s;
}

QString CountQuery(const QString& query)
{
    return QStringLiteral("SELECT COUNT(*) FROM (\n") + query + QStringLiteral("\n) AS q");
}

}  // namespace tsql
