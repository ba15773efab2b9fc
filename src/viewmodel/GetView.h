#pragma once
// Loads a view definition for the current user.

#include "viewmodel/CoLdUV.h"

#include <cstdint>

// The view's definition in the form of the open mode (0 list window, 1 new view
// based on it, 4 customize); a view id without a row gives a view that was never
// loaded (ViewID 0). Database errors reach the caller.
CoLdUVRef GetView(int32_t viewId, int16_t openMode);
