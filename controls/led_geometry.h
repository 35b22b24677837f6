#pragma once
// Where the parts of a lamp go inside its button rectangle. Pure arithmetic,
// so the proportions can be checked without drawing anything.

// Inset of the lamp disc, as a share of the rim's diameter: the single Active
// lamp has a wider face ring than the small channel lamps.
constexpr double kLedInsetPlain = 0.2;
constexpr double kLedInsetState = 0.1;

// Rectangles are left, top, right, bottom with right and bottom exclusive,
// the way the ellipse and fill primitives take them.
struct LedRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const LedRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct LedPoint {
    int x = 0;
    int y = 0;
    bool operator==(const LedPoint& o) const { return x == o.x && y == o.y; }
};

struct LedGeometry {
    LedRect square;     // the rim's bounding square, centred along the longer side
    int diameter = 0;   // d
    int radius = 0;     // r = d / 2, integer
    LedPoint arcStart;  // lower-left radial point of the shadow arc
    LedPoint arcEnd;    // upper-right radial point
    // The same arc as angles about the square's centre, in degrees,
    // counter-clockwise from three o'clock: start angle and (positive) sweep.
    double arcStartDegrees = 0.0;
    double arcSweepDegrees = 0.0;
    int inset = 0;      // k = trunc(d * f)
    LedRect lamp;       // the square shrunk by k: the lamp disc's bounds
};

// The lamp's geometry for `item` with inset factor `f`. A degenerate (empty
// or inverted) rectangle gives an empty square rather than negative sizes.
LedGeometry ComputeLedGeometry(const LedRect& item, double f);
