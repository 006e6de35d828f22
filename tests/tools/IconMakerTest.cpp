#include "../../tools/iconmaker/IcoFile.h"
#include "../../tools/iconmaker/IconArt.h"

#include "tools/FileBytes.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#ifndef QM_SOURCE_DIR
#error "QM_SOURCE_DIR must name the source tree holding src/res/icons"
#endif

namespace
{
// What the resource script and the image list ask for.
const int kRequiredIds[] = {128, 163, 164, 165, 166, 168, 176};
const int kRowIcons[] = {165, 168, 164}; // automatic, manual, disabled

struct DecodedImage
{
    int nSize = 0;
    std::vector<Rgba> vecPixels;   // top-down
    std::vector<bool> vecMasked;   // top-down, AND mask bit per pixel
    bool bMaskPaddingClear = true; // unused bits at the end of each mask row
};

// Reads an .ico as a loader would, checking every count, size and offset
// against the file instead of trusting the writer.
testing::AssertionResult DecodeIco(const std::vector<std::uint8_t>& bytes, std::vector<DecodedImage>& images)
{
    images.clear();
    if (bytes.size() < 6)
        return testing::AssertionFailure() << "shorter than the directory";
    if (ReadU16(bytes, 0) != 0 || ReadU16(bytes, 2) != 1)
        return testing::AssertionFailure() << "not an icon directory";
    const std::size_t count = ReadU16(bytes, 4);
    if (bytes.size() < 6 + 16 * count)
        return testing::AssertionFailure() << "directory of " << count << " entries runs past the file";

    std::size_t expectedOffset = 6 + 16 * count;
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::size_t entry = 6 + 16 * i;
        const int size = bytes[entry] == 0 ? 256 : bytes[entry];
        const std::size_t length = ReadU32(bytes, entry + 8);
        const std::size_t offset = ReadU32(bytes, entry + 12);
        if (bytes[entry + 1] != bytes[entry] || ReadU16(bytes, entry + 4) != 1 ||
            ReadU16(bytes, entry + 6) != 32)
            return testing::AssertionFailure() << "entry " << i << " is not a square 32-bit image";
        if (offset != expectedOffset)
            return testing::AssertionFailure()
                   << "entry " << i << " starts at " << offset << ", not right after "
                   << "the previous image at " << expectedOffset;
        if (offset + length > bytes.size())
            return testing::AssertionFailure() << "entry " << i << " runs past the end of the file";
        expectedOffset = offset + length;

        const std::size_t stride = static_cast<std::size_t>((size + 31) / 32) * 4;
        const std::size_t colourBytes = static_cast<std::size_t>(size) * size * 4;
        if (length != 40 + colourBytes + stride * size)
            return testing::AssertionFailure() << "entry " << i << " holds " << length << " bytes; a " << size
                                               << "-pixel image with mask rows of " << stride
                                               << " bytes needs " << 40 + colourBytes + stride * size;
        if (ReadU32(bytes, offset) != 40 || ReadU32(bytes, offset + 4) != static_cast<std::uint32_t>(size) ||
            ReadU32(bytes, offset + 8) != static_cast<std::uint32_t>(2 * size) ||
            ReadU16(bytes, offset + 12) != 1 || ReadU16(bytes, offset + 14) != 32 ||
            ReadU32(bytes, offset + 16) != 0)
            return testing::AssertionFailure()
                   << "entry " << i << " has a bitmap header that disagrees with it";

        DecodedImage image;
        image.nSize = size;
        image.vecPixels.resize(static_cast<std::size_t>(size) * size);
        image.vecMasked.resize(static_cast<std::size_t>(size) * size);
        const std::size_t colour = offset + 40;
        const std::size_t mask = colour + colourBytes;
        for (int row = 0; row < size; ++row)
        {
            const int y = size - 1 - row; // bottom-up
            for (int x = 0; x < size; ++x)
            {
                const std::size_t at = colour + (static_cast<std::size_t>(row) * size + x) * 4;
                image.vecPixels[static_cast<std::size_t>(y) * size + x] =
                    Rgba{bytes[at + 2], bytes[at + 1], bytes[at], bytes[at + 3]};
            }
            for (std::size_t bit = 0; bit < stride * 8; ++bit)
            {
                const bool set = (bytes[mask + row * stride + bit / 8] & (0x80 >> (bit % 8))) != 0;
                if (bit < static_cast<std::size_t>(size))
                    image.vecMasked[static_cast<std::size_t>(y) * size + bit] = set;
                else if (set)
                    image.bMaskPaddingClear = false;
            }
        }
        images.push_back(image);
    }
    if (expectedOffset != bytes.size())
        return testing::AssertionFailure() << bytes.size() - expectedOffset << " bytes follow the last image";
    return testing::AssertionSuccess();
}

const DecodedImage* FindSize(const std::vector<DecodedImage>& images, int size)
{
    for (const DecodedImage& image : images)
        if (image.nSize == size)
            return &image;
    return nullptr;
}

TEST(IconMakerTest, CommittedIconsAreWhatTheGeneratorDraws)
{
    ASSERT_EQ(std::vector<int>(std::begin(kRequiredIds), std::end(kRequiredIds)), IconArt::ResourceIds());
    for (int nId : IconArt::ResourceIds())
    {
        SCOPED_TRACE(nId);
        const std::string strPath = std::string(QM_SOURCE_DIR) + "/src/res/icons/" + IconArt::FileName(nId);
        const std::vector<std::uint8_t> committed = ReadFileBytes(strPath);
        ASSERT_FALSE(committed.empty()) << "missing " << strPath;
        EXPECT_TRUE(committed == IconArt::BuildFile(nId))
            << strPath << " differs from the drawing code; rerun qm_iconmaker src/res/icons";
    }
    EXPECT_TRUE(IconArt::BuildFile(999).empty());
}

TEST(IconMakerTest, EveryIconIsAWellFormedPairOfSizes)
{
    for (int nId : IconArt::ResourceIds())
    {
        SCOPED_TRACE(nId);
        std::vector<DecodedImage> images;
        ASSERT_TRUE(DecodeIco(IconArt::BuildFile(nId), images));
        ASSERT_EQ(2u, images.size());
        EXPECT_EQ(16, images[0].nSize);
        EXPECT_EQ(32, images[1].nSize);
        for (const DecodedImage& image : images)
        {
            SCOPED_TRACE(image.nSize);
            EXPECT_TRUE(image.bMaskPaddingClear);
            int opaque = 0;
            for (std::size_t i = 0; i < image.vecPixels.size(); ++i)
            {
                const Rgba& pixel = image.vecPixels[i];
                // A mask-and-XOR draw shows masked pixels only if their colour is black.
                ASSERT_EQ(pixel.a == 0, image.vecMasked[i]) << "pixel " << i;
                if (pixel.a == 0)
                {
                    ASSERT_EQ(0, pixel.r | pixel.g | pixel.b) << "pixel " << i;
                }
                if (pixel.a == 255)
                    ++opaque;
            }
            // Something is drawn and the picture does not fill the square solid.
            EXPECT_GT(opaque, image.nSize * image.nSize / 4);
            EXPECT_LT(opaque, image.nSize * image.nSize);
        }
    }
}

// Pixel order, channel order, straight alpha and mask bits, checked on pixels
// placed where a flipped row order or a wrong bit order would move them.
TEST(IconMakerTest, WriterPlacesPixelsWhereLoadersLook)
{
    const Rgba colour{0x11, 0x22, 0x33, 0xFF};
    std::vector<CIconCanvas> canvases{CIconCanvas(16), CIconCanvas(32)};
    for (CIconCanvas& canvas : canvases)
    {
        canvas.Fill(RoundRect(9, 0, 10, 1, 0), Solid(colour));  // top row, second mask byte
        canvas.Fill(RoundRect(0, 5, 0.5, 6, 0), Solid(colour)); // half covered
    }
    std::vector<DecodedImage> images;
    const std::vector<std::uint8_t> bytes = EncodeIco(canvases);
    ASSERT_TRUE(DecodeIco(bytes, images));
    ASSERT_EQ(2u, images.size());
    for (const DecodedImage& image : images)
    {
        SCOPED_TRACE(image.nSize);
        const int size = image.nSize;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
            {
                const Rgba pixel = image.vecPixels[static_cast<std::size_t>(y) * size + x];
                const bool full = x == 9 && y == 0;
                const bool half = x == 0 && y == 5;
                SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
                EXPECT_EQ(!full && !half, image.vecMasked[static_cast<std::size_t>(y) * size + x]);
                if (full || half)
                {
                    // Straight alpha: a half-covered pixel keeps its full colour.
                    EXPECT_EQ(0x11, pixel.r);
                    EXPECT_EQ(0x22, pixel.g);
                    EXPECT_EQ(0x33, pixel.b);
                    EXPECT_EQ(full ? 255 : 128, pixel.a);
                }
                else
                    EXPECT_EQ(0, pixel.a);
            }
    }
    // The first stored colour row is the bottom one: the top-row pixel is in
    // the last row of the 16-pixel image, blue byte first.
    const std::size_t topRow = 6 + 2 * 16 + 40 + 15 * 16 * 4;
    EXPECT_EQ(0x33, bytes[topRow + 9 * 4]);
    EXPECT_EQ(0xFF, bytes[topRow + 9 * 4 + 3]);
}

TEST(IconMakerTest, RoundIconsLeaveTheCornersClear)
{
    const int roundIcons[] = {163, 164, 165, 168};
    for (int nId : roundIcons)
    {
        std::vector<DecodedImage> images;
        ASSERT_TRUE(DecodeIco(IconArt::BuildFile(nId), images));
        for (const DecodedImage& image : images)
        {
            SCOPED_TRACE(testing::Message() << nId << " at " << image.nSize);
            const int last = image.nSize - 1;
            const int corners[][2] = {{0, 0},       {last, 0}, {0, last},
                                      {last, last}, {1, 1},    {last - 1, last - 1}};
            for (const auto& corner : corners)
                EXPECT_EQ(0,
                          image.vecPixels[static_cast<std::size_t>(corner[1]) * image.nSize + corner[0]].a);
            EXPECT_EQ(255, image.vecPixels[static_cast<std::size_t>(image.nSize / 2) * image.nSize + 2].a);
        }
    }
}

enum class Hue
{
    Other,
    Green,
    Amber,
    Red,
    Blue,
};

Hue HueOf(const Rgba& pixel)
{
    const int r = pixel.r;
    const int g = pixel.g;
    const int b = pixel.b;
    if (g > r + 40 && g > b + 40)
        return Hue::Green;
    if (r > 180 && g > 100 && g < r - 15 && b < g - 60)
        return Hue::Amber;
    if (r > g + 80 && r > b + 80)
        return Hue::Red;
    if (b > r + 60 && b > g + 20)
        return Hue::Blue;
    return Hue::Other;
}

bool IsWhite(const Rgba& pixel)
{
    return pixel.a == 255 && pixel.r > 225 && pixel.g > 225 && pixel.b > 225;
}

// A row's start type must be told at a glance in the list: each row icon is
// mostly its own colour at 16 pixels, and the white marks differ in shape too,
// for readers who cannot tell green from red.
TEST(IconMakerTest, RowIconsDifferInColourAndMark)
{
    const Hue hues[] = {Hue::Green, Hue::Amber, Hue::Red};
    std::vector<std::vector<bool>> marks;
    for (std::size_t i = 0; i < std::size(kRowIcons); ++i)
    {
        SCOPED_TRACE(kRowIcons[i]);
        std::vector<DecodedImage> images;
        ASSERT_TRUE(DecodeIco(IconArt::BuildFile(kRowIcons[i]), images));
        const DecodedImage* pSmall = FindSize(images, 16);
        ASSERT_NE(nullptr, pSmall);
        int own = 0;
        int foreign = 0;
        int visible = 0;
        std::vector<bool> mark;
        for (const Rgba& pixel : pSmall->vecPixels)
        {
            mark.push_back(IsWhite(pixel));
            if (pixel.a < 128)
                continue;
            ++visible;
            const Hue hue = HueOf(pixel);
            if (hue == hues[i])
                ++own;
            else if (hue != Hue::Other)
                ++foreign;
        }
        EXPECT_GT(own, visible / 2);
        EXPECT_EQ(0, foreign);
        marks.push_back(mark);
    }
    for (std::size_t i = 0; i < marks.size(); ++i)
        for (std::size_t j = i + 1; j < marks.size(); ++j)
        {
            int differing = 0;
            int white = 0;
            for (std::size_t k = 0; k < marks[i].size(); ++k)
            {
                differing += marks[i][k] != marks[j][k];
                white += marks[i][k];
            }
            SCOPED_TRACE(testing::Message() << kRowIcons[i] << " against " << kRowIcons[j]);
            EXPECT_GE(white, 8);
            EXPECT_GE(differing, 12);
        }
}

// The application and status icons sit beside the blue title strip and
// panels, so they are blue themselves.
TEST(IconMakerTest, ApplicationAndInformationIconsAreBlue)
{
    const int blueIcons[] = {128, 163};
    for (int nId : blueIcons)
    {
        std::vector<DecodedImage> images;
        ASSERT_TRUE(DecodeIco(IconArt::BuildFile(nId), images));
        for (const DecodedImage& image : images)
        {
            SCOPED_TRACE(testing::Message() << nId << " at " << image.nSize);
            int blue = 0;
            int coloured = 0;
            for (const Rgba& pixel : image.vecPixels)
                if (pixel.a >= 128 && HueOf(pixel) != Hue::Other)
                {
                    ++coloured;
                    blue += HueOf(pixel) == Hue::Blue;
                }
            EXPECT_GT(blue, coloured * 3 / 4);
        }
    }
}
} // namespace
