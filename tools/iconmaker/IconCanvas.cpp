#include "IconCanvas.h"

#include <algorithm>
#include <cmath>
#include <utility>

// Fused multiply-add rounds differently from a multiply and an add, and the
// committed icons must not depend on the machine they were drawn on.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

namespace
{
double Length(double x, double y)
{
    return std::sqrt(x * x + y * y);
}

double Channel(std::uint8_t value)
{
    return value / 255.0;
}

std::uint8_t Quantise(double value)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}
} // namespace

Shape Circle(Point centre, double radius)
{
    return [=](double x, double y) { return Length(x - centre.x, y - centre.y) - radius; };
}

Shape RoundRect(double left, double top, double right, double bottom, double radius)
{
    const double cx = (left + right) / 2;
    const double cy = (top + bottom) / 2;
    const double hx = (right - left) / 2 - radius;
    const double hy = (bottom - top) / 2 - radius;
    return [=](double x, double y) {
        const double qx = std::abs(x - cx) - hx;
        const double qy = std::abs(y - cy) - hy;
        return Length(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - radius;
    };
}

Shape Capsule(Point a, Point b, double radius)
{
    return [=](double x, double y) {
        const double ex = b.x - a.x;
        const double ey = b.y - a.y;
        const double wx = x - a.x;
        const double wy = y - a.y;
        const double t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0);
        return Length(wx - ex * t, wy - ey * t) - radius;
    };
}

Shape Polygon(std::vector<Point> points)
{
    return [points = std::move(points)](double x, double y) {
        const std::size_t count = points.size();
        double nearest = (x - points[0].x) * (x - points[0].x) + (y - points[0].y) * (y - points[0].y);
        double sign = 1.0;
        for (std::size_t i = 0, j = count - 1; i < count; j = i++)
        {
            const double ex = points[j].x - points[i].x;
            const double ey = points[j].y - points[i].y;
            const double wx = x - points[i].x;
            const double wy = y - points[i].y;
            const double t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0);
            const double bx = wx - ex * t;
            const double by = wy - ey * t;
            nearest = std::min(nearest, bx * bx + by * by);
            // Crossing count along a horizontal ray: odd means inside.
            const bool above = y >= points[i].y;
            const bool below = y < points[j].y;
            const bool left = ex * wy > ey * wx;
            if ((above && below && left) || (!above && !below && !left))
                sign = -sign;
        }
        return sign * std::sqrt(nearest);
    };
}

Shape TurnedRect(Point centre, Point axis, double halfLength, double halfWidth)
{
    return [=](double x, double y) {
        const double dx = x - centre.x;
        const double dy = y - centre.y;
        const double qx = std::abs(dx * axis.x + dy * axis.y) - halfLength;
        const double qy = std::abs(dy * axis.x - dx * axis.y) - halfWidth;
        return Length(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
    };
}

Shape Union(Shape a, Shape b)
{
    return [a = std::move(a), b = std::move(b)](double x, double y) { return std::min(a(x, y), b(x, y)); };
}

Shape Intersection(Shape a, Shape b)
{
    return [a = std::move(a), b = std::move(b)](double x, double y) { return std::max(a(x, y), b(x, y)); };
}

Shape Minus(Shape a, Shape b)
{
    return [a = std::move(a), b = std::move(b)](double x, double y) { return std::max(a(x, y), -b(x, y)); };
}

Shape Grow(Shape shape, double by)
{
    return [shape = std::move(shape), by](double x, double y) { return shape(x, y) - by; };
}

Shape Offset(Shape shape, double dx, double dy)
{
    return [shape = std::move(shape), dx, dy](double x, double y) { return shape(x - dx, y - dy); };
}

Paint Solid(Rgba colour)
{
    return Paint{colour, colour, 0.0, 1.0};
}

Paint Gradient(Rgba top, Rgba bottom, double yTop, double yBottom)
{
    return Paint{top, bottom, yTop, yBottom};
}

CIconCanvas::CIconCanvas(int size) : CIconCanvas(size, size)
{
}

CIconCanvas::CIconCanvas(int width, int height)
    : m_nWidth(width), m_nHeight(height), m_vecPremultiplied(static_cast<std::size_t>(width) * height * 4, 0.0)
{
}

void CIconCanvas::Fill(const Shape& shape, const Paint& paint)
{
    constexpr int kSamples = kSamplesPerAxis * kSamplesPerAxis;
    // Farther than this from the pixel centre, the whole pixel is on one side
    // (the shapes never change faster than the distance itself).
    constexpr double kHalfDiagonal = 0.7072;
    for (int py = 0; py < m_nHeight; ++py)
    {
        const double t = std::clamp((py + 0.5 - paint.yTop) / (paint.yBottom - paint.yTop), 0.0, 1.0);
        const double r = Channel(paint.top.r) + (Channel(paint.bottom.r) - Channel(paint.top.r)) * t;
        const double g = Channel(paint.top.g) + (Channel(paint.bottom.g) - Channel(paint.top.g)) * t;
        const double b = Channel(paint.top.b) + (Channel(paint.bottom.b) - Channel(paint.top.b)) * t;
        const double a = Channel(paint.top.a) + (Channel(paint.bottom.a) - Channel(paint.top.a)) * t;
        for (int px = 0; px < m_nWidth; ++px)
        {
            const double centre = shape(px + 0.5, py + 0.5);
            int inside = 0;
            if (centre < -kHalfDiagonal)
                inside = kSamples;
            else if (centre <= kHalfDiagonal)
            {
                for (int sy = 0; sy < kSamplesPerAxis; ++sy)
                    for (int sx = 0; sx < kSamplesPerAxis; ++sx)
                    {
                        const double x = px + (sx + 0.5) / kSamplesPerAxis;
                        const double y = py + (sy + 0.5) / kSamplesPerAxis;
                        if (shape(x, y) < 0.0)
                            ++inside;
                    }
            }
            if (inside == 0)
                continue;
            const double alpha = a * inside / kSamples;
            double* pPixel = &m_vecPremultiplied[(static_cast<std::size_t>(py) * m_nWidth + px) * 4];
            pPixel[0] = r * alpha + pPixel[0] * (1.0 - alpha);
            pPixel[1] = g * alpha + pPixel[1] * (1.0 - alpha);
            pPixel[2] = b * alpha + pPixel[2] * (1.0 - alpha);
            pPixel[3] = alpha + pPixel[3] * (1.0 - alpha);
        }
    }
}

Rgba CIconCanvas::Pixel(int x, int y) const
{
    const double* pPixel = &m_vecPremultiplied[(static_cast<std::size_t>(y) * m_nWidth + x) * 4];
    const std::uint8_t a = Quantise(pPixel[3]);
    if (a == 0)
        return Rgba{0, 0, 0, 0};
    return Rgba{Quantise(pPixel[0] / pPixel[3]), Quantise(pPixel[1] / pPixel[3]),
                Quantise(pPixel[2] / pPixel[3]), a};
}
