// clsListViewHelper's selection: counters, Ctrl+A and Ctrl+C with the clipboard
// text read back, the check-box rule, double clicks, bands, RemoveSelected.

#include "listhelpers/clsListViewHelper.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/controls/ReportListView.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// A bound list of rows "a".."e" keyed ID1..ID5, three columns (the last of width 0).
struct Fixture {
    ReportListView lv;
    clsListViewHelper helper;
    std::vector<MessageBoxRequest> boxes;
    int answer = vbYes;
    explicit Fixture(int rows = 5)
    {
        lv.AddColumn(0, QString(), QStringLiteral("Name"));
        lv.AddColumn(0, QString(), QStringLiteral("City"));
        lv.AddColumn(0, QString(), QStringLiteral("Hidden"), 0);
        for (int i = 1; i <= rows; ++i) {
            ListItem* row = lv.AddItem(0, QStringLiteral("ID%1").arg(i), QString(QChar('a' + i - 1)));
            row->SetSubItem(1, QStringLiteral("city%1").arg(i));
            row->SetSubItem(2, QStringLiteral("h%1").arg(i));
        }
        helper.Init(&lv);
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            return answer;
        });
    }
    ~Fixture() { SetMessageBoxAnswerer(nullptr); }
    void Select(std::initializer_list<int> rows)
    {
        lv.UnSelectAll();
        for (int r : rows)
            lv.Item(r)->SetSelected(true);
    }
    QStringList Texts() const
    {
        QStringList out;
        for (int i = 1; i <= lv.ItemCount(); ++i)
            out << lv.Item(i)->Text();
        return out;
    }
    QStringList Keys() const
    {
        QStringList out;
        for (int i = 1; i <= lv.ItemCount(); ++i)
            out << lv.Item(i)->Key();
        return out;
    }
    void PressKey(Qt::Key key, Qt::KeyboardModifiers mods)
    {
        QTest::keyClick(lv.Tree(), key, mods);
    }
};

TEST(ListViewHelperSelection, CountersAndCommands)
{
    Fixture f;
    f.Select({1, 3, 5});
    EXPECT_EQ(f.helper.NumberSelected(), 3);
    EXPECT_TRUE(f.helper.ManySelected());
    EXPECT_FALSE(f.helper.OnlyOneSelected());
    f.lv.SetCheckboxes(true);
    f.lv.Item(3)->SetChecked(true);
    f.lv.Item(4)->SetChecked(true);
    EXPECT_EQ(f.helper.NumberChecked(), 2);
    EXPECT_EQ(f.helper.NumberSelectedAndChecked(), 1);
    f.helper.SelectAll();
    EXPECT_EQ(f.helper.NumberSelected(), 5);
    f.helper.UnSelectAll();
    EXPECT_EQ(f.helper.NumberSelected(), 0);
    f.helper.SelectByItem(f.lv.Item(2));
    EXPECT_TRUE(f.helper.OnlyOneSelected());
    EXPECT_TRUE(f.lv.Item(2)->Selected());

    clsListViewHelper unbound;
    for (const auto& call : std::vector<std::function<void()>>{[&] { unbound.NumberSelected(); },
                                                                [&] { unbound.SelectAll(); },
                                                                [&] { unbound.UnSelectAll(); },
                                                                [&] { unbound.SelectByItem(f.lv.Item(1)); }}) {
        try {
            call();
            ADD_FAILURE() << "no error without a list";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 91);
        }
    }
    EXPECT_EQ(unbound.NumberSelected(&f.lv), 1);  // with a list given
}

TEST(ListViewHelperSelection, CtrlAAndCtrlCPutTheSelectedRowsOnTheClipboard)
{
    Fixture f(3);
    f.lv.resize(400, 200);
    f.lv.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.lv));
    f.lv.Tree()->setFocus();
    QClipboard* clipboard = QApplication::clipboard();

    f.PressKey(Qt::Key_A, Qt::NoModifier);  // the list's own type-ahead at most
    EXPECT_LT(f.helper.NumberSelected(), 2);
    f.PressKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(f.helper.NumberSelected(), 3);

    f.Select({1, 3});
    f.PressKey(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("Name\tCity\tHidden\r\n"
                                                "a\tcity1\th1\r\n"
                                                "c\tcity3\th3\r\n"));
    f.lv.UnSelectAll();
    f.helper.KeyDown(67, 2);  // a form's own key
    EXPECT_EQ(clipboard->text(), QStringLiteral("Name\tCity\tHidden\r\n"));

    Fixture empty(0);
    clipboard->setText(QStringLiteral("old"));
    empty.helper.KeyDown(67, 2 | 1);
    EXPECT_EQ(clipboard->text(), QString());
    EXPECT_EQ(ScreenMousePointer(), vbDefault);
}

TEST(ListViewHelperSelection, CheckBoxRuleAndDoubleClicks)
{
    Fixture f;
    f.lv.SetCheckboxes(true);
    QAbstractItemModel* model = f.lv.Tree()->model();
    f.Select({1, 2});
    model->setData(model->index(3, 0), Qt::Checked, Qt::CheckStateRole);  // the user ticks row 4
    EXPECT_EQ(f.helper.NumberSelected(), 2);
    f.helper.SetOnItemCheckSelectLine(true);
    model->setData(model->index(3, 0), Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_EQ(f.helper.NumberSelected(), 1);
    EXPECT_TRUE(f.lv.Item(4)->Selected());
    EXPECT_FALSE(f.lv.Item(4)->Checked());

    QSignalSpy dbl(&f.helper, &clsListViewHelper::DblClick);
    emit f.lv.DblClick();
    EXPECT_EQ(dbl.count(), 1);
    Fixture empty(0);
    QSignalSpy none(&empty.helper, &clsListViewHelper::DblClick);
    emit empty.lv.DblClick();
    EXPECT_EQ(none.count(), 0);
}

TEST(ListViewHelperSelection, BandsInReportViewOnly)
{
    Fixture f;
    f.helper.SetListViewColor(&f.lv, 0x0000FF, 0xFF0000);  // red, blue (red in the low byte)
    EXPECT_EQ(f.lv.BandColor(0), QColor(255, 0, 0));
    EXPECT_EQ(f.lv.BandColor(1), QColor(0, 0, 255));
    EXPECT_EQ(f.lv.BandColor(2), QColor(255, 0, 0));
    f.lv.SetView(1);
    f.helper.SetListViewColor(&f.lv, 0x0000FF, 0xFF0000);
    EXPECT_FALSE(f.lv.HasBands());
}

TEST(ListViewHelperSelection, RemoveSelectedFromListAndCollection)
{
    struct Case {
        const char* name;
        std::vector<int> selected;
        bool onlyFromObj;
        std::vector<int32_t> removedFromObj;
        QStringList keysAfter;
        QStringList textsAfter;
    };
    const std::vector<Case> cases = {
        {"rows 2 and 4 from both", {2, 4}, false, {4, 2}, {"ID1", "ID2", "ID3"}, {"a", "c", "e"}},
        {"only from the collection", {2, 4}, true, {4, 2}, {"ID1", "ID2", "ID3", "ID4", "ID5"}, {"a", "b", "c", "d", "e"}},
        {"first and last", {1, 5}, false, {5, 1}, {"ID1", "ID2", "ID3"}, {"b", "c", "d"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        for (int r : c.selected)
            f.lv.Item(r)->SetSelected(true);
        std::vector<int32_t> removed;
        EXPECT_TRUE(f.helper.RemoveSelected(nullptr, [&](int32_t i) { removed.push_back(i); }, false, c.onlyFromObj,
                                            true));
        ASSERT_EQ(f.boxes.size(), 1u);
        EXPECT_EQ(f.boxes[0].prompt, QStringLiteral("Do you want to remove the selected items?"));
        EXPECT_EQ(f.boxes[0].title, QStringLiteral("Attention"));
        EXPECT_EQ(f.boxes[0].style, vbYesNo | vbExclamation);
        EXPECT_EQ(removed, c.removedFromObj);
        EXPECT_EQ(f.Keys(), c.keysAfter);
        EXPECT_EQ(f.Texts(), c.textsAfter);
    }
}

// The list's order need not be the keys' order: rows sorted otherwise still renumber by id.
TEST(ListViewHelperSelection, RemoveSelectedQuestionRefusalAndErrors)
{
    Fixture f;
    f.lv.SetSortOrder(1);
    f.lv.SetSorted(true);  // e d c b a: keys ID5..ID1 in row order
    f.lv.SetSelectedItem(f.lv.Item(QStringLiteral("ID2")));
    f.answer = vbNo;
    int calls = 0;
    EXPECT_FALSE(f.helper.RemoveSelected(nullptr, [&](int32_t) { ++calls; }, false, false, true));
    ASSERT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.boxes[0].prompt, QStringLiteral("Do you want to remove the selected item?\r\n\r\n   - b - city2"));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(f.lv.ItemCount(), 5);

    f.answer = vbYes;
    std::vector<int32_t> removed;
    EXPECT_TRUE(f.helper.RemoveSelected(nullptr, [&](int32_t i) { removed.push_back(i); }, false, false, false));
    EXPECT_EQ(removed, std::vector<int32_t>{2});
    EXPECT_EQ(f.Keys(), (QStringList{"ID4", "ID3", "ID2", "ID1"}));

    const QString error = QStringLiteral("An error occured while trying to remove items from the list.\r\n"
                                         "This error may have unexpected side effects.");
    // Nothing selected, removing from the collection only: the error box.
    f.lv.UnSelectAll();
    f.boxes.clear();
    EXPECT_FALSE(f.helper.RemoveSelected(nullptr, [&](int32_t) {}, false, true, false));
    ASSERT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.boxes[0].prompt, error);
    EXPECT_EQ(f.boxes[0].style, vbOKOnly);
    EXPECT_EQ(f.boxes[0].title, App().title);
    // Ids that are not 1 to the row count.
    f.lv.Item(1)->SetKey(QStringLiteral("ID9"));
    f.lv.Item(1)->SetSelected(true);
    f.boxes.clear();
    EXPECT_FALSE(f.helper.RemoveSelected(nullptr, [&](int32_t) {}, false, false, false));
    ASSERT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.boxes[0].prompt, error);
    // Asking with no current row.
    Fixture g;
    g.boxes.clear();
    EXPECT_FALSE(g.helper.RemoveSelected(nullptr, [&](int32_t) {}, false, false, true));
    ASSERT_EQ(g.boxes.size(), 1u);
    EXPECT_EQ(g.boxes[0].prompt, error);
}

// A removal that fails part-way: keys that do not qualify change nothing (no row keeps
// a temporary key); a collection that refuses one removal leaves the list holding
// exactly the collection's rows, renumbered to its indexes.
TEST(ListViewHelperSelection, RemoveSelectedThatFailsLeavesListAndCollectionInStep)
{
    struct Case {
        const char* name;
        QString keyOfRow5;        // the key row 5 gets before the removal
        int32_t refusedIndex;     // the collection fails on this index (0: never)
        std::vector<int32_t> removedFromObj;
        QStringList keysAfter;
        QStringList textsAfter;
    };
    const std::vector<Case> cases = {
        {"id past the row count", "ID9", 0, {}, {"ID1", "ID2", "ID3", "ID4", "ID9"}, {"a", "b", "c", "d", "e"}},
        {"id twice", "ID01", 0, {}, {"ID1", "ID2", "ID3", "ID4", "ID01"}, {"a", "b", "c", "d", "e"}},
        {"not a record key", "IDx", 0, {}, {"ID1", "ID2", "ID3", "ID4", "IDx"}, {"a", "b", "c", "d", "e"}},
        {"collection refuses index 2", "ID5", 2, {4}, {"ID1", "ID2", "ID3", "ID4"}, {"a", "b", "c", "e"}},
        {"collection refuses index 4", "ID5", 4, {}, {"ID1", "ID2", "ID3", "ID4", "ID5"}, {"a", "b", "c", "d", "e"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.lv.Item(5)->SetKey(c.keyOfRow5);
        f.Select({2, 4});
        std::vector<int32_t> removed;
        EXPECT_FALSE(f.helper.RemoveSelected(
            nullptr,
            [&](int32_t i) {
                if (i == c.refusedIndex)
                    RaiseError(5, QStringLiteral("refused"));
                removed.push_back(i);
            },
            false, false, false));
        ASSERT_EQ(f.boxes.size(), 1u);
        EXPECT_TRUE(f.boxes[0].prompt.startsWith(QStringLiteral("An error occured")));
        EXPECT_EQ(removed, c.removedFromObj);
        EXPECT_EQ(f.Keys(), c.keysAfter);
        EXPECT_EQ(f.Texts(), c.textsAfter);
    }
}

}  // namespace
