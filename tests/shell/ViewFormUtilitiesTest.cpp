// EnableSelectedTabFrame and SetListViewState.

#include "shell/ViewFormUtilities.h"

#include "base/AppError.h"
#include "platform/controls/ReportListView.h"

#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

QColor ButtonFace() { return QApplication::palette().color(QPalette::Active, QPalette::Button); }
QColor WindowColour() { return QApplication::palette().color(QPalette::Active, QPalette::Base); }

TEST(ViewFormUtilities, OnlyTheSelectedTabsFrameIsEnabled)
{
    QTabBar tabs;
    for (const char* caption : {"General", "Columns", "Filters"})
        tabs.addTab(QString::fromLatin1(caption));
    QWidget f0, f1, f2;
    const std::vector<QWidget*> frames{&f0, &f1, &f2};
    tabs.setCurrentIndex(1);
    EnableSelectedTabFrame(&tabs, frames);
    EXPECT_FALSE(f0.isEnabled());
    EXPECT_TRUE(f1.isEnabled());
    EXPECT_FALSE(f2.isEnabled());
    for (QWidget* f : frames) {
        EXPECT_EQ(f->palette().color(QPalette::Window), ButtonFace());
        EXPECT_TRUE(f->autoFillBackground());
    }
    QTabWidget widget;
    QWidget p0, p1;
    widget.addTab(&p0, QStringLiteral("a"));
    widget.addTab(&p1, QStringLiteral("b"));
    widget.setCurrentIndex(0);
    EnableSelectedTabFrame(&widget, {&f0, &f1});
    EXPECT_TRUE(f0.isEnabled());
    EXPECT_FALSE(f1.isEnabled());
    EXPECT_THROW(EnableSelectedTabFrame(&tabs, {&f0}), AppError);  // a frame missing
}

TEST(ViewFormUtilities, ListStateFollowsItsRowsAndTheReadOnlyFlag)
{
    ReportListView lv;
    lv.AddColumn(0, QString(), QStringLiteral("Name"));
    SetListViewState(&lv, false);
    EXPECT_FALSE(lv.isEnabled());
    EXPECT_FALSE(lv.TabStop());
    EXPECT_EQ(lv.BackColor(), ButtonFace());
    lv.AddItem(0, QString(), QStringLiteral("row"));
    SetListViewState(&lv, false);
    EXPECT_TRUE(lv.isEnabled());
    EXPECT_TRUE(lv.TabStop());
    EXPECT_EQ(lv.BackColor(), WindowColour());
    SetListViewState(&lv, true);
    EXPECT_TRUE(lv.isEnabled());
    EXPECT_FALSE(lv.TabStop());
    EXPECT_EQ(lv.BackColor(), ButtonFace());
}

}  // namespace
