#include "../../tools/iconmaker/SkinArt.h"

#include "tools/FileBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <vector>

// Colours print as rgb(r,g,b) in failure messages.
void PrintTo(const Rgb& colour, std::ostream* pStream)
{
    *pStream << "rgb(" << int(colour.r) << "," << int(colour.g) << "," << int(colour.b) << ")";
}

#ifndef QM_SOURCE_DIR
#error "QM_SOURCE_DIR must name the source tree holding src/res/bitmaps"
#endif

namespace
{
struct BitmapSize
{
    int nId;
    int nWidth;
    int nHeight;
};

// Every bitmap the skin button and the frame load, at the size they are
// drawn for.
const BitmapSize kSizes[] = {
    {129, 65, 50}, {130, 71, 22}, {131, 71, 22}, {132, 71, 22}, {133, 71, 22}, {134, 16, 16}, {135, 16, 16},
    {136, 16, 16}, {137, 16, 16}, {138, 16, 16}, {139, 16, 16}, {140, 16, 16}, {141, 16, 16}, {142, 16, 16},
    {145, 45, 20}, {147, 45, 20}, {148, 45, 20}, {153, 20, 20}, {154, 20, 20}, {155, 20, 20}, {156, 20, 20},
    {157, 20, 20}, {158, 20, 20}, {159, 20, 20}, {160, 20, 20}, {161, 20, 20}, {170, 20, 20}, {171, 20, 20},
    {172, 20, 20}, {178, 20, 20}, {179, 20, 20}, {181, 20, 20}, {182, 20, 20},
};

// The frame and the dialog buttons are the only pictures drawn through the
// colour key.
const std::set<int> kKeyedIds = {129, 130, 131, 132, 133};

constexpr Rgb kKey{255, 0, 0};
constexpr Rgb kFrameOutline{30, 62, 147};
constexpr Rgb kBody{92, 183, 254};

struct DecodedBmp
{
    int nWidth = 0;
    int nHeight = 0;
    std::vector<Rgb> vecPixels; // top-down

    const Rgb& At(int x, int y) const { return vecPixels[static_cast<std::size_t>(y) * nWidth + x]; }
};

// Reads a .bmp as LoadBitmap would, checking every header field against the
// file instead of trusting the writer.
testing::AssertionResult DecodeBmp(const std::vector<std::uint8_t>& bytes, DecodedBmp& image)
{
    if (bytes.size() < 54)
        return testing::AssertionFailure() << "shorter than the two headers";
    if (bytes[0] != 'B' || bytes[1] != 'M')
        return testing::AssertionFailure() << "no BM signature";
    if (ReadU32(bytes, 2) != bytes.size())
        return testing::AssertionFailure() << "file header says " << ReadU32(bytes, 2) << " bytes, file has "
                                           << bytes.size();
    if (ReadU32(bytes, 6) != 0)
        return testing::AssertionFailure() << "reserved words are not zero";
    if (ReadU32(bytes, 10) != 54)
        return testing::AssertionFailure() << "pixels at " << ReadU32(bytes, 10) << ", not right after the headers";
    if (ReadU32(bytes, 14) != 40)
        return testing::AssertionFailure() << "not a BITMAPINFOHEADER";
    const std::int32_t width = static_cast<std::int32_t>(ReadU32(bytes, 18));
    const std::int32_t height = static_cast<std::int32_t>(ReadU32(bytes, 22));
    if (width <= 0 || height <= 0)
        return testing::AssertionFailure() << "size " << width << " x " << height
                                           << " is not a bottom-up picture";
    if (ReadU16(bytes, 26) != 1 || ReadU16(bytes, 28) != 24 || ReadU32(bytes, 30) != 0)
        return testing::AssertionFailure() << "not one plane of uncompressed 24-bit pixels";
    if (ReadU32(bytes, 46) != 0 || ReadU32(bytes, 50) != 0)
        return testing::AssertionFailure() << "a 24-bit picture carries no palette";
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(height);
    if (ReadU32(bytes, 34) != pixelBytes)
        return testing::AssertionFailure() << "image size field " << ReadU32(bytes, 34) << ", rows of " << stride
                                           << " bytes need " << pixelBytes;
    if (bytes.size() != 54 + pixelBytes)
        return testing::AssertionFailure() << bytes.size() << " bytes, rows of " << stride << " bytes need "
                                           << 54 + pixelBytes;

    image.nWidth = width;
    image.nHeight = height;
    image.vecPixels.assign(static_cast<std::size_t>(width) * height, Rgb{0, 0, 0});
    for (int row = 0; row < height; ++row)
    {
        const std::size_t at = 54 + static_cast<std::size_t>(row) * stride;
        const int y = height - 1 - row;
        for (int x = 0; x < width; ++x)
        {
            const std::size_t pixel = at + static_cast<std::size_t>(x) * 3;
            image.vecPixels[static_cast<std::size_t>(y) * width + x] =
                Rgb{bytes[pixel + 2], bytes[pixel + 1], bytes[pixel]};
        }
        for (std::size_t pad = static_cast<std::size_t>(width) * 3; pad < stride; ++pad)
            if (bytes[at + pad] != 0)
                return testing::AssertionFailure() << "row " << row << " has non-zero padding";
    }
    return testing::AssertionSuccess();
}

std::string BitmapDirectory()
{
    return std::string(QM_SOURCE_DIR) + "/src/res/bitmaps";
}

// The committed file, decoded; the checks below look at what the program
// will load, not at the generator's memory.
DecodedBmp Committed(int nId)
{
    DecodedBmp image;
    const std::vector<std::uint8_t> bytes = ReadFileBytes(BitmapDirectory() + "/" + SkinArt::FileName(nId));
    EXPECT_TRUE(DecodeBmp(bytes, image)) << "bitmap " << nId;
    return image;
}

int Luminance(const Rgb& pixel)
{
    return (299 * pixel.r + 587 * pixel.g + 114 * pixel.b) / 1000;
}

int Saturation(const Rgb& pixel)
{
    return std::max({pixel.r, pixel.g, pixel.b}) - std::min({pixel.r, pixel.g, pixel.b});
}

// Mean of a measure over the pixels that are drawn (not the key).
template <typename Measure> double MeanOver(const DecodedBmp& image, Measure measure)
{
    double sum = 0.0;
    int count = 0;
    for (const Rgb& pixel : image.vecPixels)
        if (pixel != kKey)
        {
            sum += measure(pixel);
            ++count;
        }
    return count == 0 ? 0.0 : sum / count;
}

TEST(SkinArtTest, CommittedBitmapsAreWhatTheGeneratorDraws)
{
    std::vector<int> expectedIds;
    for (const BitmapSize& size : kSizes)
        expectedIds.push_back(size.nId);
    ASSERT_EQ(expectedIds, SkinArt::ResourceIds());

    for (int nId : SkinArt::ResourceIds())
    {
        SCOPED_TRACE(nId);
        const std::string strPath = BitmapDirectory() + "/" + SkinArt::FileName(nId);
        const std::vector<std::uint8_t> committed = ReadFileBytes(strPath);
        ASSERT_FALSE(committed.empty()) << "missing " << strPath;
        EXPECT_TRUE(committed == SkinArt::BuildFile(nId))
            << strPath << " differs from the drawing code; rerun qm_iconmaker src/res/icons src/res/bitmaps";
    }
    // A leftover file would be compiled in by nobody and mislead a reader.
    for (const auto& entry : std::filesystem::directory_iterator(BitmapDirectory()))
    {
        const std::string strName = entry.path().filename().string();
        const bool known = std::any_of(SkinArt::ResourceIds().begin(), SkinArt::ResourceIds().end(),
                                       [&strName](int nId) { return SkinArt::FileName(nId) == strName; });
        EXPECT_TRUE(known) << strName << " in src/res/bitmaps is not drawn by the generator";
    }
    EXPECT_TRUE(SkinArt::BuildFile(999).empty());
}

// Header, size and stride of every file, and the decoded pixels equal to the
// drawing: a flipped row order or swapped channels in the writer show here.
TEST(SkinArtTest, EveryBitmapIsAWellFormedBmpOfItsSize)
{
    for (const BitmapSize& size : kSizes)
    {
        SCOPED_TRACE(size.nId);
        DecodedBmp image;
        ASSERT_TRUE(DecodeBmp(SkinArt::BuildFile(size.nId), image));
        EXPECT_EQ(size.nWidth, image.nWidth);
        EXPECT_EQ(size.nHeight, image.nHeight);
        const RgbImage drawn = SkinArt::Draw(size.nId);
        ASSERT_EQ(drawn.vecPixels.size(), image.vecPixels.size());
        EXPECT_TRUE(drawn.vecPixels == image.vecPixels);
    }
}

// The window region of a skinned dialog, CreateRoundRectRgn with an 11 x 11
// ellipse, leaves out 3, 2 and 1 pixels of the first three rows at each
// corner (measured under Wine).
bool InWindowRegion(int x, int y, int width, int height)
{
    const int cut[] = {3, 2, 1};
    const int fromSide = std::min(x, width - 1 - x);
    const int fromEdge = std::min(y, height - 1 - y);
    return fromEdge >= 3 || fromSide >= cut[fromEdge];
}

TEST(SkinArtTest, FrameKeyShowsOnlyWhereTheWindowRegionCutsTheCorners)
{
    const DecodedBmp frame = Committed(129);
    ASSERT_EQ(65, frame.nWidth);
    ASSERT_EQ(50, frame.nHeight);
    const int corners[][2] = {{0, 0}, {64, 0}, {0, 49}, {64, 49}};
    for (const auto& corner : corners)
        EXPECT_EQ(kKey, frame.At(corner[0], corner[1])) << corner[0] << "," << corner[1];

    const auto inRegion = [&frame](int x, int y) {
        return x >= 0 && y >= 0 && x < frame.nWidth && y < frame.nHeight &&
               InWindowRegion(x, y, frame.nWidth, frame.nHeight);
    };
    for (int y = 0; y < frame.nHeight; ++y)
        for (int x = 0; x < frame.nWidth; ++x)
        {
            SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
            if (!inRegion(x, y))
            {
                EXPECT_EQ(kKey, frame.At(x, y));
                continue;
            }
            EXPECT_NE(kKey, frame.At(x, y));
            // The outermost visible pixels form an unbroken outline, rounded
            // corners included.
            if (!inRegion(x - 1, y) || !inRegion(x + 1, y) || !inRegion(x, y - 1) || !inRegion(x, y + 1))
            {
                EXPECT_EQ(kFrameOutline, frame.At(x, y));
            }
        }
}

// The pieces the painting slices out: column 26 for the top and bottom
// edges, row 26 for the sides and pixel (26, 26) for the client area.
TEST(SkinArtTest, FrameRowsCarryTheirColours)
{
    const DecodedBmp frame = Committed(129);
    ASSERT_EQ(65, frame.nWidth);
    ASSERT_EQ(50, frame.nHeight);
    struct Expected
    {
        int x;
        int y;
        Rgb colour;
    };
    const Expected exact[] = {
        {26, 0, kFrameOutline},     {26, 49, kFrameOutline},    {0, 26, kFrameOutline},
        {64, 26, kFrameOutline},    {26, 2, {21, 120, 213}},    {26, 22, {95, 174, 249}},
        {26, 26, kBody},            {4, 26, kBody},             {60, 26, kBody},
        {26, 25, kBody},            {26, 46, kBody},
    };
    for (const Expected& expected : exact)
        EXPECT_EQ(expected.colour, frame.At(expected.x, expected.y)) << expected.x << "," << expected.y;
    for (int x = 1; x < 64; ++x)
    {
        EXPECT_EQ((Rgb{75, 140, 206}), frame.At(x, 23)) << "separator at " << x;
        EXPECT_EQ((Rgb{119, 194, 252}), frame.At(x, 24)) << "highlight at " << x;
    }

    // The title strip darkens nowhere on its way down, under a lighter top row.
    EXPECT_GT(Luminance(frame.At(26, 1)), Luminance(frame.At(26, 2)));
    for (int y = 3; y <= 22; ++y)
    {
        const Rgb above = frame.At(26, y - 1);
        const Rgb here = frame.At(26, y);
        EXPECT_TRUE(here.r >= above.r && here.g >= above.g && here.b >= above.b) << "row " << y;
    }

    // Lighter rims: three columns at each side, two rows at the bottom.
    const int rimPixels[][2] = {{1, 26}, {2, 26}, {3, 26}, {61, 26}, {62, 26}, {63, 26}, {26, 47}, {26, 48}};
    for (const auto& rim : rimPixels)
        EXPECT_GT(Luminance(frame.At(rim[0], rim[1])), Luminance(kBody)) << rim[0] << "," << rim[1];
}

// Keyed pictures are cut only at their rounded corners; everywhere else, and
// in every unkeyed picture, the key colour would punch a hole or show as red.
// The orange-red close button is keyed nowhere and must stay clear of the key.
TEST(SkinArtTest, KeyColourOnlyAtTheCornersOfKeyedBitmaps)
{
    for (const BitmapSize& size : kSizes)
    {
        SCOPED_TRACE(size.nId);
        const DecodedBmp image = Committed(size.nId);
        ASSERT_EQ(size.nWidth, image.nWidth);
        const bool keyed = kKeyedIds.count(size.nId) != 0;
        const int last = size.nWidth - 1;
        const int bottom = size.nHeight - 1;
        for (int y = 0; y < size.nHeight; ++y)
            for (int x = 0; x < size.nWidth; ++x)
            {
                const bool nearCorner = std::min(x, last - x) < 4 && std::min(y, bottom - y) < 4;
                const Rgb& pixel = image.At(x, y);
                if (!keyed || !nearCorner)
                {
                    EXPECT_NE(kKey, pixel) << "pixel " << x << "," << y;
                }
                // An edge blended towards the key would draw a pink fringe.
                const bool besideKey = (x > 0 && image.At(x - 1, y) == kKey) ||
                                       (x < last && image.At(x + 1, y) == kKey) ||
                                       (y > 0 && image.At(x, y - 1) == kKey) ||
                                       (y < bottom && image.At(x, y + 1) == kKey);
                if (pixel != kKey && besideKey)
                {
                    EXPECT_FALSE(pixel.r > pixel.g + 60 && pixel.r > pixel.b + 60) << "pixel " << x << "," << y;
                }
            }
        if (keyed)
        {
            EXPECT_EQ(kKey, image.At(0, 0));
            EXPECT_EQ(kKey, image.At(last, 0));
            EXPECT_EQ(kKey, image.At(0, bottom));
            EXPECT_EQ(kKey, image.At(last, bottom));
        }
    }
}

TEST(SkinArtTest, DialogButtonsHaveTheirOutlineGradientAndFocusBorder)
{
    const Rgb outline{88, 122, 149};
    for (int nId : {130, 131, 132, 133})
    {
        SCOPED_TRACE(nId);
        const DecodedBmp button = Committed(nId);
        ASSERT_EQ(71, button.nWidth);
        EXPECT_EQ(outline, button.At(35, 0));
        EXPECT_EQ(outline, button.At(35, 21));
        EXPECT_EQ(outline, button.At(0, 11));
        EXPECT_EQ(outline, button.At(70, 11));
    }
    const DecodedBmp normal = Committed(131);
    EXPECT_EQ((Rgb{159, 212, 255}), normal.At(35, 20));
    EXPECT_GT(std::min({normal.At(35, 1).r, normal.At(35, 1).g, normal.At(35, 1).b}), 235);
    // Pressed runs the other way: mid blue at the top, pale at the bottom.
    const DecodedBmp pressed = Committed(130);
    EXPECT_LT(Luminance(pressed.At(35, 4)) + 30, Luminance(pressed.At(35, 20)));

    const auto isOrange = [](const Rgb& pixel) {
        return pixel.r > 230 && pixel.g > 150 && pixel.g < 215 && pixel.b < 110;
    };
    const DecodedBmp focus = Committed(133);
    for (int inset : {1, 2})
    {
        EXPECT_TRUE(isOrange(focus.At(35, inset))) << "top, inset " << inset;
        EXPECT_TRUE(isOrange(focus.At(35, 21 - inset))) << "bottom, inset " << inset;
        EXPECT_TRUE(isOrange(focus.At(inset, 11))) << "left, inset " << inset;
        EXPECT_TRUE(isOrange(focus.At(70 - inset, 11))) << "right, inset " << inset;
    }
    EXPECT_FALSE(isOrange(focus.At(35, 3)));
    EXPECT_FALSE(isOrange(focus.At(3, 11)));
}

// Each state must be told from its neighbours: hover lighter than normal,
// pressed darker, disabled grey.
TEST(SkinArtTest, StatesAreLighterDarkerOrGreyerAsTheirRolesSay)
{
    struct Pair
    {
        int nLighter;
        int nDarker;
    };
    const Pair lighter[] = {
        {132, 131}, {135, 134}, {138, 137}, {141, 140}, {147, 145}, {172, 171}, {155, 154}, {158, 157},
        {161, 160}, {179, 178}, {182, 181}, {131, 130}, {134, 136}, {137, 139}, {140, 142}, {145, 148},
        {171, 170},
    };
    for (const Pair& pair : lighter)
    {
        SCOPED_TRACE(testing::Message() << pair.nLighter << " against " << pair.nDarker);
        const double light = MeanOver(Committed(pair.nLighter), Luminance);
        const double dark = MeanOver(Committed(pair.nDarker), Luminance);
        EXPECT_GT(light, dark + 4.0);
    }

    struct Disabled
    {
        int nNormal;
        int nDisabled;
    };
    const Disabled greyer[] = {{154, 156}, {157, 159}, {160, 153}};
    for (const Disabled& pair : greyer)
    {
        SCOPED_TRACE(testing::Message() << pair.nDisabled << " against " << pair.nNormal);
        const DecodedBmp disabled = Committed(pair.nDisabled);
        EXPECT_LT(MeanOver(disabled, Saturation) * 3, MeanOver(Committed(pair.nNormal), Saturation));
        for (const Rgb& pixel : disabled.vecPixels)
            ASSERT_LT(Saturation(pixel), 40);
    }
}

// The mark on a tile: pixels clearly darker than the tile around them.
std::vector<std::vector<bool>> GlyphMask(const DecodedBmp& tile)
{
    std::vector<std::vector<bool>> mask(tile.nHeight, std::vector<bool>(tile.nWidth, false));
    for (int y = 1; y < tile.nHeight - 1; ++y)
        for (int x = 1; x < tile.nWidth - 1; ++x)
            mask[y][x] = Luminance(tile.At(x, y)) < 150;
    return mask;
}

int RowWidth(const std::vector<std::vector<bool>>& mask, int y)
{
    return static_cast<int>(std::count(mask[y].begin(), mask[y].end(), true));
}

// Which way the marks point matters to the user (export up, import down, play
// to the right), and a flipped or mirrored drawing would still look tidy.
TEST(SkinArtTest, ToolbarGlyphsHaveTheirShapes)
{
    const auto widestRow = [](const std::vector<std::vector<bool>>& mask) {
        int best = 0;
        for (int y = 0; y < static_cast<int>(mask.size()); ++y)
            if (RowWidth(mask, y) > RowWidth(mask, best))
                best = y;
        return best;
    };
    const auto count = [](const std::vector<std::vector<bool>>& mask, int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += mask[y][x];
        return n;
    };

    const int glyphIds[] = {154, 157, 160, 178, 181};
    std::vector<std::vector<std::vector<bool>>> masks;
    for (int nId : glyphIds)
    {
        const auto mask = GlyphMask(Committed(nId));
        ASSERT_EQ(20u, mask.size());
        masks.push_back(mask);
        SCOPED_TRACE(nId);
        const int total = count(mask, 0, 20, 0, 20);
        EXPECT_GE(total, 40);
        // The mark keeps clear of the tile's edge, which the stretch widens.
        EXPECT_EQ(total, count(mask, 3, 17, 3, 17));
    }
    for (std::size_t i = 0; i < masks.size(); ++i)
        for (std::size_t j = i + 1; j < masks.size(); ++j)
        {
            int differing = 0;
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 20; ++x)
                    differing += masks[i][y][x] != masks[j][y][x];
            EXPECT_GE(differing, 16) << glyphIds[i] << " against " << glyphIds[j];
        }

    const auto& pause = masks[0];
    EXPECT_EQ(0, count(pause, 9, 11, 0, 20)) << "pause: gap between the bars";
    EXPECT_GE(count(pause, 6, 9, 0, 20), 20);
    EXPECT_GE(count(pause, 11, 14, 0, 20), 20);
    const auto& play = masks[1];
    int leftmost = 20;
    int rightmost = -1;
    for (int x = 0; x < 20; ++x)
        if (count(play, x, x + 1, 0, 20) > 0)
        {
            leftmost = std::min(leftmost, x);
            rightmost = std::max(rightmost, x);
        }
    ASSERT_LT(leftmost, rightmost);
    EXPECT_GT(count(play, leftmost, leftmost + 1, 0, 20), 2 * count(play, rightmost, rightmost + 1, 0, 20))
        << "play points right";
    EXPECT_LE(std::abs(count(play, 0, 20, 0, 10) - count(play, 0, 20, 10, 20)), 4) << "play is level";
    const auto& stop = masks[2];
    EXPECT_EQ(64, count(stop, 6, 14, 6, 14)) << "stop is a full square";
    EXPECT_LT(widestRow(masks[3]), 10) << "export arrow points up";
    EXPECT_GE(widestRow(masks[4]), 10) << "import arrow points down";
}

// Tiles are stretched to their buttons (the fillers by thirty times): the top
// and bottom lines must run straight through the corners, and the side
// columns, which become bands as wide as a button, must stay lighter than those
// lines while still setting one button off from the next. The title buttons,
// drawn opaque in the blue strip, must blend into it at their corners.
TEST(SkinArtTest, TilesStretchCleanlyAndTitleButtonsSitInTheStrip)
{
    for (const BitmapSize& size : kSizes)
    {
        if (size.nId < 145)
            continue;
        SCOPED_TRACE(size.nId);
        const DecodedBmp tile = Committed(size.nId);
        ASSERT_EQ(size.nWidth, tile.nWidth);
        const int right = size.nWidth - 1;
        const Rgb line = tile.At(0, 0);
        for (int x = 0; x < size.nWidth; ++x)
        {
            EXPECT_EQ(line, tile.At(x, 0)) << x;
            EXPECT_EQ(line, tile.At(x, size.nHeight - 1)) << x;
        }
        for (int y = 1; y < size.nHeight - 1; ++y)
        {
            SCOPED_TRACE(testing::Message() << "row " << y);
            EXPECT_EQ(tile.At(0, y), tile.At(right, y));
            EXPECT_LT(Luminance(line), Luminance(tile.At(0, y)));
            EXPECT_LT(Luminance(tile.At(0, y)), Luminance(tile.At(1, y)));
        }
    }

    // The title-bar buttons stand 6 pixels below the top of the window.
    const DecodedBmp frame = Committed(129);
    for (int nId = 134; nId <= 142; ++nId)
    {
        SCOPED_TRACE(nId);
        const DecodedBmp button = Committed(nId);
        ASSERT_EQ(16, button.nWidth);
        const int corners[][2] = {{0, 0}, {15, 0}, {0, 15}, {15, 15}};
        for (const auto& corner : corners)
        {
            const Rgb strip = frame.At(26, 6 + corner[1]);
            const Rgb pixel = button.At(corner[0], corner[1]);
            EXPECT_LE(std::abs(pixel.r - strip.r) + std::abs(pixel.g - strip.g) + std::abs(pixel.b - strip.b), 60)
                << "corner " << corner[0] << "," << corner[1];
        }
    }
}

bool IsWhite(const Rgb& pixel)
{
    return pixel.r > 225 && pixel.g > 225 && pixel.b > 225;
}

// Close, About and minimise are told apart by their white marks alone in the
// small strip: a cross, a plus and a minus.
TEST(SkinArtTest, TitleButtonMarksAreCrossPlusAndMinus)
{
    struct Probe
    {
        int x;
        int y;
        bool bCross;
        bool bPlus;
        bool bMinus;
    };
    const Probe probes[] = {
        {5, 5, true, false, false},   {10, 10, true, false, false}, {10, 5, true, false, false},
        {8, 4, false, true, false},   {8, 11, false, true, false},  {4, 8, false, true, true},
        {11, 7, false, true, true},   {8, 13, false, false, false}, {2, 8, false, false, false},
    };
    const int families[][3] = {{134, 135, 136}, {137, 138, 139}, {140, 141, 142}};
    for (int family = 0; family < 3; ++family)
        for (int nId : families[family])
        {
            SCOPED_TRACE(nId);
            const DecodedBmp button = Committed(nId);
            ASSERT_EQ(16, button.nWidth);
            for (const Probe& probe : probes)
            {
                const bool expected = family == 0 ? probe.bCross : family == 1 ? probe.bPlus : probe.bMinus;
                EXPECT_EQ(expected, IsWhite(button.At(probe.x, probe.y))) << probe.x << "," << probe.y;
            }
        }
}
} // namespace
