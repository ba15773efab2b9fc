#include "platform/MenuButton.h"
namespace FILTERLib {
MenuButton::MenuButton(QWidget* parent) : QToolButton(parent) {}
}
