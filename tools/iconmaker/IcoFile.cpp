#include "IcoFile.h"

#include "LittleEndian.h"

#include <cstddef>

namespace
{
constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;


std::size_t MaskStride(int size)
{
    return static_cast<std::size_t>((size + 31) / 32) * 4;
}

std::size_t ImageBytes(int size)
{
    const std::size_t rows = static_cast<std::size_t>(size);
    return kInfoHeaderSize + rows * rows * 4 + rows * MaskStride(size);
}
} // namespace

std::vector<std::uint8_t> EncodeIco(const std::vector<CIconCanvas>& images)
{
    std::vector<std::uint8_t> out;
    PutU16(out, 0);
    PutU16(out, 1); // icon, not cursor
    PutU16(out, static_cast<std::uint32_t>(images.size()));

    std::size_t offset = kDirectorySize + kEntrySize * images.size();
    for (const CIconCanvas& image : images)
    {
        const std::uint8_t side = static_cast<std::uint8_t>(image.Size() & 0xFF); // 256 is written as 0
        out.push_back(side);
        out.push_back(side);
        out.push_back(0); // no palette
        out.push_back(0);
        PutU16(out, 1);  // planes
        PutU16(out, 32); // bits per pixel
        PutU32(out, static_cast<std::uint32_t>(ImageBytes(image.Size())));
        PutU32(out, static_cast<std::uint32_t>(offset));
        offset += ImageBytes(image.Size());
    }

    for (const CIconCanvas& image : images)
    {
        const int size = image.Size();
        const std::size_t stride = MaskStride(size);
        PutU32(out, kInfoHeaderSize);
        PutU32(out, static_cast<std::uint32_t>(size));
        PutU32(out, static_cast<std::uint32_t>(size * 2)); // colour rows plus mask rows
        PutU16(out, 1);
        PutU16(out, 32);
        PutU32(out, 0); // BI_RGB
        PutU32(out, static_cast<std::uint32_t>(ImageBytes(size) - kInfoHeaderSize));
        PutU32(out, 0);
        PutU32(out, 0);
        PutU32(out, 0);
        PutU32(out, 0);

        for (int y = size - 1; y >= 0; --y)
            for (int x = 0; x < size; ++x)
            {
                const Rgba pixel = image.Pixel(x, y);
                out.push_back(pixel.b);
                out.push_back(pixel.g);
                out.push_back(pixel.r);
                out.push_back(pixel.a);
            }

        // Only fully transparent pixels are masked: their colour is black, so
        // a mask-and-XOR draw leaves the background alone there, while an
        // alpha-aware draw never loses a faint edge pixel to the mask.
        for (int y = size - 1; y >= 0; --y)
        {
            std::vector<std::uint8_t> row(stride, 0);
            for (int x = 0; x < size; ++x)
                if (image.Pixel(x, y).a == 0)
                    row[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            out.insert(out.end(), row.begin(), row.end());
        }
    }
    return out;
}
