// Tab navigation over a tab control with switched-off tabs.

#include "shell/CTabExcluded.h"

#include <QLineEdit>
#include <QTabBar>
#include <gtest/gtest.h>

namespace {

struct Tabs {
    explicit Tabs(std::initializer_list<int> off)
    {
        for (int i = 0; i < 5; ++i)
            tabs.addTab(new QLineEdit, QStringLiteral("Tab %1").arg(i));
        for (int i : off)
            tabs.setTabEnabled(i, false);
        nav.Init(&tabs);
    }
    // Ctrl+Tab (shift 2) or Ctrl+Shift+Tab (shift 3) from the page's own control.
    int Press(int shift)
    {
        int key = 9;
        nav.KeyDown(key, shift);
        EXPECT_EQ(key, 0);
        int up = 9;
        nav.KeyUp(tabs.currentWidget(), up, shift);
        return tabs.currentIndex();
    }
    QTabWidget tabs;
    CTabExcluded nav;
};

TEST(TabExcludedTest, SkipsSwitchedOffTabs)
{
    struct Case {
        std::initializer_list<int> off;
        int start;
        int shift;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {{4}, 0, 2, {1, 2, 3, 0, 1}},
        {{4}, 0, 3, {3, 2, 1, 0, 3}},
        {{}, 4, 2, {0}},
        {{1, 2}, 0, 2, {3, 4, 0}},
        {{1, 2}, 3, 3, {0, 4}},
        // Nothing else available: the tab stays.
        {{1, 2, 3, 4}, 0, 2, {0, 0}},
        {{1, 2, 3, 4}, 0, 3, {0}},
        {{0, 1, 2, 3}, 4, 2, {4}},
        {{0, 1, 2, 3}, 4, 3, {4}},
    };
    for (const Case& c : cases) {
        Tabs t(c.off);
        t.tabs.setCurrentIndex(c.start);
        std::vector<int> visited;
        for (size_t i = 0; i < c.expected.size(); ++i)
            visited.push_back(t.Press(c.shift));
        EXPECT_EQ(visited, c.expected) << "from " << c.start << " shift " << c.shift;
    }
}

TEST(TabExcludedTest, OtherKeysPassAndTheTabControlItselfDoesNothing)
{
    Tabs t({4});
    for (auto [key, shift] : std::vector<std::pair<int, int>>{{9, 0}, {9, 1}, {9, 4}, {9, 6}, {65, 2}, {65, 3}}) {
        int k = key;
        t.nav.KeyDown(k, shift);
        EXPECT_EQ(k, key) << key << " " << shift;
        t.nav.KeyUp(t.tabs.currentWidget(), k, shift);
        EXPECT_EQ(t.tabs.currentIndex(), 0);
    }
    // Focused on the tab control: swallowed on key-down, no switch on key-up.
    int k = 9;
    t.nav.KeyDown(k, 2);
    EXPECT_EQ(k, 0);
    k = 9;
    t.nav.KeyUp(t.tabs.tabBar(), k, 2);
    EXPECT_EQ(t.tabs.currentIndex(), 0);
    t.nav.Dispose();
    k = 9;
    t.nav.KeyUp(t.tabs.currentWidget(), k, 2);
    EXPECT_EQ(t.tabs.currentIndex(), 0);
}

}  // namespace
