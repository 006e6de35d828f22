// What the calling process holds, counted from inside it: Wine answers
// GetGuiResources and the process memory counters with zeros.
#pragma once

#include <windows.h>

// Windows, menus, icons and cursors.
DWORD CountUserObjects();
// Live entries of the GDI handle table; 0xFFFFFFFF when it cannot be found.
DWORD CountGdiObjects();
// Committed private memory, in KB.
DWORD PrivateKilobytes();
