// clsListViewHelper's sorts: every sort type with its keys, the direction rules,
// the header images, Resort and ManualSortList, and a sort that fails part-way.

#include "listhelpers/clsListViewHelper.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/controls/ReportListView.h"

#include "base/VbFormat.h"

#include <QLocale>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

struct Fixture {
    ReportListView lv;
    clsListViewHelper helper;
    // One column of values (tag given), a second with the row's original number.
    explicit Fixture(const QStringList& values, const QString& tag = QString())
    {
        lv.AddColumn(0, QString(), QStringLiteral("Value"))->SetTag(tag.isNull() ? Variant() : Variant(tag));
        lv.AddColumn(0, QString(), QStringLiteral("Row"));
        for (int i = 0; i < values.size(); ++i)
            lv.AddItem(0, QStringLiteral("ID%1").arg(i + 1), values[i])->SetSubItem(1, QString::number(i + 1));
        helper.Init(&lv);
    }
    QStringList Order() const
    {
        QStringList out;
        for (int i = 1; i <= lv.ItemCount(); ++i)
            out << lv.Item(i)->Text();
        return out;
    }
    void Click(int column) { emit lv.ColumnClick(lv.Column(column)); }
};

struct SortCase {
    const char* name;
    QString tag;
    QStringList values;
    QStringList ascending;
};

TEST(ListViewHelperSort, EachSortTypeOrdersByItsKeys)
{
    const std::vector<SortCase> cases = {
        {"text", "0", {"beta", "Alpha", "10", "9"}, {"10", "9", "Alpha", "beta"}},
        {"no tag", QString(), {"b", "a"}, {"a", "b"}},
        {"number", "2", {"10", "9", "-1", "-12.5", "abc", "0", "12.5"}, {"-12.5", "-1", "abc", "0", "9", "10", "12.5"}},
        {"number in parentheses", "2", {"$5.00", "($1,234.50)", "($2.00)", "$1,000.00"},
         {"($1,234.50)", "($2.00)", "$5.00", "$1,000.00"}},
        {"date", "1",
         {"2024-03-01 10:00:00", "none", "2024-03-01 09:30:00", "2023-12-31", "2024-03-01"},
         {"none", "2023-12-31", "2024-03-01", "2024-03-01 09:30:00", "2024-03-01 10:00:00"}},
        {"alphanumeric", "5", {"A-42", "A-100", "B", "INV-0042", "X-7"}, {"B", "X-7", "A-42", "INV-0042", "A-100"}},
        {"format pattern", "#,##0.00", {"1000.5", "99", "250"}, {"1,000.50", "250.00", "99.00"}},
    };
    for (const SortCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(c.values, c.tag);
        f.Click(1);
        QStringList expected = c.ascending;
        if (c.tag == QLatin1String("#,##0.00"))  // the display texts stay; the order is the keys'
            expected = {"1000.5", "250", "99"};
        EXPECT_EQ(f.Order(), expected);
        f.Click(1);
        std::reverse(expected.begin(), expected.end());
        if (c.tag == QLatin1String("2") && c.values.contains(QStringLiteral("abc")))
            EXPECT_EQ(f.Order(), expected);
    }
}

TEST(ListViewHelperSort, NumberDateAndAlphanumericKeys)
{
    clsListViewHelper helper;
    const QString dp = QLocale::system().decimalPoint();
    EXPECT_EQ(clsListViewHelper::NumberPattern().size(), 37);
    EXPECT_EQ(FormatNumber(12.5, clsListViewHelper::NumberPattern()), QString(28, '0') + "12" + dp + "500000");
    EXPECT_EQ(clsListViewHelper::InvNumber(QStringLiteral("-") + QString(28, '0') + "12" + dp + "500000"),
              QStringLiteral(" ") + QString(28, '9') + "87" + dp + "499999");
    EXPECT_EQ(clsListViewHelper::RemoveTextChars(QStringLiteral("INV-0042")), QStringLiteral("0042"));
    EXPECT_EQ(clsListViewHelper::RemoveTextChars(QStringLiteral("none")), QStringLiteral("0"));
    EXPECT_EQ(clsListViewHelper::RemoveTextChars(QStringLiteral("  ")), QStringLiteral("0"));
    EXPECT_EQ(helper.GetFormatString(QStringLiteral("0")), QString());
    EXPECT_EQ(helper.GetFormatString(QStringLiteral("1")), QStringLiteral("YYYYMMDDHhNnSs"));
    EXPECT_EQ(helper.GetFormatString(QStringLiteral("2")), clsListViewHelper::NumberPattern());
    EXPECT_EQ(helper.GetFormatString(QStringLiteral("6")), clsListViewHelper::NumberPattern());
    for (const char* t : {"3", "4", "5"})
        EXPECT_EQ(helper.GetFormatString(QString::fromLatin1(t)), QStringLiteral("0"));
}

TEST(ListViewHelperSort, CheckIconAndRecordKeySorts)
{
    {
        Fixture f({"a", "b", "c"}, QStringLiteral("3"));
        f.lv.SetCheckboxes(true);
        f.lv.Item(1)->SetChecked(true);
        f.lv.Item(3)->SetChecked(true);
        f.Click(1);
        EXPECT_EQ(f.Order(), (QStringList{"b", "a", "c"}));  // unticked first
    }
    {
        Fixture f({"a", "b", "c"}, QStringLiteral("4"));
        f.lv.Item(1)->SetIcon(Variant(QStringLiteral("z")));
        f.lv.Item(2)->SetIcon(Variant(QStringLiteral("k")));
        f.Click(1);
        EXPECT_EQ(f.Order(), (QStringList{"c", "b", "a"}));  // no icon, "k", "z"
    }
    {
        Fixture f({"x", "y", "z"}, QStringLiteral("6"));
        f.lv.Item(1)->SetKey(QStringLiteral("ID100"));
        f.lv.Item(2)->SetKey(QStringLiteral("ID42"));
        f.lv.Item(3)->SetKey(QStringLiteral("ID7"));
        f.Click(1);
        EXPECT_EQ(f.Order(), (QStringList{"z", "y", "x"}));
    }
}

// Direction rules, header images, the list's state after each kind of sort.
TEST(ListViewHelperSort, HeaderClicksDirectionsImagesAndListState)
{
    Fixture f({"10", "9", "100"}, QStringLiteral("2"));
    f.lv.Column(2)->SetTag(Variant(QStringLiteral("0")));
    QSignalSpy clicked(&f.helper, &clsListViewHelper::ColumnHeaderClick);
    EXPECT_EQ(f.lv.Column(1)->Image(), -1);
    f.Click(1);
    EXPECT_EQ(f.Order(), (QStringList{"9", "10", "100"}));
    EXPECT_EQ(f.lv.Column(1)->Image(), 0);
    EXPECT_EQ(f.lv.ColumnCount(), 2);  // no column added for the keys
    EXPECT_EQ(f.lv.SortKey(), 0);
    EXPECT_FALSE(f.lv.Sorted());
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).value<ListColumnHeader*>(), f.lv.Column(1));
    f.Click(1);
    EXPECT_EQ(f.Order(), (QStringList{"100", "10", "9"}));
    EXPECT_EQ(f.lv.Column(1)->Image(), 1);
    // Another column: ascending, the former header loses its image; a text sort stays sorted.
    f.Click(2);
    EXPECT_EQ(f.lv.Column(1)->Image(), -1);
    EXPECT_EQ(f.lv.Column(2)->Image(), 0);
    EXPECT_EQ(f.lv.Item(1)->SubItem(1), QStringLiteral("1"));
    EXPECT_TRUE(f.lv.Sorted());
    EXPECT_EQ(f.lv.SortKey(), 1);
    EXPECT_EQ(f.helper.SortColumn(), 2);

    // ManualSortList: the requested direction for the current column, ascending for another.
    int32_t direction = 1;
    f.helper.ManualSortList(2, direction);
    EXPECT_EQ(f.lv.Item(1)->SubItem(1), QStringLiteral("3"));
    EXPECT_EQ(f.helper.SortOrder(), 1);
    direction = 1;
    f.helper.ManualSortList(1, direction);
    EXPECT_EQ(f.helper.SortOrder(), 0);
    EXPECT_EQ(f.Order(), (QStringList{"9", "10", "100"}));
    // Resort: same column, same direction, the event again.
    const int before = clicked.count();
    f.lv.Item(1)->SetText(QStringLiteral("1000"));
    f.helper.Resort();
    EXPECT_EQ(f.Order(), (QStringList{"10", "100", "1000"}));
    EXPECT_EQ(clicked.count(), before + 1);
    // InitSortDirection: a later click on that column reverses the stored direction.
    f.helper.InitSortDirection(0, 0);
    f.Click(1);
    EXPECT_EQ(f.helper.SortOrder(), 1);
}

TEST(ListViewHelperSort, EmptyListsUnboundHelpersAndResortBeforeAnyClick)
{
    Fixture empty({}, QStringLiteral("2"));
    QSignalSpy clicked(&empty.helper, &clsListViewHelper::ColumnHeaderClick);
    empty.Click(1);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(empty.lv.Column(1)->Image(), -1);

    // A Resort of a list that came back empty keeps the direction for the next rows.
    {
        Fixture g({"2", "1", "3"}, QStringLiteral("2"));
        g.Click(1);
        g.Click(1);
        ASSERT_EQ(g.helper.SortOrder(), 1);
        g.lv.ClearItems();
        g.helper.Resort();
        g.helper.Resort();
        EXPECT_EQ(g.helper.SortOrder(), 1);
        for (const char* v : {"5", "7", "6"})
            g.lv.AddItem(0, QString(), QString::fromLatin1(v))->SetSubItem(1, QStringLiteral("x"));
        g.helper.Resort();
        EXPECT_EQ(g.Order(), (QStringList{"7", "6", "5"}));
        EXPECT_EQ(g.lv.Column(1)->Image(), 1);
        // A direction asked for the current column of an empty list is kept as asked.
        g.lv.ClearItems();
        int32_t up = 0;
        g.helper.ManualSortList(1, up);
        EXPECT_EQ(g.helper.SortOrder(), 0);
    }

    Fixture f({"b", "c", "a"}, QStringLiteral("0"));
    f.helper.Resort();
    EXPECT_EQ(f.Order(), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(f.helper.SortOrder(), 0);

    clsListViewHelper unbound;
    int32_t direction = 0;
    unbound.ManualSortList(1, direction);  // nothing
    try {
        unbound.Resort();
        FAIL() << "Resort without a list";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 91);
    }
    // Disposed: the list's events no longer reach the helper.
    f.helper.Dispose();
    QSignalSpy afterDispose(&f.helper, &clsListViewHelper::ColumnHeaderClick);
    f.Click(1);
    EXPECT_EQ(afterDispose.count(), 0);
}

// A sort whose keys cannot be built leaves the list as it was: no column added, no
// redraw lock, the former sort column; the header click ends in the error box.
TEST(ListViewHelperSort, AFailedSortLeavesTheListAsItWas)
{
    std::vector<MessageBoxRequest> boxes;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& r) {
        boxes.push_back(r);
        return vbOK;
    });
    Fixture f({"a", "b"}, QStringLiteral("6"));
    f.lv.Item(2)->SetKey(QStringLiteral("IDxyz"));  // not a record key
    f.Click(1);
    SetMessageBoxAnswerer(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.startsWith(QStringLiteral("(13) -- ")));
    EXPECT_EQ(f.lv.ColumnCount(), 2);
    EXPECT_FALSE(f.lv.RedrawLocked());
    EXPECT_EQ(f.lv.SortKey(), 0);
    EXPECT_EQ(f.lv.MousePointer(), 0);
    EXPECT_THROW(f.helper.ListViewSort(0, 0), AppError);
    EXPECT_EQ(f.lv.ColumnCount(), 2);
    EXPECT_FALSE(f.lv.RedrawLocked());
}

}  // namespace
