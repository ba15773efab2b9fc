// Test entry point: a QApplication (offscreen under CTest) for the widget tests.
#include "base/CNumericLocale.h"
#include "db/EmbeddedServer.h"
#include "logon/frmLogonNew.h"
#include "platform/forms/Resources.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The tests' expectations are written for a user in the United States,
    // whatever locale the machine has; a test about another locale sets it
    // (UserLocale.h). Set before the application object reads it, and passed on
    // to the programs the tests start.
    qputenv("LC_ALL", "en_US.UTF-8");
    qunsetenv("LANGUAGE");
    QApplication app(argc, argv);
    HoldCNumericLocale();
    QApplication::setQuitOnLastWindowClosed(false);
    InitQuillonResources();
    // As the program does at start-up: its server and its logon window.
    erpdb::InstallEmbeddedServer();
    RegisterLogonWindow();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
