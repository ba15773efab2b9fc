#pragma once
// SQL literals made from values: every value that goes into SQL text passes here.

#include "base/Variant.h"

#include <QString>

// A text literal: apostrophes doubled, enclosed in apostrophes; Null gives Null.
QString QuoteSQLString(const Variant& value);
// A number as text without quotes; Null gives Null.
QString SQLNumber(const Variant& value);
