#pragma once
// F1 in the program's windows other than the main window (whose Help command has
// F1 of its own): the dialogs, the logon window and its wizard, message boxes.
// The help opens on the window's topic, in the program's help window, owned by
// the window that asked: it comes up above that window, modal dialogs included,
// and takes input while the dialog stays open.

#include <cstdint>

class QWidget;

// Handles F1 in every window from now on (once; later calls do nothing).
void InstallWindowHelp();

// The context id of the help topic of a window: that of its form, else that of the
// window it belongs to, else the main window's topic.
int32_t HelpContextIdOf(const QWidget* window);

// What F1 does in the window: the topic of HelpContextIdOf, owned by the window.
void ShowWindowHelp(QWidget* window);
