#include "SkinArt.h"

#include "IconCanvas.h"

#include <cmath>
#include <functional>

// Fused multiply-add rounds differently from a multiply and an add, and the
// committed bitmaps must not depend on the machine they were drawn on.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

namespace
{
constexpr Rgba kWhite{255, 255, 255, 255};

// The frame's colours; the dialog paints its client area with kBody.
constexpr Rgba kFrameOutline{30, 62, 147, 255};
constexpr Rgba kTitleHighlight{92, 158, 228, 255};
constexpr Rgba kTitleTop{21, 120, 213, 255};
constexpr Rgba kTitleBottom{95, 174, 249, 255};
constexpr Rgba kTitleSeparator{75, 140, 206, 255};
constexpr Rgba kTitleUnderline{119, 194, 252, 255};
constexpr Rgba kBody{92, 183, 254, 255};
constexpr Rgba kRimOuter{146, 210, 255, 255};
constexpr Rgba kRimMiddle{125, 200, 255, 255};
constexpr Rgba kRimInner{107, 191, 255, 255};

constexpr int kFrameWidth = 65;
constexpr int kFrameHeight = 50;
// The corner ellipse of the window region the frame is drawn into.
constexpr double kFrameCornerRadius = 5.5;
// The title-bar buttons stand this many pixels below the top of the window.
constexpr int kTitleButtonTop = 6;

Rgb ToRgb(const Rgba& colour)
{
    return Rgb{colour.r, colour.g, colour.b};
}

Rgba WithAlpha(Rgba colour, std::uint8_t alpha)
{
    colour.a = alpha;
    return colour;
}

Shape Box(double left, double top, double right, double bottom)
{
    return RoundRect(left, top, right, bottom, 0.0);
}

std::uint8_t Mix(std::uint8_t over, std::uint8_t under, int alpha)
{
    return static_cast<std::uint8_t>((over * alpha + under * (255 - alpha) + 127) / 255);
}

// Lays the canvas over what the bitmap will be drawn on, row by row, so that
// anti-aliased edges blend into that colour instead of into black.
RgbImage Flatten(const CIconCanvas& canvas, const std::function<Rgb(int y)>& backdrop)
{
    RgbImage image(canvas.Width(), canvas.Height(), Rgb{0, 0, 0});
    for (int y = 0; y < canvas.Height(); ++y)
    {
        const Rgb under = backdrop(y);
        for (int x = 0; x < canvas.Width(); ++x)
        {
            const Rgba over = canvas.Pixel(x, y);
            image.At(x, y) = Rgb{Mix(over.r, under.r, over.a), Mix(over.g, under.g, over.a),
                                 Mix(over.b, under.b, over.a)};
        }
    }
    return image;
}

// A keyed picture has no half-transparent pixels: a pixel is either left out
// (the key) or drawn, and a drawn edge pixel is blended with the dialog body
// it will stand on.
RgbImage FlattenKeyed(const CIconCanvas& canvas)
{
    RgbImage image = Flatten(canvas, [](int) { return ToRgb(kBody); });
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (canvas.Pixel(x, y).a < 128)
                image.At(x, y) = SkinArt::kColourKey;
    return image;
}

// 129: outline, title strip, separator, then the body with a soft bevel. The
// window region is a rounded rectangle with an 11 x 11 corner ellipse that
// takes the pixels whose centres lie outside it; those are the key colour, and
// the outline runs along the pixels just inside, so the clipped window still
// shows an unbroken outline.
RgbImage DrawFrame()
{
    const double width = kFrameWidth;
    const double height = kFrameHeight;
    CIconCanvas canvas(kFrameWidth, kFrameHeight);
    const Shape outer = RoundRect(0.0, 0.0, width, height, kFrameCornerRadius);
    const Shape inner = Grow(outer, -1.0);
    canvas.Fill(Box(0.0, 0.0, width, height), Solid(kFrameOutline));

    canvas.Fill(Intersection(inner, Box(0.0, 1.0, width, 2.0)), Solid(kTitleHighlight));
    canvas.Fill(Intersection(inner, Box(0.0, 2.0, width, 23.0)), Gradient(kTitleTop, kTitleBottom, 2.5, 22.5));
    canvas.Fill(Box(1.0, 23.0, width - 1.0, 24.0), Solid(kTitleSeparator));
    canvas.Fill(Box(1.0, 24.0, width - 1.0, 25.0), Solid(kTitleUnderline));

    // Rims of 3 pixels at the sides and 2 at the bottom, following the corners.
    const Shape lower = Box(0.0, 25.0, width, height);
    canvas.Fill(Intersection(inner, lower), Solid(kRimOuter));
    canvas.Fill(Intersection(Grow(inner, -1.0), lower), Solid(kRimMiddle));
    canvas.Fill(Intersection(Grow(inner, -2.0), lower), Solid(kRimInner));
    canvas.Fill(Box(4.0, 25.0, width - 4.0, height - 3.0), Solid(kBody));

    RgbImage image = Flatten(canvas, [](int) { return ToRgb(kFrameOutline); });
    const auto inRegion = [&outer](int x, int y) {
        return x >= 0 && y >= 0 && x < kFrameWidth && y < kFrameHeight && outer(x + 0.5, y + 0.5) < 0.0;
    };
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
        {
            if (!inRegion(x, y))
                image.At(x, y) = SkinArt::kColourKey;
            else if (!inRegion(x - 1, y) || !inRegion(x + 1, y) || !inRegion(x, y - 1) || !inRegion(x, y + 1))
                image.At(x, y) = ToRgb(kFrameOutline);
        }
    return image;
}

enum class Tone
{
    Normal,
    Hover,
    Pressed,
    Focus,
    Disabled,
};

enum class Glyph
{
    None,
    Cross,
    Plus,
    Minus,
    Pause,
    Play,
    Stop,
    ArrowUp,
    ArrowDown,
};

enum class Kind
{
    Frame,
    DialogButton,
    TitleButton,
    MenuTile,
    ToolTile,
};

// A button face: its outline and the two ends of its gradient.
struct ButtonColours
{
    Rgba outline;
    Rgba top;
    Rgba bottom;
};

// 130-133: a rounded bar, keyed so that the dialog shows at its corners.
RgbImage DrawDialogButton(Tone tone)
{
    constexpr int kWidth = 71;
    constexpr int kHeight = 22;
    CIconCanvas canvas(kWidth, kHeight);
    const Shape bar = RoundRect(0.0, 0.0, kWidth, kHeight, 4.0);
    canvas.Fill(bar, Solid(Rgba{88, 122, 149, 255}));
    Shape inside = Grow(bar, -1.0);
    if (tone == Tone::Focus)
    {
        canvas.Fill(inside, Gradient(Rgba{254, 204, 96, 255}, Rgba{250, 170, 34, 255}, 1.0, kHeight - 1.0));
        inside = Grow(inside, -2.0);
    }

    Rgba top{250, 253, 255, 255};
    Rgba bottom{159, 212, 255, 255};
    if (tone == Tone::Hover)
    {
        top = Rgba{255, 255, 255, 255};
        bottom = Rgba{198, 232, 255, 255};
    }
    else if (tone == Tone::Pressed)
    {
        top = Rgba{112, 168, 224, 255};
        bottom = Rgba{200, 228, 252, 255};
    }
    // The end colours fall exactly on the first and last inner rows.
    canvas.Fill(inside, Gradient(top, bottom, 1.5, kHeight - 1.5));
    if (tone == Tone::Pressed)
    {
        // Shade under the top edge: the bar looks pushed in.
        canvas.Fill(Intersection(inside, Box(0.0, 0.0, kWidth, 3.0)),
                    Gradient(Rgba{40, 80, 130, 90}, Rgba{40, 80, 130, 0}, 1.0, 3.0));
    }
    else
    {
        // Gloss on the upper half.
        canvas.Fill(Intersection(inside, Box(0.0, 0.0, kWidth, kHeight / 2.0)),
                    Gradient(WithAlpha(kWhite, 150), WithAlpha(kWhite, 40), 1.0, kHeight / 2.0));
    }
    return FlattenKeyed(canvas);
}

Shape GlyphShape(Glyph glyph)
{
    switch (glyph)
    {
    case Glyph::Cross:
    {
        const double diagonal = std::sqrt(0.5);
        return Union(TurnedRect({8.0, 8.0}, {diagonal, diagonal}, 4.9, 0.75),
                     TurnedRect({8.0, 8.0}, {diagonal, -diagonal}, 4.9, 0.75));
    }
    case Glyph::Plus:
        return Union(Box(4.0, 7.0, 12.0, 9.0), Box(7.0, 4.0, 9.0, 12.0));
    case Glyph::Minus:
        return Box(4.0, 7.0, 12.0, 9.0);
    case Glyph::Pause:
        return Union(RoundRect(6.0, 5.0, 9.0, 15.0, 0.5), RoundRect(11.0, 5.0, 14.0, 15.0, 0.5));
    case Glyph::Play:
        return Polygon({{7.0, 4.0}, {15.0, 10.0}, {7.0, 16.0}});
    case Glyph::Stop:
        return RoundRect(6.0, 6.0, 14.0, 14.0, 1.0);
    case Glyph::ArrowUp:
        return Union(Polygon({{10.0, 3.0}, {16.0, 10.0}, {4.0, 10.0}}), Box(8.0, 9.0, 12.0, 16.0));
    case Glyph::ArrowDown:
        return Union(Polygon({{10.0, 17.0}, {4.0, 10.0}, {16.0, 10.0}}), Box(8.0, 4.0, 12.0, 11.0));
    case Glyph::None:
        break;
    }
    return Box(0.0, 0.0, 0.0, 0.0);
}

// Close is orange-red, the other two blue; hover brightens, pressed darkens.
ButtonColours TitleButtonColours(Tone tone, bool bClose)
{
    if (bClose)
    {
        if (tone == Tone::Hover)
            return {{150, 40, 16, 255}, {255, 178, 138, 255}, {242, 92, 48, 255}};
        if (tone == Tone::Pressed)
            return {{120, 28, 8, 255}, {224, 108, 72, 255}, {178, 46, 18, 255}};
        return {{140, 36, 14, 255}, {252, 146, 104, 255}, {222, 68, 30, 255}};
    }
    if (tone == Tone::Hover)
        return {{20, 54, 134, 255}, {172, 216, 255, 255}, {64, 134, 234, 255}};
    if (tone == Tone::Pressed)
        return {{14, 40, 108, 255}, {98, 152, 222, 255}, {26, 76, 176, 255}};
    return {{18, 48, 124, 255}, {138, 192, 250, 255}, {40, 102, 206, 255}};
}

// 134-142: a small rounded square in the title strip, drawn unstretched and
// opaque, so its corners carry the strip's own gradient.
RgbImage DrawTitleButton(Tone tone, Glyph glyph, const RgbImage& frame)
{
    constexpr int kSide = 16;
    const ButtonColours colours = TitleButtonColours(tone, glyph == Glyph::Cross);
    CIconCanvas canvas(kSide, kSide);
    const Shape square = RoundRect(0.0, 0.0, kSide, kSide, 3.0);
    canvas.Fill(square, Solid(colours.outline));
    const Shape inside = Grow(square, -1.0);
    canvas.Fill(inside, Gradient(colours.top, colours.bottom, 1.0, kSide - 1.0));
    if (tone != Tone::Pressed)
        canvas.Fill(Intersection(inside, Box(0.0, 0.0, kSide, 7.0)),
                    Gradient(WithAlpha(kWhite, 110), WithAlpha(kWhite, 20), 1.0, 7.0));
    const Shape mark = GlyphShape(glyph);
    canvas.Fill(Offset(mark, 0.0, 1.0), Solid(WithAlpha(colours.outline, 90)));
    canvas.Fill(mark, Solid(kWhite));
    return Flatten(canvas, [&frame](int y) { return frame.At(kFrameWidth / 2, kTitleButtonTop + y); });
}

ButtonColours TileColours(Tone tone)
{
    switch (tone)
    {
    case Tone::Hover:
        return {{84, 148, 212, 255}, {255, 255, 255, 255}, {206, 236, 255, 255}};
    case Tone::Pressed:
        return {{40, 96, 164, 255}, {132, 186, 240, 255}, {178, 218, 254, 255}};
    case Tone::Disabled:
        return {{142, 148, 156, 255}, {242, 243, 245, 255}, {204, 208, 213, 255}};
    case Tone::Normal:
    case Tone::Focus:
        break;
    }
    return {{64, 128, 196, 255}, {240, 248, 255, 255}, {172, 216, 255, 255}};
}

// 145-182: square-cornered tiles of the menu strip and the toolbar. They are
// stretched to their buttons (the two fillers across most of the window), and
// square corners are what survives a stretch to any width.
RgbImage DrawTile(int width, int height, Tone tone, Glyph glyph)
{
    const ButtonColours colours = TileColours(tone);
    CIconCanvas canvas(width, height);
    canvas.Fill(Box(0.0, 0.0, width, height), Solid(colours.outline));
    // The fillers stretch each side column some thirty pixels wide, so the
    // sides are only half as dark as the top and bottom lines.
    canvas.Fill(Union(Box(0.0, 1.0, 1.0, height - 1.0), Box(width - 1.0, 1.0, width, height - 1.0)),
                Gradient(WithAlpha(colours.top, 128), WithAlpha(colours.bottom, 128), 1.0, height - 1.0));
    canvas.Fill(Box(1.0, 1.0, width - 1.0, height - 1.0), Gradient(colours.top, colours.bottom, 1.0, height - 1.0));
    if (tone != Tone::Pressed)
        canvas.Fill(Box(1.0, 1.0, width - 1.0, 2.0), Solid(WithAlpha(kWhite, 170)));
    else
        canvas.Fill(Box(1.0, 1.0, width - 1.0, 2.0), Solid(WithAlpha(colours.outline, 90)));

    if (glyph != Glyph::None)
    {
        Rgba top{60, 124, 214, 255};
        Rgba bottom{22, 58, 146, 255};
        if (tone == Tone::Hover)
        {
            top = Rgba{110, 184, 255, 255};
            bottom = Rgba{36, 112, 224, 255};
        }
        else if (tone == Tone::Disabled)
        {
            top = Rgba{172, 176, 182, 255};
            bottom = Rgba{134, 139, 146, 255};
        }
        const Shape mark = GlyphShape(glyph);
        // A light edge below the glyph sets it into the tile.
        canvas.Fill(Offset(mark, 0.0, 1.0), Solid(WithAlpha(kWhite, 150)));
        canvas.Fill(mark, Gradient(top, bottom, 3.0, height - 3.0));
    }
    return Flatten(canvas, [](int) { return ToRgb(kBody); });
}

struct BitmapDesign
{
    int nResourceId;
    Kind kind;
    Tone tone;
    Glyph glyph;
};

const BitmapDesign kDesigns[] = {
    {129, Kind::Frame, Tone::Normal, Glyph::None},
    {130, Kind::DialogButton, Tone::Pressed, Glyph::None},
    {131, Kind::DialogButton, Tone::Normal, Glyph::None},
    {132, Kind::DialogButton, Tone::Hover, Glyph::None},
    {133, Kind::DialogButton, Tone::Focus, Glyph::None},
    {134, Kind::TitleButton, Tone::Normal, Glyph::Cross},
    {135, Kind::TitleButton, Tone::Hover, Glyph::Cross},
    {136, Kind::TitleButton, Tone::Pressed, Glyph::Cross},
    {137, Kind::TitleButton, Tone::Normal, Glyph::Plus},
    {138, Kind::TitleButton, Tone::Hover, Glyph::Plus},
    {139, Kind::TitleButton, Tone::Pressed, Glyph::Plus},
    {140, Kind::TitleButton, Tone::Normal, Glyph::Minus},
    {141, Kind::TitleButton, Tone::Hover, Glyph::Minus},
    {142, Kind::TitleButton, Tone::Pressed, Glyph::Minus},
    {145, Kind::MenuTile, Tone::Normal, Glyph::None},
    {147, Kind::MenuTile, Tone::Hover, Glyph::None},
    {148, Kind::MenuTile, Tone::Pressed, Glyph::None},
    {153, Kind::ToolTile, Tone::Disabled, Glyph::Stop},
    {154, Kind::ToolTile, Tone::Normal, Glyph::Pause},
    {155, Kind::ToolTile, Tone::Hover, Glyph::Pause},
    {156, Kind::ToolTile, Tone::Disabled, Glyph::Pause},
    {157, Kind::ToolTile, Tone::Normal, Glyph::Play},
    {158, Kind::ToolTile, Tone::Hover, Glyph::Play},
    {159, Kind::ToolTile, Tone::Disabled, Glyph::Play},
    {160, Kind::ToolTile, Tone::Normal, Glyph::Stop},
    {161, Kind::ToolTile, Tone::Hover, Glyph::Stop},
    {170, Kind::ToolTile, Tone::Pressed, Glyph::None},
    {171, Kind::ToolTile, Tone::Normal, Glyph::None},
    {172, Kind::ToolTile, Tone::Hover, Glyph::None},
    {178, Kind::ToolTile, Tone::Normal, Glyph::ArrowUp},
    {179, Kind::ToolTile, Tone::Hover, Glyph::ArrowUp},
    {181, Kind::ToolTile, Tone::Normal, Glyph::ArrowDown},
    {182, Kind::ToolTile, Tone::Hover, Glyph::ArrowDown},
};

RgbImage DrawDesign(const BitmapDesign& design)
{
    switch (design.kind)
    {
    case Kind::Frame:
        return DrawFrame();
    case Kind::DialogButton:
        return DrawDialogButton(design.tone);
    case Kind::TitleButton:
        return DrawTitleButton(design.tone, design.glyph, DrawFrame());
    case Kind::MenuTile:
        return DrawTile(45, 20, design.tone, design.glyph);
    case Kind::ToolTile:
        return DrawTile(20, 20, design.tone, design.glyph);
    }
    return RgbImage();
}
} // namespace

namespace SkinArt
{
const std::vector<int>& ResourceIds()
{
    static const std::vector<int> ids = [] {
        std::vector<int> list;
        for (const BitmapDesign& design : kDesigns)
            list.push_back(design.nResourceId);
        return list;
    }();
    return ids;
}

std::string FileName(int nResourceId)
{
    return "bmp" + std::to_string(nResourceId) + ".bmp";
}

RgbImage Draw(int nResourceId)
{
    for (const BitmapDesign& design : kDesigns)
        if (design.nResourceId == nResourceId)
            return DrawDesign(design);
    return RgbImage();
}

std::vector<std::uint8_t> BuildFile(int nResourceId)
{
    const RgbImage image = Draw(nResourceId);
    if (image.vecPixels.empty())
        return {};
    return EncodeBmp(image);
}
} // namespace SkinArt
