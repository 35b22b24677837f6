// Text fields drawn into an image: border lines, field fill, where the text
// lands and how it is clipped, raised versus sunken, font precedence, and
// SetText repainting at once.
#include "controls/text_static.h"
#include "platform/colors.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

constexpr COLORREF kField = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr COLORREF kTopLeft = RGB(128, 128, 128);
constexpr COLORREF kBottomRight = RGB(250, 250, 250);
const QColor kUnpainted(Qt::magenta);

QImage Render(QWidget& w, int width, int height)
{
    w.resize(width, height);
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(kUnpainted);
    w.render(&img, QPoint(), QRegion(), QWidget::RenderFlags()); // no window background
    return img;
}

QFont Font(const char* family, int pixelSize)
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixelSize);
    return f;
}

TEST(TextFieldBorder, SunkenAndRaisedLinesAroundTheFill)
{
    for (const bool raised : {false, true}) {
        SCOPED_TRACE(raised ? "raised" : "sunken");
        CTextStatic field(kField, kInk, kTopLeft, kBottomRight, 1, nullptr, nullptr);
        if (raised)
            std::swap(field.m_crTopLeft, field.m_crBottomRight);
        const QColor tl = ToQColor(raised ? kBottomRight : kTopLeft);
        const QColor br = ToQColor(raised ? kTopLeft : kBottomRight);
        const QImage img = Render(field, 100, 20);
        for (int y = 4; y <= 15; ++y) {
            EXPECT_EQ(img.pixelColor(2, y), tl) << "x=2 y=" << y;
            EXPECT_EQ(img.pixelColor(98, y), br) << "x=98 y=" << y;
        }
        for (int x = 4; x <= 95; ++x) {
            EXPECT_EQ(img.pixelColor(x, 2), tl) << "y=2 x=" << x;
            EXPECT_EQ(img.pixelColor(x, 18), br) << "y=18 x=" << x;
        }
        // The field (3, 3, 97, 17) is filled and nothing else lies inside it.
        for (int y = 3; y < 17; ++y)
            for (int x = 3; x < 97; ++x)
                ASSERT_EQ(img.pixelColor(x, y), ToQColor(kField)) << x << "," << y;
        // The control's outermost ring is left alone.
        for (const QPoint p : {QPoint(0, 10), QPoint(50, 0), QPoint(99, 10), QPoint(50, 19)})
            EXPECT_EQ(img.pixelColor(p), kUnpainted) << p.x() << "," << p.y();
    }
}

TEST(TextFieldBorder, WithoutBorderNothingButTheText)
{
    CTextStatic field(kField, kInk, kTopLeft, kBottomRight, 0, nullptr, nullptr);
    const QImage img = Render(field, 100, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(img.pixelColor(x, y), kUnpainted) << x << "," << y;
}

struct PlaceCase {
    const char* name;
    const char* family;
    int pixelSize;
    const char* text;
    int cx, cy; // the text's extent in that font
    int x, y;   // where its box must start
};

// In the 100 x 20 field the text is clipped to (2, 2, 98, 18). Text that does
// not fit one way starts at the client origin's 0, not at the clip's 2.
const PlaceCase kPlaces[] = {
    {"centred", "Liberation Sans", 11, "HHHHH", 40, 12, 30, 4},
    {"too_wide", "Liberation Mono", 10, "WWWWWWWWWWWWWWWWWWWWWWWW", 144, 11, 0, 4},
    {"as_tall_as_the_field", "Liberation Sans", 14, "HH", 20, 16, 40, 0},
    {"taller_than_the_field", "Liberation Sans", 20, "H", 14, 22, 43, 0},
};

class TextPlacement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(TextPlacement, MatchesTheTextDrawnAtItsPlaceAndClipped)
{
    const PlaceCase& c = GetParam();
    const QFont font = Font(c.family, c.pixelSize);
    const QFontMetrics fm(font);
    ASSERT_EQ(fm.horizontalAdvance(QString::fromLatin1(c.text)), c.cx) << "fonts differ from the Liberation fonts";
    ASSERT_EQ(fm.height(), c.cy);

    CTextStatic field(kField, kInk, kTopLeft, kBottomRight, 1, &font, nullptr);
    field.SetText(QString::fromLatin1(c.text));
    const QImage img = Render(field, 100, 20);

    QImage expected(100, 20, QImage::Format_RGB32);
    expected.fill(ToQColor(kField));
    QPainter p(&expected);
    p.setFont(font);
    p.setPen(ToQColor(kInk));
    p.setClipRect(QRect(2, 2, 96, 16));
    p.drawText(c.x, c.y + fm.ascent(), QString::fromLatin1(c.text));
    p.end();
    // Smoothed glyph edges may differ by a shade; a misplaced text differs
    // by far more.
    for (int y = 3; y < 17; ++y)
        for (int x = 3; x < 97; ++x)
            ASSERT_LE(std::abs(qGray(img.pixel(x, y)) - qGray(expected.pixel(x, y))), 8) << x << "," << y;
    // Nothing of the text outside the clip rectangle.
    for (int x = 0; x < 100; ++x) {
        EXPECT_NE(img.pixelColor(x, 1), ToQColor(kInk)) << x;
        EXPECT_NE(img.pixelColor(x, 18), ToQColor(kInk)) << x;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, TextPlacement, ::testing::ValuesIn(kPlaces),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextFieldFont, OwnFontThenFontWindowThenSystemFont)
{
    QWidget window;
    window.setFont(Font("Liberation Mono", 15));
    const QFont own = Font("Liberation Mono", 8);
    const QString text = QStringLiteral("MMMMMMMM");
    auto inkWidth = [&](const QFont* font, QWidget* fontWindow) {
        CTextStatic field(kField, kInk, kTopLeft, kBottomRight, 1, font, fontWindow);
        field.setFont(Font("Liberation Mono", 20)); // the control's own widget font plays no part
        field.SetText(text);
        const QImage img = Render(field, 200, 30);
        int left = 200, right = -1;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 200; ++x)
                if (qGray(img.pixel(x, y)) < 100) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        return right - left + 1;
    };
    EXPECT_NEAR(inkWidth(&own, &window), QFontMetrics(own).horizontalAdvance(text), 3);
    EXPECT_NEAR(inkWidth(nullptr, &window), QFontMetrics(window.font()).horizontalAdvance(text), 3);
    EXPECT_NEAR(inkWidth(nullptr, nullptr), QFontMetrics(CTextStatic::SystemFont()).horizontalAdvance(text), 3);
}

TEST(TextFieldText, SetTextRepaintsAtOnceEvenWhenUnchanged)
{
    QWidget parent;
    parent.resize(120, 40);
    auto* field = new CTextStatic(kField, kInk, kTopLeft, kBottomRight, 1, nullptr, &parent);
    field->setParent(&parent);
    field->setGeometry(0, 0, 100, 20);
    parent.show();
    QApplication::processEvents();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(field);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::StaticText);
    for (const QString& t : {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("None"), QString()}) {
        const int before = field->PaintCount();
        field->SetText(t);
        EXPECT_EQ(field->PaintCount(), before + 1) << t.toStdString();
        EXPECT_EQ(field->Text(), t);
        EXPECT_EQ(iface->text(QAccessible::Name), t);
    }
    // Empty text still gets its border and field.
    const QImage img = Render(*field, 100, 20);
    EXPECT_EQ(img.pixelColor(2, 10), ToQColor(kTopLeft));
    EXPECT_EQ(img.pixelColor(50, 10), ToQColor(kField));
}

} // namespace
