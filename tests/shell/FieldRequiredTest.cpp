// CFieldRequired: the tab order of the registered controls, what counts as empty
// by kind of control, and the message word for word with its line feeds.

#include "shell/CFieldRequired.h"

#include "ErrorOf.h"
#include "platform/controls/ReportListView.h"
#include "platform/forms/FormsRuntime.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

class FieldRequiredTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageBoxAnswerer([this](const MessageBoxRequest& r) {
            boxes.push_back(r);
            return int(vbOK);
        });
    }
    void TearDown() override { SetMessageBoxAnswerer(nullptr); }

    // A control of the dialog, in tab order of creation, labelled by its tag.
    template <class W>
    W* Add(const char* tag)
    {
        auto* w = new W(&dialog);
        w->setProperty("Tag", QString::fromLatin1(tag));
        dialog.layout()->addWidget(w);
        return w;
    }
    void ShowDialog()
    {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    QWidget dialog;
    QVBoxLayout* layout = new QVBoxLayout(&dialog);
    std::vector<MessageBoxRequest> boxes;
};

TEST_F(FieldRequiredTest, OneEmptyFieldIsNamedAndFocused)
{
    auto* name = Add<QLineEdit>("Name");
    auto* description = Add<QLineEdit>("Description");
    description->setText(QStringLiteral("x"));
    ShowDialog();
    description->setFocus();
    CFieldRequired check;
    check.AddControl(description);
    check.AddControl(name);
    EXPECT_FALSE(check.CheckRequiredControls());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, QStringLiteral("The following field requires you to enter information:\n\n"
                                              "   - Name\n\n"
                                              "Please enter the information in the required field,\n"
                                              "which is indicated with an asterisk (*)."));
    EXPECT_EQ(boxes[0].title, QStringLiteral("Information Required"));
    EXPECT_EQ(boxes[0].style, vbExclamation | vbOKOnly);
    EXPECT_FALSE(boxes[0].prompt.contains(QLatin1Char('\r')));
    EXPECT_EQ(QApplication::focusWidget(), name);

    // Without the asterisk sentence: a full stop straight after "field".
    boxes.clear();
    EXPECT_FALSE(check.CheckRequiredControls(false));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.endsWith(QStringLiteral("\n\nPlease enter the information in the required field.")));

    name->setText(QStringLiteral("Orders"));
    boxes.clear();
    EXPECT_TRUE(check.CheckRequiredControls());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FieldRequiredTest, SeveralEmptyFieldsAreListedInTabOrderAndTheFirstIsFocused)
{
    auto* name = Add<QLineEdit>("Name");
    auto* shared = Add<QCheckBox>("Shared");  // a kind that is never empty
    auto* sqlName = Add<QLineEdit>("SQL Name");
    auto* application = Add<QComboBox>("Destination application");
    sqlName->setText(QStringLiteral("   "));  // spaces only
    ShowDialog();
    CFieldRequired check;
    for (QWidget* w : std::initializer_list<QWidget*>{application, sqlName, shared, name})
        check.AddControl(w);
    ASSERT_EQ(check.Count(), 4);
    EXPECT_EQ(check.Control(0), name);
    EXPECT_EQ(check.Control(3), application);

    EXPECT_FALSE(check.CheckRequiredControls(true));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, QStringLiteral("The following fields require you to enter information:\n\n"
                                              "   - Name\n"
                                              "   - SQL Name\n"
                                              "   - Destination application\n\n"
                                              "Please enter the information in the required fields,\n"
                                              "which are indicated with an asterisk (*)."));
    EXPECT_EQ(QApplication::focusWidget(), name);

    // The tab order, not the order of creation, decides.
    QWidget::setTabOrder(sqlName, name);
    CFieldRequired reordered;
    for (QWidget* w : std::initializer_list<QWidget*>{name, sqlName, application})
        reordered.AddControl(w);
    EXPECT_EQ(reordered.Control(0), sqlName);
    boxes.clear();
    EXPECT_FALSE(reordered.CheckRequiredControls(false));
    EXPECT_TRUE(boxes.at(0).prompt.contains(QStringLiteral("   - SQL Name\n   - Name\n   - Destination application\n")));
    EXPECT_TRUE(boxes.at(0).prompt.endsWith(QStringLiteral("required fields.")));
    EXPECT_EQ(QApplication::focusWidget(), sqlName);
}

TEST_F(FieldRequiredTest, NoControlsOrAllFilledAsksNothing)
{
    CFieldRequired check;
    EXPECT_TRUE(check.CheckRequiredControls());
    auto* combo = Add<QComboBox>("Kind");
    combo->addItem(QStringLiteral("A"));
    check.AddControl(combo);
    EXPECT_TRUE(check.CheckRequiredControls());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FieldRequiredTest, ASecondControlAtTheSameTabIndexIsADuplicateKey)
{
    auto* name = Add<QLineEdit>("Name");
    CFieldRequired check;
    check.AddControl(name);
    EXPECT_EQ(ErrorOf([&] { check.AddControl(name); }).number(), vberr::KeyAlreadyAssociated);
    EXPECT_EQ(check.Count(), 1);
    EXPECT_EQ(ErrorOf([&] { check.AddControl(nullptr); }).number(), vberr::ObjectNotSet);
}

TEST_F(FieldRequiredTest, EmptinessByKindOfControl)
{
    // Each control once empty, once holding a value; the check names the empty ones.
    struct Case {
        const char* tag;
        QWidget* empty;
        QWidget* filled;
    };
    std::vector<Case> cases;
    auto pair = [&](const char* tag, QWidget* e, QWidget* f) {
        e->setProperty("Tag", QString::fromLatin1(tag) + QStringLiteral(" empty"));
        f->setProperty("Tag", QString::fromLatin1(tag) + QStringLiteral(" filled"));
        dialog.layout()->addWidget(e);
        dialog.layout()->addWidget(f);
        cases.push_back({tag, e, f});
    };
    {
        auto* e = new QPlainTextEdit(QStringLiteral("  "), &dialog);
        auto* f = new QPlainTextEdit(QStringLiteral(" a "), &dialog);
        pair("memo", e, f);
    }
    {
        auto* e = new QTimeEdit(QTime(0, 0), &dialog);
        auto* f = new QTimeEdit(QTime(0, 1), &dialog);
        pair("duration", e, f);
    }
    {
        auto* e = new ReportListView(&dialog);
        auto* f = new ReportListView(&dialog);
        f->AddColumn(0, QString(), QStringLiteral("Column"));
        f->AddItem(0, QString(), QStringLiteral("row"));
        pair("report list", e, f);
    }
    {
        auto* e = new QListWidget(&dialog);
        auto* f = new QListWidget(&dialog);
        f->addItem(QStringLiteral("row"));
        pair("list", e, f);
    }
    {
        // No date: the special value text at the minimum.
        auto* e = new QDateEdit(&dialog);
        e->setSpecialValueText(QStringLiteral(" "));
        e->setDate(e->minimumDate());
        auto* f = new QDateEdit(QDate(2024, 5, 1), &dialog);
        f->setSpecialValueText(QStringLiteral(" "));
        pair("date", e, f);
    }
    {
        auto* e = new QComboBox(&dialog);
        e->setEditable(true);
        e->setEditText(QStringLiteral("   "));
        auto* f = new QComboBox(&dialog);
        f->setEditable(true);
        f->setEditText(QStringLiteral("x"));
        pair("combo", e, f);
    }
    {
        auto* e = new QSpinBox(&dialog);
        e->setRange(-1, 100);
        e->setSpecialValueText(QStringLiteral(" "));
        e->setValue(-1);
        auto* f = new QDoubleSpinBox(&dialog);
        f->setValue(0);  // 0 is a value while ZeroValidValue holds
        pair("number", e, f);
    }
    CFieldRequired check;
    for (const Case& c : cases) {
        check.AddControl(c.filled);
        check.AddControl(c.empty);
    }
    EXPECT_FALSE(check.CheckRequiredControls());
    ASSERT_EQ(boxes.size(), 1u);
    for (const Case& c : cases) {
        EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("   - %1 empty\n").arg(QLatin1String(c.tag)))) << c.tag;
        EXPECT_FALSE(boxes[0].prompt.contains(QStringLiteral("%1 filled").arg(QLatin1String(c.tag)))) << c.tag;
    }
}

TEST_F(FieldRequiredTest, ZeroValidValueDecidesWhetherZeroOrNoValueIsEmpty)
{
    auto* zero = Add<QSpinBox>("Zero");
    zero->setRange(-1, 10);
    zero->setSpecialValueText(QStringLiteral(" "));
    zero->setValue(0);
    auto* none = Add<QDoubleSpinBox>("None");
    none->setRange(-1, 10);
    none->setSpecialValueText(QStringLiteral(" "));
    none->setValue(-1);
    CFieldRequired check;
    check.AddControl(zero);
    check.AddControl(none);
    EXPECT_TRUE(check.ZeroValidValue());
    EXPECT_FALSE(check.CheckRequiredControls());
    EXPECT_TRUE(boxes.at(0).prompt.contains(QStringLiteral("   - None\n\n")));
    EXPECT_FALSE(boxes.at(0).prompt.contains(QStringLiteral("Zero")));

    check.SetZeroValidValue(false);
    boxes.clear();
    EXPECT_FALSE(check.CheckRequiredControls());
    EXPECT_TRUE(boxes.at(0).prompt.contains(QStringLiteral("   - Zero\n\n")));
    EXPECT_FALSE(boxes.at(0).prompt.contains(QStringLiteral("None")));
}

TEST_F(FieldRequiredTest, AControlThatIsGoneCountsAsEmptyWithoutALine)
{
    auto* name = Add<QLineEdit>("Name");
    auto* gone = Add<QLineEdit>("Gone");
    name->setText(QStringLiteral("x"));
    CFieldRequired check;
    check.AddControl(name);
    check.AddControl(gone);
    delete gone;
    EXPECT_FALSE(check.CheckRequiredControls());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].prompt.startsWith(QStringLiteral("The following field requires you to enter information:\n\n\n")));
}

}  // namespace
