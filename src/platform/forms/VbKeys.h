#pragma once
// Key codes, shift states and mouse buttons as the forms' key and mouse events
// carry them (the codes of the original's window system). Keys without a code of
// their own give 0, so that punctuation never passes for Delete or Insert.

#include <Qt>

namespace vbkey {
inline constexpr int Back = 8;
inline constexpr int Tab = 9;
inline constexpr int Return = 13;
inline constexpr int Shift = 16;
inline constexpr int Control = 17;
inline constexpr int Alt = 18;
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int PageUp = 33;
inline constexpr int PageDown = 34;
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Insert = 45;
inline constexpr int Delete = 46;
inline constexpr int F1 = 112;
inline constexpr int F5 = 116;
inline constexpr int ShiftMask = 1;
inline constexpr int CtrlMask = 2;
inline constexpr int AltMask = 4;
}  // namespace vbkey

// The key code of a Qt key (letters and digits as their upper-case character
// codes, F1 to F24 from 112); 0 for keys without one.
int VbKeyCode(int qtKey);
// Shift 1, Ctrl 2, Alt 4, added up.
int VbShiftState(Qt::KeyboardModifiers modifiers);
// Left 1, right 2, middle 4; 0 for other buttons.
int VbButton(Qt::MouseButton button);
