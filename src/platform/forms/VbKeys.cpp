#include "platform/forms/VbKeys.h"

int VbKeyCode(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;  // the same codes
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return vbkey::F1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace: return vbkey::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return vbkey::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return vbkey::Return;
    case Qt::Key_Shift: return vbkey::Shift;
    case Qt::Key_Control: return vbkey::Control;
    case Qt::Key_Alt: return vbkey::Alt;
    case Qt::Key_Escape: return vbkey::Escape;
    case Qt::Key_Space: return vbkey::Space;
    case Qt::Key_PageUp: return vbkey::PageUp;
    case Qt::Key_PageDown: return vbkey::PageDown;
    case Qt::Key_End: return vbkey::End;
    case Qt::Key_Home: return vbkey::Home;
    case Qt::Key_Left: return vbkey::Left;
    case Qt::Key_Up: return vbkey::Up;
    case Qt::Key_Right: return vbkey::Right;
    case Qt::Key_Down: return vbkey::Down;
    case Qt::Key_Insert: return vbkey::Insert;
    case Qt::Key_Delete: return vbkey::Delete;
    default: return 0;
    }
}

int VbShiftState(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= vbkey::ShiftMask;
    if (modifiers & Qt::ControlModifier)
        shift |= vbkey::CtrlMask;
    if (modifiers & Qt::AltModifier)
        shift |= vbkey::AltMask;
    return shift;
}

int VbButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}
