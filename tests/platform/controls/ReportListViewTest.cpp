// The report list view: columns and rows by index and key, its text sort,
// selection, check boxes, events, and money in the system's currency format.

#include "platform/controls/ReportListView.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"

#include <QHeaderView>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

int ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

// The statistics strip's shape: an id column of width 0, the record count, functions.
TEST(ReportListView, ColumnsAndRowsByIndexAndKey)
{
    ReportListView lv;
    lv.resize(6000 / TwipsPerPixelX(), 60);
    lv.AddColumn(0, QString(), QStringLiteral("ID"), 0);
    lv.AddColumn(0, QString(), QStringLiteral("Record Count"), 2000);
    lv.AddColumn(0, QStringLiteral("SUM"), QStringLiteral("Sum of Total"), 1500, 1);
    ASSERT_EQ(lv.ColumnCount(), 3);
    EXPECT_EQ(lv.Column(2)->Text(), QStringLiteral("Record Count"));
    EXPECT_EQ(lv.Column(2)->Width(), 2000 / TwipsPerPixelX() * TwipsPerPixelX());
    EXPECT_EQ(lv.Column(1)->Width(), 0);
    EXPECT_EQ(lv.Column(QStringLiteral("SUM"))->Index(), 3);
    EXPECT_EQ(lv.Column(3)->Alignment(), 1);
    EXPECT_EQ(ErrorOf([&] { lv.Column(4); }), kListElementNotFound);
    EXPECT_EQ(ErrorOf([&] { lv.AddColumn(0, QStringLiteral("SUM"), QStringLiteral("again")); }), kListKeyNotUnique);

    ListItem* row = lv.AddItem(0, QStringLiteral("ID1"), QString());
    row->SetSubItem(1, QStringLiteral("42"));
    row->SetSubItem(2, FormatSystemCurrency(Variant(1234.5)));
    EXPECT_EQ(lv.ItemCount(), 1);
    EXPECT_EQ(lv.Item(1), row);
    EXPECT_EQ(lv.Item(QStringLiteral("ID1"))->SubItem(1), QStringLiteral("42"));
    EXPECT_EQ(lv.Item(1)->SubItem(2), QLocale::system().toCurrencyString(1234.5));
    EXPECT_EQ(ErrorOf([&] { row->SetSubItem(3, QStringLiteral("x")); }), 380);
    EXPECT_EQ(ErrorOf([&] { lv.AddItem(0, QStringLiteral("ID1")); }), kListKeyNotUnique);
    EXPECT_EQ(ErrorOf([&] { lv.Item(QStringLiteral("ID9")); }), kListElementNotFound);
    EXPECT_EQ(lv.FindItem(QStringLiteral("ID9")), nullptr);

    // A column inserted in front moves the texts with their columns.
    lv.AddColumn(2, QStringLiteral("NEW"), QStringLiteral("New"), 500);
    EXPECT_EQ(lv.Column(3)->Text(), QStringLiteral("Record Count"));
    EXPECT_EQ(row->SubItem(2), QStringLiteral("42"));
    EXPECT_EQ(row->SubItem(1), QString());
    lv.RemoveColumn(2);
    EXPECT_EQ(row->SubItem(1), QStringLiteral("42"));
    EXPECT_EQ(lv.Column(2)->Text(), QStringLiteral("Record Count"));

    lv.ClearItems();
    EXPECT_EQ(lv.ItemCount(), 0);
    lv.ClearColumns();
    EXPECT_EQ(lv.ColumnCount(), 0);
}

TEST(ReportListView, MoneyNullCountsAsZero)
{
    EXPECT_EQ(FormatSystemCurrency(Variant(Null)), QLocale::system().toCurrencyString(0.0));
    EXPECT_EQ(FormatSystemCurrency(Variant()), QLocale::system().toCurrencyString(0.0));
    EXPECT_EQ(FormatSystemCurrency(Variant(QStringLiteral("-7.25"))), QLocale::system().toCurrencyString(-7.25));
}

TEST(ReportListView, TextSortKeepsRowsInOrderOfTheSortKeyColumn)
{
    ReportListView lv;
    lv.AddColumn(0, QString(), QStringLiteral("Name"));
    lv.AddColumn(0, QString(), QStringLiteral("Key"));
    const QStringList names = {"beta", "Alpha", "alp", "& 9", "0", "gamma"};
    for (int i = 0; i < names.size(); ++i)
        lv.AddItem(0, QStringLiteral("ID%1").arg(i + 1), names[i])->SetSubItem(1, QString::number(names.size() - i));
    auto order = [&] {
        QStringList out;
        for (int i = 1; i <= lv.ItemCount(); ++i)
            out << lv.Item(i)->Text();
        return out;
    };
    EXPECT_EQ(order(), names);  // unsorted: in the order added
    lv.SetSorted(true);
    EXPECT_EQ(order(), (QStringList{"& 9", "0", "alp", "Alpha", "beta", "gamma"}));
    lv.SetSortOrder(1);
    EXPECT_EQ(order(), (QStringList{"gamma", "beta", "Alpha", "alp", "0", "& 9"}));
    lv.SetSortOrder(0);
    lv.SetSortKey(1);
    EXPECT_EQ(lv.Item(1)->SubItem(1), QStringLiteral("1"));
    // A new row takes its sorted place.
    lv.AddItem(0, QStringLiteral("ID9"), QStringLiteral("delta"))->SetSubItem(1, QStringLiteral("0"));
    lv.SetSortKey(0);
    EXPECT_EQ(lv.Item(QStringLiteral("ID9"))->Index(), 6);
    lv.SetSorted(false);
    lv.AddItem(1, QStringLiteral("ID10"), QStringLiteral("zeta"));
    EXPECT_EQ(lv.Item(1)->Text(), QStringLiteral("zeta"));

    // A header click raises ColumnClick and sorts nothing by itself.
    QSignalSpy clicks(&lv, &ReportListView::ColumnClick);
    lv.resize(500, 300);
    lv.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lv));
    QHeaderView* header = lv.Tree()->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<ListColumnHeader*>()->Index(), 2);
    EXPECT_EQ(lv.Item(1)->Text(), QStringLiteral("zeta"));
}

TEST(ReportListView, SelectionCheckBoxesAndEvents)
{
    ReportListView lv;
    lv.AddColumn(0, QString(), QStringLiteral("Name"));
    for (int i = 1; i <= 5; ++i)
        lv.AddItem(0, QStringLiteral("ID%1").arg(i), QStringLiteral("row %1").arg(i));
    lv.SetMultiSelect(true);
    lv.SetFullRowSelect(true);
    lv.Item(2)->SetSelected(true);
    lv.Item(4)->SetSelected(true);
    EXPECT_EQ(lv.SelectedCount(), 2);
    lv.SelectAll();
    EXPECT_EQ(lv.SelectedCount(), 5);
    lv.UnSelectAll();
    EXPECT_EQ(lv.SelectedCount(), 0);
    lv.SetSelectedItem(lv.Item(3));
    EXPECT_EQ(lv.SelectedItem(), lv.Item(3));
    EXPECT_TRUE(lv.Item(3)->Selected());
    // Single selection: selecting one row clears the others.
    lv.SetMultiSelect(false);
    lv.Item(1)->SetSelected(true);
    lv.Item(5)->SetSelected(true);
    EXPECT_EQ(lv.SelectedCount(), 1);

    lv.SetCheckboxes(true);
    QSignalSpy checks(&lv, &ReportListView::ItemCheck);
    lv.Item(2)->SetChecked(true);  // set by the program: no event
    EXPECT_TRUE(lv.Item(2)->Checked());
    EXPECT_EQ(checks.count(), 0);
    lv.Item(3)->setCheckState(0, Qt::Checked);  // as a click does
    ASSERT_EQ(checks.count(), 1);
    EXPECT_EQ(checks.at(0).at(0).value<ListItem*>(), lv.Item(3));

    lv.resize(300, 200);
    lv.show();
    QSignalSpy dbl(&lv, &ReportListView::DblClick);
    std::vector<std::pair<int, int>> keys;
    QObject::connect(&lv, &ReportListView::KeyDown, &lv, [&](int& key, int shift) { keys.emplace_back(key, shift); });
    QTreeWidget* tree = lv.Tree();
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(lv.Item(1)).center());
    EXPECT_EQ(dbl.count(), 1);
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_C, Qt::ControlModifier);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back(), std::make_pair(67, 2));
}

}  // namespace
