#include "BmpFile.h"

#include "LittleEndian.h"

#include <cstddef>

namespace
{
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
} // namespace

std::vector<std::uint8_t> EncodeBmp(const RgbImage& image)
{
    const std::size_t stride = (static_cast<std::size_t>(image.nWidth) * 3 + 3) / 4 * 4;
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(image.nHeight);
    const std::size_t offset = kFileHeaderSize + kInfoHeaderSize;

    std::vector<std::uint8_t> out;
    out.reserve(offset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    PutU32(out, static_cast<std::uint32_t>(offset + pixelBytes));
    PutU32(out, 0); // two reserved words
    PutU32(out, static_cast<std::uint32_t>(offset));

    PutU32(out, kInfoHeaderSize);
    PutU32(out, static_cast<std::uint32_t>(image.nWidth));
    PutU32(out, static_cast<std::uint32_t>(image.nHeight)); // positive: bottom-up
    PutU16(out, 1);                                         // planes
    PutU16(out, 24);                                        // bits per pixel
    PutU32(out, 0);                                         // BI_RGB
    PutU32(out, static_cast<std::uint32_t>(pixelBytes));
    PutU32(out, 0); // no resolution: the pixels are screen pixels
    PutU32(out, 0);
    PutU32(out, 0); // no palette
    PutU32(out, 0);

    for (int y = image.nHeight - 1; y >= 0; --y)
    {
        for (int x = 0; x < image.nWidth; ++x)
        {
            const Rgb& pixel = image.At(x, y);
            out.push_back(pixel.b);
            out.push_back(pixel.g);
            out.push_back(pixel.r);
        }
        for (std::size_t pad = static_cast<std::size_t>(image.nWidth) * 3; pad < stride; ++pad)
            out.push_back(0);
    }
    return out;
}
