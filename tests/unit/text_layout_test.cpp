// Text field placement: border rectangle, fill, and where the text starts,
// including text that does not fit and falls back to the client origin.
#include "controls/text_layout.h"

#include <gtest/gtest.h>

namespace {

struct PlaceCase {
    const char* name;
    int w, h;
    bool border;
    int cx, cy;
    int x, y;
};

const PlaceCase kPlaceCases[] = {
    {"centred", 100, 20, true, 40, 12, 30, 4},
    {"odd_slack_truncates", 100, 20, true, 41, 13, 29, 3},
    {"too_wide_starts_at_origin", 100, 20, true, 120, 12, 0, 4},
    {"exactly_as_wide_starts_at_origin", 100, 20, true, 96, 12, 0, 4},
    {"exactly_as_tall_starts_at_origin", 100, 20, true, 40, 16, 30, 0},
    {"too_tall", 100, 20, true, 40, 30, 30, 0},
    {"no_border_same_placement", 100, 20, false, 40, 12, 30, 4},
    {"empty_text", 100, 20, true, 0, 0, 50, 10},
    {"tiny_control", 3, 3, true, 5, 5, 0, 0},
};

class TextPlacementTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(TextPlacementTest, TextOrigin)
{
    const PlaceCase& c = GetParam();
    const TextFieldLayout l = LayoutTextField(c.w, c.h, c.border, c.cx, c.cy);
    EXPECT_EQ(l.textX, c.x);
    EXPECT_EQ(l.textY, c.y);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextPlacementTest, ::testing::ValuesIn(kPlaceCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextFieldRects, BorderClipAndFill)
{
    const TextFieldLayout with = LayoutTextField(100, 20, true, 40, 12);
    EXPECT_EQ(with.inner, (TextRect{2, 2, 98, 18}));
    EXPECT_EQ(with.fill, (TextRect{3, 3, 97, 17}));

    // Without a border nothing is filled, but the text is still clipped to
    // the rectangle shrunk by 2.
    const TextFieldLayout without = LayoutTextField(100, 20, false, 40, 12);
    EXPECT_EQ(without.inner, (TextRect{2, 2, 98, 18}));
    EXPECT_EQ(without.fill.Width() * without.fill.Height(), 0);
}

} // namespace
