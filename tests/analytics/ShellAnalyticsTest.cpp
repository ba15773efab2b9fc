// The About box's product line in QuillonAnalytics.

#include "core/SessionTestSupport.h"
#include "shell/frmAbout.h"

#include <QLabel>

using namespace sessiontest;

TEST(ShellAnalyticsTest, AboutBoxNamesVersion760)
{
    TestServer server;
    Seams seams;
    LogOnAs(QStringLiteral("jdoe"), QStringLiteral("secret"));
    auto* about = new frmAbout;
    Show(about);
    EXPECT_EQ(about->lblProduct()->text(), QStringLiteral("Product:  quillon (Version 7.6.0)"));
    EXPECT_TRUE(about->lblUser()->text().endsWith(QStringLiteral(" (jdoe)")));
    EXPECT_TRUE(about->lblProduct()->isVisible());
    Unload(about);
}
