// The logon's version check in QuillonAnalytics: the database must hold 7.6.0.

#include "core/SessionTestSupport.h"

#include "core/StartUp.h"

using namespace sessiontest;

TEST(AnalyticsLogonTest, DatabaseVersionMustContain760)
{
    TestServer server;
    struct Case {
        QString stored;
        bool accepted;
    } cases[] = {
        {QStringLiteral("7.6.0"), true},
        {QStringLiteral("QuillonAnalytics 7.6.0.88"), true},
        {QStringLiteral("7.6.5"), false},
        {QStringLiteral("7.6"), false},
    };
    for (const auto& c : cases) {
        server.SetVersion(c.stored);
        Attempt a;
        EXPECT_EQ(a.Run(kCompany, QStringLiteral("jdoe"), QStringLiteral("secret")), c.accepted) << qPrintable(c.stored);
        if (!c.accepted)
            EXPECT_EQ(a.err, QStringLiteral("Unable to Log In:  Database version must be 7.6.0.  Current version is ") +
                                 c.stored + QStringLiteral("."));
        g_oSystemEngine.reset();
    }
}

TEST(AnalyticsLogonTest, MainWindowCaptionIsTheSameAsInQuillon)
{
    EXPECT_EQ(MainWindowCaption(QStringLiteral("ACME")), QStringLiteral("ACME - quillon 7.6"));
}
