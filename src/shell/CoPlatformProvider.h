#pragma once
// Names the application: the main window's caption, the help file and the About
// box's product line are built from AppName.

#include <QString>

class CoPlatformProvider {
public:
    QString AppName() const { return QStringLiteral("quillon"); }
};
