#include "platform/BrandleCursor.h"
