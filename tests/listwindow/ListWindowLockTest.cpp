// A statement of the window's thread that waits for another user's lock: the
// windows keep painting, the busy dialog shows after its delay, the statement
// goes on once the lock is released, and Cancel ends it as the time-out does.

#include "SearchTestSupport.h"

#include "listwindow/frmListSearchName.h"
#include "platform/controls/FilterControl.h"
#include "platform/controls/MenuButton.h"
#include "platform/forms/DatabaseBusyWait.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <sqlite3.h>

using namespace listtest;

namespace {

// Another user's connection that holds the write lock until released.
class OtherWriter {
public:
    OtherWriter()
    {
        m_db = erpdb::OpenServerDatabase(kServer, QString::fromLatin1(erpdb::kDemoDatabaseName), false);
        EXPECT_EQ(sqlite3_exec(m_db, "BEGIN IMMEDIATE; UPDATE Customers SET Name = Name WHERE CustomerID = 1;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    ~OtherWriter()
    {
        Release();
        sqlite3_close_v2(m_db);
    }
    void Release()
    {
        if (m_held)
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        m_held = false;
    }

private:
    sqlite3* m_db = nullptr;
    bool m_held = true;
};

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

class ListWindowLockTest : public SearchTest {
protected:
    void SetUp() override
    {
        SearchTest::SetUp();
        busywait::SetDialogDelay(300);
    }
    void TearDown() override
    {
        busywait::SetDialogDelay(3000);
        SearchTest::TearDown();
    }
    // Save As of the filter pane's search under that name, with the name dialog answered.
    void SaveAs(frmList* w, const QString& name)
    {
        DialogDriver driver(QStringLiteral("frmListSearchName"), [name](Form* f) {
            auto* d = static_cast<frmListSearchName*>(f);
            d->txtName()->setText(name);
            d->cmdOK()->click();
        });
        emit w->mbSearches()->ItemClick(QStringLiteral("SAVE_AS"));
        EXPECT_TRUE(driver.Ran());
    }
};

TEST_F(ListWindowLockTest, SaveAsWaitsForTheLockWithTheWindowPaintingAndTheBusyDialogShown)
{
    frmList* w = Open(3);
    w->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {State} = 'TX' )"), false);
    auto writer = std::make_unique<OtherWriter>();

    PaintCounter paints(w);
    bool dialogModal = false;
    int pointerWhileWaiting = -1;
    int paintsWhileWaiting = 0;
    QString dialogText;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        w->update();
        QDialog* dialog = busywait::Dialog();
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        dialogModal = dialog->windowModality() == Qt::ApplicationModal;
        dialogText = dialog->findChild<QLabel*>(QStringLiteral("lblMessage"))->text();
        pointerWhileWaiting = ScreenMousePointer();
        paintsWhileWaiting = paints.count;
        // The other user finishes: the statement goes on.
        writer->Release();
    });
    poll.start();
    QElapsedTimer took;
    took.start();
    SaveAs(w, QStringLiteral("Waited For"));
    ASSERT_TRUE(WaitFor([this] { return SearchId(3, QStringLiteral("Waited For")) > 0; }));

    EXPECT_TRUE(dialogModal);
    EXPECT_EQ(dialogText, QString::fromLatin1(busywait::kMessage));
    EXPECT_EQ(pointerWhileWaiting, static_cast<int>(vbHourglass));
    EXPECT_GT(paintsWhileWaiting, 0);
    EXPECT_LT(took.elapsed(), 30000);
    // The dialog goes with the wait; the search is stored and current.
    EXPECT_EQ(busywait::Dialog(), nullptr);
    EXPECT_EQ(w->pmFilter()->Text(), QStringLiteral("Waited For"));
    EXPECT_TRUE(boxes.empty()) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
}

TEST_F(ListWindowLockTest, CancelInTheBusyDialogEndsTheStatementAsTheTimeOutDoes)
{
    frmList* w = Open(3);
    w->pmFilter()->LoadFilter(QStringLiteral("WHERE ( {State} = 'TX' )"), false);
    const QStringList before = StoredSearches(3);
    OtherWriter writer;

    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QDialog* dialog = busywait::Dialog(); dialog && dialog->isVisible()) {
            poll.stop();
            dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
        }
    });
    poll.start();
    SaveAs(w, QStringLiteral("Never Stored"));
    writer.Release();

    EXPECT_EQ(busywait::Dialog(), nullptr);
    ASSERT_EQ(boxes.size(), 1u) << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
    EXPECT_TRUE(boxes[0].prompt.endsWith(QStringLiteral(") -- Query timeout expired"))) << qPrintable(boxes[0].prompt);
    EXPECT_EQ(StoredSearches(3), before);
    // The connection works on afterwards.
    SaveAs(w, QStringLiteral("Stored Later"));
    EXPECT_GT(SearchId(3, QStringLiteral("Stored Later")), 0);
}

}  // namespace
