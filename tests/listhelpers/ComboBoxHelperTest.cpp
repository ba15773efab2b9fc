// The type-ahead of a combo box: searching, expiry, wrap-around, refused and
// passed-through characters, Backspace, Enter, clicks and the lost focus.
#include "listhelpers/ComboBoxHelper.h"

#include "base/AppError.h"
#include "platform/forms/FormsRuntime.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class ComboBoxHelperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ComboBoxHelper::SetClock([this] { return now; });
        ComboBoxHelper::SetBeeper([this] { ++beeps; });
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            return int(vbOK);
        });
        combo = new ComboBox(&window);
        combo->setEditable(true);
        for (const char* entry : {"Alpha", "Beta", "Bravo"})
            combo->AddItem(QString::fromLatin1(entry));
        combo->SetListIndex(0);
        other = new QWidget(&window);
        window.resize(300, 200);
        window.show();
        helper.SetClient(combo);
    }
    void TearDown() override
    {
        combo->ShowDropdown(false);
        ComboBoxHelper::SetClock(nullptr);
        ComboBoxHelper::SetBeeper(nullptr);
        SetMessageBoxAnswerer(nullptr);
    }

    int16_t Type(char c) { return helper.KeyPress(int16_t(c)); }
    void Wait(int seconds) { now = now.addSecs(seconds); }
    QString Selected() const { return combo->lineEdit()->selectedText(); }

    QDateTime now = QDateTime(QDate(2024, 3, 1), QTime(10, 0, 0));
    int beeps = 0;
    std::vector<MessageBoxRequest> boxes;
    QWidget window;
    ComboBox* combo = nullptr;
    QWidget* other = nullptr;
    ComboBoxHelper helper;
};

TEST_F(ComboBoxHelperTest, TypingSelectsTheFirstMatchAndHighlightsTheUntypedRest)
{
    EXPECT_EQ(Type('b'), 0);
    EXPECT_EQ(combo->ListIndex(), 1);
    EXPECT_EQ(combo->Text(), QStringLiteral("Beta"));
    EXPECT_EQ(combo->SelStart(), 1);
    EXPECT_EQ(combo->SelLength(), 3);
    EXPECT_EQ(Selected(), QStringLiteral("eta"));
    EXPECT_TRUE(combo->DroppedState());

    Wait(19);
    EXPECT_EQ(Type('R'), 0);  // the search text "bR" compares without regard to case
    EXPECT_EQ(combo->ListIndex(), 2);
    EXPECT_EQ(Selected(), QStringLiteral("avo"));
}

TEST_F(ComboBoxHelperTest, APauseOrANavigationKeyStartsANewSearchAfterTheCurrentEntry)
{
    Type('b');
    Wait(21);
    Type('b');  // a new search, after Beta
    EXPECT_EQ(combo->ListIndex(), 2);
    Wait(21);
    Type('b');  // after Bravo, wrapping around
    EXPECT_EQ(combo->ListIndex(), 1);

    // An arrow key ends the search as well (the edit field keeps the focus).
    QTest::keyClick(combo, Qt::Key_Left);
    Type('b');
    EXPECT_EQ(combo->ListIndex(), 2);
}

TEST_F(ComboBoxHelperTest, TheTimeLimitIsKeptAsZeroOrMoreAndWorksInWholeSeconds)
{
    for (auto [given, kept] : {std::pair{-5, 0}, std::pair{0, 0}, std::pair{1500, 1500}}) {
        helper.SetTimeLimit(given);
        EXPECT_EQ(helper.TimeLimit(), kept) << given;
    }
    helper.SetTimeLimit(0);
    Type('b');
    Type('r');  // the same second: the search goes on
    EXPECT_EQ(combo->ListIndex(), 2);
    Wait(1);
    Type('b');  // the next second: a new search from Bravo
    EXPECT_EQ(combo->ListIndex(), 1);
}

TEST_F(ComboBoxHelperTest, WithSearchingDisabledEveryKeyIsANewSearch)
{
    helper.SetDisableSearching(true);
    std::vector<int> seen;
    for (int k = 0; k < 3; ++k) {
        Type('b');
        seen.push_back(combo->ListIndex());
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 1}));
}

TEST_F(ComboBoxHelperTest, ACharacterThatMatchesNothingIsRefusedAndBeepsOnlyWhenAsked)
{
    Type('b');
    EXPECT_EQ(Type('x'), 0);
    EXPECT_EQ(combo->ListIndex(), 1);
    EXPECT_EQ(Selected(), QStringLiteral("eta"));
    EXPECT_EQ(beeps, 0);

    helper.SetAudibleError(true);
    EXPECT_EQ(Type('x'), 0);
    EXPECT_EQ(beeps, 1);
    // The refused character left the search text: the search goes on with "br".
    EXPECT_EQ(Type('r'), 0);
    EXPECT_EQ(combo->ListIndex(), 2);
}

TEST_F(ComboBoxHelperTest, ARefusedKeyNeverReachesTheEditField)
{
    QTest::keyClick(combo, Qt::Key_B);
    QTest::keyClick(combo, Qt::Key_Z);
    EXPECT_EQ(combo->lineEdit()->text(), QStringLiteral("Beta"));
    EXPECT_EQ(Selected(), QStringLiteral("eta"));
}

TEST_F(ComboBoxHelperTest, WithTypeOnNoMatchAllowedUnmatchedTextReachesTheComboBox)
{
    helper.SetAllowTypeOnNoMatch(true);
    QTest::keyClick(combo, Qt::Key_B);
    QTest::keyClick(combo, Qt::Key_X);  // "bx": no entry; typed over the highlighted rest
    EXPECT_EQ(combo->lineEdit()->text(), QStringLiteral("Bx"));
    EXPECT_EQ(Type('y'), 'y');  // the search "bxy" goes on and passes its keys through
    EXPECT_EQ(Type(char(vbkey::Back)), vbkey::Back);  // "bx" still matches nothing
    EXPECT_EQ(Type(char(vbkey::Back)), 0);            // "b" matches Beta again
    EXPECT_EQ(combo->ListIndex(), 1);
}

TEST_F(ComboBoxHelperTest, BackspaceShortensARunningSearchOnly)
{
    EXPECT_EQ(Type(char(vbkey::Back)), vbkey::Back);  // first key of a search
    Type('b');
    EXPECT_EQ(Type(char(vbkey::Back)), vbkey::Back);  // one character: nothing left to search
    Wait(30);
    Type('b');  // Bravo (after Beta)
    Type('r');
    Type('a');
    EXPECT_EQ(combo->ListIndex(), 2);
    EXPECT_EQ(Type(char(vbkey::Back)), 0);  // "br": the first from the top
    EXPECT_EQ(combo->ListIndex(), 2);
    EXPECT_EQ(Type(char(vbkey::Back)), 0);  // "b": Beta
    EXPECT_EQ(combo->ListIndex(), 1);
}

TEST_F(ComboBoxHelperTest, EnterKeepsTheFoundEntryEndsTheSearchAndPassesTheKey)
{
    Type('b');
    Type('r');
    EXPECT_EQ(Type(char(vbkey::Return)), vbkey::Return);
    EXPECT_EQ(combo->ListIndex(), 2);
    EXPECT_EQ(combo->SelStart(), 5);
    EXPECT_EQ(combo->SelLength(), 0);
    EXPECT_FALSE(combo->DroppedState());
    Type('b');  // a new search, after Bravo
    EXPECT_EQ(combo->ListIndex(), 1);
}

TEST_F(ComboBoxHelperTest, ASearchStepMarksItsSelectionThroughTheTag)
{
    QStringList tagsAtClick;
    QObject::connect(combo, &ComboBox::Click, combo, [&] { tagsAtClick << combo->Tag; });
    QSignalSpy clicks(&helper, &ComboBoxHelper::Click);
    Type('b');
    EXPECT_EQ(tagsAtClick, QStringList{QStringLiteral("0")});
    EXPECT_EQ(combo->Tag, QStringLiteral("1"));
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ComboBoxHelperTest, LostFocusPutsBackTheRememberedEntryOfAPendingSearch)
{
    combo->setFocus();
    Type('b');                 // remembered: Beta
    combo->SetListIndex(-1);   // a click without a selection: Click, the remembered entry stays
    QSignalSpy clicks(&helper, &ComboBoxHelper::Click);

    // A click while Tab is down is not seen at all.
    QTest::keyPress(other, Qt::Key_Tab);
    combo->SetListIndex(2);
    QTest::keyRelease(other, Qt::Key_Tab);
    EXPECT_EQ(clicks.count(), 0);

    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(combo, &out);
    EXPECT_EQ(combo->ListIndex(), 1);
    EXPECT_EQ(clicks.count(), 1);

    // Nothing pending any more: another loss of the focus changes nothing.
    combo->SetListIndex(0);
    QCoreApplication::sendEvent(combo, &out);
    EXPECT_EQ(combo->ListIndex(), 0);
}

TEST_F(ComboBoxHelperTest, ClientMustBeAComboBox)
{
    QLineEdit edit;
    try {
        helper.SetClient(&edit);
        FAIL() << "a text box was accepted";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), vberr::kObjectErrorBase + 1);
        EXPECT_EQ(e.description(), QStringLiteral("Client property must be of type ComboBox."));
        EXPECT_EQ(e.source(), QStringLiteral("ClsCoreComboExtend.Client"));
    }
    EXPECT_EQ(helper.Client(), combo);

    helper.SetClient(nullptr);
    EXPECT_EQ(helper.Client(), nullptr);
    // Detached: the combo box's keys reach it untouched.
    QTest::keyClick(combo, Qt::Key_Z);
    EXPECT_EQ(combo->lineEdit()->text(), QStringLiteral("Alphaz"));
}

TEST_F(ComboBoxHelperTest, TheListSearchStartsAfterTheGivenEntryAndWraps)
{
    struct Case {
        int start;
        const char* prefix;
        int found;
    } cases[] = {{-1, "b", 1}, {1, "b", 2}, {2, "b", 1}, {-1, "AL", 0}, {0, "al", 0}, {-1, "c", -1}, {-1, "", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(combo->FindString(c.start, QString::fromLatin1(c.prefix)), c.found) << c.start << c.prefix;
    ComboBox empty;
    EXPECT_EQ(empty.FindString(-1, QStringLiteral("a")), -1);
}

}  // namespace
