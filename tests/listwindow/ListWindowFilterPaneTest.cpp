// The list window's filter pane on the demo company's Orders, as a user fills it:
// values typed into its boxes and Enter pressed in them, dates with two-digit
// years, the one box marked that holds a refused value, and a saved search's
// numbers shown again as the list shows them, under the user's locale.

#include "SearchTestSupport.h"

#include "UserLocale.h"
#include "listwindow/frmListSearchName.h"
#include "platform/controls/ColumnFormat.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/MenuButton.h"
#include "platform/controls/FilterPaneTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

using namespace listtest;
using panetest::IsMarked;
using panetest::PaneRow;
using panetest::PaneRows;

namespace {

class ListWindowFilterPaneTest : public SearchTest {
protected:
    // Fills the pane's empty row as the user does: the field, the operator, then the values typed.
    static PaneRow Fill(frmList* w, const QString& field, const QString& op, const QString& v1,
                        const QString& v2 = QString())
    {
        PaneRow row = PaneRows(w->pmFilter()).back();
        row.field->setCurrentIndex(row.field->findText(field));
        row.op->setCurrentIndex(row.op->findText(op));
        Type(row.value1, v1);
        if (row.value2->isVisible())
            Type(row.value2, v2);
        return row;
    }
    static void Type(QLineEdit* box, const QString& text)
    {
        box->clear();
        // A key of its own for a character beyond ASCII (a locale's group separator).
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(box, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    // Saves the pane's rows as a new search of that name.
    static void SaveAs(frmList* w, const QString& name)
    {
        DialogDriver driver(QStringLiteral("frmListSearchName"), [name](Form* f) {
            auto* d = static_cast<frmListSearchName*>(f);
            d->txtName()->setText(name);
            d->cmdOK()->click();
        });
        QSignalSpy loaded(w->ListView(), &eListView::LoadComplete);
        emit w->mbSearches()->ItemClick(QStringLiteral("SAVE_AS"));
        ASSERT_TRUE(driver.Ran());
        ASSERT_TRUE(WaitFor([&] { return loaded.count() > 0 && !w->ListView()->IsLoading() && !w->StatisticsPending(); }));
    }
    static void Choose(frmList* w, const QString& caption)
    {
        for (int i = 5; i < w->mbSearches()->Count(); ++i) {
            if (w->mbSearches()->Caption(i) == caption) {
                ASSERT_TRUE(Loads(w, [w, i] { w->mbSearches()->ChooseItem(i); })) << qPrintable(caption);
                return;
            }
        }
        FAIL() << "no search " << qPrintable(caption);
    }
    QString StoredFilter(const QString& name)
    {
        return Value(QStringLiteral("SELECT FilterString FROM LdViewFilters WHERE ViewID = 4 AND FilterName = '%1'")
                         .arg(name));
    }
};

TEST_F(ListWindowFilterPaneTest, DatesTypedWithTwoDigitYearsSearchAndComeBackWithTheirFourDigitYears)
{
    frmList* w = OpenView(QStringLiteral("ORDERS_1"));
    w->cmdClear_Click();  // the user's last search comes back with the window
    FILTERLib::Filter* pane = w->pmFilter();
    const PaneRow row = Fill(w, QStringLiteral("Order Date"), QStringLiteral("between"), QStringLiteral("24-01-01"),
                             QStringLiteral("24-1-31"));
    EXPECT_EQ(row.value1->placeholderText(), QStringLiteral("yyyy-mm-dd or yy-mm-dd"));
    ASSERT_TRUE(Loads(w, [&] { QTest::keyClick(row.value2, Qt::Key_Return); }));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_FALSE(IsMarked(row.value1));
    EXPECT_FALSE(IsMarked(row.value2));
    const QString from = SQLDate(QDate(2024, 1, 1), pane->DateForm());
    const QString to = SQLDate(QDate(2024, 2, 1), pane->DateForm());
    EXPECT_NE(ListStatement(w).indexOf(from), -1) << qPrintable(ListStatement(w));
    EXPECT_NE(ListStatement(w).indexOf(to), -1) << qPrintable(ListStatement(w));
    EXPECT_EQ(w->RecordCount(),
              Value(QStringLiteral("SELECT COUNT(*) FROM Orders WHERE OrderDate >= '2024-01-01' AND "
                                   "OrderDate < '2024-02-01'"))
                  .toInt());

    // Saved, and chosen again after another search: the rows show the four-digit years.
    SaveAs(w, QStringLiteral("January 24"));
    const QString stored = StoredFilter(QStringLiteral("January 24"));
    EXPECT_TRUE(stored.contains(from) && stored.contains(to)) << qPrintable(stored);
    Choose(w, QStringLiteral("Open Orders"));
    Choose(w, QStringLiteral("January 24"));
    const PaneRow back = PaneRows(pane).at(0);
    EXPECT_EQ(back.value1->text(), QStringLiteral("2024-01-01"));
    EXPECT_EQ(back.value2->text(), QStringLiteral("2024-01-31"));
    EXPECT_EQ(pane->WhereText(), stored);
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowFilterPaneTest, EnterMarksOnlyTheValueBoxThatHoldsTheRefusedValue)
{
    frmList* w = OpenView(QStringLiteral("ORDERS_1"));
    struct Case {
        QString field, v1, v2;
        int wrong;  // 1 or 2: the box that holds the refused value
        QString problem;  // %1: the operator's caption
    };
    const Case cases[] = {
        {QStringLiteral("Order Date"), QStringLiteral("24-13-45"), QStringLiteral("2024-12-31"), 1,
         QStringLiteral("The value of 'Order Date' is not a date: 24-13-45")},
        {QStringLiteral("Order Date"), QStringLiteral("24-01-01"), QStringLiteral("soon"), 2,
         QStringLiteral("The value of 'Order Date' is not a date: soon")},
        {QStringLiteral("Order Date"), QStringLiteral("2024-01-01"), QStringLiteral("9999-12-31"), 2,
         QStringLiteral("The value of 'Order Date' is the last day of the calendar, which '%1' cannot take: 9999-12-31")},
        {QStringLiteral("Order Total"), QStringLiteral("lots"), QStringLiteral("100"), 1,
         QStringLiteral("The value of 'Order Total' is not a number: lots")},
        {QStringLiteral("Order Total"), QStringLiteral("1"), QStringLiteral("1,5x"), 2,
         QStringLiteral("The value of 'Order Total' is not a number: 1,5x")},
        {QStringLiteral("Order ID"), QStringLiteral("x1"), QStringLiteral("1028"), 1,
         QStringLiteral("The value of 'Order ID' is not a number: x1")},
    };
    int twoValueOperators = 0;
    for (const Case& c : cases) {
        w->cmdClear_Click();
        PaneRow row = PaneRows(w->pmFilter()).back();
        row.field->setCurrentIndex(row.field->findText(c.field));
        ASSERT_EQ(row.field->currentText(), c.field);
        // Every operator of the field that takes two values.
        for (int op = 0; op < row.op->count(); ++op) {
            row.op->setCurrentIndex(op);
            if (!row.value2->isVisible())
                continue;
            ++twoValueOperators;
            const QString caption = row.op->currentText();
            SCOPED_TRACE(qPrintable(c.field + QLatin1Char(' ') + caption + QLatin1Char(' ') + c.v1 +
                                    QLatin1Char(' ') + c.v2));
            Type(row.value1, c.v1);
            Type(row.value2, c.v2);
            const QString problem = c.problem.contains(QLatin1String("%1")) ? c.problem.arg(caption) : c.problem;
            const QString before = ListStatement(w);
            boxes.clear();
            QTest::keyClick(c.wrong == 1 ? row.value2 : row.value1, Qt::Key_Return);
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].prompt, problem);
            EXPECT_EQ(boxes[0].title, QStringLiteral("Attention Required"));
            EXPECT_EQ(ListStatement(w), before);  // nothing ran
            QLineEdit* wrong = c.wrong == 1 ? row.value1 : row.value2;
            QLineEdit* valid = c.wrong == 1 ? row.value2 : row.value1;
            EXPECT_TRUE(IsMarked(wrong));
            EXPECT_EQ(wrong->toolTip(), problem);
            EXPECT_FALSE(IsMarked(valid));
            EXPECT_NE(valid->toolTip(), problem);
            // The focus goes to the refused value, selected for the user to mend.
            EXPECT_EQ(QApplication::focusWidget(), wrong);
            EXPECT_EQ(wrong->selectedText(), c.wrong == 1 ? c.v1 : c.v2);
        }
    }
    EXPECT_GT(twoValueOperators, 0);

    // Mended, Enter runs the search and no box is marked.
    w->cmdClear_Click();
    const PaneRow row = Fill(w, QStringLiteral("Order Total"), QStringLiteral("between"), QStringLiteral("lots"),
                             QStringLiteral("2,000"));
    boxes.clear();
    QTest::keyClick(row.value2, Qt::Key_Return);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(IsMarked(row.value1));
    Type(row.value1, QStringLiteral("1,000"));
    EXPECT_FALSE(IsMarked(row.value1));
    boxes.clear();
    ASSERT_TRUE(Loads(w, [&] { QTest::keyClick(row.value1, Qt::Key_Return); }));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_FALSE(IsMarked(row.value2));
    EXPECT_NE(ListStatement(w).indexOf(QStringLiteral("BETWEEN 1000 AND 2000")), -1) << qPrintable(ListStatement(w));
}

TEST_F(ListWindowFilterPaneTest, ASavedSearchShowsItsNumbersAsTheListShowsThemAndRunsTheSameText)
{
    std::vector<const char*> locales = {"en_US.UTF-8"};
    locales.insert(locales.end(), std::begin(kDecimalCommaLocales), std::end(kDecimalCommaLocales));
    const QString stored =
        QStringLiteral("WHERE ( {OrderTotal} >= 5000 AND {OrderID} <> 1028 AND {LineCount} >= 5000 )");
    int n = 0;
    for (const char* name : locales) {
        SCOPED_TRACE(name);
        UserLocale locale(name);
        if (!locale.IsSet())
            continue;
        QLocale grouped;
        grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
        const QString search = QStringLiteral("Round %1").arg(++n);
        frmList* w = OpenView(QStringLiteral("ORDERS_1"));
        w->cmdClear_Click();
        // 5,000.00 as this user types it.
        Fill(w, QStringLiteral("Order Total"), QStringLiteral(">="), grouped.toString(5000.0, 'f', 2));
        Fill(w, QStringLiteral("Order ID"), QStringLiteral("does not equal"), QStringLiteral("1028"));
        // A count, which the list shows with its separators.
        Fill(w, QStringLiteral("Lines"), QStringLiteral(">="), grouped.toString(5000));
        ASSERT_EQ(w->pmFilter()->WhereText(), stored);
        SaveAs(w, search);
        EXPECT_EQ(StoredFilter(search), stored);

        // Chosen again, and as the last used search of a window opened anew.
        const QString amount = FormatColumnValue(Variant(5000.0), ColumnKind::Money);
        if (n == 1)
            EXPECT_EQ(amount, QStringLiteral("$5,000.00"));
        const auto shows = [&](frmList* window) {
            ASSERT_EQ(window->pmFilter()->Text(), search);
            const std::vector<PaneRow> rows = PaneRows(window->pmFilter());
            ASSERT_EQ(rows.size(), 4u);
            EXPECT_EQ(rows[0].value1->text(), amount);
            EXPECT_EQ(rows[1].value1->text(), QStringLiteral("1028"));
            EXPECT_EQ(rows[2].value1->text(), grouped.toString(5000));
            EXPECT_FALSE(IsMarked(rows[0].value1));
            // Enter runs the rows as they write the stored text again.
            ASSERT_TRUE(Loads(window, [&] { QTest::keyClick(rows[0].value1, Qt::Key_Return); }));
            EXPECT_EQ(window->pmFilter()->WhereText(), stored);
            EXPECT_NE(ListStatement(window).indexOf(QStringLiteral("o.OrderTotal >= 5000 AND o.OrderID <> 1028 AND")), -1)
                << qPrintable(ListStatement(window));
        };
        Choose(w, QStringLiteral("Open Orders"));
        Choose(w, search);
        shows(w);
        Unload(w);
        CollectUnloadedForms();
        frmList* again = OpenView(QStringLiteral("ORDERS_1"));
        shows(again);
        Unload(again);
        CollectUnloadedForms();
        EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    }
}

}  // namespace
