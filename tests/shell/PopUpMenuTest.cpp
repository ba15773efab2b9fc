// The popup menu: the entry list (ids, separators, removal), the menu built from
// it (sub-entries, separators, disabled entries, repeated ids), the choice and
// the dismissal through the menu seam, the scale mode and the placing, the
// failures, and one real menu closed from the keyboard.

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"
#include "shell/PopUpMenu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

// The built menu as text: "Name" for an entry, "~Name" when disabled, "-" for a
// separator, "Name>[A|B]" for an entry carrying a submenu.
QString Describe(QMenu* menu)
{
    QStringList items;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            items << QStringLiteral("-");
            continue;
        }
        QString text = (a->isEnabled() ? QString() : QStringLiteral("~")) + a->text();
        if (QMenu* sub = a->menu())
            text += QStringLiteral(">[") + Describe(sub).replace(QLatin1Char(','), QLatin1Char('|')) +
                    QStringLiteral("]");
        items << text;
    }
    return items.join(QLatin1Char(','));
}

QAction* FindAction(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions()) {
        if (!a->isSeparator() && a->text() == text && !a->menu())
            return a;
        if (QMenu* sub = a->menu())
            if (QAction* found = FindAction(sub, text))
                return found;
    }
    return nullptr;
}

// Answers every menu: records it and picks the action with the caption `choose`
// (none: dismissed).
class MenuSeam {
public:
    MenuSeam()
    {
        SetPopUpMenuAnswerer([this](const PopUpMenuRequest& r) -> QAction* {
            ++shown;
            built = Describe(r.menu);
            at = r.screenPos;
            owner = r.owner;
            return choose ? FindAction(r.menu, *choose) : nullptr;
        });
    }
    ~MenuSeam() { SetPopUpMenuAnswerer(nullptr); }
    std::optional<QString> choose;
    int shown = 0;
    QString built;
    QPoint at;
    QWidget* owner = nullptr;
};

class PopUpMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        control.resize(200, 100);
        control.move(40, 30);
    }
    QString Show(PopUpMenu& menu, QString* key = nullptr, QWidget* hWnd = nullptr)
    {
        float x = 10, y = 20;
        return menu.ShowPopUpMenu(x, y, key, hWnd);
    }
    QWidget control;
    MenuSeam seam;
};

int32_t ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

TEST_F(PopUpMenuTest, EntriesTakeTheCountPlusOneAsIdAndSeparatorsAreNamedByIt)
{
    PopUpMenu menu;
    EXPECT_EQ(menu.Count(), 0);
    EXPECT_EQ(menu.AddPopUpItem(QStringLiteral("Edit"), QStringLiteral("E")), 0);
    EXPECT_EQ(menu.AddPopUpItem(QStringLiteral("Delete")), 0);
    EXPECT_EQ(menu.AddSeparator(), 0);
    menu.AddPopUpItem(QStringLiteral("Import New Columns"), QStringLiteral("I"), true);
    menu.AddSeparator();
    ASSERT_EQ(menu.Count(), 5);

    struct Expected {
        const char* name;
        const char* key;
        int32_t type;
        bool sub;
    };
    const Expected expected[] = {{"Edit", "E", 0, false},
                                 {"Delete", "", 0, false},
                                 {"sep-3", "", 2048, false},
                                 {"Import New Columns", "I", 0, true},
                                 {"sep-5", "", 2048, false}};
    for (int i = 1; i <= 5; ++i) {
        const PopUpMenuItemRef item = menu.Item(Variant(int32_t(i)));
        const Expected& e = expected[i - 1];
        EXPECT_EQ(item->MenuKeyID(), i);
        EXPECT_EQ(item->MenuName, QString::fromLatin1(e.name));
        EXPECT_EQ(item->MenuKey, QString::fromLatin1(e.key));
        EXPECT_EQ(item->MenuType, e.type);
        EXPECT_EQ(item->SubMenu, e.sub);
        EXPECT_TRUE(item->Enabled);
    }

    // Removing keeps the other ids: the next entry repeats the id of the last one.
    menu.Remove(Variant(int32_t(2)));
    EXPECT_EQ(menu.Count(), 4);
    EXPECT_EQ(menu.Item(Variant(int32_t(2)))->MenuName, QStringLiteral("sep-3"));
    menu.AddSeparator();
    EXPECT_EQ(menu.Item(Variant(int32_t(5)))->MenuName, QStringLiteral("sep-5"));
    EXPECT_EQ(menu.Item(Variant(int32_t(5)))->MenuKeyID(), 5);

    menu.Clear();
    EXPECT_EQ(menu.Count(), 0);
    menu.AddPopUpItem(QStringLiteral("Again"));
    EXPECT_EQ(menu.Item(Variant(int32_t(1)))->MenuKeyID(), 1);
}

TEST_F(PopUpMenuTest, PositionsOutsideTheListAndAMenuWithoutWindowFail)
{
    PopUpMenu menu;
    // A menu that never had an entry has no list to look in.
    EXPECT_EQ(ErrorOf([&] { menu.Item(Variant(int32_t(1))); }), vberr::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { menu.Remove(Variant(int32_t(1))); }), vberr::SubscriptOutOfRange);
    menu.AddPopUpItem(QStringLiteral("Only"));
    for (int32_t bad : {0, 2, -1}) {
        EXPECT_EQ(ErrorOf([&] { menu.Item(Variant(bad)); }), vberr::SubscriptOutOfRange) << bad;
        EXPECT_EQ(ErrorOf([&] { menu.Remove(Variant(bad)); }), vberr::SubscriptOutOfRange) << bad;
    }
    EXPECT_EQ(menu.Count(), 1);
    // Never given a control and no window of the caller's: nothing to place it on.
    EXPECT_EQ(ErrorOf([&] { Show(menu); }), vberr::ObjectNotSet);
    EXPECT_EQ(seam.shown, 0);
    // A window of the caller's is enough.
    EXPECT_EQ(Show(menu, nullptr, &control), QString());
    EXPECT_EQ(seam.owner, &control);
}

TEST_F(PopUpMenuTest, TheMenuIsBuiltFromTheEntriesInListOrder)
{
    struct Entry {
        const char* name;  // "-" adds a separator
        bool sub = false;
        bool enabled = true;
    };
    struct Case {
        const char* what;
        std::vector<Entry> entries;
        const char* built;
    };
    const Case cases[] = {
        {"no entries", {}, ""},
        {"plain entries and a separator", {{"Edit"}, {"-"}, {"Delete"}}, "Edit,-,Delete"},
        {"sub-entries go to the next entry that is not one", {{"A", true}, {"B", true}, {"C"}, {"D"}},
         "C>[A|B],D"},
        {"each carrier takes the sub-entries since the last one",
         {{"A", true}, {"Carrier 1"}, {"B", true}, {"C", true}, {"Carrier 2"}}, "Carrier 1>[A],Carrier 2>[B|C]"},
        {"sub-entries at the end are not shown", {{"Edit"}, {"A", true}, {"B", true}}, "Edit"},
        {"sub-entries before a separator are handed to it", {{"A", true}, {"-"}, {"Edit"}}, "-,Edit"},
        {"disabled entries are grey, also in a submenu", {{"A", true, false}, {"B", false, false}, {"C"}},
         "~B>[~A],C"},
    };
    for (const Case& c : cases) {
        PopUpMenu menu;
        menu.Init(&control);
        for (const Entry& e : c.entries) {
            if (QLatin1String(e.name) == QLatin1String("-"))
                menu.AddSeparator();
            else
                menu.AddPopUpItem(QString::fromLatin1(e.name), QString(), e.sub);
            menu.Item(Variant(int32_t(menu.Count())))->Enabled = e.enabled;
        }
        EXPECT_EQ(Show(menu), QString()) << c.what;
        EXPECT_EQ(seam.built, QString::fromLatin1(c.built)) << c.what;
    }
}

TEST_F(PopUpMenuTest, TheChoiceGivesTheEntrysNameAndKeyAndADismissalLeavesTheKey)
{
    PopUpMenu menu;
    menu.Init(&control);
    menu.AddPopUpItem(QStringLiteral("View SQL Column Name"), QStringLiteral("sql"));
    menu.AddPopUpItem(QStringLiteral("Import New Columns"), QStringLiteral("import"), true);
    menu.AddPopUpItem(QStringLiteral("Columns"), QStringLiteral("carrier"));
    menu.AddSeparator();
    menu.AddPopUpItem(QStringLiteral("Delete"), QStringLiteral("delete"));
    menu.Item(Variant(int32_t(5)))->Enabled = false;

    struct Case {
        std::optional<QString> choose;
        const char* name;
        const char* key;  // after the call; the caller passed "before"
    };
    const Case cases[] = {
        {QStringLiteral("View SQL Column Name"), "View SQL Column Name", "sql"},
        {QStringLiteral("Import New Columns"), "Import New Columns", "import"},  // from the submenu
        {std::nullopt, "", "before"},                                            // dismissed
        {QStringLiteral("Delete"), "", "before"},                                // disabled: cannot be chosen
    };
    for (const Case& c : cases) {
        seam.choose = c.choose;
        QString key = QStringLiteral("before");
        EXPECT_EQ(Show(menu, &key), QString::fromLatin1(c.name)) << c.name;
        EXPECT_EQ(key, QString::fromLatin1(c.key)) << c.name;
    }
    // The same entries can be shown again.
    EXPECT_EQ(seam.shown, 4);
}

TEST_F(PopUpMenuTest, ARepeatedIdIsInsertedBeforeItsTwinAndEitherGivesTheFirstInListOrder)
{
    PopUpMenu menu;
    menu.Init(&control);
    menu.AddPopUpItem(QStringLiteral("A"), QStringLiteral("a"));
    menu.AddPopUpItem(QStringLiteral("B"), QStringLiteral("b"));
    menu.AddPopUpItem(QStringLiteral("C"), QStringLiteral("c"));
    menu.Remove(Variant(int32_t(2)));
    menu.AddPopUpItem(QStringLiteral("D"), QStringLiteral("d"));  // id 3, as C's
    ASSERT_EQ(menu.Item(Variant(int32_t(3)))->MenuKeyID(), 3);

    for (const char* choice : {"C", "D"}) {
        seam.choose = QString::fromLatin1(choice);
        QString key;
        EXPECT_EQ(Show(menu, &key), QStringLiteral("C")) << choice;
        EXPECT_EQ(key, QStringLiteral("c")) << choice;
        EXPECT_EQ(seam.built, QStringLiteral("A,D,C"));
    }
}

TEST_F(PopUpMenuTest, ThePointIsInTheClientAreaAndScaleModeOneTurnsTwipsIntoPixels)
{
    control.show();
    const QPoint origin = control.mapToGlobal(QPoint(0, 0));
    const float tx = static_cast<float>(TwipsPerPixelX());
    const float ty = static_cast<float>(TwipsPerPixelY());
    struct Case {
        int32_t scaleMode;
        float x, y;           // given
        float px, py;         // after the call
    };
    const Case cases[] = {
        {0, 10.5f, 11.5f, 10.5f, 11.5f},  // halves round to even (on the screen position)
        {3, 7, 9, 7, 9},                  // any mode but 1 is pixels
        {1, 100 * tx, 40 * ty, 100, 40},
        {1, 2.5f * tx, 3.5f * ty, 2.5f, 3.5f},
    };
    for (const Case& c : cases) {
        PopUpMenu menu;
        menu.Init(&control, c.scaleMode);
        menu.AddPopUpItem(QStringLiteral("Edit"));
        float x = c.x, y = c.y;
        menu.ShowPopUpMenu(x, y);
        EXPECT_FLOAT_EQ(x, c.px) << c.scaleMode;
        EXPECT_FLOAT_EQ(y, c.py) << c.scaleMode;
        const QPoint expected(static_cast<int>(RoundHalfEven(c.px + origin.x())),
                              static_cast<int>(RoundHalfEven(c.py + origin.y())));
        EXPECT_EQ(seam.at, expected) << c.scaleMode;
        EXPECT_EQ(seam.owner, &control);
    }
    // A window of the caller's replaces the control's.
    QWidget other;
    other.move(300, 200);
    other.show();
    PopUpMenu menu;
    menu.Init(&control);
    float x = 5, y = 6;
    menu.ShowPopUpMenu(x, y, nullptr, &other);
    EXPECT_EQ(seam.owner, &other);
    EXPECT_EQ(seam.at, other.mapToGlobal(QPoint(5, 6)));
}

TEST(PopUpMenuRealTest, ARealMenuReturnsWhenItClosesAndNothingOfItStays)
{
    QWidget control;
    control.resize(200, 100);
    control.show();
    PopUpMenu menu;
    menu.Init(&control);
    menu.AddPopUpItem(QStringLiteral("Open"), QStringLiteral("open"));
    menu.AddPopUpItem(QStringLiteral("Delete"), QStringLiteral("delete"));

    // Keys typed into the open menu: the first closes it, the second chooses the
    // second entry.
    const QList<QList<int>> keys = {{Qt::Key_Escape}, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}};
    const char* results[] = {"", "Delete"};
    for (qsizetype i = 0; i < keys.size(); ++i) {
        bool seen = false;
        QTimer::singleShot(0, [&, i] {
            QWidget* popup = QApplication::activePopupWidget();
            seen = popup != nullptr;
            for (int key : keys[i])
                QTest::keyClick(popup ? popup : &control, static_cast<Qt::Key>(key));
        });
        QString key = QStringLiteral("before");
        float x = 4, y = 4;
        EXPECT_EQ(menu.ShowPopUpMenu(x, y, &key), QString::fromLatin1(results[i]));
        EXPECT_TRUE(seen);
        EXPECT_EQ(key, i == 0 ? QStringLiteral("before") : QStringLiteral("delete"));
        EXPECT_EQ(control.findChildren<QMenu*>().size(), 0);
    }
}

}  // namespace
