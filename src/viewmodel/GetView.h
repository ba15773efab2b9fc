#pragma once
// Loads a view definition for the current user, and tells whether a view still
// exists: another program on the same company may delete it at any time.

#include "viewmodel/CoLdUV.h"

#include <cstdint>

// The view's definition in the form of the open mode (0 list window, 1 new view
// based on it, 4 customize); a view id without a row gives a view that was never
// loaded (ViewID 0). Database errors reach the caller.
CoLdUVRef GetView(int32_t viewId, int16_t openMode);

// Whether the view still has its row in LdViews.
bool ViewExists(int32_t viewId);
// What a window says of a view that no longer exists, named when the name is known.
QString ViewGoneMessage(const QString& displayName = QString());
