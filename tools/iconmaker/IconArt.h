// The program's icons, drawn at 16 and 32 pixels and written as .ico files.
#pragma once

#include "IconCanvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace IconArt
{
// Every icon resource the program carries, in ascending order.
const std::vector<int>& ResourceIds();

// "icon165.ico" for 165.
std::string FileName(int nResourceId);

// Draws one icon at the canvas's size. False for an id that is not ours.
bool Draw(int nResourceId, CIconCanvas& canvas);

// The complete .ico file, 16 before 32 pixels; empty for an unknown id.
std::vector<std::uint8_t> BuildFile(int nResourceId);
} // namespace IconArt
