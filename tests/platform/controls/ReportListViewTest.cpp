// The report list view: columns and rows by index and key, its text sort,
// selection, check boxes, events, and money in the system's currency format.

#include "platform/controls/ReportListView.h"
#include "platform/controls/ReportListModel.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QTreeView>
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
    EXPECT_EQ(lv.Column(2)->Width(), 2000);
    EXPECT_EQ(lv.Tree()->header()->sectionSize(1), 2000 / TwipsPerPixelX());
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
    EXPECT_EQ(lv.ItemCount(), 1);  // the refused row is not added and the key keeps its row
    EXPECT_EQ(lv.FindItem(QStringLiteral("ID1")), row);
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

TEST(ReportListView, SubItemIconsStayWithTheirColumnsAndAreShown)
{
    ReportListView lv;
    for (const char* c : {"Name", "State", "Other"})
        lv.AddColumn(0, QString(), QString::fromLatin1(c));
    QPixmap red(8, 8);
    red.fill(Qt::red);
    QPixmap blue(8, 8);
    blue.fill(Qt::blue);
    lv.SetSmallIcons({QIcon(red), QIcon(blue)}, {QStringLiteral("red"), QStringLiteral("blue")});
    ListItem* row = lv.AddItem(0, QString(), QStringLiteral("a"));
    row->SetReportIcon(1, QStringLiteral("blue"));
    row->SetReportIcon(2, int32_t(0));
    EXPECT_TRUE(row->ReportIcon(1).identical(Variant(QStringLiteral("blue"))));
    EXPECT_EQ(ErrorOf([&] { row->SetReportIcon(3, int32_t(0)); }), 380);
    EXPECT_EQ(ErrorOf([&] { row->ReportIcon(0); }), 380);
    auto shown = [&](int column) {
        const QVariant icon = lv.Tree()->model()->index(0, column).data(Qt::DecorationRole);
        return icon.isValid() ? icon.value<QIcon>().pixmap(8, 8).toImage().pixelColor(4, 4) : QColor();
    };
    EXPECT_EQ(shown(1), QColor(Qt::blue));
    EXPECT_EQ(shown(2), QColor(Qt::red));
    EXPECT_FALSE(shown(0).isValid());

    lv.AddColumn(2, QString(), QStringLiteral("New"));
    EXPECT_TRUE(row->ReportIcon(1).isEmpty());
    EXPECT_TRUE(row->ReportIcon(2).identical(Variant(QStringLiteral("blue"))));
    EXPECT_EQ(shown(2), QColor(Qt::blue));
    lv.RemoveColumn(3);
    EXPECT_TRUE(row->ReportIcon(2).identical(Variant(int32_t(0))));
    lv.ClearColumns();
    lv.AddColumn();
    lv.AddColumn();
    EXPECT_TRUE(row->ReportIcon(1).isEmpty());
}

TEST(ReportListView, SelectedRowsKeepTheirColoursWithGridLines)
{
    ReportListView lv;
    lv.resize(300, 120);
    lv.AddColumn(0, QString(), QStringLiteral("Name"), 3000);
    for (const char* t : {"a", "b", "c"})
        lv.AddItem(0, QString(), QString::fromLatin1(t));
    lv.SetMultiSelect(true);
    lv.Item(2)->SetSelected(true);
    lv.show();
    auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
               std::abs(a.blue() - b.blue()) <= 8;
    };
    // A kept selection shows in the highlight colour, a hidden one (without focus) in the base colour.
    for (const bool hide : {false, true}) {
        lv.SetHideSelection(hide);
        lv.SetGridLines(true);
        QApplication::processEvents();
        const QRect rect = lv.ItemRect(lv.Item(2));
        ASSERT_FALSE(rect.isEmpty());
        const QColor shown =
            lv.Tree()->viewport()->grab().toImage().pixelColor(rect.center().x() + 40, rect.center().y());
        const QPalette::ColorGroup group = lv.isActiveWindow() ? QPalette::Active : QPalette::Inactive;
        const QColor expected = lv.Tree()->palette().color(group, QPalette::Highlight);
        EXPECT_TRUE(near(shown, expected)) << hide << " " << shown.name().toStdString() << " "
                                           << expected.name().toStdString();
        if (!hide)
            EXPECT_FALSE(near(shown, lv.Tree()->palette().color(QPalette::Base))) << shown.name().toStdString();
    }
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
    QAbstractItemModel* model = lv.Tree()->model();
    model->setData(model->index(2, 0), Qt::Checked, Qt::CheckStateRole);  // as a click does
    ASSERT_EQ(checks.count(), 1);
    EXPECT_EQ(checks.at(0).at(0).value<ListItem*>(), lv.Item(3));
    EXPECT_TRUE(lv.Item(3)->Checked());
    EXPECT_EQ(lv.CheckedCount(), 2);

    lv.resize(300, 200);
    lv.show();
    QSignalSpy dbl(&lv, &ReportListView::DblClick);
    std::vector<std::pair<int, int>> keys;
    QObject::connect(&lv, &ReportListView::KeyDown, &lv, [&](int& key, int shift) { keys.emplace_back(key, shift); });
    QTreeView* tree = lv.Tree();
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, lv.ItemRect(lv.Item(1)).center());
    EXPECT_EQ(dbl.count(), 1);
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_C, Qt::ControlModifier);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back(), std::make_pair(67, 2));
}

}  // namespace

namespace {

QStringList Texts(const ReportListView& lv)
{
    QStringList out;
    for (int i = 1; i <= lv.ItemCount(); ++i)
        out << lv.Item(i)->Text();
    return out;
}

std::vector<int> ViewSelectedRows(const ReportListView& lv)
{
    std::vector<int> rows;
    for (const QModelIndex& i : lv.Tree()->selectionModel()->selectedRows())
        rows.push_back(i.row() + 1);
    std::sort(rows.begin(), rows.end());
    return rows;
}

TEST(ReportListView, KeysAreUniqueAndFoundAfterChanges)
{
    ReportListView lv;
    lv.AddColumn(0, QString(), QStringLiteral("Name"));
    ListItem* a = lv.AddItem(0, QStringLiteral("ID1"), QStringLiteral("a"));
    ListItem* b = lv.AddItem(0, QStringLiteral("ID2"), QStringLiteral("b"));
    lv.AddItem(0, QString(), QStringLiteral("no key"));
    lv.AddItem(0, QString(), QStringLiteral("no key either"));  // empty keys never clash
    EXPECT_EQ(ErrorOf([&] { b->SetKey(QStringLiteral("ID1")); }), kListKeyNotUnique);
    EXPECT_EQ(b->Key(), QStringLiteral("ID2"));
    a->SetKey(QStringLiteral("ID1a"));
    EXPECT_EQ(lv.FindItem(QStringLiteral("ID1")), nullptr);
    EXPECT_EQ(lv.Item(QStringLiteral("ID1a")), a);
    b->SetKey(QStringLiteral("ID1"));  // free again
    EXPECT_EQ(lv.Item(QStringLiteral("ID1")), b);
    lv.RemoveItem(2);
    EXPECT_EQ(ErrorOf([&] { lv.Item(QStringLiteral("ID1")); }), kListElementNotFound);
    EXPECT_EQ(lv.AddItem(0, QStringLiteral("ID1"))->Index(), 4);
    EXPECT_EQ(ErrorOf([&] { lv.Item(0); }), kListElementNotFound);
    EXPECT_EQ(ErrorOf([&] { lv.Item(5); }), kListElementNotFound);
    EXPECT_EQ(ErrorOf([&] { lv.RemoveItem(9); }), kListElementNotFound);
    EXPECT_EQ(ErrorOf([&] { lv.AddColumn(0, QString(), QStringLiteral("bad"), 100, 3); }), 380);
    EXPECT_EQ(ErrorOf([&] { lv.Column(1)->SetAlignment(-1); }), 380);
}

// The rows keep their selection, check marks and current row through sorts, and
// the view shows what the rows hold; the user's clicks reach the rows.
TEST(ReportListView, SelectionFollowsTheRowsThroughSortsAndClicks)
{
    ReportListView lv;
    lv.AddColumn(0, QString(), QStringLiteral("Name"), 2000);
    lv.AddColumn(0, QString(), QStringLiteral("N"), 1000, 1);
    lv.SetMultiSelect(true);
    lv.SetFullRowSelect(true);
    const QStringList names = {"d", "b", "e", "a", "c"};
    for (const QString& n : names)
        lv.AddItem(0, QStringLiteral("K") + n, n);
    lv.Item(QStringLiteral("Kb"))->SetSelected(true);
    lv.Item(QStringLiteral("Ke"))->SetSelected(true);
    lv.SetSelectedItem(lv.Item(QStringLiteral("Ka")));
    lv.SetSorted(true);
    EXPECT_EQ(Texts(lv), (QStringList{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(ViewSelectedRows(lv), (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(lv.SelectedCount(), 3);
    EXPECT_EQ(lv.SelectedItem()->Text(), QStringLiteral("a"));
    EXPECT_EQ(lv.Tree()->selectionModel()->currentIndex().row(), 0);
    lv.SetSortOrder(1);
    EXPECT_EQ(ViewSelectedRows(lv), (std::vector<int>{1, 4, 5}));

    lv.resize(400, 300);
    lv.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lv));
    QTreeView* tree = lv.Tree();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, lv.ItemRect(lv.Item(2)).center());
    EXPECT_EQ(lv.SelectedCount(), 1);
    EXPECT_TRUE(lv.Item(2)->Selected());
    EXPECT_EQ(lv.SelectedItem(), lv.Item(2));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier, lv.ItemRect(lv.Item(4)).center());
    EXPECT_EQ(lv.SelectedCount(), 2);
    EXPECT_TRUE(lv.Item(4)->Selected());
    EXPECT_EQ(lv.SelectedItem(), lv.Item(4));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ShiftModifier, lv.ItemRect(lv.Item(1)).center());
    EXPECT_EQ(lv.SelectedCount(), 4);

    // Removing the current row leaves no current row and the counts right.
    lv.RemoveItem(lv.SelectedItem()->Index());
    EXPECT_EQ(lv.SelectedItem(), nullptr);
    EXPECT_EQ(lv.ItemCount(), 4);
    EXPECT_EQ(lv.SelectedCount(), static_cast<int>(ViewSelectedRows(lv).size()));
    lv.UnSelectAll();
    EXPECT_EQ(lv.SelectedCount(), 0);
    EXPECT_TRUE(ViewSelectedRows(lv).empty());
    lv.SelectAll();
    EXPECT_EQ(ViewSelectedRows(lv).size(), 4u);
}

// Rows added to a sorted list take their place before anyone reads them; the sort
// of many rows keeps the text order (case-blind, shorter first, stable).
TEST(ReportListView, SortedListPlacesNewRowsAndSortsManyRows)
{
    ReportListView lv;
    lv.AddColumn(0, QString(), QStringLiteral("Name"));
    lv.AddColumn(0, QString(), QStringLiteral("Key"), 0);
    lv.SetSorted(true);
    const int n = 20000;
    lv.ReserveItems(n);
    for (int i = 0; i < n; ++i) {
        ListItem* row = lv.AddItem(0, QStringLiteral("ID%1").arg(i + 1), QStringLiteral("r%1").arg((i * 7919) % n));
        row->SetSubItem(1, QString::number(i % 3));
    }
    EXPECT_EQ(lv.Item(1)->Text(), QStringLiteral("r0"));
    EXPECT_EQ(lv.Item(2)->Text(), QStringLiteral("r1"));
    EXPECT_EQ(lv.Item(3)->Text(), QStringLiteral("r10"));
    EXPECT_EQ(lv.Item(QStringLiteral("ID1"))->Index(), 1);
    lv.SetSortKey(1);
    // Equal keys keep their former order.
    EXPECT_EQ(lv.Item(1)->SubItem(1), QStringLiteral("0"));
    EXPECT_EQ(lv.Item(1)->Text(), QStringLiteral("r0"));
    EXPECT_EQ(lv.Item(n)->SubItem(1), QStringLiteral("2"));
    for (int i = 2; i <= n; ++i)
        ASSERT_LE(lv.Item(i - 1)->SubItem(1), lv.Item(i)->SubItem(1)) << i;
}

TEST(ReportListView, HeaderImagesBandsRedrawLockAndLooks)
{
    ReportListView lv;
    lv.AddColumn(0, QString(), QStringLiteral("Name"));
    lv.AddColumn(0, QString(), QStringLiteral("Amount"), 1200, 1);
    QAbstractItemModel* model = lv.Tree()->model();
    EXPECT_EQ(lv.ColumnHeaderIcons().size(), 2);  // the default arrows
    EXPECT_FALSE(model->headerData(1, Qt::Horizontal, Qt::DecorationRole).isValid());
    lv.Column(2)->SetImage(1);
    EXPECT_TRUE(model->headerData(1, Qt::Horizontal, Qt::DecorationRole).isValid());
    lv.Column(2)->SetImage(-1);
    EXPECT_FALSE(model->headerData(1, Qt::Horizontal, Qt::DecorationRole).isValid());
    EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
              Qt::AlignRight);

    for (int i = 0; i < 3; ++i)
        lv.AddItem(0, QString(), QStringLiteral("r%1").arg(i));
    EXPECT_FALSE(model->data(model->index(0, 0), Qt::BackgroundRole).isValid());
    lv.SetBandColors(Qt::white, Qt::yellow);
    EXPECT_EQ(model->data(model->index(0, 1), Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_EQ(model->data(model->index(1, 0), Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));
    EXPECT_EQ(model->data(model->index(2, 0), Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));

    lv.SetSmallIcons(DefaultSortArrows(), {QStringLiteral("up"), QStringLiteral("down")});
    lv.Item(1)->SetIcon(Variant(QStringLiteral("down")));
    lv.Item(2)->SetIcon(Variant(int32_t{0}));
    EXPECT_TRUE(model->data(model->index(0, 0), Qt::DecorationRole).isValid());
    EXPECT_TRUE(model->data(model->index(1, 0), Qt::DecorationRole).isValid());
    EXPECT_FALSE(model->data(model->index(2, 0), Qt::DecorationRole).isValid());

    lv.LockRedraw();
    lv.LockRedraw();
    lv.UnlockRedraw();
    EXPECT_TRUE(lv.RedrawLocked());
    EXPECT_FALSE(lv.Tree()->updatesEnabled());
    lv.UnlockRedraw();
    lv.UnlockRedraw();  // one too many does no harm
    EXPECT_FALSE(lv.RedrawLocked());
    EXPECT_TRUE(lv.Tree()->updatesEnabled());
    {
        ListRedrawLock lock(&lv);
        EXPECT_TRUE(lv.RedrawLocked());
    }
    EXPECT_FALSE(lv.RedrawLocked());

    lv.SetTabStop(false);
    EXPECT_FALSE(lv.TabStop());
    lv.SetTabStop(true);
    EXPECT_TRUE(lv.TabStop());
    lv.SetBackColor(QColor(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(lv.BackColor(), QColor(0xF0, 0xF0, 0xF0));
}

}  // namespace
