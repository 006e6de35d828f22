#include "IconArt.h"

#include "IcoFile.h"

#include <cmath>

// Fused multiply-add rounds differently from a multiply and an add, and the
// committed icons must not depend on the machine they were drawn on.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

namespace
{
constexpr Rgba kWhite{255, 255, 255, 255};

// The designs are laid out on a 32-pixel grid; at 16 pixels a few places take
// their own numbers so that strokes land on whole pixels instead of blurring.
double At(const CIconCanvas& canvas, double at32, double at16)
{
    return canvas.Size() == 16 ? at16 : at32 * canvas.Size() / 32.0;
}

Rgba WithAlpha(Rgba colour, std::uint8_t alpha)
{
    colour.a = alpha;
    return colour;
}

// Outlined shape: the rim colour one pixel wide, then the body inside it.
void FillOutlined(CIconCanvas& canvas, const Shape& shape, Rgba rim, const Paint& body)
{
    canvas.Fill(shape, Solid(rim));
    canvas.Fill(Grow(shape, -1.0), body);
}

struct BadgeColours
{
    Rgba rim;
    Rgba light;
    Rgba dark;
};

// A round badge filling the icon with a white glyph on it; the glyph casts a
// faint shadow in the rim colour so that it stays readable on light yellow.
void DrawBadge(CIconCanvas& canvas, const BadgeColours& colours, const Shape& glyph)
{
    const double size = canvas.Size();
    const Point centre{size / 2, size / 2};
    const double radius = size / 2 - 0.5;
    FillOutlined(canvas, Circle(centre, radius), colours.rim,
                 Gradient(colours.light, colours.dark, 1.0, size - 1.0));
    // Sheen on the upper half.
    canvas.Fill(Intersection(Circle(centre, radius - 1.5),
                             Circle({centre.x, centre.y - radius * 0.95}, radius * 1.1)),
                Solid(Rgba{255, 255, 255, 56}));
    canvas.Fill(Offset(glyph, 0.0, At(canvas, 1.0, 0.5)), Solid(WithAlpha(colours.rim, 110)));
    canvas.Fill(glyph, Solid(kWhite));
}

// 165: starts by itself, a play triangle on green.
void DrawAutomatic(CIconCanvas& canvas)
{
    const Shape play = Polygon({{At(canvas, 12.0, 6.0), At(canvas, 8.5, 3.5)},
                                {At(canvas, 24.0, 12.5), At(canvas, 16.0, 8.0)},
                                {At(canvas, 12.0, 6.0), At(canvas, 23.5, 12.5)}});
    DrawBadge(canvas, {{24, 110, 36, 255}, {128, 214, 104, 255}, {38, 150, 52, 255}}, play);
}

// 168: waits for someone to start it, two upright bars on amber.
void DrawManual(CIconCanvas& canvas)
{
    const double top = At(canvas, 9.0, 4.0);
    const double bottom = At(canvas, 23.0, 12.0);
    const double corner = At(canvas, 1.0, 0.4);
    const Shape bars = Union(RoundRect(At(canvas, 10.5, 5.0), top, At(canvas, 14.5, 7.0), bottom, corner),
                             RoundRect(At(canvas, 17.5, 9.0), top, At(canvas, 21.5, 11.0), bottom, corner));
    DrawBadge(canvas, {{176, 104, 0, 255}, {255, 214, 90, 255}, {238, 150, 18, 255}}, bars);
}

// 164: will not start, a no-entry bar on red.
void DrawDisabled(CIconCanvas& canvas)
{
    const Shape bar = RoundRect(At(canvas, 7.0, 3.0), At(canvas, 13.5, 7.0), At(canvas, 25.0, 13.0),
                                At(canvas, 18.5, 9.0), At(canvas, 1.0, 0.4));
    DrawBadge(canvas, {{150, 22, 22, 255}, {244, 108, 96, 255}, {196, 34, 34, 255}}, bar);
}

// 163: information, a white "i" on blue.
void DrawInformation(CIconCanvas& canvas)
{
    // A round dot of two pixels blurs into a smudge; at 16 it is a square.
    const Shape dot = canvas.Size() == 16
                          ? RoundRect(7.0, 3.0, 9.0, 5.0, 0.3)
                          : Circle({At(canvas, 16.0, 8.0), At(canvas, 9.0, 4.0)}, At(canvas, 2.6, 1.25));
    const Shape stem = RoundRect(At(canvas, 14.0, 7.0), At(canvas, 13.0, 6.75), At(canvas, 18.0, 9.0),
                                 At(canvas, 24.5, 12.5), At(canvas, 0.8, 0.3));
    DrawBadge(canvas, {{30, 62, 147, 255}, {120, 180, 245, 255}, {36, 92, 200, 255}}, Union(dot, stem));
}

Shape Gear(Point centre, double bodyRadius, double tipRadius, double halfTooth, double holeRadius,
           const std::vector<Point>& toothAxes)
{
    // Each axis gives a bar through the centre, that is two opposite teeth.
    Shape teeth = TurnedRect(centre, toothAxes[0], tipRadius, halfTooth);
    for (std::size_t i = 1; i < toothAxes.size(); ++i)
        teeth = Union(teeth, TurnedRect(centre, toothAxes[i], tipRadius, halfTooth));
    teeth = Intersection(teeth, Circle(centre, tipRadius));
    return Minus(Union(Circle(centre, bodyRadius), teeth), Circle(centre, holeRadius));
}

// Open-ended spanner: a handle from tail to head, the jaw opening away from
// the handle.
Shape Spanner(Point head, Point tail, double headRadius, double handleHalf, double jawHalf)
{
    const double dx = head.x - tail.x;
    const double dy = head.y - tail.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    const Point axis{dx / length, dy / length};
    const Shape jaw =
        TurnedRect({head.x + axis.x * headRadius, head.y + axis.y * headRadius}, axis, headRadius, jawHalf);
    return Minus(Union(Capsule(head, tail, handleHalf), Circle(head, headRadius)), jaw);
}

// 128: the application, a blue cog with a spanner across its lower right.
void DrawApplication(CIconCanvas& canvas)
{
    const double diagonal = std::sqrt(0.5);
    const std::vector<Point> axes{{1.0, 0.0}, {diagonal, diagonal}, {0.0, 1.0}, {-diagonal, diagonal}};
    const Shape gear = Gear({At(canvas, 14.0, 7.0), At(canvas, 14.0, 7.0)}, At(canvas, 10.0, 5.3),
                            At(canvas, 13.5, 7.0), At(canvas, 2.8, 1.0), At(canvas, 4.2, 1.5), axes);
    FillOutlined(canvas, gear, Rgba{30, 62, 147, 255},
                 Gradient(Rgba{132, 190, 250, 255}, Rgba{40, 96, 196, 255}, 0.0, At(canvas, 28.0, 14.0)));

    const Shape spanner = Spanner({At(canvas, 20.5, 11.0), At(canvas, 20.5, 11.0)},
                                  {At(canvas, 28.5, 14.5), At(canvas, 28.5, 14.5)}, At(canvas, 5.0, 2.5),
                                  At(canvas, 1.9, 1.0), At(canvas, 1.9, 0.9));
    canvas.Fill(Grow(spanner, At(canvas, 1.0, 0.8)), Solid(Rgba{52, 56, 70, 255}));
    canvas.Fill(spanner, Gradient(Rgba{250, 251, 253, 255}, Rgba{170, 178, 192, 255}, At(canvas, 14.0, 7.0),
                                  At(canvas, 30.0, 15.0)));
}

const Rgba kFolderRim{160, 108, 20, 255};

Shape FolderBack(const CIconCanvas& canvas)
{
    const double corner = At(canvas, 2.0, 1.0);
    return Union(RoundRect(At(canvas, 2.0, 1.0), At(canvas, 5.0, 2.0), At(canvas, 14.0, 7.0),
                           At(canvas, 12.0, 6.0), corner),
                 RoundRect(At(canvas, 2.0, 1.0), At(canvas, 8.0, 4.0), At(canvas, 30.0, 15.0),
                           At(canvas, 27.0, 14.0), corner));
}

// 166: a group or a leaf of the category tree, a closed folder.
void DrawClosedFolder(CIconCanvas& canvas)
{
    FillOutlined(canvas, FolderBack(canvas), kFolderRim,
                 Gradient(Rgba{240, 196, 88, 255}, Rgba{222, 160, 48, 255}, 0.0, At(canvas, 27.0, 14.0)));
    const Shape front = RoundRect(At(canvas, 2.0, 1.0), At(canvas, 11.0, 6.0), At(canvas, 30.0, 15.0),
                                  At(canvas, 27.0, 14.0), At(canvas, 2.0, 1.0));
    FillOutlined(canvas, front, kFolderRim,
                 Gradient(Rgba{255, 232, 146, 255}, Rgba{246, 192, 72, 255}, At(canvas, 11.0, 6.0),
                          At(canvas, 27.0, 14.0)));
}

// 176: the root and every selected item, an open folder with a sheet in it.
void DrawOpenFolder(CIconCanvas& canvas)
{
    FillOutlined(canvas, FolderBack(canvas), kFolderRim,
                 Gradient(Rgba{226, 172, 60, 255}, Rgba{200, 136, 32, 255}, 0.0, At(canvas, 27.0, 14.0)));
    const Shape sheet = RoundRect(At(canvas, 5.0, 3.0), At(canvas, 9.0, 4.0), At(canvas, 25.0, 13.0),
                                  At(canvas, 22.0, 11.0), At(canvas, 0.5, 0.0));
    FillOutlined(canvas, sheet, Rgba{140, 146, 160, 255}, Solid(kWhite));
    const Shape flap = Polygon({{At(canvas, 7.5, 4.5), At(canvas, 14.0, 7.0)},
                                {At(canvas, 31.5, 15.5), At(canvas, 14.0, 7.0)},
                                {At(canvas, 27.0, 13.0), At(canvas, 27.0, 14.0)},
                                {At(canvas, 2.0, 1.0), At(canvas, 27.0, 14.0)}});
    FillOutlined(canvas, flap, kFolderRim,
                 Gradient(Rgba{255, 232, 146, 255}, Rgba{246, 192, 72, 255}, At(canvas, 14.0, 7.0),
                          At(canvas, 27.0, 14.0)));
}

struct IconDesign
{
    int nResourceId;
    void (*pfnDraw)(CIconCanvas&);
};

const IconDesign kDesigns[] = {
    {128, DrawApplication},  {163, DrawInformation}, {164, DrawDisabled},   {165, DrawAutomatic},
    {166, DrawClosedFolder}, {168, DrawManual},      {176, DrawOpenFolder},
};
} // namespace

namespace IconArt
{
const std::vector<int>& ResourceIds()
{
    static const std::vector<int> ids = [] {
        std::vector<int> list;
        for (const IconDesign& design : kDesigns)
            list.push_back(design.nResourceId);
        return list;
    }();
    return ids;
}

std::string FileName(int nResourceId)
{
    return "icon" + std::to_string(nResourceId) + ".ico";
}

bool Draw(int nResourceId, CIconCanvas& canvas)
{
    for (const IconDesign& design : kDesigns)
        if (design.nResourceId == nResourceId)
        {
            design.pfnDraw(canvas);
            return true;
        }
    return false;
}

std::vector<std::uint8_t> BuildFile(int nResourceId)
{
    std::vector<CIconCanvas> images{CIconCanvas(16), CIconCanvas(32)};
    for (CIconCanvas& image : images)
        if (!Draw(nResourceId, image))
            return {};
    return EncodeIco(images);
}
} // namespace IconArt
