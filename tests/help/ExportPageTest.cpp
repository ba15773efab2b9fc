// The Export page against the export on the demo company: what it says of the
// progress window is what the window does. While an export runs, its progress
// window holds the program (every other window is blocked) until Cancel.
#include "listwindow/ExportTestSupport.h"

#include "core/SpreadsheetExport.h"
#include "platform/help/HelpFile.h"

#include <QApplication>
#include <QHelpEngineCore>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QTimer>

using namespace listtest;

namespace {

using ExportPageTest = ExportTest;

}  // namespace

TEST_F(ExportPageTest, TheProgressWindowHoldsTheProgramAsThePageSays)
{
    HelpFile* file = HelpFile::Open(App().path + QStringLiteral("/quillon.chm"));
    ASSERT_TRUE(file);
    const QString page =
        QTextDocumentFragment::fromHtml(QString::fromUtf8(file->Engine()->fileData(file->Topic(QStringLiteral("export.html")))))
            .toPlainText()
            .simplified();
    EXPECT_TRUE(page.contains(QStringLiteral("That window holds the program until the export ends or is cancelled")))
        << qPrintable(page);
    EXPECT_FALSE(page.contains(QStringLiteral("while you keep working")));

    // A query that would run for hours before its first row.
    const QString slow = QStringLiteral(
        "SELECT a.OrderLineID, COUNT(*) FROM OrderLines a, OrderLines b, OrderLines c, OrderLines d GROUP BY "
        "a.OrderLineID ORDER BY 2");
    bool seen = false, holds = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != QLatin1String(kExportProgressName) || !w->isVisible())
                continue;
            seen = true;
            holds = QApplication::activeModalWidget() == w && w->windowModality() == Qt::ApplicationModal;
            w->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
            poll.stop();
        }
    });
    poll.start(20);
    ExportToExcel(slow, QString(), nullptr);
    ASSERT_TRUE(seen);
    EXPECT_TRUE(holds);
    EXPECT_TRUE(Exports().isEmpty());
}
