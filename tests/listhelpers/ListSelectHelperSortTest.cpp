// ListSelectHelper's typed column sorts: the key formats, the order each type
// gives, the direction rules of header clicks, the header image, and the rows'
// texts and Tags after a sort.

#include "listhelpers/ListSelectHelper.h"

#include "ErrorOf.h"
#include "platform/controls/ReportListView.h"
#include "platform/forms/FormsRuntime.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

// The user's decimal separator (read when a test runs, after the tests chose the locale).
QString Sep() { return QLocale::system().decimalPoint(); }

// A bound list: column 1 "Key" holds each row's name, column 2 the values to sort,
// column 3 (right-aligned) something else. Sorted ascending by column 1 at first.
struct Sortable {
    ReportListView lv;
    ListSelectHelper helper;
    Sortable(const QString& tag, const QStringList& values)
    {
        lv.AddColumn(0, QString(), QStringLiteral("Name"));
        lv.AddColumn(0, QString(), QStringLiteral("Value"));
        lv.AddColumn(0, QString(), QStringLiteral("Amount"), -1, 1);
        lv.Column(2)->SetTag(tag);
        for (int i = 0; i < values.size(); ++i) {
            ListItem* row = lv.AddItem(0, QStringLiteral("K%1").arg(i + 1), QStringLiteral("n%1").arg(i + 1));
            row->SetSubItem(1, values[i]);
            row->SetSubItem(2, QString::number(i));
        }
        helper.Init(&lv);
    }
    QStringList Column(int c) const
    {
        QStringList out;
        for (int i = 1; i <= lv.ItemCount(); ++i)
            out << (c == 1 ? lv.Item(i)->Text() : lv.Item(i)->SubItem(c - 1));
        return out;
    }
    // The header images: the column showing one and its image.
    QList<int> Images() const
    {
        QList<int> out;
        for (int c = 1; c <= lv.ColumnCount(); ++c)
            out << lv.Column(c)->Image();
        return out;
    }
    void Click(int column) { emit lv.ColumnClick(lv.Column(column)); }
};

}  // namespace

TEST(ListSelectHelperSort, KeyFormats)
{
    const QString zeros28(28, QLatin1Char('0'));
    const QString nines28(28, QLatin1Char('9'));
    EXPECT_EQ(ListSelectHelper::NumberKey(QStringLiteral("12.5")), zeros28 + "12" + Sep() + "5000");
    EXPECT_EQ(ListSelectHelper::NumberKey(QStringLiteral("-12.5")), "&" + nines28 + "87" + Sep() + "4999");
    EXPECT_EQ(ListSelectHelper::NumberKey(QStringLiteral("0")), QString(30, QLatin1Char('0')) + Sep() + "0000");
    EXPECT_EQ(ListSelectHelper::NumberKey(QStringLiteral("abc")), QString());
    EXPECT_EQ(ListSelectHelper::NumberKey(QString()), QString());
    EXPECT_EQ(ListSelectHelper::NumberKey(QStringLiteral("12.5")).size(), 35);

    EXPECT_EQ(ListSelectHelper::DateKey(QStringLiteral("2024-03-05 14:07:09")), QStringLiteral("20240305140709"));
    EXPECT_EQ(ListSelectHelper::DateKey(QStringLiteral("2024-03-05")), QStringLiteral("20240305000000"));
    EXPECT_EQ(ListSelectHelper::DateKey(QStringLiteral("soon")), QString());
    EXPECT_EQ(ListSelectHelper::DateKey(QStringLiteral("42")), QString());

    EXPECT_EQ(ListSelectHelper::AlphaNumberKey(QStringLiteral("B2")), QString(253, QLatin1Char('0')) + "B2");
    EXPECT_EQ(ListSelectHelper::AlphaNumberKey(QString()), QString(255, QLatin1Char('0')));
    const QString longText(300, QLatin1Char('x'));
    EXPECT_EQ(ListSelectHelper::AlphaNumberKey(longText), longText);

    EXPECT_EQ(ListSelectHelper::InvNumber(QStringLiteral("0123456789-") + Sep()), QStringLiteral("9876543210 ") + Sep());
}

TEST(ListSelectHelperSort, EachTypeSortsByItsKeysAndShowsItsTextsAgain)
{
    struct Case {
        const char* tag;
        QStringList values;
        QStringList ascending;  // the Value column after a sort ascending
    } cases[] = {
        {"NUM", {"10", "9", "-1", "-12.5", "abc"}, {"abc", "-12.5", "-1", "9", "10"}},
        {"ALPHANUM", {"10", "9", "A10", "B2"}, {"9", "10", "B2", "A10"}},
        {"DATE",
         {"2024-03-05 14:00:00", "2024-03-05 09:30:00", "never", "2023-12-31 23:59:59"},
         {"never", "2023-12-31 23:59:59", "2024-03-05 09:30:00", "2024-03-05 14:00:00"}},
        // A text column for comparison: the list's own case-blind text sort.
        {"", {"b", "10", "A", "9"}, {"10", "9", "A", "b"}},
        {"num", {"10", "9", "A"}, {"10", "9", "A"}},  // the Tag is compared exactly
    };
    for (const Case& c : cases) {
        Sortable s(QString::fromLatin1(c.tag), c.values);
        s.helper.SortList(2, false);
        EXPECT_EQ(s.Column(2), c.ascending) << c.tag;
        EXPECT_EQ(s.lv.SortKey(), 1) << c.tag;
        EXPECT_EQ(s.lv.SortOrder(), 0) << c.tag;
        // The other columns went with their rows.
        for (int i = 1; i <= s.lv.ItemCount(); ++i)
            EXPECT_EQ(s.lv.Item(i)->SubItem(1), c.values[s.lv.Item(i)->Key().mid(1).toInt() - 1]) << c.tag;
        EXPECT_EQ(s.lv.ColumnCount(), 3) << c.tag;
    }
}

TEST(ListSelectHelperSort, IconReportIconAndCheckColumns)
{
    // Row icons 2, 1, none; report icons of column 3: none, "b", "a"; a check on row 2.
    Sortable s(QStringLiteral("ICON"), {"x", "y", "z"});
    s.lv.Item(1)->SetIcon(int32_t(2));
    s.lv.Item(2)->SetIcon(int32_t(1));
    s.lv.Item(2)->SetReportIcon(2, QStringLiteral("b"));
    s.lv.Item(3)->SetReportIcon(2, QStringLiteral("a"));
    s.lv.SetCheckboxes(true);
    s.lv.Item(2)->SetChecked(true);

    struct Case {
        int column;
        const char* tag;
        QStringList keys;  // the rows' keys after a sort ascending
    } cases[] = {
        {2, "ICON", {"K3", "K2", "K1"}},
        {1, "REPORTICON", {"K3", "K2", "K1"}},  // the first column: the row's icon
        {3, "REPORTICON", {"K1", "K3", "K2"}},  // another column: the cell's icon
        {3, "ICON", {"K3", "K2", "K1"}},        // ICON takes the row's icon in any column
        {2, "CHECK", {"K3", "K1", "K2"}},       // unchecked first, in their last order
    };
    for (const Case& c : cases) {
        s.lv.Column(c.column)->SetTag(QString::fromLatin1(c.tag));
        s.lv.SetSortOrder(0);
        s.helper.SortList(static_cast<int16_t>(c.column), false);
        QStringList keys;
        for (int i = 1; i <= s.lv.ItemCount(); ++i)
            keys << s.lv.Item(i)->Key();
        EXPECT_EQ(keys, c.keys) << c.column << c.tag;
        s.lv.Column(c.column)->SetTag(Variant());
    }
}

TEST(ListSelectHelperSort, HeaderClickDirections)
{
    Sortable s(QStringLiteral("NUM"), {"10", "9", "-1"});
    std::vector<ListColumnHeader*> clicked;
    QObject::connect(&s.helper, &ListSelectHelper::ColumnHeaderClick,
                     [&](ListColumnHeader* column) { clicked.push_back(column); });
    EXPECT_EQ(s.lv.SortOrder(), 0);
    EXPECT_EQ(s.Images(), (QList<int>{0, -1, -1}));

    // A typed column: every click turns the direction, the first one too.
    s.Click(2);
    EXPECT_EQ(s.Column(2), (QStringList{"10", "9", "-1"}));
    EXPECT_EQ(s.lv.SortOrder(), 1);
    EXPECT_EQ(s.Images(), (QList<int>{-1, 1, -1}));
    s.Click(2);
    EXPECT_EQ(s.Column(2), (QStringList{"-1", "9", "10"}));
    EXPECT_EQ(s.Images(), (QList<int>{-1, 0, -1}));
    EXPECT_EQ(clicked, (std::vector<ListColumnHeader*>{s.lv.Column(2), s.lv.Column(2)}));

    // A plain column that is not the sort column keeps the direction...
    s.Click(3);
    EXPECT_EQ(s.lv.SortKey(), 2);
    EXPECT_EQ(s.lv.SortOrder(), 0);
    EXPECT_EQ(s.Column(3), (QStringList{"0", "1", "2"}));
    EXPECT_EQ(s.Images(), (QList<int>{-1, -1, 0}));
    // ...and turns it when it is.
    s.Click(3);
    EXPECT_EQ(s.lv.SortOrder(), 1);
    EXPECT_EQ(s.Column(3), (QStringList{"2", "1", "0"}));
    EXPECT_EQ(s.Images(), (QList<int>{-1, -1, 1}));
    s.Click(1);
    EXPECT_EQ(s.lv.SortOrder(), 1);
    EXPECT_EQ(s.Column(1), (QStringList{"n3", "n2", "n1"}));
    EXPECT_EQ(s.Images(), (QList<int>{1, -1, -1}));
    // The image leaves the column's alignment as it was.
    EXPECT_EQ(s.lv.Column(3)->Alignment(), 1);
    EXPECT_EQ(clicked.size(), 5u);
}

TEST(ListSelectHelperSort, ResortAndRestoreKeepTheDirection)
{
    Sortable s(QStringLiteral("NUM"), {"10", "9", "-1"});
    s.Click(2);  // descending
    s.lv.Item(1)->SetSubItem(1, QStringLiteral("5"));  // 10 becomes 5
    s.helper.Resort();
    EXPECT_EQ(s.Column(2), (QStringList{"9", "5", "-1"}));
    EXPECT_EQ(s.lv.SortOrder(), 1);
    s.lv.Item(3)->SetSubItem(1, QStringLiteral("99"));
    s.helper.RestoreSelection(QStringLiteral("K2"));
    EXPECT_EQ(s.Column(2), (QStringList{"99", "9", "5"}));
    EXPECT_EQ(s.lv.SortOrder(), 1);
    EXPECT_EQ(s.lv.SelectedItem()->Key(), QStringLiteral("K2"));
    EXPECT_EQ(s.Images(), (QList<int>{-1, 1, -1}));
}

TEST(ListSelectHelperSort, RowTagsAndTextsSurviveATypedSort)
{
    Sortable s(QStringLiteral("ALPHANUM"), {"b", "a", "c"});
    s.lv.Item(1)->SetTag(QStringLiteral("plain"));
    s.lv.Item(2)->SetTag(int32_t(42));
    s.lv.Item(3)->SetTag(QStringLiteral("with") + QChar(0) + QStringLiteral("zero"));
    s.lv.Column(1)->SetTag(QStringLiteral("ALPHANUM"));
    s.helper.SortList(1, true);
    for (int i = 1; i <= 3; ++i) {
        const ListItem* row = s.lv.Item(i);
        const int n = row->Key().mid(1).toInt();
        EXPECT_EQ(row->Text(), QStringLiteral("n%1").arg(n));
    }
    EXPECT_TRUE(s.lv.Item(QStringLiteral("K1"))->Tag().identical(Variant(QStringLiteral("plain"))));
    EXPECT_TRUE(s.lv.Item(QStringLiteral("K2"))->Tag().identical(Variant(int32_t(42))));
    EXPECT_EQ(s.lv.Item(QStringLiteral("K3"))->Tag().toString().size(), 9);
}

TEST(ListSelectHelperSort, FailuresOfSortListAndOfTheHeaderClick)
{
    Sortable s(QStringLiteral("NUM"), {"1", "2"});
    EXPECT_EQ(ErrorOf([&] { s.helper.SortList(4, false); }).number(), 35601);
    EXPECT_EQ(ErrorOf([&] { s.helper.SortList(0, false); }).number(), 35601);

    // A click whose column this list does not have: the error box, no event.
    std::vector<MessageBoxRequest> boxes;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& r) {
        boxes.push_back(r);
        return int(vbOK);
    });
    ReportListView wider;
    for (int i = 0; i < 5; ++i)
        wider.AddColumn();
    int clicked = 0;
    QObject::connect(&s.helper, &ListSelectHelper::ColumnHeaderClick, [&] { ++clicked; });
    emit s.lv.ColumnClick(wider.Column(5));
    SetMessageBoxAnswerer(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.startsWith(QStringLiteral("(35601) -- "))) << boxes[0].prompt.toStdString();
    EXPECT_EQ(clicked, 0);

    // Without columns nothing happens.
    ReportListView empty;
    ListSelectHelper helper;
    helper.Init(&empty);
    helper.SortList(3, true);
    helper.Resort();
}
