// Entry point of both programs; the start-up sequence lives in core/StartUp.
#include "core/StartUp.h"
#include "platform/FormsRuntime.h"
#include "platform/Resources.h"
#include "shell/frmMDIFrame.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    app.setApplicationName(App().exeName);
    InitQuillonResources();

    // The windows start-up shows: the About box as the splash and the main window
    // (the logon window is start-up's own, core/StartUp.h).
    RegisterShellWindows();

    RunMain(ProgramCommandLine());
    // The program runs as long as a window is loaded.
    if (LoadedForms().empty())
        return 0;
    return app.exec();
}
