// A picture drawn by filling shapes. A shape is a signed distance in
// pixels (negative inside), so outlines and insets are the same shape grown
// or shrunk; coverage comes from 16 x 16 samples per pixel. Only +, -, *, /
// and sqrt touch the doubles, so every build draws the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct Rgba
{
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
    std::uint8_t a;
};

struct Point
{
    double x;
    double y;
};

// Signed distance from a point in pixel units; (0, 0) is the top-left corner
// of the picture and pixel (i, j) covers [i, i + 1] x [j, j + 1].
using Shape = std::function<double(double x, double y)>;

Shape Circle(Point centre, double radius);
Shape RoundRect(double left, double top, double right, double bottom, double radius);
// A stroke from a to b with round ends.
Shape Capsule(Point a, Point b, double radius);
// Any simple polygon, either winding.
Shape Polygon(std::vector<Point> points);
// Rectangle centred on a point and turned so that its length runs along a
// unit vector.
Shape TurnedRect(Point centre, Point axis, double halfLength, double halfWidth);

Shape Union(Shape a, Shape b);
Shape Intersection(Shape a, Shape b);
Shape Minus(Shape a, Shape b);
// Positive grows the shape, negative shrinks it.
Shape Grow(Shape shape, double by);
Shape Offset(Shape shape, double dx, double dy);

// Colour running from top to bottom between two heights; solid when both
// ends are equal.
struct Paint
{
    Rgba top;
    Rgba bottom;
    double yTop;
    double yBottom;
};

Paint Solid(Rgba colour);
Paint Gradient(Rgba top, Rgba bottom, double yTop, double yBottom);

class CIconCanvas
{
  public:
    static constexpr int kSamplesPerAxis = 16;

    explicit CIconCanvas(int size);
    CIconCanvas(int width, int height);

    // The side of a square picture, as icons are.
    int Size() const { return m_nWidth; }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }

    // Source-over, with the paint's alpha scaled by the covered fraction.
    void Fill(const Shape& shape, const Paint& paint);

    // Straight (not premultiplied) alpha; a transparent pixel reads all zero.
    Rgba Pixel(int x, int y) const;

  private:
    int m_nWidth;
    int m_nHeight;
    std::vector<double> m_vecPremultiplied; // r, g, b, a in 0..1 per pixel
};
