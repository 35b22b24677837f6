// Pictures: the bitmap's top-left part in a small control, the whole bitmap
// in the top-left corner of a large one with nothing else drawn, nothing at
// all for an unknown id.
#include "controls/bitmap_static.h"
#include "resources/bitmap_resources.h"
#include "resources/resource_ids.h"

#include <QAccessible>
#include <QImage>
#include <gtest/gtest.h>

namespace {

const QColor kUnpainted(Qt::magenta);

QImage Render(QWidget& w, int width, int height)
{
    w.resize(width, height);
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(kUnpainted);
    w.render(&img, QPoint(), QRegion(), QWidget::RenderFlags()); // no window background
    return img;
}

TEST(BitmapResources, SizesAndUnknownIds)
{
    const struct {
        int id;
        QSize size;
    } cases[] = {{IDB_LOGO, {103, 24}}, {IDB_STANDARDS_LOGO, {77, 41}}, {103, {}}, {0, {}}, {-1, {}}};
    for (const auto& c : cases) {
        const QImage img = LoadBitmapResource(c.id);
        EXPECT_EQ(img.isNull(), c.size.isEmpty()) << c.id;
        if (!img.isNull()) {
            EXPECT_EQ(img.size(), c.size) << c.id;
            EXPECT_EQ(img.colorCount(), 16) << c.id;
        }
    }
}

struct PlacementCase {
    const char* name;
    int id;
    int w, h;
};

class BitmapPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(BitmapPlacement, UnscaledAtTheTopLeftCornerAndClipped)
{
    const PlacementCase& c = GetParam();
    const QImage bitmap = LoadBitmapResource(c.id & 0xFFFF).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(bitmap.isNull());
    CBitmapStatic picture(c.id);
    const QImage img = Render(picture, c.w, c.h);
    for (int y = 0; y < c.h; ++y) {
        for (int x = 0; x < c.w; ++x) {
            const QColor expected = x < bitmap.width() && y < bitmap.height()
                                        ? bitmap.pixelColor(x, y)
                                        : kUnpainted; // nothing else drawn
            ASSERT_EQ(img.pixelColor(x, y), expected) << x << "," << y;
        }
    }
}

const PlacementCase kPlacements[] = {
    {"logo_in_smaller_control", IDB_LOGO, 60, 10},
    {"logo_in_larger_control", IDB_LOGO, 140, 40},
    {"mark_in_exact_control", IDB_STANDARDS_LOGO, 77, 41},
    {"mark_in_narrow_tall_control", IDB_STANDARDS_LOGO, 30, 60},
    // Only the low 16 bits of the id pick the bitmap.
    {"id_with_high_bits", 0x10000 | IDB_LOGO, 103, 24},
};

INSTANTIATE_TEST_SUITE_P(Controls, BitmapPlacement, ::testing::ValuesIn(kPlacements),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BitmapStatic, UnknownIdDrawsNothing)
{
    CBitmapStatic picture(4711);
    const QImage img = Render(picture, 50, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(img.pixelColor(x, y), kUnpainted);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&picture);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Graphic);
}

} // namespace
