// Lamp proportions: where the rim square, the shadow arc and the lamp disc go
// for the rectangles the panels actually have, and the awkward ones.
#include "controls/led_geometry.h"

#include <gtest/gtest.h>

namespace {

struct LedCase {
    const char* name;
    LedRect item;
    double f;
    LedRect square;
    int d, r;
    LedPoint start, end;
    int k;
    LedRect lamp;
};

const LedCase kCases[] = {
    {"square12_plain", {0, 0, 12, 12}, kLedInsetPlain, {0, 0, 12, 12}, 12, 6, {1, 10}, {10, 1}, 2, {2, 2, 10, 10}},
    {"square12_state", {0, 0, 12, 12}, kLedInsetState, {0, 0, 12, 12}, 12, 6, {1, 10}, {10, 1}, 1, {1, 1, 11, 11}},
    {"tall18x20_plain", {0, 0, 18, 20}, kLedInsetPlain, {0, 1, 18, 19}, 18, 9, {2, 16}, {15, 3}, 3, {3, 4, 15, 16}},
    {"tall18x20_state", {0, 0, 18, 20}, kLedInsetState, {0, 1, 18, 19}, 18, 9, {2, 16}, {15, 3}, 1, {1, 2, 17, 18}},
    // Odd diameter: the radius is the integer half, so the arc uses 6, not 6.5.
    {"odd13_plain", {0, 0, 13, 13}, kLedInsetPlain, {0, 0, 13, 13}, 13, 6, {1, 10}, {10, 1}, 2, {2, 2, 11, 11}},
    {"odd13_state", {0, 0, 13, 13}, kLedInsetState, {0, 0, 13, 13}, 13, 6, {1, 10}, {10, 1}, 1, {1, 1, 12, 12}},
    // Wider than tall, away from the origin: centred horizontally, odd slack
    // rounds toward the left.
    {"wide_offset", {10, 5, 25, 16}, kLedInsetPlain, {12, 5, 23, 16}, 11, 5, {13, 13}, {20, 6}, 2, {14, 7, 21, 14}},
    {"empty", {4, 4, 4, 4}, kLedInsetState, {4, 4, 4, 4}, 0, 0, {4, 4}, {4, 4}, 0, {4, 4, 4, 4}},
    // An inverted rectangle must not produce a negative-sized lamp.
    {"inverted", {10, 10, 2, 3}, kLedInsetPlain, {10, 10, 10, 10}, 0, 0, {10, 10}, {10, 10}, 0, {10, 10, 10, 10}},
};

class LedGeometryTest : public ::testing::TestWithParam<LedCase> {};

TEST_P(LedGeometryTest, PartsSitWhereTheLampIsDrawn)
{
    const LedCase& c = GetParam();
    const LedGeometry g = ComputeLedGeometry(c.item, c.f);
    EXPECT_EQ(g.square, c.square);
    EXPECT_EQ(g.diameter, c.d);
    EXPECT_EQ(g.radius, c.r);
    EXPECT_EQ(g.arcStart, c.start) << g.arcStart.x << "," << g.arcStart.y;
    EXPECT_EQ(g.arcEnd, c.end) << g.arcEnd.x << "," << g.arcEnd.y;
    EXPECT_EQ(g.inset, c.k);
    EXPECT_EQ(g.lamp, c.lamp);
}

INSTANTIATE_TEST_SUITE_P(Rects, LedGeometryTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
