#pragma once
// Value conversions that many windows and classes share.

#include "base/Variant.h"

Variant NullToEmpty(const Variant& value);
// Empty, the empty text, the number 0 and False become Null; everything else is returned unchanged.
Variant EmptyToNull(const Variant& value);
// A text of exactly one blank becomes the empty text.
QString SpaceToEmpty(const QString& text);
Variant NegOneToZero(int32_t value);
int16_t BoolToCheckValue(bool value);
bool CheckValueToBool(int16_t value);
