// Lamps drawn into an image: the pixels that give a lamp its look (background
// corners, lit upper-left rim, shadowed lower-right rim, the lamp disc's
// extent) and the repaint rules of SetState.
#include "controls/led_button.h"
#include "platform/colors.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr COLORREF kLamp = RGB(0, 255, 0);
constexpr COLORREF kBackground = RGB(10, 20, 30);

void ShowAndSettle(QWidget& w)
{
    w.show();
    QApplication::processEvents();
}

QImage Render(QWidget& w, int width, int height)
{
    w.resize(width, height);
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    w.render(&img, QPoint(), QRegion(), QWidget::RenderFlags()); // no window background
    return img;
}

class LedPixels : public ::testing::Test {
protected:
    void SetUp() override { ApplyDialogColors(); }
    QColor face() const { return ToQColor(SysColorButtonFace()); }
    QColor shadow() const { return ToQColor(SysColorButtonShadow()); }
    QColor highlight() const { return ToQColor(SysColorButtonHighlight()); }
};

// The colour of the rim pixel (highlight or shadow coloured) whose centre
// lies nearest the direction `deg` (counter-clockwise from 3 o'clock) as
// seen from the rim square's centre.
QColor RimAt(const QImage& img, double cx, double cy, double deg, const QColor& a, const QColor& b)
{
    QColor best;
    double bestOff = 360.0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c != a && c != b)
                continue;
            const double at = std::atan2(cy - (y + 0.5), x + 0.5 - cx) * 180.0 / M_PI;
            double off = std::fabs(std::remainder(at - deg, 360.0));
            if (off < bestOff) {
                bestOff = off;
                best = c;
            }
        }
    }
    return best;
}

struct LampCase {
    const char* name;
    bool state;          // CStateLedButton (f = 0.1) or CLedButton (f = 0.2)
    int w, h;
    int rimLeft, rimTop, rimRight, rimBottom; // rim square, right/bottom exclusive
    int lampLeft, lampRight;                  // lamp disc bounds along its middle row
};

const LampCase kLamps[] = {
    {"plain12", false, 12, 12, 0, 0, 12, 12, 2, 10},
    {"state12", true, 12, 12, 0, 0, 12, 12, 1, 11},
    {"plain18x20", false, 18, 20, 0, 1, 18, 19, 3, 15},
    {"state18x20", true, 18, 20, 0, 1, 18, 19, 1, 17},
    {"plain13", false, 13, 13, 0, 0, 13, 13, 2, 11},
    {"state13", true, 13, 13, 0, 0, 13, 13, 1, 12},
};

class LampDrawing : public LedPixels, public ::testing::WithParamInterface<LampCase> {};

TEST_P(LampDrawing, DiscRimAndShadow)
{
    const LampCase& c = GetParam();
    std::unique_ptr<CLedButton> lamp;
    if (c.state) // a new state lamp is dark: its dark colour is the lamp colour
        lamp = std::make_unique<CStateLedButton>(RGB(1, 2, 3), RGB(4, 5, 6), kLamp, kBackground);
    else
        lamp = std::make_unique<CLedButton>(kLamp, kBackground);
    const QImage img = Render(*lamp, c.w, c.h);

    // The whole rectangle is painted: corners are background.
    for (const QPoint p : {QPoint(0, 0), QPoint(c.w - 1, 0), QPoint(0, c.h - 1), QPoint(c.w - 1, c.h - 1)})
        EXPECT_EQ(img.pixelColor(p.x(), p.y()), ToQColor(kBackground)) << p.x() << "," << p.y();
    // Outside a taller rectangle's square only background remains.
    if (c.rimTop > 0) {
        EXPECT_EQ(img.pixelColor(c.w / 2, c.rimTop - 1), ToQColor(kBackground));
    }

    // Along the middle row: the lamp colour exactly inside the disc's
    // face-coloured outline, which sits on the disc's bounds.
    const int midY = (c.rimTop + c.rimBottom) / 2;
    EXPECT_EQ(img.pixelColor(c.lampLeft, midY), face());
    EXPECT_EQ(img.pixelColor(c.lampRight - 1, midY), face());
    for (int x = c.lampLeft + 1; x < c.lampRight - 1; ++x)
        EXPECT_EQ(img.pixelColor(x, midY), ToQColor(kLamp)) << "x=" << x;

    // The rim: lit above and to the left, shadowed below and to the right,
    // switching near the 45-degree points.
    const double cx = (c.rimLeft + c.rimRight) / 2.0;
    const double cy = (c.rimTop + c.rimBottom) / 2.0;
    for (double deg : {75.0, 90.0, 135.0, 180.0, 195.0})
        EXPECT_EQ(RimAt(img, cx, cy, deg, highlight(), shadow()), highlight()) << deg << " degrees";
    for (double deg : {245.0, 270.0, 315.0, 0.0, 25.0})
        EXPECT_EQ(RimAt(img, cx, cy, deg, highlight(), shadow()), shadow()) << deg << " degrees";
    EXPECT_EQ(img.pixelColor(c.rimLeft, midY), highlight());
    EXPECT_EQ(img.pixelColor(c.rimRight - 1, midY), shadow());
}

INSTANTIATE_TEST_SUITE_P(Rects, LampDrawing, ::testing::ValuesIn(kLamps),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LedPixels, PressedFocusedOrDisabledLampLooksTheSame)
{
    CLedButton lamp(kLamp, kBackground);
    const QImage plain = Render(lamp, 12, 12);
    lamp.setDown(true);
    EXPECT_EQ(Render(lamp, 12, 12), plain);
    lamp.setDown(false);
    lamp.setEnabled(false);
    EXPECT_EQ(Render(lamp, 12, 12), plain);
}

struct StateCase {
    const char* name;
    std::vector<int> calls;
    int paints;       // repaints caused by the calls
    int finalState;
    COLORREF finalColor;
};

constexpr COLORREF kLit = RGB(0, 255, 0);
constexpr COLORREF kDim = RGB(0, 192, 0);
constexpr COLORREF kDark = RGB(0, 128, 0);

const StateCase kStates[] = {
    {"dark_again_no_repaint", {1}, 0, 1, kDark},
    {"lit_twice_repaints_once", {0, 0}, 1, 0, kLit},
    {"dim", {2}, 1, 2, kDim},
    {"out_of_range_repaints_keeps_state", {5}, 1, 1, kDark},
    {"negative_repaints_keeps_state", {-1}, 1, 1, kDark},
    {"out_of_range_every_time", {7, 7}, 2, 1, kDark},
    {"lit_dim_dark", {0, 2, 1, 1}, 3, 1, kDark},
};

class StateChanges : public ::testing::TestWithParam<StateCase> {};

TEST_P(StateChanges, RepaintOnlyWhenTheValueDiffers)
{
    const StateCase& c = GetParam();
    QWidget parent;
    parent.resize(40, 40);
    auto* lamp = new CStateLedButton(kLit, kDim, kDark, kBackground);
    lamp->setParent(&parent);
    lamp->setGeometry(4, 4, 12, 12);
    ShowAndSettle(parent);
    ASSERT_EQ(lamp->State(), 1);
    ASSERT_EQ(lamp->LampColor(), kDark);

    const int before = lamp->PaintCount();
    for (int s : c.calls)
        lamp->SetState(s);
    // Counted before any event processing: the repaint happened inside SetState.
    EXPECT_EQ(lamp->PaintCount() - before, c.paints);
    EXPECT_EQ(lamp->State(), c.finalState);
    EXPECT_EQ(lamp->LampColor(), c.finalColor);
}

INSTANTIATE_TEST_SUITE_P(Calls, StateChanges, ::testing::ValuesIn(kStates),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LampBehaviour, NeverTakesTheFocusFromAClick)
{
    // Whatever focus policy the template button handed over on attaching,
    // a shown lamp no longer accepts the focus from the mouse.
    for (const Qt::FocusPolicy handedOver : {Qt::ClickFocus, Qt::StrongFocus, Qt::WheelFocus}) {
        QWidget parent;
        auto* lamp = new CStateLedButton(kLit, kDim, kDark, kBackground);
        lamp->setParent(&parent);
        lamp->setFocusPolicy(handedOver);
        ShowAndSettle(parent);
        EXPECT_FALSE(lamp->focusPolicy() & Qt::ClickFocus) << handedOver;
    }
}

TEST(LampBehaviour, AccessibleStateAndName)
{
    CStateLedButton lamp(kLit, kDim, kDark, kBackground);
    lamp.setAccessibleName(QStringLiteral("Channel 2 Rx"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&lamp);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Indicator);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Channel 2 Rx"));
    const std::pair<int, const char*> steps[] = {{1, "dark"}, {0, "lit"}, {2, "dim"}, {9, "dim"}};
    for (const auto& [state, word] : steps) {
        lamp.SetState(state);
        EXPECT_EQ(iface->text(QAccessible::Description), QString::fromLatin1(word)) << state;
    }
}

} // namespace
