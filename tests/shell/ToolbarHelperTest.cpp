// The toolbar's text labels on a small owner form: blanking at Init, restoring
// the captions of Init, the owner's Resize, an owner without one, an empty toolbar, the toolbar's height without labels.

#include "core/CoreTestSupport.h"
#include "shell/ToolbarHelper.h"

#include <QAction>
#include <QIcon>
#include <QPixmap>
#include <QToolBar>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class Owner : public QWidget, public ToolbarOwner {
public:
    void Resize() override { ++resizes; }
    int resizes = 0;
};

QStringList Texts(QToolBar& tb)
{
    QStringList out;
    for (QAction* a : tb.actions())
        out << a->text();
    return out;
}

}  // namespace

TEST(ToolbarHelperTest, InitBlanksAndTheSwitchRestoresTheCaptionsOfInit)
{
    Owner owner;
    QToolBar tb(&owner);
    tb.addAction(QStringLiteral("New"));
    tb.addAction(QStringLiteral("Refresh"));
    ToolbarHelper helper;
    EXPECT_FALSE(helper.IsTextShown().toBool());
    EXPECT_TRUE(helper.IsTextShown().isBool());

    helper.Init(&owner, &tb, false);
    EXPECT_EQ(Texts(tb), (QStringList{QString(), QString()}));
    EXPECT_EQ(owner.resizes, 1);
    EXPECT_FALSE(helper.IsTextShown().toBool());

    // The owner changes a caption meanwhile: the switch brings back the one of Init.
    tb.actions()[1]->setText(QStringLiteral("Reload"));
    helper.MenuClicked();
    EXPECT_EQ(Texts(tb), (QStringList{"New", "Refresh"}));
    EXPECT_TRUE(helper.IsTextShown().toBool());
    EXPECT_EQ(owner.resizes, 2);
    helper.MenuClicked();
    EXPECT_EQ(Texts(tb), (QStringList{QString(), QString()}));
    EXPECT_EQ(owner.resizes, 3);

    // Init with the labels shown keeps them.
    ToolbarHelper shown;
    tb.actions()[0]->setText(QStringLiteral("New"));
    tb.actions()[1]->setText(QStringLiteral("Refresh"));
    shown.Init(&owner, &tb, true);
    EXPECT_EQ(Texts(tb), (QStringList{"New", "Refresh"}));
    EXPECT_TRUE(shown.IsTextShown().toBool());
}

TEST(ToolbarHelperTest, AnOwnerWithoutResizeFailsWith438)
{
    QWidget plain;
    QToolBar tb(&plain);
    tb.addAction(QStringLiteral("New"));
    ToolbarHelper helper;
    EXPECT_EQ(ErrorNumberOf([&] { helper.Init(&plain, &tb, false); }), 438);
    EXPECT_EQ(ErrorNumberOf([&] { helper.MenuClicked(); }), 438);
}

TEST(ToolbarHelperTest, AnEmptyToolbarOnlyInvertsTheFlag)
{
    Owner owner;
    QToolBar tb(&owner);
    ToolbarHelper helper;
    helper.Init(&owner, &tb, true);
    helper.MenuClicked();
    EXPECT_FALSE(helper.IsTextShown().toBool());
    EXPECT_EQ(owner.resizes, 2);
    // After Dispose nothing is bound any more.
    helper.Dispose();
    EXPECT_EQ(ErrorNumberOf([&] { helper.MenuClicked(); }), 438);
}

TEST(ToolbarHelperTest, HiddenLabelsLeaveNoBlankLineUnderThePictures)
{
    // Captions under pictures, as the main window and the list windows have them.
    Owner owner;
    QToolBar tb(&owner);
    tb.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QPixmap picture(16, 16);
    picture.fill(Qt::darkBlue);
    tb.addAction(QIcon(picture), QStringLiteral("Customize"));
    tb.addAction(QIcon(picture), QStringLiteral("Refresh"));
    ToolbarHelper helper;
    helper.Init(&owner, &tb, true);
    const int labelled = tb.sizeHint().height();

    helper.MenuClicked();
    EXPECT_LT(tb.sizeHint().height(), labelled - tb.fontMetrics().height() / 2);
    helper.MenuClicked();
    EXPECT_EQ(tb.toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(tb.sizeHint().height(), labelled);

    // Stored as hidden: the toolbar opens at the height of its pictures.
    QToolBar again(&owner);
    again.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    again.addAction(QIcon(picture), QStringLiteral("Customize"));
    ToolbarHelper hidden;
    hidden.Init(&owner, &again, false);
    EXPECT_LT(again.sizeHint().height(), labelled - again.fontMetrics().height() / 2);
    hidden.MenuClicked();
    EXPECT_EQ(again.sizeHint().height(), labelled);
}
