// Text fields drawn into an image: border lines, field fill, text position
// and clipping, raised versus sunken, font precedence and SetText repaints.
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

// Bounding box of the dark pixels: the black text, smoothed edges included,
// but neither the grey border nor the white field.
QRect InkBox(const QImage& img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 100)
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

// A fixed-pitch font, so text widths are predictable; positions are checked
// against the same font metrics the control measures with.
QFont TestFont(int pixelSize)
{
    QFont f(QStringLiteral("Liberation Mono"));
    f.setPixelSize(pixelSize);
    return f;
}

// Where the ink of `text` lies inside its own text box (origin at the box's
// top-left corner), learnt by drawing it unclipped.
QRect InkInTextBox(const QFont& font, const QString& text)
{
    QImage free(400, 100, QImage::Format_RGB32);
    free.fill(Qt::white);
    QPainter p(&free);
    p.setFont(font);
    p.setPen(ToQColor(kInk));
    p.drawText(0, QFontMetrics(font).ascent(), text);
    p.end();
    return InkBox(free);
}

TEST(TextFieldBorder, SunkenAndRaisedLines)
{
    struct Case {
        const char* name;
        bool raised;
    } cases[] = {{"sunken", false}, {"raised", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTextStatic field(kField, kInk, kTopLeft, kBottomRight, 1, nullptr, nullptr);
        if (c.raised)
            std::swap(field.m_crTopLeft, field.m_crBottomRight);
        const QColor tl = ToQColor(c.raised ? kBottomRight : kTopLeft);
        const QColor br = ToQColor(c.raised ? kTopLeft : kBottomRight);
        const QImage img = Render(field, 100, 20);
        for (int y = 4; y <= 15; ++y) {
            EXPECT_EQ(img.pixelColor(2, y), tl) << "left x=2 y=" << y;
            EXPECT_EQ(img.pixelColor(98, y), br) << "right x=98 y=" << y;
        }
        for (int x = 4; x <= 95; ++x) {
            EXPECT_EQ(img.pixelColor(x, 2), tl) << "top y=2 x=" << x;
            EXPECT_EQ(img.pixelColor(x, 18), br) << "bottom y=18 x=" << x;
        }
        // Field (3, 3, 97, 17) filled, nothing of the lines inside it.
        for (int y = 3; y < 17; ++y)
            for (int x = 3; x < 97; ++x)
                ASSERT_EQ(img.pixelColor(x, y), ToQColor(kField)) << x << "," << y;
        // The outer pixel ring is never drawn.
        EXPECT_EQ(img.pixelColor(0, 10), kUnpainted);
        EXPECT_EQ(img.pixelColor(50, 0), kUnpainted);
        EXPECT_EQ(img.pixelColor(99, 10), kUnpainted);
        EXPECT_EQ(img.pixelColor(50, 19), kUnpainted);
    }
}

TEST(TextFieldBorder, NoBorderDrawsNoLinesAndNoFill)
{
    CTextStatic field(kField, kInk, kTopLeft, kBottomRight, 0, nullptr, nullptr);
    const QImage img = Render(field, 100, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(img.pixelColor(x, y), kUnpainted) << x << "," << y;
}

struct PlaceCase {
    const char* name;
    int pixelSize;
    QString text;
    bool clippedLeft;   // wider than the field: starts at x = 0, clipped at 2
    bool clippedTop;    // as tall as the field or taller: starts at y = 0
};

class TextPlacement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(TextPlacement, CentredOrAtTheOriginAndClipped)
{
    const PlaceCase& c = GetParam();
    const QFont font = TestFont(c.pixelSize);
    const QFontMetrics fm(font);
    CTextStatic field(kField, kInk, kTopLeft, kBottomRight, 1, &font, nullptr);
    field.SetText(c.text);
    const QImage img = Render(field, 100, 20);
    const QRect ink = InkBox(img);
    ASSERT_FALSE(ink.isNull());
    // Never outside the rectangle shrunk by 2.
    EXPECT_GE(ink.left(), 2);
    EXPECT_GE(ink.top(), 2);
    EXPECT_LE(ink.right(), 97);
    EXPECT_LE(ink.bottom(), 17);

    const QRect freeInk = InkInTextBox(font, c.text);
    const int cx = fm.horizontalAdvance(c.text);
    const int cy = fm.height();
    const int expectX = c.clippedLeft ? 0 : 2 + (96 - cx) / 2;
    const int expectY = c.clippedTop ? 0 : 2 + (16 - cy) / 2;
    if (!c.clippedLeft)
        EXPECT_EQ(ink.left(), expectX + freeInk.left());
    else
        EXPECT_EQ(ink.left(), 2); // its first columns fell to the clipping
    if (!c.clippedTop)
        EXPECT_EQ(ink.top(), expectY + freeInk.top());
    else
        EXPECT_EQ(ink.top(), std::max(2, expectY + freeInk.top()));
}

const PlaceCase kPlaces[] = {
    {"centred", 10, QStringLiteral("ABCD"), false, false},
    {"too_wide", 10, QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWW"), true, false},
    {"too_tall", 18, QStringLiteral("H"), false, true},
};

INSTANTIATE_TEST_SUITE_P(Texts, TextPlacement, ::testing::ValuesIn(kPlaces),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextPlacementExact, FortyByTwelveTextStartsAtThirtyFour)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    const QString text = QStringLiteral("HHHHH");
    const QFontMetrics fm(font);
    ASSERT_EQ(fm.horizontalAdvance(text), 40) << "font metrics differ from the installed Liberation fonts";
    ASSERT_EQ(fm.height(), 12);
    CTextStatic field(kField, kInk, kTopLeft, kBottomRight, 1, &font, nullptr);
    field.SetText(text);
    const QRect ink = InkBox(Render(field, 100, 20));
    const QRect inBox = InkInTextBox(font, text);
    EXPECT_EQ(ink.topLeft(), QPoint(30, 4) + inBox.topLeft());
    EXPECT_EQ(ink.size(), inBox.size());
}

TEST(TextFieldFont, OwnFontWinsOverFontWindow)
{
    QWidget window;
    QFont big = TestFont(15);
    window.setFont(big);
    const QFont small = TestFont(8);
    const QString text = QStringLiteral("MMMM");

    CTextStatic viaWindow(kField, kInk, kTopLeft, kBottomRight, 1, nullptr, &window);
    viaWindow.SetText(text);
    CTextStatic both(kField, kInk, kTopLeft, kBottomRight, 1, &small, &window);
    both.SetText(text);
    CTextStatic neither(kField, kInk, kTopLeft, kBottomRight, 1, nullptr, nullptr);
    neither.setFont(big); // the widget's own font plays no part
    neither.SetText(text);

    const int wWindow = InkBox(Render(viaWindow, 200, 30)).width();
    const int wBoth = InkBox(Render(both, 200, 30)).width();
    const int wNeither = InkBox(Render(neither, 200, 30)).width();
    EXPECT_NEAR(wWindow, QFontMetrics(big).horizontalAdvance(text), 4);
    EXPECT_NEAR(wBoth, QFontMetrics(small).horizontalAdvance(text), 4);
    EXPECT_NEAR(wNeither, QFontMetrics(CTextStatic::SystemFont()).horizontalAdvance(text), 4);
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
    for (const QString& t : {QStringLiteral("0"), QStringLiteral("0"), QString()}) {
        const int before = field->PaintCount();
        field->SetText(t);
        EXPECT_EQ(field->PaintCount(), before + 1) << t.toStdString();
        EXPECT_EQ(field->Text(), t);
    }
    // Empty text still gets its border and field.
    const QImage img = Render(*field, 100, 20);
    EXPECT_EQ(img.pixelColor(2, 10), ToQColor(kTopLeft));
    EXPECT_EQ(img.pixelColor(50, 10), ToQColor(kField));
}

TEST(TextFieldText, AccessibleNameIsTheText)
{
    CTextStatic field(kField, kInk, kTopLeft, kBottomRight, 1, nullptr, nullptr);
    field.SetText(QStringLiteral("1000000"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&field);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::StaticText);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("1000000"));
    field.SetText(QStringLiteral("None"));
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("None"));
}

} // namespace
