#include "platform/FilterControl.h"

namespace FILTERLib {
Filter::~Filter() = default;
}
namespace FILTERLib {
Filter::Filter(QWidget* parent) : QWidget(parent) {}
}
