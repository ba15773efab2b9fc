// The dates a SQL Server is sent, read as a login whose language is German,
// French or British (DATEFORMAT dmy) reads them: every date operator of the
// filter pane and the date-times of linked views select the rows they name, a
// stored search comes back into the same rows, and one stored in the embedded
// server's forms is sent in the neutral ones.
//
// The stand-in is the SQLite ODBC driver under the SQL Server dialect: it
// receives the texts as a SQL Server would (as written: the pane's literals
// '...', N'...' only for a text outside the database's code page). Its date
// column compares by a collation of ours that reads a literal as SQL Server
// reads a datetime text under dmy; a stored value has a form of its own ("@" and
// the date-time) that no literal takes. SQLite does not read N'...', so the rows
// are read back on the driver's connection from the text it was sent with any N
// marks dropped, nothing else changed.

#include "base/AppError.h"
#include "base/SqlLex.h"
#include "base/SqlText.h"
#include "platform/controls/FilterControl.h"
#include "platform/database/BrandleCursor.h"
#include "platform/database/OdbcBackend.h"
#include "platform/database/OdbcReadConnection.h"

#include "TsqlRecord.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <optional>

using FILTERLib::Filter;
using Op = Filter::Op;

namespace {

// A date-time as milliseconds from a day of its own, free of any time zone.
using Instant = qint64;
Instant InstantOf(const QDate& d, const QTime& t) { return d.toJulianDay() * 86400000LL + t.msecsSinceStartOfDay(); }

// How a SQL Server reads a datetime text under DATEFORMAT dmy: 'yyyymmdd' and
// 'yyyy-mm-ddThh:mm:ss[.fff]' as year, month, day whatever the setting, and a
// numeric date with the year first ('yyyy-mm-dd [hh:mm[:ss[.fff]]]') as year,
// day, month. Nothing where it fails with an out-of-range conversion.
std::optional<Instant> ReadAsDmyLogin(const QString& text)
{
    static const QRegularExpression unseparated(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(?:\\.(\\d{1,3}))?$"));
    static const QRegularExpression yearFirst(QStringLiteral(
        "^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})(?: (\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,3}))?)?)?$"));
    int year = 0, month = 0, day = 0;
    QRegularExpressionMatch m;
    if ((m = unseparated.match(text)).hasMatch() || (m = iso.match(text)).hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
    } else if ((m = yearFirst.match(text)).hasMatch()) {
        year = m.captured(1).toInt();
        day = m.captured(2).toInt();
        month = m.captured(3).toInt();
    } else {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(),
                     m.captured(7).leftJustified(3, QLatin1Char('0')).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return InstantOf(date, time);
}

// The stand-in's date column: its values are stored as "@yyyy-MM-dd HH:mm:ss.zzz".
struct DmyColumn {
    static constexpr const char* kCollation = "dmy_datetime";
    QStringList refused;  // the literals a SQL Server would not convert

    static QString Stored(const QDate& d, const QTime& t)
    {
        return QLatin1Char('@') + d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
               t.toString(QStringLiteral("HH:mm:ss.zzz"));
    }
    std::optional<Instant> read(const QString& text)
    {
        if (text.startsWith(QLatin1Char('@'))) {
            const QDateTime stored = QDateTime::fromString(text.mid(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
            return InstantOf(stored.date(), stored.time());
        }
        const std::optional<Instant> literal = ReadAsDmyLogin(text);
        if (!literal)
            refused << text;
        return literal;
    }
    static int Compare(void* self, int n1, const void* a, int n2, const void* b)
    {
        auto* column = static_cast<DmyColumn*>(self);
        const std::optional<Instant> x = column->read(QString::fromUtf8(static_cast<const char*>(a), n1));
        const std::optional<Instant> y = column->read(QString::fromUtf8(static_cast<const char*>(b), n2));
        if (!x || !y)
            return 0;
        return *x < *y ? -1 : (*x > *y ? 1 : 0);
    }
    void registerOn(sqlite3* db)
    {
        ASSERT_EQ(sqlite3_create_collation_v2(db, kCollation, SQLITE_UTF8, this, &Compare, nullptr), SQLITE_OK);
    }
};

struct OrderRow {
    int id;
    QDate day;
    QTime time;
};

// Days whose month and day a dmy login swaps ('2026-12-10' is its 12 October),
// and times as datetime columns hold them.
const std::vector<OrderRow>& Orders()
{
    static const std::vector<OrderRow> rows = {
        {1, QDate(2026, 10, 12), QTime(9, 0)},
        {2, QDate(2026, 11, 12), QTime(0, 0)},
        {3, QDate(2026, 12, 9), QTime(23, 59, 59, 997)},
        {4, QDate(2026, 12, 10), QTime(0, 0)},
        {5, QDate(2026, 12, 10), QTime(17, 45, 30, 500)},
        {6, QDate(2026, 12, 11), QTime(0, 0)},
        {7, QDate(2026, 12, 11), QTime(8, 15)},
        {8, QDate(2026, 12, 12), QTime(12, 0)},
        {9, QDate(2026, 12, 13), QTime(0, 0)},
    };
    return rows;
}

std::vector<int> Expected(const std::function<bool(const OrderRow&)>& keep)
{
    std::vector<int> ids;
    for (const OrderRow& r : Orders())
        if (keep(r))
            ids.push_back(r.id);
    return ids;
}

// The text literals of a T-SQL text that are not of a form every login reads the
// same, 'yyyymmdd' or 'yyyy-mm-ddThh:mm:ss.fff', joined by blanks.
std::string LanguageDependentLiterals(const QString& sql)
{
    static const QRegularExpression neutral(
        QStringLiteral("^N?'(\\d{8}|\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}\\.\\d{3})'$"));
    QStringList found;
    for (const SqlLexToken& t : SqlLex(sql))
        if (t.kind == SqlLexKind::String && !neutral.match(SqlLexText(sql, t)).hasMatch())
            found << SqlLexText(sql, t);
    return found.join(QLatin1Char(' ')).toStdString();
}

// The text without the N of its N'...' texts, as SQLite reads it.
QString WithoutNationalMarks(const QString& sql)
{
    QString out = sql;
    const std::vector<SqlLexToken> tokens = SqlLex(sql);
    for (auto t = tokens.rbegin(); t != tokens.rend(); ++t)
        if (t->kind == SqlLexKind::String && t->national)
            out.remove(t->begin, 1);
    return out;
}

class OdbcSqlServerDates : public ::testing::Test {
protected:
    struct Sent {
        QString text;             // as the server received it
        std::vector<int> ids;     // the rows it selects there
        QStringList refused;      // the literals the server would not convert
    };

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Dates.sqlite"));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
                  SQLITE_OK);
        column.registerOn(db);
        QString script = QStringLiteral("CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, OrderDate TEXT COLLATE %1);")
                             .arg(QLatin1String(DmyColumn::kCollation));
        for (const OrderRow& r : Orders())
            script += QStringLiteral("INSERT INTO Orders VALUES (%1, '%2');").arg(r.id).arg(DmyColumn::Stored(r.day, r.time));
        ASSERT_EQ(sqlite3_exec(db, script.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close_v2(db);

        auto b = OdbcBackend::openSqliteFile(path, QStringLiteral("SQLPROD"), QStringLiteral("Dates"),
                                             QStringLiteral("coreadonly"), true, OdbcServerConfig::Dialect::SqlServer);
        b->setSentLogging(true);
        backend = b.get();
        column.registerOn(backend->sqliteHandle());
        reader = MakeOdbcReadConnection(std::move(b));
    }

    // A list query with the WHERE text: what the server receives, and the rows it selects.
    Sent Send(const QString& where)
    {
        const QString query = QStringLiteral("SELECT o.OrderID FROM Orders o ") + where;
        backend->clearSentLog();
        try {
            reader->OpenCursor(query, {BrandleSortKey{0, false}}, MakeCancelToken());
        } catch (const AppError&) {
            // the driver, being SQLite, refuses the T-SQL of the cursor's wrappers
        }
        Sent sent;
        if (backend->sentLog().isEmpty()) {
            ADD_FAILURE() << "nothing sent for " << where.toStdString();
            return sent;
        }
        sent.text = backend->sentLog().front();
        column.refused.clear();
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = (WithoutNationalMarks(sent.text) + QStringLiteral(" ORDER BY o.OrderID")).toUtf8();
        EXPECT_EQ(sqlite3_prepare_v2(backend->sqliteHandle(), sql.constData(), -1, &st, nullptr), SQLITE_OK)
            << sqlite3_errmsg(backend->sqliteHandle());
        while (st && sqlite3_step(st) == SQLITE_ROW)
            sent.ids.push_back(sqlite3_column_int(st, 0));
        sqlite3_finalize(st);
        sent.refused = column.refused;
        sent.refused.removeDuplicates();
        return sent;
    }

    // The pane as the list window sets it up for a date column.
    static void AddFields(Filter& f, SqlDateForm form)
    {
        f.AddField(QStringLiteral("Order Date"), QStringLiteral("o.OrderDate"), Variant(QStringLiteral("datetime")),
                   Variant(0));
        f.SetDateForm(form);
        f.RefreshLayout();
    }

    QTemporaryDir dir;
    DmyColumn column;
    OdbcBackend* backend = nullptr;
    std::unique_ptr<BrandleReadConnection> reader;
};

TEST_F(OdbcSqlServerDates, EveryDateOperatorOfThePaneSelectsItsDaysAndReadsBack)
{
    const QDate day(2026, 12, 10);
    const QDate last(2026, 12, 12);
    struct Case {
        Op op;
        QString v1, v2;
        std::function<bool(const OrderRow&)> keep;
    };
    const std::vector<Case> cases = {
        {Op::Equals, QStringLiteral("2026-12-10"), {}, [&](const OrderRow& r) { return r.day == day; }},
        {Op::NotEquals, QStringLiteral("2026-12-10"), {}, [&](const OrderRow& r) { return r.day != day; }},
        {Op::Less, QStringLiteral("2026-12-10"), {}, [&](const OrderRow& r) { return r.day < day; }},
        {Op::Greater, QStringLiteral("2026-12-10"), {}, [&](const OrderRow& r) { return r.day > day; }},
        {Op::LessOrEqual, QStringLiteral("2026-12-10"), {}, [&](const OrderRow& r) { return r.day <= day; }},
        {Op::GreaterOrEqual, QStringLiteral("2026-12-10"), {}, [&](const OrderRow& r) { return r.day >= day; }},
        {Op::Between, QStringLiteral("2026-12-10"), QStringLiteral("2026-12-12"),
         [&](const OrderRow& r) { return r.day >= day && r.day <= last; }},
    };
    QStringList recorded;
    for (const Case& c : cases) {
        Filter pane;
        AddFields(pane, SqlDateForm::SqlServer);
        ASSERT_TRUE(pane.SetRow(0, 0, c.op, c.v1, c.v2));
        const QString where = pane.WhereText();
        SCOPED_TRACE(where.toStdString());
        const Sent sent = Send(where);
        recorded << sent.text;
        EXPECT_EQ(LanguageDependentLiterals(sent.text), "") << sent.text.toStdString();
        EXPECT_TRUE(sent.refused.isEmpty()) << sent.refused.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(sent.ids, Expected(c.keep));

        // The same search in the embedded server's forms: the stand-in reads it as
        // a dmy login does (other rows, or a refused conversion).
        Filter embedded;
        AddFields(embedded, SqlDateForm::Embedded);
        ASSERT_TRUE(embedded.SetRow(0, 0, c.op, c.v1, c.v2));
        const QString stored = embedded.WhereText();
        const Sent misread = Send(stored);
        EXPECT_TRUE(misread.ids != Expected(c.keep) || !misread.refused.isEmpty()) << stored.toStdString();

        // A search stored in either form comes back as the same row and is sent in the neutral form.
        for (const QString& text : {where, stored}) {
            Filter back;
            AddFields(back, SqlDateForm::SqlServer);
            back.LoadFilter(text, false);
            EXPECT_FALSE(back.IsTextRow()) << text.toStdString();
            ASSERT_EQ(back.RowCount(), 2) << text.toStdString();
            EXPECT_EQ(back.RowOperator(0), c.op) << text.toStdString();
            EXPECT_EQ(back.RowValue(0), c.v1) << text.toStdString();
            EXPECT_EQ(back.RowValue(0, 1), c.v2) << text.toStdString();
            EXPECT_EQ(back.WhereText(), where) << text.toStdString();
        }
    }
    RecordTsql(recorded);
}

TEST_F(OdbcSqlServerDates, DateTimeLinksFindTheRowThatHoldsTheSameValue)
{
    const struct {
        QDateTime value;  // the selected row's value of the relation column
        int row;          // the one row that holds it
    } cases[] = {
        {QDateTime(QDate(2026, 12, 10), QTime(17, 45, 30, 500)), 5},  // with milliseconds
        {QDateTime(QDate(2026, 12, 11), QTime(8, 15)), 7},            // with a time
        {QDateTime(QDate(2026, 12, 10), QTime(0, 0)), 4},             // at midnight
    };
    QStringList recorded;
    for (const auto& c : cases) {
        // As a linked view's filter compares its relation column.
        const auto linkFilter = [](const QString& literal) {
            return QStringLiteral("WHERE ( ( o.OrderDate = ") + literal + QStringLiteral(" ) ) ");
        };
        const QString where = linkFilter(SQLDateTime(c.value, SqlDateForm::SqlServer));
        SCOPED_TRACE(where.toStdString());
        const Sent sent = Send(where);
        recorded << sent.text;
        EXPECT_EQ(LanguageDependentLiterals(sent.text), "") << sent.text.toStdString();
        EXPECT_TRUE(sent.refused.isEmpty()) << sent.refused.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(sent.ids, std::vector<int>{c.row});

        const Sent misread = Send(linkFilter(SQLDateTime(c.value, SqlDateForm::Embedded)));
        EXPECT_NE(misread.ids, std::vector<int>{c.row}) << misread.text.toStdString();
    }
    RecordTsql(recorded);
}

}  // namespace
