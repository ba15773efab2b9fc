// The login an export's query runs as: the read-only login whatever
// Config\ExcelExportAuthMethod says, so that the users' stored passwords, which
// that login is denied on a SQL Server, stay out of a workbook in the
// integrated case too. Which login logged on shows when the server refuses it.

#include "listwindow/ExportTestSupport.h"

#include "core/SpreadsheetExport.h"

using namespace listtest;

namespace {

class ExportLoginTest : public ExportTest {};

TEST_F(ExportLoginTest, EveryAuthMethodRunsTheQueryAsTheReadOnlyLogin)
{
    for (const char* method : {"0", "1"}) {
        Exec(QStringLiteral("UPDATE CoRegValues SET Value = ") + QuoteSQLString(Variant(QString::fromLatin1(method))) +
             QStringLiteral(" WHERE Name = 'ExcelExportAuthMethod'"));
        LogOnAs(QStringLiteral("admin"), QStringLiteral("admin"));
        boxes.clear();
        opened.clear();
        erpdb::SetLoginPassword(kServer, QStringLiteral("coreadonly"), QStringLiteral("changed"));
        ExportToExcel(QStringLiteral("SELECT UserID FROM CoUsers ORDER BY 1"), QString(), nullptr);
        erpdb::SetLoginPassword(kServer, QStringLiteral("coreadonly"), QString::fromLatin1(erpdb::kDemoReadOnlyPassword));
        ASSERT_EQ(boxes.size(), 1u) << method;
        EXPECT_TRUE(boxes[0].prompt.contains(QStringLiteral("Login failed for user 'coreadonly'")))
            << qPrintable(boxes[0].prompt);
        EXPECT_TRUE(opened.isEmpty()) << method;

        boxes.clear();
        ExportToExcel(QStringLiteral("SELECT UserID FROM CoUsers ORDER BY 1"), QString(), nullptr);
        EXPECT_TRUE(boxes.empty()) << method << qPrintable(Prompts(boxes).join(QStringLiteral(" | ")));
        EXPECT_EQ(opened.size(), 1) << method;
    }
}

}  // namespace
