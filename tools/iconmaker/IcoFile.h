// Writes pictures as one Windows .ico file: a directory of entries, then per
// picture a BITMAPINFOHEADER, 32-bit BGRA rows bottom-up with straight alpha,
// and the 1-bit AND mask whose rows are padded to four bytes.
#pragma once

#include "IconCanvas.h"

#include <cstdint>
#include <vector>

// Pictures of 1 to 256 pixels, written in the order given.
std::vector<std::uint8_t> EncodeIco(const std::vector<CIconCanvas>& images);
