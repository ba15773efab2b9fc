// The filter pane: its WHERE text for every operator of every data type, read
// back into the same rows, run on a table whose values are made to break out of
// their literals; texts it cannot read back; rows, row count and layout.

#include "platform/controls/FilterControl.h"

#include "FilterPaneTestSupport.h"
#include "UserLocale.h"
#include "platform/controls/ColumnFormat.h"

#include "core/SessionValues.h"
#include "platform/database/BrandleDatabase.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/database/SqliteBackend.h"

#include <QDate>
#include <QTest>
#include <QToolButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

using FILTERLib::Filter;
using Op = Filter::Op;
using panetest::IsMarked;
using panetest::PaneRow;
using panetest::PaneRows;

namespace {

// Fields as the SQL search editor adds them: references are column SQL.
void AddFields(Filter& f)
{
    f.AddField(QStringLiteral("Name"), QStringLiteral("t.Name"), Variant(QStringLiteral("text")), Variant(0));
    f.AddField(QStringLiteral("Quantity"), QStringLiteral("t.Qty"), Variant(QStringLiteral("number")), Variant(0));
    f.AddField(QStringLiteral("Price"), QStringLiteral("t.Price"), Variant(QStringLiteral("money")), Variant(-1));
    f.AddField(QStringLiteral("Day"), QStringLiteral("t.Day"), Variant(QStringLiteral("date")), Variant(0));
    f.AddField(QStringLiteral("Active"), QStringLiteral("(CASE WHEN t.Active <> 0 THEN 'Yes' ELSE 'No' END)"),
               Variant(QStringLiteral("boolean")), Variant(0));
    f.AddField(QStringLiteral("Code"), QStringLiteral("t.Code"), Variant(QStringLiteral("ZZ-unknown")), Variant(0));
}

struct Row {
    int id;
    QString name;
    double qty;
    double price;
    QString day;  // with a time of day, as datetime columns hold it
    bool active;
};

const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = {
        {1, QStringLiteral("O'Brien"), 1, 9.5, QStringLiteral("2024-03-05 10:30:00.000"), true},
        {2, QStringLiteral("50% off"), 5, 100, QStringLiteral("2024-03-05 00:00:00.000"), false},
        {3, QStringLiteral("500 off"), 10, 100.25, QStringLiteral("2024-03-06 08:00:00.000"), true},
        {4, QStringLiteral("a_b"), -2, 0, QStringLiteral("2024-03-04 23:59:59.000"), true},
        {5, QStringLiteral("axb"), 0, 12, QStringLiteral("2023-12-31 12:00:00.000"), false},
        {6, QStringLiteral("x -- y"), 7.5, 7.5, QStringLiteral("2024-01-01 00:00:00.000"), true},
        {7, QStringLiteral("semi;colon"), 3, 3, QStringLiteral("2024-02-29 16:00:00.000"), false},
        {8, QStringLiteral("[bracket]"), 4, 4, QStringLiteral("2024-03-10 09:00:00.000"), true},
        {9, QStringLiteral("back\\slash"), 6, 6, QStringLiteral("2024-03-07 00:00:00.000"), true},
        {10, QString(), 2, 2, QStringLiteral("2024-05-01 00:00:00.000"), false},
        {11, QStringLiteral(""), 2, 2, QStringLiteral("2024-05-02 00:00:00.000"), false},
        {12, QStringLiteral("'); DELETE FROM T; --"), 1, 1, QStringLiteral("2024-05-03 00:00:00.000"), true},
        // outside Windows-1252 (N'...' in the WHERE text) and inside it
        {13, QStringLiteral("\u0141\u00f3d\u017a 50%"), 8, 8, QStringLiteral("2024-05-04 00:00:00.000"), true},
        {14, QStringLiteral("Z\u00fcrich"), 9, 9, QStringLiteral("2024-05-05 00:00:00.000"), false},
    };
    return rows;
}

class FilterFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        db = new BrandleDatabase;
        db->OpenBackend(SqliteBackend::openFile(dir->filePath(QStringLiteral("filter.sqlite"))));
        db->Execute(QStringLiteral("CREATE TABLE T (ID INTEGER PRIMARY KEY, Name TEXT, Qty REAL, Price REAL, "
                                   "Day TEXT, Active INTEGER, Code TEXT)"));
        for (const Row& r : Rows()) {
            db->Execute(QStringLiteral("INSERT INTO T VALUES (%1, %2, %3, %4, '%5', %6, 'C%1')")
                            .arg(r.id)
                            .arg(r.name.isNull() ? QStringLiteral("NULL") : QuoteSQLString(Variant(r.name)))
                            .arg(r.qty)
                            .arg(r.price)
                            .arg(r.day)
                            .arg(r.active ? 1 : 0));
        }
    }
    static void TearDownTestSuite()
    {
        delete db;
        delete dir;
    }

    // The ids the WHERE text selects, run as a single read-only query.
    static std::vector<int> Select(const QString& where)
    {
        BrandleRecordsetPtr rs;
        db->OpenReadOnlyRecordset(QStringLiteral("SELECT t.ID FROM T t ") + where + QStringLiteral(" ORDER BY t.ID"), rs);
        std::vector<int> ids;
        for (; rs->HasRecord(); rs->MoveNext())
            ids.push_back(rs->Item(0).toInt32());
        return ids;
    }
    static std::vector<int> Expected(const std::function<bool(const Row&)>& keep)
    {
        std::vector<int> ids;
        for (const Row& r : Rows())
            if (keep(r))
                ids.push_back(r.id);
        return ids;
    }

    static QTemporaryDir* dir;
    static BrandleDatabase* db;
};
QTemporaryDir* FilterFixture::dir = nullptr;
BrandleDatabase* FilterFixture::db = nullptr;

QDate DayOf(const Row& r) { return QDate::fromString(r.day.left(10), QStringLiteral("yyyy-MM-dd")); }

TEST_F(FilterFixture, EveryOperatorSelectsWhatItSaysAndReadsBack)
{
    const QDate d0(2024, 3, 5);
    const QDate d1(2024, 3, 7);
    struct Case {
        int field;
        Op op;
        QString v1, v2;
        std::function<bool(const Row&)> keep;
        QString shown = {};  // the first value read back, when it is not shown as typed
    };
    const auto name = [](const Row& r) { return r.name.isNull() ? QString() : r.name; };
    const std::vector<Case> cases = {
        {0, Op::Equals, QStringLiteral("O'Brien"), {}, [&](const Row& r) { return r.name == QLatin1String("O'Brien"); }},
        {0, Op::NotEquals, QStringLiteral("O'Brien"), {},
         [&](const Row& r) { return !r.name.isNull() && r.name != QLatin1String("O'Brien"); }},
        {0, Op::BeginsWith, QStringLiteral("50%"), {}, [&](const Row& r) { return name(r).startsWith(QStringLiteral("50%")); }},
        {0, Op::BeginsWith, QStringLiteral("O'"), {}, [&](const Row& r) { return name(r).startsWith(QStringLiteral("O'")); }},
        {0, Op::Contains, QStringLiteral("_"), {}, [&](const Row& r) { return name(r).contains(u'_'); }},
        {0, Op::Contains, QStringLiteral("--"), {}, [&](const Row& r) { return name(r).contains(QStringLiteral("--")); }},
        {0, Op::Contains, QStringLiteral(";"), {}, [&](const Row& r) { return name(r).contains(u';'); }},
        {0, Op::Contains, QStringLiteral("[b"), {}, [&](const Row& r) { return name(r).contains(QStringLiteral("[b")); }},
        {0, Op::Contains, QStringLiteral("\\"), {}, [&](const Row& r) { return name(r).contains(u'\\'); }},
        {0, Op::Contains, QStringLiteral("'); DELETE FROM T; --"), {},
         [&](const Row& r) { return name(r).contains(QStringLiteral("'); DELETE FROM T; --")); }},
        {0, Op::NotContains, QStringLiteral("%"), {}, [&](const Row& r) { return !r.name.isNull() && !r.name.contains(u'%'); }},
        {0, Op::EndsWith, QStringLiteral("]"), {}, [&](const Row& r) { return name(r).endsWith(u']'); }},
        {0, Op::Equals, QStringLiteral("\u0141\u00f3d\u017a 50%"), {},
         [&](const Row& r) { return r.name == QStringLiteral("\u0141\u00f3d\u017a 50%"); }},
        {0, Op::Contains, QStringLiteral("\u00f3d\u017a 50%"), {},
         [&](const Row& r) { return name(r).contains(QStringLiteral("\u00f3d\u017a 50%")); }},
        {0, Op::NotEquals, QStringLiteral("Z\u00fcrich"), {},
         [&](const Row& r) { return !r.name.isNull() && r.name != QStringLiteral("Z\u00fcrich"); }},
        {0, Op::IsEmpty, {}, {}, [&](const Row& r) { return name(r).isEmpty(); }},
        {0, Op::IsNotEmpty, {}, {}, [&](const Row& r) { return !name(r).isEmpty(); }},
        {1, Op::Equals, QStringLiteral("5"), {}, [](const Row& r) { return r.qty == 5; }},
        {1, Op::NotEquals, QStringLiteral("5"), {}, [](const Row& r) { return r.qty != 5; }},
        {1, Op::Less, QStringLiteral("0"), {}, [](const Row& r) { return r.qty < 0; }},
        {1, Op::Greater, QStringLiteral("7.25"), {}, [](const Row& r) { return r.qty > 7.25; }},
        {1, Op::LessOrEqual, QStringLiteral("-2"), {}, [](const Row& r) { return r.qty <= -2; }},
        {1, Op::GreaterOrEqual, QStringLiteral("6"), {}, [](const Row& r) { return r.qty >= 6; }},
        {1, Op::Between, QStringLiteral("1"), QStringLiteral("3"), [](const Row& r) { return r.qty >= 1 && r.qty <= 3; }},
        {2, Op::GreaterOrEqual, QStringLiteral("100.25"), {}, [](const Row& r) { return r.price >= 100.25; },
         QStringLiteral("$100.25")},
        {3, Op::Equals, QStringLiteral("2024-03-05"), {}, [&](const Row& r) { return DayOf(r) == d0; }},
        {3, Op::NotEquals, QStringLiteral("2024-03-05"), {}, [&](const Row& r) { return DayOf(r) != d0; }},
        {3, Op::Less, QStringLiteral("2024-03-05"), {}, [&](const Row& r) { return DayOf(r) < d0; }},
        {3, Op::Greater, QStringLiteral("2024-03-05"), {}, [&](const Row& r) { return DayOf(r) > d0; }},
        {3, Op::LessOrEqual, QStringLiteral("2024-03-05"), {}, [&](const Row& r) { return DayOf(r) <= d0; }},
        {3, Op::GreaterOrEqual, QStringLiteral("2024-03-05"), {}, [&](const Row& r) { return DayOf(r) >= d0; }},
        {3, Op::Between, QStringLiteral("2024-03-05"), QStringLiteral("2024-03-07"),
         [&](const Row& r) { return DayOf(r) >= d0 && DayOf(r) <= d1; }},
        {4, Op::Is, QStringLiteral("Yes"), {}, [](const Row& r) { return r.active; }},
        {4, Op::IsNot, QStringLiteral("Yes"), {}, [](const Row& r) { return !r.active; }},
        {4, Op::Is, QStringLiteral("No"), {}, [](const Row& r) { return !r.active; }},
        {5, Op::Equals, QStringLiteral("C3"), {}, [](const Row& r) { return r.id == 3; }},
        {5, Op::BeginsWith, QStringLiteral("C1"), {}, [](const Row& r) { return QString::number(r.id).startsWith(u'1'); }},
    };
    for (const Case& c : cases) {
        Filter f;
        AddFields(f);
        f.RefreshLayout();
        ASSERT_TRUE(f.SetRow(0, c.field, c.op, c.v1, c.v2)) << c.v1.toStdString();
        const QString where = f.WhereText();
        SCOPED_TRACE(where.toStdString());
        EXPECT_TRUE(where.startsWith(QStringLiteral("WHERE ( ")));
        EXPECT_EQ(Select(where), Expected(c.keep));

        Filter back;
        AddFields(back);
        back.RefreshLayout();
        back.LoadFilter(where, false);
        EXPECT_FALSE(back.IsTextRow());
        ASSERT_EQ(back.RowCount(), 2);
        EXPECT_EQ(back.RowField(0), c.field);
        EXPECT_EQ(back.RowOperator(0), c.op);
        if (c.op != Op::IsEmpty && c.op != Op::IsNotEmpty)
            EXPECT_EQ(back.RowValue(0), c.shown.isEmpty() ? c.v1 : c.shown);
        if (c.op == Op::Between)
            EXPECT_EQ(back.RowValue(0, 1), c.v2);
        EXPECT_EQ(back.WhereText(), where);
    }
    EXPECT_EQ(Select(QString()).size(), Rows().size());  // the table is whole
}

TEST_F(FilterFixture, DatesAsUsersTypeThem)
{
    const struct {
        const char* typed;
        const char* literal;  // empty: no condition
    } cases[] = {
        {"2024-03-05", "'2024-03-05'"}, {"12/25/2024", "'2024-12-25'"}, {"25.12.2024", "'2024-12-25'"},
        {"2024/12/25", "'2024-12-25'"}, {"12/25/24", "'2024-12-25'"},   {"12/25/30", "'1930-12-25'"},
        {"12/25/29", "'2029-12-25'"},   {"13/45/2024", ""},             {"soon", ""},
        // Year first with two digits, as the date box's hint leads a user to type it.
        {"24-01-01", "'2024-01-01'"},   {"24-1-1", "'2024-01-01'"},     {" 24-12-5 ", "'2024-12-05'"},
        {"29-12-31", "'2029-12-31'"},   {"30-01-01", "'1930-01-01'"},   {"00-2-29", "'2000-02-29'"},
        {"2024-1-5", "'2024-01-05'"},   {"24-13-01", ""},               {"24-02-30", ""},
        {"124-01-01", ""},              {"24-01", ""},
    };
    for (const auto& c : cases) {
        Filter f;
        AddFields(f);
        f.RefreshLayout();
        ASSERT_TRUE(f.SetRow(0, 3, Op::Equals, QString::fromLatin1(c.typed)));
        const QString where = f.WhereText();
        if (!*c.literal) {
            EXPECT_TRUE(where.isEmpty()) << c.typed << ": " << where.toStdString();
            continue;
        }
        EXPECT_TRUE(where.contains(QString::fromLatin1(c.literal))) << c.typed << ": " << where.toStdString();
        // Read back, the row holds the four-digit year and writes the same text.
        Filter back;
        AddFields(back);
        back.RefreshLayout();
        back.LoadFilter(where, false);
        EXPECT_EQ(back.RowValue(0), QString::fromLatin1(c.literal).mid(1, 10)) << c.typed;
        EXPECT_EQ(back.WhereText(), where) << c.typed;
    }
}

// The forms a date box's hint and tooltip name, written out for 5 March 2024.
QStringList SampleDates(const QString& forms)
{
    QStringList samples;
    static const QRegularExpression form(QStringLiteral("[ymd]+(?:[-./][ymd]+){2}"));
    for (auto it = form.globalMatch(forms); it.hasNext();) {
        QString sample = it.next().captured();
        static const QRegularExpression part(QStringLiteral("[ymd]+"));
        QString out;
        int last = 0;
        for (auto p = part.globalMatch(sample); p.hasNext();) {
            const QRegularExpressionMatch m = p.next();
            out += sample.mid(last, m.capturedStart() - last);
            const QString piece = m.captured();
            static const QHash<QString, QString> values = {{QStringLiteral("yyyy"), QStringLiteral("2024")}, {QStringLiteral("yy"), QStringLiteral("24")}, {QStringLiteral("mm"), QStringLiteral("03")},
                                                           {QStringLiteral("m"), QStringLiteral("3")}, {QStringLiteral("dd"), QStringLiteral("05")}, {QStringLiteral("d"), QStringLiteral("5")}};
            out += values.value(piece, QStringLiteral("?"));
            last = static_cast<int>(m.capturedEnd());
        }
        samples << out + sample.mid(last);
    }
    return samples;
}

TEST_F(FilterFixture, ADateBoxsHintAndTooltipNameFormsThatReadAsTheySay)
{
    const QLocale before;
    const struct {
        const char* locale;
        const char* hint;
        const char* twoDigitYearFirst;  // what 24-01-02 reads as there
    } locales[] = {
        {"en_US", "yyyy-mm-dd or yy-mm-dd", "'2024-01-02'"},
        {"de_DE", "yyyy-mm-dd or yy-mm-dd", "'2024-01-02'"},
        {"en_GB", "yyyy-mm-dd or yy-mm-dd", "'2024-01-02'"},
        {"sv_SE", "yyyy-mm-dd or yy-mm-dd", "'2024-01-02'"},
        // The system's own short format has dashes, day first: such a text is its.
        {"my_MM", "yyyy-mm-dd or dd-mm-yy", "'2002-01-24'"},
    };
    for (const auto& l : locales) {
        SCOPED_TRACE(l.locale);
        QLocale::setDefault(QLocale(QString::fromLatin1(l.locale)));
        Filter f;
        AddFields(f);
        f.RefreshLayout();
        ASSERT_TRUE(f.SetRow(0, 3, Op::Between, QStringLiteral("24-01-02"), QStringLiteral("2024-12-31")));
        EXPECT_TRUE(f.WhereText().contains(QString::fromLatin1(l.twoDigitYearFirst))) << qPrintable(f.WhereText());
        const PaneRow row = PaneRows(&f).at(0);
        EXPECT_EQ(row.value1->placeholderText(), QString::fromLatin1(l.hint));
        EXPECT_EQ(row.value2->placeholderText(), QString::fromLatin1(l.hint));
        const QString tip = row.value1->toolTip();
        EXPECT_TRUE(tip.contains(QStringLiteral("1930 to 2029"))) << qPrintable(tip);
        const QStringList samples = SampleDates(row.value1->placeholderText()) + SampleDates(tip);
        EXPECT_GE(samples.size(), 7) << qPrintable(tip);
        for (const QString& sample : samples) {
            ASSERT_TRUE(f.SetRow(0, 3, Op::Equals, sample));
            EXPECT_TRUE(f.WhereText().contains(QStringLiteral("'2024-03-05'")))
                << qPrintable(sample) << " from " << qPrintable(tip) << ": " << qPrintable(f.WhereText());
        }
        // A box of another kind has no date hint.
        ASSERT_TRUE(f.SetRow(0, 1, Op::Equals, QStringLiteral("1")));
        EXPECT_TRUE(PaneRows(&f).at(0).value1->placeholderText().isEmpty());
        EXPECT_TRUE(PaneRows(&f).at(0).value1->toolTip().isEmpty());
    }
    QLocale::setDefault(before);
}

TEST_F(FilterFixture, ValuesTheRowsRefuseAreShownAndSaidInTheUsersLocale)
{
    struct Locale {
        const char* name;
        QString number, refusedNumber;  // 1.5 as the user types it; a text that is no number there
    } locales[] = {{"en_US", QStringLiteral("1.5"), QStringLiteral("1,5")},
                   {"de_DE", QStringLiteral("1,5"), QStringLiteral("1,5x")}};
    const QString longText(40000, QLatin1Char('a'));
    const QLocale before;
    for (const Locale& l : locales) {
        QLocale::setDefault(QLocale(QString::fromLatin1(l.name)));
        const QLocale user;
        struct Case {
            int field;
            Op op;
            QString v1, v2;
            QString problem;  // empty: the row searches
            int box = 1;      // the value box that holds the refused value
        } cases[] = {
            {1, Op::Equals, l.number, {}, {}},
            {1, Op::Greater, l.refusedNumber, {}, QStringLiteral("The value of 'Quantity' is not a number: ") + l.refusedNumber},
            {2, Op::Between, QStringLiteral("1"), QStringLiteral("lots"), QStringLiteral("The value of 'Price' is not a number: lots"), 2},
            {2, Op::Between, QStringLiteral("lots"), QStringLiteral("1"), QStringLiteral("The value of 'Price' is not a number: lots")},
            {3, Op::Between, QStringLiteral("24-13-45"), QStringLiteral("2024-12-31"),
             QStringLiteral("The value of 'Day' is not a date: 24-13-45")},
            {3, Op::Between, QStringLiteral("2024-01-01"), QStringLiteral("soon"), QStringLiteral("The value of 'Day' is not a date: soon"), 2},
            {1, Op::Equals, QStringLiteral("  "), {}, {}},  // nothing typed yet: incomplete, not refused
            {3, Op::Equals, QStringLiteral("2024-02-30"), {}, QStringLiteral("The value of 'Day' is not a date: 2024-02-30")},
            {3, Op::GreaterOrEqual, QStringLiteral("9999-12-31"), {}, {}},
            {3, Op::Equals, QStringLiteral("9999-12-31"), {},
             QStringLiteral("The value of 'Day' is the last day of the calendar, which 'equals' cannot take: 9999-12-31")},
            {3, Op::Between, QStringLiteral("2024-01-01"), QStringLiteral("9999-12-31"),
             QStringLiteral("The value of 'Day' is the last day of the calendar, which 'between' cannot take: 9999-12-31"), 2},
            {0, Op::Contains, QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"), {},
             QStringLiteral("The value of 'Name' contains a NUL character, which a search cannot hold.")},
            {0, Op::Equals, longText, {},
             QStringLiteral("The value of 'Name' is too long: %1 characters, where a search value holds at most %2.")
                 .arg(user.toString(40000), user.toString(32767))},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(l.name) + " " + c.v1.left(20).toStdString());
            Filter f;
            AddFields(f);
            f.RefreshLayout();
            ASSERT_TRUE(f.SetRow(0, c.field, c.op, c.v1, c.v2));
            EXPECT_EQ(f.InvalidValue(), c.problem);
            // The refused value gives no condition (the search would drop it silently).
            EXPECT_EQ(f.WhereText().isEmpty(), !c.problem.isEmpty() || c.v1.trimmed().isEmpty());
            // The box that holds the value shows why; the row's other box is not marked.
            const PaneRow row = PaneRows(&f).at(0);
            int box = 1;
            for (const QLineEdit* e : {row.value1, row.value2}) {
                const bool refused = !c.problem.isEmpty() && box++ == c.box;
                EXPECT_EQ(IsMarked(e), refused) << "box " << box - 1;
                EXPECT_EQ(!c.problem.isEmpty() && e->toolTip() == c.problem, refused) << "box " << box - 1;
            }
        }
        // A long paste arrives whole: the box does not cut it.
        Filter f;
        AddFields(f);
        f.RefreshLayout();
        ASSERT_TRUE(f.SetRow(0, 0, Op::Equals, QStringLiteral("x")));
        for (QLineEdit* e : f.findChildren<QLineEdit*>())
            EXPECT_GT(e->maxLength(), longText.size());
        // A number read back from a stored search shows as the user types numbers.
        Filter back;
        AddFields(back);
        back.RefreshLayout();
        back.LoadFilter(QStringLiteral("WHERE ( t.Qty = 1.255 )"), false);
        EXPECT_EQ(back.RowValue(0), user.toString(1.255, 'g', 15));
        EXPECT_EQ(back.WhereText(), QStringLiteral("WHERE ( t.Qty = 1.255 )"));
    }
    QLocale::setDefault(before);
}

TEST(FilterNumbers, ASavedSearchsNumbersShowAsTheirColumnAndWriteTheSameText)
{
    // How the list shows the column's value, or as the user typed it without group separators.
    enum class Shown { Money, Decimal, Ungrouped };
    struct Case {
        int field;
        Op op;
        double v1, v2;
        int typedDecimals;  // the values as the user types them: grouped, with so many decimals
        const char* where;
        Shown shown;
        const char *usShown1, *usShown2;  // as shown in the United States
    };
    const Case cases[] = {
        {0, Op::GreaterOrEqual, 5000, 0, 2, "WHERE ( {Amount} >= 5000 )", Shown::Money, "$5,000.00", ""},
        {0, Op::Between, -1234.5, 1e6, 2, "WHERE ( {Amount} BETWEEN -1234.5 AND 1000000 )", Shown::Money,
         "($1,234.50)", "$1,000,000.00"},
        // Money with more decimals than the currency shows keeps them.
        {0, Op::Less, 99999.125, 0, 3, "WHERE ( {Amount} < 99999.125 )", Shown::Decimal, "99,999.125", ""},
        // An id keeps its digits together, as the user types it.
        {1, Op::Equals, 1028, 0, 0, "WHERE ( {OrderID} = 1028 )", Shown::Ungrouped, "1028", ""},
        {1, Op::Equals, 5000.5, 0, 1, "WHERE ( {OrderID} = 5000.5 )", Shown::Decimal, "5,000.5", ""},
        {2, Op::Greater, 12345, 0, 0, "WHERE ( {Lines} > 12345 )", Shown::Ungrouped, "12345", ""},
        {3, Op::NotEquals, 5000, 0, 0, "WHERE ( {Rate} <> 5000 )", Shown::Decimal, "5,000", ""},
        {3, Op::Between, 0.25, 12345.678, 3, "WHERE ( {Rate} BETWEEN 0.25 AND 12345.678 )", Shown::Decimal, "0.25",
         "12,345.678"},
    };
    std::vector<const char*> locales = {"en_US.UTF-8"};
    locales.insert(locales.end(), std::begin(kDecimalCommaLocales), std::end(kDecimalCommaLocales));
    for (const char* name : locales) {
        UserLocale locale(name);
        if (!locale.IsSet())
            continue;
        const bool us = QLatin1String(name).startsWith(QLatin1String("en_US"));
        QLocale grouped;
        grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
        const auto addFields = [](Filter& f) {
            f.AddField(QStringLiteral("Amount"), QStringLiteral("{Amount}"), Variant(QStringLiteral("money")), Variant(0));
            f.AddField(QStringLiteral("Order ID"), QStringLiteral("{OrderID}"), Variant(QStringLiteral("number")), Variant(0));
            f.AddField(QStringLiteral("Lines"), QStringLiteral("{Lines}"), Variant(QStringLiteral("int")), Variant(0));
            f.AddField(QStringLiteral("Rate"), QStringLiteral("{Rate}"), Variant(QStringLiteral("decimal")), Variant(0));
            f.RefreshLayout();
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + " " + c.where);
            const auto typed = [&](double v) {
                return c.typedDecimals == 0 && c.shown == Shown::Ungrouped ? QString::number(v)
                                                                           : grouped.toString(v, 'f', c.typedDecimals);
            };
            Filter f;
            addFields(f);
            ASSERT_TRUE(f.SetRow(0, c.field, c.op, typed(c.v1), c.op == Op::Between ? typed(c.v2) : QString()));
            // The stored text is the same under every locale.
            ASSERT_EQ(f.WhereText(), QString::fromLatin1(c.where));

            Filter back;
            addFields(back);
            back.LoadFilter(QString::fromLatin1(c.where), false);
            ASSERT_FALSE(back.IsTextRow());
            for (int which = 0; which < (c.op == Op::Between ? 2 : 1); ++which) {
                const double v = which == 0 ? c.v1 : c.v2;
                const QString shown = back.RowValue(0, which);
                switch (c.shown) {
                case Shown::Money: EXPECT_EQ(shown, FormatColumnValue(Variant(v), ColumnKind::Money)); break;
                case Shown::Decimal: EXPECT_EQ(shown, FormatColumnValue(Variant(v), ColumnKind::Decimal)); break;
                case Shown::Ungrouped: EXPECT_EQ(shown, QString::number(v)); break;
                }
                if (us)
                    EXPECT_EQ(shown, QString::fromLatin1(which == 0 ? c.usShown1 : c.usShown2));
            }
            // Read back into the row, the values write the same text again.
            EXPECT_EQ(back.InvalidValue(), QString());
            EXPECT_EQ(back.WhereText(), QString::fromLatin1(c.where));
        }
    }
}

TEST_F(FilterFixture, ConditionsJoinWithAndAndKeepReferencesAsAdded)
{
    Filter f;
    AddFields(f);
    f.RefreshLayout();
    EXPECT_EQ(f.WhereText(), QString());
    EXPECT_FALSE(f.CanSave());
    ASSERT_TRUE(f.SetRow(0, 0, Op::Equals, QStringLiteral("it's")));
    ASSERT_TRUE(f.SetRow(1, 1, Op::Between, QStringLiteral("1"), QStringLiteral("2.5")));
    ASSERT_TRUE(f.SetRow(2, 0, Op::BeginsWith, QString()));
    ASSERT_TRUE(f.SetRow(3, 0, Op::Contains, QString()));
    EXPECT_EQ(f.WhereText(), QStringLiteral("WHERE ( t.Name = 'it''s' AND t.Qty BETWEEN 1 AND 2.5 AND "
                                            "t.Name LIKE '%' AND t.Name LIKE '%%' )"));
    EXPECT_TRUE(f.CanSave());
    EXPECT_EQ(f.RowCount(), 5);

    // A number that is not one leaves its row out; the row is not complete.
    Filter g;
    AddFields(g);
    g.RefreshLayout();
    ASSERT_TRUE(g.SetRow(0, 1, Op::Equals, QStringLiteral("1; DROP TABLE T")));
    EXPECT_EQ(g.WhereText(), QString());
    EXPECT_FALSE(g.CanSave());
    // An operator the field's type does not offer is refused.
    EXPECT_FALSE(g.SetRow(0, 1, Op::Contains, QStringLiteral("1")));
    EXPECT_FALSE(g.SetRow(0, 9, Op::Equals, QStringLiteral("1")));
}

TEST_F(FilterFixture, TextsItCannotReadBackStayWhole)
{
    Filter f;
    f.AddField(QStringLiteral("Unit Price"), QStringLiteral("{UnitPrice}"), Variant(QStringLiteral("money")), Variant(0));
    f.AddField(QStringLiteral("List Price"), QStringLiteral("{ListPrice}"), Variant(QStringLiteral("money")), Variant(-1));
    f.AddField(QStringLiteral("Status"), QStringLiteral("{Status}"), Variant(QStringLiteral("text")), Variant(0));
    f.AddField(QStringLiteral("Customer"), QStringLiteral("{CustomerName}"), Variant(QStringLiteral("text")), Variant(0));
    f.SetLayoutOption(12);
    f.RefreshLayout();
    const QString texts[] = {
        QStringLiteral("WHERE ( {UnitPrice} < {ListPrice} )"),
        QStringLiteral("WHERE {Status} = 'Open' OR {Status} = 'Shipped'"),
        QStringLiteral("WHERE o.OrderID IN (SELECT OrderID FROM OrderLines)"),
        QStringLiteral("WHERE ( {Status} LIKE 'O_en' )"),
        QStringLiteral("ol.OrderID = 17"),
        // An empty value would make a row that is left out: the condition would be lost.
        QStringLiteral("WHERE ( {Status} = '' )"),
        QStringLiteral("WHERE ( {Status} <> '' AND {CustomerName} = 'Acme' )"),
    };
    for (const QString& text : texts) {
        f.LoadFilter(text, false);
        EXPECT_TRUE(f.IsTextRow()) << text.toStdString();
        EXPECT_EQ(f.RowCount(), 1);
        EXPECT_EQ(f.WhereText(), text);
        EXPECT_TRUE(f.CanSave());
    }
    EXPECT_FALSE(f.UsesExtendedFrom());
    f.LoadFilter(texts[0], false);
    EXPECT_TRUE(f.UsesExtendedFrom());  // {ListPrice} was added with the extended-FROM flag
    // A complex search is one text row even when it could be read.
    f.LoadFilter(QStringLiteral("WHERE ( {Status} = 'Open' )"), true);
    EXPECT_TRUE(f.IsTextRow());
    // The demo's saved searches read back into rows.
    f.LoadFilter(QStringLiteral("WHERE ( {Status} = 'Open' )"), false);
    ASSERT_FALSE(f.IsTextRow());
    EXPECT_EQ(f.RowField(0), 2);
    EXPECT_EQ(f.RowValue(0), QStringLiteral("Open"));
    f.LoadFilter(QStringLiteral("WHERE ( {CustomerName} LIKE 'O''Brien%' )"), false);
    ASSERT_FALSE(f.IsTextRow());
    EXPECT_EQ(f.RowOperator(0), Op::BeginsWith);
    EXPECT_EQ(f.RowValue(0), QStringLiteral("O'Brien"));
    f.LoadFilter(QStringLiteral("WHERE ( {UnitPrice} >= 1000 )"), false);
    EXPECT_EQ(f.RowOperator(0), Op::GreaterOrEqual);
    EXPECT_FALSE(f.UsesExtendedFrom());
    f.LoadFilter(QStringLiteral("WHERE ( {ListPrice} >= 1000 )"), false);
    EXPECT_TRUE(f.UsesExtendedFrom());
    // Removing the text row gives back an empty row.
    f.LoadFilter(texts[1], false);
    f.RemoveRow(0);
    EXPECT_FALSE(f.IsTextRow());
    EXPECT_EQ(f.RowCount(), 1);
    EXPECT_EQ(f.WhereText(), QString());
    // The search's name is the window's affair.
    EXPECT_EQ(f.Text(), QStringLiteral("QuickSearch"));
    f.SetText(QStringLiteral("Open Orders"));
    f.LoadFilter(texts[0], true);
    EXPECT_EQ(f.Text(), QStringLiteral("Open Orders"));
}

TEST_F(FilterFixture, ARowsOwnRemoveButtonTakesItAway)
{
    Filter f;
    f.resize(600, 400);
    AddFields(f);
    f.RefreshLayout();
    f.show();
    ASSERT_TRUE(f.SetRow(0, 1, Op::Equals, QStringLiteral("1")));
    ASSERT_TRUE(f.SetRow(1, 0, Op::Contains, QStringLiteral("x")));
    ASSERT_EQ(f.RowCount(), 3);
    const auto visibleButtons = [&f] {
        std::vector<QToolButton*> buttons;
        for (QToolButton* b : f.findChildren<QToolButton*>())
            if (b->isVisible() && b->isEnabled())
                buttons.push_back(b);
        std::sort(buttons.begin(), buttons.end(),
                  [&f](QToolButton* a, QToolButton* b) { return a->mapTo(&f, QPoint()).y() < b->mapTo(&f, QPoint()).y(); });
        return buttons;
    };
    std::vector<QToolButton*> buttons = visibleButtons();
    ASSERT_GE(buttons.size(), 2u);
    QTest::mouseClick(buttons[0], Qt::LeftButton);
    EXPECT_EQ(f.RowCount(), 2);
    EXPECT_EQ(f.WhereText(), QStringLiteral("WHERE ( t.Name LIKE '%x%' )"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The text row's own button too.
    f.LoadFilter(QStringLiteral("WHERE anything"), true);
    buttons = visibleButtons();
    ASSERT_FALSE(buttons.empty());
    QTest::mouseClick(buttons[0], Qt::LeftButton);
    EXPECT_FALSE(f.IsTextRow());
    EXPECT_EQ(f.WhereText(), QString());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(FilterFixture, EditsOfTheRowsAndEnterInAValueAreReportedButNotLoadsOrClears)
{
    Filter f;
    f.resize(600, 400);
    AddFields(f);
    f.RefreshLayout();
    f.show();
    QSignalSpy edited(&f, &Filter::RowsEdited);
    QSignalSpy enter(&f, &Filter::EnterPressed);
    QSignalSpy named(&f, &Filter::TextChanged);

    f.LoadFilter(QStringLiteral("WHERE ( t.Qty = 1 )"), false);
    f.LoadFilter(QStringLiteral("WHERE anything"), true);
    f.ClearRows();
    EXPECT_EQ(edited.count(), 0);
    ASSERT_TRUE(f.SetRow(0, 0, Op::Equals, QStringLiteral("x")));
    EXPECT_EQ(edited.count(), 1);
    // Typing into the value box, then Enter in it.
    QLineEdit* value = nullptr;
    for (QLineEdit* e : f.findChildren<QLineEdit*>())
        if (!value && e->isVisible() && e->text() == QLatin1String("x"))
            value = e;
    ASSERT_NE(value, nullptr);
    QTest::keyClicks(value, QStringLiteral("y"));
    EXPECT_GE(edited.count(), 2);
    EXPECT_EQ(f.WhereText(), QStringLiteral("WHERE ( t.Name = 'xy' )"));
    QTest::keyClick(value, Qt::Key_Return);
    EXPECT_EQ(enter.count(), 1);
    // The Yes/No box is the value of a yes/no row.
    ASSERT_TRUE(f.SetRow(1, 4, Op::Is, QStringLiteral("No")));
    QComboBox* flag = nullptr;
    for (QComboBox* c : f.findChildren<QComboBox*>())
        if (!flag && c->isVisible() && c->currentText() == QLatin1String("No"))
            flag = c;
    ASSERT_NE(flag, nullptr);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(flag, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    EXPECT_EQ(enter.count(), 3);
    f.RemoveRow(1);
    const int before = edited.count();
    f.RemoveRow(0);
    EXPECT_EQ(edited.count(), before + 1);

    f.SetText(QStringLiteral("Big Orders"));
    f.SetText(QStringLiteral("Big Orders"));
    ASSERT_EQ(named.count(), 1);
    EXPECT_EQ(named.takeFirst().at(0).toString(), QStringLiteral("Big Orders"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(FilterFixture, RowCountChangedAndTheLayoutFitTheWindowsArithmetic)
{
    Filter f;
    f.resize(600, 400);
    QSignalSpy rows(&f, &Filter::RowCountChanged);
    AddFields(f);
    f.SetLayoutOption(12);
    f.RefreshLayout();
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows.takeLast().at(0).toInt(), 1);
    f.SetRow(0, 1, Op::Equals, QStringLiteral("1"));
    EXPECT_EQ(rows.takeLast().at(0).toInt(), 2);
    f.SetRow(1, 0, Op::Contains, QStringLiteral("x"));
    EXPECT_EQ(rows.takeLast().at(0).toInt(), 3);
    f.RemoveRow(0);
    EXPECT_EQ(rows.takeLast().at(0).toInt(), 2);
    EXPECT_EQ(f.RowField(0), 0);
    f.LoadFilter(QStringLiteral("WHERE ( t.Qty = 1 AND t.Qty = 2 AND t.Qty = 3 AND t.Qty = 4 )"), false);
    EXPECT_EQ(rows.takeLast().at(0).toInt(), 5);
    // The rows fit in rows x 390 + 450 twips.
    const int height = TwipsToPixelsY(5 * 390 + 450);
    for (QWidget* child : f.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->isVisibleTo(&f))
            EXPECT_LE(child->geometry().bottom(), height);
    EXPECT_LE(f.minimumHeight(), height);
    f.LoadFilter(QStringLiteral("WHERE anything"), true);
    EXPECT_EQ(rows.takeLast().at(0).toInt(), 1);
    f.ClearRows();
    EXPECT_EQ(f.RowCount(), 1);
    f.ClearFields();
    EXPECT_EQ(rows.takeLast().at(0).toInt(), 0);
    EXPECT_EQ(f.FieldCount(), 0);
}

TEST(FilterKinds, DataTypeCodes)
{
    EXPECT_EQ(Filter::KindOf(QStringLiteral("Text")), Filter::FieldKind::Text);
    EXPECT_EQ(Filter::KindOf(QStringLiteral("String")), Filter::FieldKind::Text);
    EXPECT_EQ(Filter::KindOf(QStringLiteral("what")), Filter::FieldKind::Text);
    EXPECT_EQ(Filter::KindOf(QStringLiteral("MONEY")), Filter::FieldKind::Number);
    EXPECT_EQ(Filter::KindOf(QStringLiteral("Number")), Filter::FieldKind::Number);
    EXPECT_EQ(Filter::KindOf(QStringLiteral("datetime")), Filter::FieldKind::Date);
    EXPECT_EQ(Filter::KindOf(QStringLiteral("boolean")), Filter::FieldKind::Flag);
}

}  // namespace
