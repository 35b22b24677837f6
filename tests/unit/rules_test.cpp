// Pure rules: the command-line scan, lamp geometry, main window placement, dialog units to pixels.
#include "app/command_line.h"
#include "app/main_frame.h"
#include "controls/led_geometry.h"
#include "platform/dialog_template.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, OptionsAreFoundAnywhereInTheLowerCasedLine)
{
    const struct { const char *tail, *labelFile; int dFlag; } rows[] = {
        {"", "tsx4410.lbl", 0},          {"-L MyPanel.LBL", "mypanel.lbl", 0}, {"-lfoo.lbl", "foo.lbl", 0},
        {"-l   foo.lbl  b", "foo.lbl", 0}, {"x -l", "", 0},                   {"-l b.lbl /l a.lbl", "a.lbl", 0},
        {"-l\tfoo.lbl", "\tfoo.lbl", 0}, {"-display :0", "tsx4410.lbl", 1},  {"/D", "tsx4410.lbl", 1},
        {"c:/lib/x.lbl", "ib/x.lbl", 0}, {"-d -l name", "name", 1}};
    for (const auto& row : rows) {
        const CommandLineOptions options = ScanCommandLine(QString::fromLatin1(row.tail));
        EXPECT_EQ(options.labelFile + QString::number(options.dFlag), row.labelFile + QString::number(row.dFlag));
    }
    EXPECT_EQ(CommandLineTail({"prog"}), QString());
    EXPECT_EQ(CommandLineTail({"prog", "-l", "a b.lbl", "-n"}), "-l a b.lbl -n");
}

TEST(Geometry, LampPartsSitWhereTheLampIsDrawn)
{
    const struct { LedRect item; double f; LedRect sq; int d, r; LedPoint a, b; int k; LedRect lamp; } rows[] = {
        {{0, 0, 12, 12}, kLedInsetPlain, {0, 0, 12, 12}, 12, 6, {1, 10}, {10, 1}, 2, {2, 2, 10, 10}},
        {{0, 0, 12, 12}, kLedInsetState, {0, 0, 12, 12}, 12, 6, {1, 10}, {10, 1}, 1, {1, 1, 11, 11}},
        {{0, 0, 18, 20}, kLedInsetPlain, {0, 1, 18, 19}, 18, 9, {2, 16}, {15, 3}, 3, {3, 4, 15, 16}},
        {{0, 0, 18, 20}, kLedInsetState, {0, 1, 18, 19}, 18, 9, {2, 16}, {15, 3}, 1, {1, 2, 17, 18}},
        // Odd: the radius is the integer half. Wide: odd slack rounds left. Empty or inverted: an empty lamp.
        {{0, 0, 13, 13}, kLedInsetPlain, {0, 0, 13, 13}, 13, 6, {1, 10}, {10, 1}, 2, {2, 2, 11, 11}},
        {{10, 5, 25, 16}, kLedInsetPlain, {12, 5, 23, 16}, 11, 5, {13, 13}, {20, 6}, 2, {14, 7, 21, 14}},
        {{4, 4, 4, 4}, kLedInsetState, {4, 4, 4, 4}, 0, 0, {4, 4}, {4, 4}, 0, {4, 4, 4, 4}},
        {{10, 10, 2, 3}, kLedInsetPlain, {10, 10, 10, 10}, 0, 0, {10, 10}, {10, 10}, 0, {10, 10, 10, 10}}};
    for (const auto& c : rows) {
        const LedGeometry g = ComputeLedGeometry(c.item, c.f);
        EXPECT_TRUE(g.square == c.sq && g.diameter == c.d && g.radius == c.r && g.arcStart == c.a &&
                    g.arcEnd == c.b && g.inset == c.k && g.lamp == c.lamp) << c.item.right << "x" << c.item.bottom;
    }
}

TEST(Geometry, MainWindowIsCentredAndDialogUnitsRoundHalfAwayFromZero)
{
    EXPECT_EQ(CenteredOrigin(QSize(1025, 769), QSize(402, 404)), QPoint(311, 182));
    EXPECT_EQ(CenteredOrigin(QSize(300, 300), QSize(402, 404)), QPoint(-51, -52));
    EXPECT_EQ(FittedOuterSize(QSize(402, 404), QSize(394, 358), QSize(455, 401)), QSize(463, 447));
    EXPECT_EQ((std::vector<int>{MulDiv(7, 7, 4), MulDiv(3, 6, 4), MulDiv(-3, 6, 4), MulDiv(1, 1, 0)}),
              (std::vector<int>{12, 5, -5, -1}));
    // Edges are mapped one by one, so neighbours never overlap.
    const DialogBaseUnits base{7, 16};
    EXPECT_EQ(MapDialogRect(base, 4, 8, 37, 8), QRect(7, 16, 65, 16));
    EXPECT_EQ(MapDialogRect(base, 41, 8, 37, 8).x(), 72);
    EXPECT_EQ(MapDialogRect(base, 0, 0, 260, 214).size(), QSize(455, 428));
}

} // namespace
