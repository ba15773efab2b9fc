// The menu button: items by position and key, separators, enabling, and its events.

#include "platform/controls/MenuButton.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

using FILTERLib::MenuButton;

namespace {

// The searches menu as the list window builds it: five fixed items, then searches
// added with indexes past the end.
void Fill(MenuButton& b)
{
    b.Clear();
    b.AddItem(0, QStringLiteral("SAVE"), QStringLiteral("Save"));
    b.AddItem(1, QStringLiteral("SAVE_AS"), QStringLiteral("Save As"));
    b.AddItem(2, QStringLiteral("EDIT"), QStringLiteral("Edit"));
    b.AddItem(3, QStringLiteral("DELETE"), QStringLiteral("Delete"));
    b.AddItem(4, QStringLiteral("SEP"), QStringLiteral("-"));
    b.AddItem(6, QStringLiteral("ID1"), QStringLiteral("Open Orders"));
    b.AddItem(7, QStringLiteral("ID2"), QStringLiteral("Big Orders"));
}

TEST(MenuButton, ItemsSeparatorsAndEnabling)
{
    MenuButton b;
    Fill(b);
    ASSERT_EQ(b.Count(), 7);
    const QStringList captions = {"Save", "Save As", "Edit", "Delete", "-", "Open Orders", "Big Orders"};
    for (int i = 0; i < b.Count(); ++i)
        EXPECT_EQ(b.Caption(i, QString()), captions[i]) << i;
    EXPECT_EQ(b.Caption(0, QStringLiteral("ID2")), QStringLiteral("Big Orders"));
    EXPECT_EQ(b.Caption(9, QString()), QString());
    EXPECT_EQ(b.Key(5), QStringLiteral("ID1"));
    EXPECT_TRUE(b.Menu()->actions()[4]->isSeparator());
    EXPECT_TRUE(b.Menu()->actions()[4]->text().isEmpty());  // drawn as a line, not as a titled section

    // A caption is shown as given: "&" is a character, not a mnemonic.
    b.AddItem(99, QStringLiteral("ID3"), QStringLiteral("R&D Orders"));
    EXPECT_EQ(b.Caption(b.Count() - 1, QString()), QStringLiteral("R&D Orders"));
    EXPECT_EQ(b.Menu()->actions().last()->iconText(), QStringLiteral("R&D Orders"));

    // An index inside the list inserts there.
    b.AddItem(1, QStringLiteral("X"), QStringLiteral("Inserted"));
    EXPECT_EQ(b.Caption(1, QString()), QStringLiteral("Inserted"));
    EXPECT_EQ(b.Caption(2, QString()), QStringLiteral("Save As"));
    Fill(b);
    EXPECT_EQ(b.Count(), 7);

    // By key first, by position when the key is empty or unknown.
    b.EnableItem(0, QStringLiteral("DELETE"), false);
    EXPECT_FALSE(b.IsItemEnabled(3));
    EXPECT_TRUE(b.IsItemEnabled(0));
    b.EnableItem(1, QString(), false);
    EXPECT_FALSE(b.IsItemEnabled(1));
    b.EnableItem(2, QStringLiteral("NOSUCHKEY"), false);
    EXPECT_FALSE(b.IsItemEnabled(2));
    b.EnableItem(2, QStringLiteral("EDIT"), true);
    EXPECT_TRUE(b.IsItemEnabled(2));
    b.Clear();
    EXPECT_EQ(b.Count(), 0);
}

TEST(MenuButton, DropDownBeforeTheMenuAndItemClickWithTheKey)
{
    MenuButton b;
    Fill(b);
    QSignalSpy clicks(&b, &MenuButton::ItemClick);
    b.ChooseItem(5);
    b.ChooseItem(4);  // the separator is never chosen
    b.ChooseItem(0);
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(0).at(0).toString(), QStringLiteral("ID1"));
    EXPECT_EQ(clicks.at(1).at(0).toString(), QStringLiteral("SAVE"));
    b.EnableItem(0, QStringLiteral("SAVE"), false);
    b.ChooseItem(0);
    EXPECT_EQ(clicks.count(), 2);

    // The drop-down handler may still change the items: the menu shows its choice.
    bool enabledWhenShown = false;
    QObject::connect(&b, &MenuButton::DropDown, &b, [&] { b.EnableItem(0, QStringLiteral("SAVE"), true); });
    QObject::connect(b.Menu(), &QMenu::aboutToShow, &b, [&] {
        QTimer::singleShot(0, &b, [&] {
            enabledWhenShown = b.IsItemEnabled(0);
            b.Menu()->close();
        });
    });
    QSignalSpy drops(&b, &MenuButton::DropDown);
    b.showMenu();
    EXPECT_EQ(drops.count(), 1);
    EXPECT_TRUE(enabledWhenShown);
}

}  // namespace
