#include "controls/led_geometry.h"

#include <cmath>

namespace {

// A hair under a quarter of pi: the rim's shadow starts and ends just short of
// the exact 45-degree points, which is what the lamps have always looked like.
constexpr double kArcAngle = 0.7853975;
constexpr double kPi = 3.14159265358979323846;

int Trunc(double v) { return static_cast<int>(v); }

// Direction of a radial point seen from the centre, counter-clockwise from
// three o'clock with y growing downwards on the screen.
double DegreesTowards(double cx, double cy, const LedPoint& p)
{
    double deg = std::atan2(cy - p.y, p.x - cx) * 180.0 / kPi;
    if (deg < 0.0)
        deg += 360.0;
    return deg;
}

} // namespace

LedGeometry ComputeLedGeometry(const LedRect& item, double f)
{
    LedGeometry g;
    const int w = item.right > item.left ? item.right - item.left : 0;
    const int h = item.bottom > item.top ? item.bottom - item.top : 0;
    LedRect& q = g.square;
    if (w > h) {
        q.left = item.left + (w - h) / 2;
        q.top = item.top;
        q.right = q.left + h;
        q.bottom = item.top + h;
    } else {
        q.left = item.left;
        q.right = item.left + w;
        q.top = item.top + (h - w) / 2;
        q.bottom = q.top + w;
    }

    g.diameter = q.right - q.left;
    g.radius = g.diameter / 2;
    const double r = g.radius;
    const double c = std::cos(kArcAngle);
    const double s = std::sin(kArcAngle);
    g.arcStart = {Trunc(q.left + r - r * c), Trunc(q.top + r + r * s)};
    g.arcEnd = {Trunc(q.left + r + r * c), Trunc(q.top + r - r * s)};

    // The arc belongs to the ellipse bounded by the square, so its angles are
    // measured from that square's centre, not from (left + r, top + r).
    const double cx = (q.left + q.right) / 2.0;
    const double cy = (q.top + q.bottom) / 2.0;
    g.arcStartDegrees = DegreesTowards(cx, cy, g.arcStart);
    double sweep = DegreesTowards(cx, cy, g.arcEnd) - g.arcStartDegrees;
    if (sweep <= 0.0)
        sweep += 360.0;
    g.arcSweepDegrees = sweep;

    g.inset = Trunc(g.diameter * f);
    g.lamp = {q.left + g.inset, q.top + g.inset, q.right - g.inset, q.bottom - g.inset};
    if (g.lamp.right < g.lamp.left)
        g.lamp.right = g.lamp.left;
    if (g.lamp.bottom < g.lamp.top)
        g.lamp.bottom = g.lamp.top;
    return g;
}
