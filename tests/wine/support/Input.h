// Real input through SendInput, as a user's keyboard and mouse give it.
#pragma once

#include <windows.h>

// One key going down, or up.
void SendKey(WORD wKey, bool bUp = false);
// A key pressed and released.
void PressKey(WORD wKey);
// The left mouse button going down, or up, wherever the pointer is.
void SendMouseButton(bool bDown);
// The pointer moved to a screen point and the left button clicked there.
void ClickAt(POINT ptScreen);
