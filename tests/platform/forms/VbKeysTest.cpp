// The key codes the forms' key events carry: named keys, letters, digits and
// function keys by their codes, and every other key as 0, so that punctuation
// never passes for Delete (".") or Insert ("-") in the windows' key handlers.

#include "platform/controls/ReportListView.h"
#include "platform/forms/VbKeys.h"

#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

TEST(VbKeys, CodesOfQtKeys)
{
    const struct {
        int qtKey;
        int code;
    } cases[] = {
        {Qt::Key_A, 65},        {Qt::Key_Z, 90},        {Qt::Key_0, 48},         {Qt::Key_9, 57},
        {Qt::Key_F1, 112},      {Qt::Key_F5, 116},      {Qt::Key_F24, 135},      {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},    {Qt::Key_Escape, 27},   {Qt::Key_Tab, 9},        {Qt::Key_Backtab, 9},
        {Qt::Key_Backspace, 8}, {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46},    {Qt::Key_Space, 32},
        {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},       {Qt::Key_Home, 36},
        {Qt::Key_Left, 37},     {Qt::Key_Up, 38},       {Qt::Key_Right, 39},     {Qt::Key_Down, 40},
        {Qt::Key_Shift, 16},    {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},
        // Keys whose Qt numbers would otherwise read as other keys' codes.
        {Qt::Key_Period, 0},    {Qt::Key_Minus, 0},     {Qt::Key_Apostrophe, 0}, {Qt::Key_ParenLeft, 0},
        {Qt::Key_Comma, 0},     {Qt::Key_unknown, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VbKeyCode(c.qtKey), c.code) << QKeySequence(c.qtKey).toString().toStdString();
}

TEST(VbKeys, ShiftStatesAndButtons)
{
    EXPECT_EQ(VbShiftState(Qt::NoModifier), 0);
    EXPECT_EQ(VbShiftState(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(VbShiftState(Qt::ControlModifier | Qt::KeypadModifier), 2);
    EXPECT_EQ(VbButton(Qt::LeftButton), 1);
    EXPECT_EQ(VbButton(Qt::RightButton), 2);
    EXPECT_EQ(VbButton(Qt::MiddleButton), 4);
    EXPECT_EQ(VbButton(Qt::BackButton), 0);
}

TEST(VbKeys, APeriodTypedInAListIsNotDelete)
{
    ReportListView lv;
    lv.AddColumn(0, QString(), QStringLiteral("Name"), 2000);
    lv.AddItem(0, QStringLiteral("ID1"), QStringLiteral("one"));
    lv.resize(300, 200);
    lv.show();
    std::vector<int> keys;
    QObject::connect(&lv, &ReportListView::KeyDown, &lv, [&](int& key, int) { keys.push_back(key); });
    lv.Tree()->setFocus();
    QTest::keyClick(lv.Tree(), Qt::Key_Period);
    QTest::keyClick(lv.Tree(), Qt::Key_Delete);
    EXPECT_EQ(keys, (std::vector<int>{0, vbkey::Delete}));
}

}  // namespace
