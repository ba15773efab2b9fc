// Test entry point: a QApplication (offscreen under CTest) for the widget tests.
#include "db/EmbeddedServer.h"
#include "logon/frmLogonNew.h"
#include "platform/forms/Resources.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    InitQuillonResources();
    // As the program does at start-up: its server and its logon window.
    erpdb::InstallEmbeddedServer();
    RegisterLogonWindow();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
