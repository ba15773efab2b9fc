// ListSelectHelper: the counters on a given and on the bound list, the saved
// selections (by key, by the index after a delete, by saved keys), Ctrl+A, the
// unbound instance, and Init with the main window's header images.

#include "listhelpers/ListSelectHelper.h"

#include "ErrorOf.h"
#include "platform/controls/ReportListView.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/forms/ImageList.h"

#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// A list of n rows keyed K1..Kn with texts r01..rn (so that the text sort keeps them in order).
void Fill(ReportListView& lv, int n)
{
    if (lv.ColumnCount() == 0) {
        lv.AddColumn(0, QString(), QStringLiteral("Name"));
        lv.AddColumn(0, QString(), QStringLiteral("Other"));
    }
    lv.ReserveItems(n);
    for (int i = 1; i <= n; ++i)
        lv.AddItem(0, QStringLiteral("K%1").arg(i), QStringLiteral("r%1").arg(i, 5, 10, QLatin1Char('0')));
}

void Select(ReportListView& lv, std::initializer_list<int> rows)
{
    lv.UnSelectAll();
    for (int r : rows)
        lv.Item(r)->SetSelected(true);
}

QList<int> SelectedRows(const ReportListView& lv)
{
    QList<int> out;
    for (int i = 1; i <= lv.ItemCount(); ++i)
        if (lv.Item(i)->Selected())
            out << i;
    return out;
}

QStringList SelectedKeys(const ReportListView& lv)
{
    QStringList out;
    for (int i = 1; i <= lv.ItemCount(); ++i)
        if (lv.Item(i)->Selected())
            out << lv.Item(i)->Key();
    return out;
}

// Records the message boxes; restores real boxes at the end.
struct Boxes {
    std::vector<MessageBoxRequest> shown;
    Boxes()
    {
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            shown.push_back(r);
            return int(vbOK);
        });
    }
    ~Boxes() { SetMessageBoxAnswerer(nullptr); }
};

// A bound list of 10 rows.
struct Bound {
    ReportListView lv;
    ListSelectHelper helper;
    explicit Bound(int rows = 10)
    {
        Fill(lv, rows);
        helper.Init(&lv);
    }
};

}  // namespace

TEST(ListSelectHelper, CountersTakeTheGivenListElseTheBoundOne)
{
    ReportListView given;
    Fill(given, 10);
    given.SetMultiSelect(true);
    Select(given, {2, 5});
    given.SetCheckboxes(true);
    given.Item(5)->SetChecked(true);
    given.Item(7)->SetChecked(true);

    ListSelectHelper unbound;
    EXPECT_EQ(unbound.NumberSelected(&given), 2);
    EXPECT_FALSE(unbound.OnlyOneSelected(&given));
    EXPECT_TRUE(unbound.MoreThanOneSelected(&given));
    EXPECT_EQ(unbound.NumberChecked(&given), 2);
    EXPECT_EQ(unbound.NumberSelectedAndChecked(&given), 1);
    auto items = unbound.ItemsSelected(&given);
    ASSERT_TRUE(items);
    EXPECT_EQ(items->Count(), 2);
    EXPECT_EQ(items->Item(1), 2);
    EXPECT_EQ(items->Item(2), 5);
    EXPECT_EQ(items->Keys(), (QStringList{"2", "5"}));
    EXPECT_EQ(items->Item(QStringLiteral("5")), 5);
    EXPECT_EQ(ErrorOf([&] { items->Item(QStringLiteral("3")); }).number(), 5);

    // Neither a list given nor one bound.
    EXPECT_EQ(unbound.NumberSelected(), 0);
    EXPECT_FALSE(unbound.OnlyOneSelected());
    EXPECT_FALSE(unbound.MoreThanOneSelected());
    EXPECT_EQ(unbound.NumberChecked(), 0);
    EXPECT_FALSE(unbound.ItemsSelected());

    // Bound: the bound list unless another is given.
    Bound b;
    Select(b.lv, {1, 4, 9});
    EXPECT_EQ(b.helper.NumberSelected(), 3);
    EXPECT_EQ(b.helper.NumberSelected(&given), 2);
    EXPECT_EQ(b.helper.ItemsSelected()->Keys(), (QStringList{"1", "4", "9"}));

    // OnlyOneSelected and MoreThanOneSelected for none, one and two rows.
    struct {
        std::initializer_list<int> rows;
        bool onlyOne;
        bool moreThanOne;
    } cases[] = {{{}, false, false}, {{3}, true, false}, {{3, 8}, false, true}};
    for (const auto& c : cases) {
        Select(b.lv, c.rows);
        EXPECT_EQ(b.helper.OnlyOneSelected(), c.onlyOne) << c.rows.size();
        EXPECT_EQ(b.helper.MoreThanOneSelected(), c.moreThanOne) << c.rows.size();
    }
    Select(b.lv, {});
    EXPECT_EQ(b.helper.ItemsSelected()->Count(), 0);
}

TEST(ListSelectHelper, AboutToDeleteSelectsTheRowAfterTheDeletedOnes)
{
    struct Case {
        std::initializer_list<int> selected;
        int nextIndex;
        QString restoredKey;  // the key of the row selected after the delete
    } cases[] = {
        {{3, 4, 7}, 5, QStringLiteral("K8")},
        {{9, 10}, 9, QStringLiteral("K8")},  // fewer rows left: the last one
        {{}, 1, QStringLiteral("K1")},
        {{1}, 1, QStringLiteral("K2")},
    };
    for (const Case& c : cases) {
        Bound b;
        Select(b.lv, c.selected);
        b.helper.AboutToDelete();
        EXPECT_EQ(b.helper.NextIndex(), c.nextIndex) << c.restoredKey.toStdString();
        EXPECT_TRUE(b.helper.IsAboutToDelete());
        for (int i = b.lv.ItemCount(); i >= 1; --i)
            if (b.lv.Item(i)->Selected())
                b.lv.RemoveItem(i);
        b.helper.RestoreSelection();
        EXPECT_EQ(SelectedKeys(b.lv), QStringList{c.restoredKey});
        EXPECT_EQ(b.lv.SelectedItem()->Key(), c.restoredKey);
        // Every later restore without a key selects by index again.
        Select(b.lv, {});
        b.helper.RestoreSelection();
        EXPECT_EQ(SelectedKeys(b.lv), QStringList{c.restoredKey});
    }
}

TEST(ListSelectHelper, AboutToDeletePastTheSixteenBitIndexFailsWithOverflow)
{
    Bound fits(32766);
    Select(fits.lv, {32766});
    fits.helper.AboutToDelete();
    EXPECT_EQ(fits.helper.NextIndex(), 32766);

    Bound b(32767);
    Select(b.lv, {2});
    b.helper.RememberSelection();
    Select(b.lv, {32767});
    EXPECT_EQ(ErrorOf([&] { b.helper.AboutToDelete(); }).number(), 6);
    // Cleared and set before the failure.
    EXPECT_TRUE(b.helper.SavedSelections().isEmpty());
    EXPECT_TRUE(b.helper.IsAboutToDelete());
    EXPECT_EQ(b.helper.NextIndex(), 1);
}

TEST(ListSelectHelper, RestoreSelectionByKeyThenIndexThenSavedKeys)
{
    Bound b;
    // A key wins over everything; a key no row has selects row 1.
    Select(b.lv, {2, 3});
    b.helper.RememberSelection();
    b.helper.AboutToDelete();
    b.helper.RestoreSelection(QStringLiteral("K6"));
    EXPECT_EQ(SelectedRows(b.lv), QList<int>{6});
    EXPECT_EQ(b.lv.SelectedItem(), b.lv.Item(6));
    b.helper.RestoreSelection(QStringLiteral("k6"));  // exact comparison
    EXPECT_EQ(SelectedRows(b.lv), QList<int>{1});
    b.helper.RestoreSelection(QStringLiteral("nope"));
    EXPECT_EQ(SelectedRows(b.lv), QList<int>{1});

    // After AboutToDelete, the index wins over saved keys.
    Select(b.lv, {4, 5});
    b.helper.RememberSelection();
    Select(b.lv, {7});
    b.helper.AboutToDelete();
    b.helper.RestoreSelection();
    EXPECT_EQ(SelectedRows(b.lv), QList<int>{7});

    // RememberSelection ends it: the saved keys come back wherever their rows stand.
    Select(b.lv, {2, 5, 9});
    b.helper.RememberSelection();
    EXPECT_FALSE(b.helper.IsAboutToDelete());
    EXPECT_EQ(b.helper.SavedSelections(), (QStringList{"K2", "K5", "K9"}));
    b.lv.ClearItems();
    for (int i : {9, 8, 7, 6, 5, 4, 3, 2, 1, 10})
        b.lv.AddItem(0, QStringLiteral("K%1").arg(i), QStringLiteral("x%1").arg(11 - i, 2, 10, QLatin1Char('0')));
    b.helper.RestoreSelection();
    EXPECT_EQ(SelectedKeys(b.lv), (QStringList{"K9", "K5", "K2"}));

    // An empty list: nothing selected, no failure, whichever way.
    b.lv.ClearItems();
    b.helper.RestoreSelection(QStringLiteral("K1"));
    b.helper.RestoreSelection();
    b.helper.AboutToDelete();
    b.helper.RestoreSelection();
    EXPECT_EQ(b.lv.SelectedCount(), 0);
}

TEST(ListSelectHelper, RowsWithoutKeysAreNotRestoredTogether)
{
    ReportListView lv;
    lv.AddColumn(0, QString(), QStringLiteral("Name"));
    for (int i = 1; i <= 4; ++i)
        lv.AddItem(0, i == 4 ? QStringLiteral("K4") : QString(), QStringLiteral("r%1").arg(i));
    ListSelectHelper helper;
    helper.Init(&lv);
    Select(lv, {1, 4});
    helper.RememberSelection();
    helper.RestoreSelection();
    EXPECT_EQ(SelectedRows(lv), QList<int>{4});
}

TEST(ListSelectHelper, CtrlASelectsEveryRowAndOnlyCtrlAloneCounts)
{
    Bound b;
    b.lv.show();
    struct {
        Qt::KeyboardModifiers modifiers;
        int selected;
    } keys[] = {{Qt::NoModifier, 1}, {Qt::ControlModifier | Qt::ShiftModifier, 1}, {Qt::ControlModifier, 10}};
    for (const auto& k : keys) {
        Select(b.lv, {3});
        QTest::keyClick(b.lv.Tree(), Qt::Key_A, k.modifiers);
        EXPECT_EQ(b.lv.SelectedCount(), k.selected) << int(k.modifiers);
    }

    // The published KeyDown, for a caller that receives the keys itself.
    Boxes boxes;
    struct {
        int16_t key;
        int16_t shift;
        int selected;
    } calls[] = {{65, 2, 10}, {65, 3, 1}, {65, 6, 1}, {65, 0, 1}, {66, 2, 1}};
    for (const auto& c : calls) {
        Select(b.lv, {3});
        int16_t key = c.key;
        int16_t shift = c.shift;
        b.helper.KeyDown(key, shift);
        EXPECT_EQ(b.lv.SelectedCount(), c.selected) << c.key << " " << c.shift;
        EXPECT_EQ(key, c.key);
    }
    EXPECT_TRUE(boxes.shown.empty());

    // Unbound: Ctrl+A ends in the standard error box, other keys do nothing.
    ListSelectHelper unbound;
    int16_t key = 66;
    int16_t shift = 2;
    unbound.KeyDown(key, shift);
    EXPECT_TRUE(boxes.shown.empty());
    key = 65;
    unbound.KeyDown(key, shift);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].prompt.startsWith(QStringLiteral("(91) -- "))) << boxes.shown[0].prompt.toStdString();
}

TEST(ListSelectHelper, UnboundOperationsDoNothingButResort)
{
    ListSelectHelper helper;
    helper.RememberSelection();
    helper.RestoreSelection(QStringLiteral("K1"));
    helper.AboutToDelete();
    helper.SortList(1, true);
    ObjectRef none;
    helper.RemoveSelected(none);
    EXPECT_EQ(helper.NextIndex(), 0);
    EXPECT_FALSE(helper.IsAboutToDelete());
    EXPECT_EQ(ErrorOf([&] { helper.Resort(); }).number(), 91);
    helper.Dispose();

    // Disposed: the list's events no longer reach the helper, the saved keys are gone.
    Bound b;
    Select(b.lv, {2});
    b.helper.RememberSelection();
    b.helper.Dispose();
    EXPECT_TRUE(b.helper.SavedSelections().isEmpty());
    EXPECT_EQ(b.helper.ListView(), nullptr);
    Select(b.lv, {2});
    b.lv.show();
    QTest::keyClick(b.lv.Tree(), Qt::Key_A, Qt::ControlModifier);  // the list's own Ctrl+A still works
    EXPECT_EQ(ErrorOf([&] { b.helper.Resort(); }).number(), 91);
}

namespace {
// A loaded window under a given name, with or without a "CHSortIcons" image list.
struct NamedWindow : Form {
    NamedWindow(const QString& name, bool withImages) : Form(name)
    {
        KeepAfterUnload(this);
        if (withImages) {
            auto* images = new ImageList(QStringLiteral("CHSortIcons"), this);
            for (const QColor& c : {QColor(Qt::red), QColor(Qt::green)}) {
                QPixmap p(8, 8);
                p.fill(c);
                images->Add(c.name(), p);
            }
        }
        Load(this);
    }
    ~NamedWindow() override
    {
        if (IsFormLoaded(this))
            Unload(this);
    }
};
}  // namespace

TEST(ListSelectHelper, InitSetsTheOptionsTakesTheMainWindowsImagesAndSorts)
{
    ReportListView lv;
    Fill(lv, 3);
    lv.Item(1)->SetText(QStringLiteral("zz"));
    lv.SetMultiSelect(false);
    lv.SetHideSelection(true);
    const QList<QIcon> ownArrows = lv.ColumnHeaderIcons();

    // No main window loaded: the list keeps its images.
    {
        ListSelectHelper helper;
        helper.Init(&lv);
        EXPECT_TRUE(lv.FullRowSelect());
        EXPECT_TRUE(lv.GridLines());
        EXPECT_FALSE(lv.HideSelection());
        EXPECT_TRUE(lv.MultiSelect());
        EXPECT_TRUE(lv.Sorted());
        EXPECT_EQ(lv.ColumnHeaderIcons().size(), ownArrows.size());
        EXPECT_EQ(lv.Item(3)->Text(), QStringLiteral("zz"));  // sorted by column 1
        EXPECT_EQ(lv.Column(1)->Image(), 0);
        EXPECT_EQ(lv.Column(2)->Image(), -1);
        EXPECT_EQ(helper.NextIndex(), 1);
    }

    // The first main window takes its images from its "CHSortIcons".
    {
        NamedWindow other(QStringLiteral("frmOther"), true);
        NamedWindow main(QStringLiteral("frmMain"), true);
        ListSelectHelper helper;
        helper.Init(&lv);
        ASSERT_EQ(lv.ColumnHeaderIcons().size(), 2);
        EXPECT_EQ(lv.ColumnHeaderIcons()[1].pixmap(8, 8).toImage().pixelColor(2, 2), QColor(Qt::green));
    }

    // A main window without them: the caller gets the failure; the list is bound
    // and set up, the saved selection is not cleared.
    {
        ListSelectHelper helper;
        ReportListView other;
        Fill(other, 3);
        helper.Init(&other);
        Select(other, {2});
        helper.RememberSelection();
        NamedWindow main(QStringLiteral("frmMDIFrame"), false);
        lv.SetMultiSelect(false);
        EXPECT_EQ(ErrorOf([&] { helper.Init(&lv); }).number(), 438);
        EXPECT_EQ(helper.ListView(), &lv);
        EXPECT_TRUE(lv.MultiSelect());
        EXPECT_EQ(helper.SavedSelections(), QStringList{"K2"});
    }
}
