#pragma once
// The program's bitmaps live in the Qt resource system, each under its resource
// name (":/LOGIN_BG", ":/NEW", ...).
#include <QPixmap>
#include <QString>

// Makes the bundled resources available; call once before the first LoadResPicture.
void InitQuillonResources();
// The bitmap resource of that name; fails with error 326 "Resource with identifier not found".
QPixmap LoadResPicture(const QString& name);
