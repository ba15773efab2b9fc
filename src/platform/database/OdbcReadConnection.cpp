#include "platform/database/OdbcReadConnection.h"

#include "base/AppError.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/database/OdbcBackend.h"
#include "platform/database/SqlLexer.h"
#include "platform/database/SqlTranslator.h"

#include <deque>
#include <mutex>

namespace {

const QString kSource = QStringLiteral("BrandleDatabase");
const QString kNotAQuery = QStringLiteral("Only a single query that does not change the database may run here.");

[[noreturn]] void Fail(const QString& message) { throw AppError(kDatabaseErrorNumber, message, kSource); }
[[noreturn]] void Cancelled()
{
    throw AppError(kQueryCancelledNumber, QStringLiteral("Operation cancelled"), kSource);
}

// The translated text of a single query that cannot write.
QString TranslatedQuery(const QString& query)
{
    const std::vector<TranslatedStatement> statements = TranslateBatch(query);
    if (statements.size() != 1 || statements.front().kind != TranslatedStatement::Kind::Sql ||
        statements.front().writes)
        Fail(kNotAQuery);
    return statements.front().sql;
}

// Whether the query ends with an ORDER BY of its own (outside parentheses,
// texts, names in brackets and comments).
bool HasOwnOrder(const QString& query)
{
    int depth = 0;
    bool lastWasOrder = false;
    for (qsizetype i = 0; i < query.size(); ++i) {
        const QChar c = query[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            i = query.indexOf(close, i + 1);
            if (i < 0)
                return false;
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
        else if (depth == 0 && c.isLetter() && (i == 0 || !query[i - 1].isLetterOrNumber())) {
            qsizetype j = i;
            while (j < query.size() && (query[j].isLetterOrNumber() || query[j] == QLatin1Char('_')))
                ++j;
            const QString word = query.mid(i, j - i).toUpper();
            if (word == QLatin1String("BY") && lastWasOrder)
                return true;
            lastWasOrder = word == QLatin1String("ORDER");
            i = j - 1;
        }
    }
    return false;
}

QString SqliteKeys(const std::vector<BrandleSortKey>& order)
{
    QString keys;
    bool idIncluded = false;
    for (const BrandleSortKey& k : order) {
        keys += (keys.isEmpty() ? QString() : QStringLiteral(", ")) + QString::number(k.field + 1) +
                (k.descending ? QStringLiteral(" DESC") : QString());
        idIncluded = idIncluded || k.field == 0;
    }
    if (!idIncluded)
        keys += keys.isEmpty() ? QStringLiteral("1") : QStringLiteral(", 1");
    return keys;
}

QString SqlitePage(const QString& translated, const std::vector<BrandleSortKey>& order, long long offset,
                   long long count)
{
    QString s = QStringLiteral("SELECT * FROM (\n") + translated + QStringLiteral("\n)");
    if (!order.empty())
        s += QStringLiteral(" ORDER BY ") + SqliteKeys(order);
    return s + QStringLiteral(" LIMIT ") + QString::number(count < 0 ? -1 : count) + QStringLiteral(" OFFSET ") +
           QString::number(offset);
}

class OdbcReadConnectionImpl;

class OdbcCursor final : public BrandleQueryCursor {
public:
    OdbcCursor(OdbcReadConnectionImpl& c, QString query, QString translated, std::vector<BrandleSortKey> order,
               BrandleCancelToken token);

    QStringList FieldNames() const override { return m_names; }
    std::vector<int32_t> FieldTypes() const override { return m_types; }
    std::vector<BrandleRow> Fetch(int count) override;
    int64_t Skip(int64_t count) override;
    int64_t SeekId(int64_t id, int keep, std::vector<BrandleRow>& kept) override;
    int64_t Position() const override { return m_position; }
    bool AtEnd() const override { return m_atEnd; }
    void Rewind() override
    {
        closeStream();
        m_position = 0;
        m_atEnd = false;
    }
    ~OdbcCursor() override { closeStream(); }
    void closeStream();

private:
    // The next row from the query left open at the current position (opened
    // there when needed); false at the end.
    bool next(BrandleRow& row);

    // A page from the current position; moves on by the rows it gave.
    void page(long long count, const std::function<bool(BrandleRow&&)>& sink);

    OdbcReadConnectionImpl& m_c;
    QString m_query;
    QString m_translated;
    std::vector<BrandleSortKey> m_order;
    BrandleCancelToken m_token;
    QStringList m_names;
    std::vector<int32_t> m_types;
    int64_t m_position = 0;
    bool m_atEnd = false;
    std::unique_ptr<OdbcBackend::OpenQuery> m_open;  // reads on at m_position
};

class OdbcReadConnectionImpl final : public BrandleReadConnection {
public:
    explicit OdbcReadConnectionImpl(std::unique_ptr<OdbcBackend> backend) : m_backend(std::move(backend))
    {
        m_backend->setCommandTimeout(0);  // long counts are stopped by Cancel, not by a clock
    }

    QString ServerName() const override { return m_backend->serverName(); }
    QString DatabaseName() const override { return m_backend->databaseName(); }

    std::unique_ptr<BrandleQueryCursor> OpenCursor(const QString& query, const std::vector<BrandleSortKey>& order,
                                                   const BrandleCancelToken& token) override
    {
        const QString translated = TranslatedQuery(query);
        m_backend->fence(translated);
        return std::make_unique<OdbcCursor>(*this, query, translated, order, token);
    }

    int64_t CountRows(const QString& query, const BrandleCancelToken& token) override
    {
        const QString translated = TranslatedQuery(query);
        m_backend->fence(translated);
        int64_t n = 0;
        run(token, tsql::CountQuery(query), QStringLiteral("SELECT COUNT(*) FROM (\n") + translated + QStringLiteral("\n)"),
            nullptr, [&](BrandleRow&& row) {
                n = row.empty() || row.front().isNull() ? 0 : static_cast<int64_t>(row.front().toDouble());
                return false;
            });
        return n;
    }

    void Cancel(const BrandleCancelToken& token) override
    {
        if (!token)
            return;
        token->store(true);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_current == token.get())
            m_backend->cancel();
    }

    // Runs a query under a token; a call stopped by Cancel fails as cancelled.
    void run(const BrandleCancelToken& token, const QString& tsqlText, const QString& sqliteText,
             const std::function<void(const QStringList&, const std::vector<int32_t>&)>& header,
             const std::function<bool(BrandleRow&&)>& sink)
    {
        closeStream();
        guard(token, [&] {
            m_backend->query(tsqlText, sqliteText,
                             header ? header : [](const QStringList&, const std::vector<int32_t>&) {}, sink);
        });
    }

    OdbcBackend& backend() { return *m_backend; }

    // One query at a time is left open on the connection (a SQL Server without
    // multiple active results serves one): another statement closes it first.
    void closeStream();
    void setStream(OdbcCursor* owner) { m_stream = owner; }

    // Runs f as the call under the token.
    void guard(const BrandleCancelToken& token, const std::function<void()>& f)
    {
        if (token && token->load())
            Cancelled();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_current = token.get();
        }
        struct Clear {
            OdbcReadConnectionImpl& c;
            ~Clear()
            {
                std::lock_guard<std::mutex> lock(c.m_mutex);
                c.m_current = nullptr;
            }
        } clear{*this};
        try {
            f();
        } catch (const AppError&) {
            if (token && token->load())
                Cancelled();
            throw;
        }
    }

private:
    std::unique_ptr<OdbcBackend> m_backend;
    std::mutex m_mutex;
    std::atomic<bool>* m_current = nullptr;
    OdbcCursor* m_stream = nullptr;
};

OdbcCursor::OdbcCursor(OdbcReadConnectionImpl& c, QString query, QString translated,
                       std::vector<BrandleSortKey> order, BrandleCancelToken token)
    : m_c(c), m_query(std::move(query)), m_translated(std::move(translated)), m_order(std::move(order)),
      m_token(std::move(token))
{
    // The columns, from a statement that reads no row.
    m_c.run(m_token, QStringLiteral("SELECT TOP 0 * FROM (\n") + m_query + QStringLiteral("\n) AS q"),
            QStringLiteral("SELECT * FROM (\n") + m_translated + QStringLiteral("\n) LIMIT 0"),
            [&](const QStringList& names, const std::vector<int32_t>& types) {
                m_names = names;
                m_types = types;
            },
            [](BrandleRow&&) { return false; });
}

void OdbcCursor::page(long long count, const std::function<bool(BrandleRow&&)>& sink)
{
    long long got = 0;
    m_c.run(m_token, OdbcPageQuery(m_query, m_order, m_position, count),
            SqlitePage(m_translated, m_order, m_position, count), nullptr, [&](BrandleRow&& row) {
                ++got;
                ++m_position;
                return sink(std::move(row));
            });
    if (got < count)
        m_atEnd = true;
}


bool OdbcCursor::next(BrandleRow& row)
{
    if (m_atEnd)
        return false;
    bool got = false;
    m_c.guard(m_token, [&] {
        if (!m_open) {
            m_c.closeStream();
            QStringList names;
            std::vector<int32_t> types;
            m_open = m_c.backend().openQuery(OdbcPageQuery(m_query, m_order, m_position, -1),
                                             SqlitePage(m_translated, m_order, m_position, -1), names, types);
            m_c.setStream(this);
        }
        got = m_c.backend().readRow(*m_open, row);
    });
    if (got) {
        ++m_position;
    } else {
        m_atEnd = true;
        closeStream();
    }
    return got;
}

std::vector<BrandleRow> OdbcCursor::Fetch(int count)
{
    std::vector<BrandleRow> rows;
    if (m_atEnd || count <= 0)
        return rows;
    // The first screen by a page of its own, which need not sort the whole result.
    if (m_position == 0 && !m_open) {
        page(count, [&](BrandleRow&& row) {
            rows.push_back(std::move(row));
            return true;
        });
        return rows;
    }
    try {
        BrandleRow row;
        while (static_cast<int>(rows.size()) < count && next(row))
            rows.push_back(std::move(row));
    } catch (...) {
        closeStream();
        throw;
    }
    return rows;
}

int64_t OdbcCursor::Skip(int64_t count)
{
    int64_t n = 0;
    try {
        BrandleRow row;
        while (n < count && next(row))
            ++n;
    } catch (...) {
        closeStream();
        throw;
    }
    return n;
}

int64_t OdbcCursor::SeekId(int64_t id, int keep, std::vector<BrandleRow>& kept)
{
    kept.clear();
    std::deque<BrandleRow> ring;
    try {
        BrandleRow row;
        while (next(row)) {
            const bool hit = !row.empty() && !row.front().isNull() && static_cast<int64_t>(row.front().toDouble()) == id;
            if (hit || keep > 0) {
                ring.push_back(std::move(row));
                if (static_cast<int>(ring.size()) > keep + 1)
                    ring.pop_front();
            }
            if (hit) {
                kept.assign(std::make_move_iterator(ring.begin()), std::make_move_iterator(ring.end()));
                return m_position - 1;
            }
        }
    } catch (...) {
        closeStream();
        throw;
    }
    return -1;
}

void OdbcCursor::closeStream()
{
    if (m_open)
        m_c.setStream(nullptr);
    m_open.reset();
}

void OdbcReadConnectionImpl::closeStream()
{
    if (m_stream) {
        OdbcCursor* owner = m_stream;
        m_stream = nullptr;
        owner->closeStream();
    }
}

}  // namespace

QString OdbcPageQuery(const QString& query, const std::vector<BrandleSortKey>& order, long long offset,
                      long long count)
{
    if (order.empty() && HasOwnOrder(query)) {
        QString s = query + QStringLiteral("\nOFFSET ") + QString::number(offset) + QStringLiteral(" ROWS");
        if (count >= 0)
            s += QStringLiteral(" FETCH NEXT ") + QString::number(count) + QStringLiteral(" ROWS ONLY");
        return s;
    }
    return tsql::OrderedQuery(query, order, offset, count);
}

std::unique_ptr<BrandleReadConnection> MakeOdbcReadConnection(std::unique_ptr<OdbcBackend> backend)
{
    return std::make_unique<OdbcReadConnectionImpl>(std::move(backend));
}

std::unique_ptr<BrandleReadConnection> OpenOdbcReadConnection(const OdbcServerConfig& config, const QString& server,
                                                               const QString& database, const QString& login,
                                                               const QString& password)
{
    return MakeOdbcReadConnection(OpenOdbcBackend(config, server, database, login, password, true));
}
