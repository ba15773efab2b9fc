#include "platform/FilterControl.h"

namespace FILTERLib {
Filter::~Filter() = default;
}
