#pragma once
// Names the application: the main window's caption, its Help menu captions, the
// help file and the About box's product line are built from AppName.

#include <QString>
#include <cstdint>

class CoPlatformProvider {
public:
    QString AppName() const { return QStringLiteral("quillon"); }
    // The maker's colour in blue-green-red order (red 30, green 59, blue 89).
    int32_t COLOR_PM() const { return 0x593B1E; }
};
