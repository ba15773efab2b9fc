// Entry point of both programs; the start-up sequence lives in core/StartUp.
#include "base/CNumericLocale.h"
#include "core/StartUp.h"
#include "db/EmbeddedServer.h"
#include "listwindow/frmList.h"
#include "logon/frmLogonNew.h"
#include "platform/forms/FormsRuntime.h"
#include "platform/forms/Resources.h"
#include "shell/frmMDIFrame.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Qt set the C library's locale from the environment; the libraries that print
    // numbers through it (the workbook writer, the ODBC drivers) need "C".
    HoldCNumericLocale();
    QApplication::setQuitOnLastWindowClosed(false);
    app.setApplicationName(App().exeName);
    InitQuillonResources();

    // The databases live on the embedded server of this computer.
    erpdb::InstallEmbeddedServer();
    // The windows start-up shows: the About box as the splash, the main window and
    // the logon window; My Views and All Views open list windows.
    RegisterShellWindows();
    RegisterLogonWindow();
    RegisterListWindows();

    RunMain(ProgramCommandLine());
    // The program runs as long as a window is loaded.
    if (LoadedForms().empty())
        return 0;
    return app.exec();
}
