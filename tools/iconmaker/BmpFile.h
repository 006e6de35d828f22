// Writes an opaque picture as a Windows .bmp file: BITMAPFILEHEADER,
// BITMAPINFOHEADER, then 24-bit BGR rows bottom-up, each padded with zeros to
// a multiple of four bytes. This is what LoadBitmap and the resource
// compiler take without conversion.
#pragma once

#include <cstdint>
#include <vector>

struct Rgb
{
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;

    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
    bool operator!=(const Rgb& other) const { return !(*this == other); }
};

// Pixels top-down, row after row.
struct RgbImage
{
    int nWidth = 0;
    int nHeight = 0;
    std::vector<Rgb> vecPixels;

    RgbImage() = default;
    RgbImage(int width, int height, Rgb fill)
        : nWidth(width), nHeight(height), vecPixels(static_cast<std::size_t>(width) * height, fill)
    {
    }

    Rgb& At(int x, int y) { return vecPixels[static_cast<std::size_t>(y) * nWidth + x]; }
    const Rgb& At(int x, int y) const { return vecPixels[static_cast<std::size_t>(y) * nWidth + x]; }
};

std::vector<std::uint8_t> EncodeBmp(const RgbImage& image);
