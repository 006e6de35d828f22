// The skin's bitmaps: the window frame that every dialog slices into nine
// pieces, and the pictures of the skin buttons, one per button state. Each is
// written as bmpNNN.bmp and compiled in under its number.
#pragma once

#include "BmpFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace SkinArt
{
// The keyed dialog buttons leave out pixels of exactly this colour, and the
// frame's corners hold it where the window region cuts them away.
constexpr Rgb kColourKey{255, 0, 0};

// Every bitmap resource of the skin, in ascending order.
const std::vector<int>& ResourceIds();

// "bmp129.bmp" for 129.
std::string FileName(int nResourceId);

// The picture at its resource size; 0 x 0 for an id that is not ours.
RgbImage Draw(int nResourceId);

// The complete .bmp file; empty for an unknown id.
std::vector<std::uint8_t> BuildFile(int nResourceId);
} // namespace SkinArt
