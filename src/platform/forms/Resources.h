#pragma once
// The program's bitmaps and its string table (":/STRINGS", an id, a tab and the
// text on each line) live in the Qt resource system, each under its resource
// name (":/LOGIN_BG", ":/NEW", ...).
#include <QPixmap>
#include <QString>
#include <cstdint>

// Makes the bundled resources available; call once before the first LoadResPicture.
void InitQuillonResources();
// The bitmap resource of that name; fails with error 326 "Resource with identifier not found".
QPixmap LoadResPicture(const QString& name);
// The string resource of that id; fails with error 326 when there is none.
QString LoadResString(int32_t id);
