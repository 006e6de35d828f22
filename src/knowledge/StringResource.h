// One string of a module's string table, language Chinese (Simplified), as
// GBK text. The table holds UTF-16; the text is turned into GBK, the
// program's own text, whatever the system's code page, and is taken from the
// resource itself, so no string is cut by a buffer.
#pragma once

#include <windows.h>

#include <string>

// Empty when the module holds no such string.
std::string GbkStringResource(HMODULE hModule, int id);
