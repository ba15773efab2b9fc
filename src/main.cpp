// Entry point of both programs; the start-up sequence lives in core/StartUp.
#include "platform/FormsRuntime.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    app.setApplicationName(App().exeName);
    std::printf("%s %d.%d.%d\n", qPrintable(App().productName), App().major, App().minor, App().revision);
    return 0;
}
