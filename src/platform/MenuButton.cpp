#include "platform/MenuButton.h"
