#include "app/main_frame.h"
#include "platform/dialog_template.h"

#include <gtest/gtest.h>

namespace {

TEST(MainWindowPlacement, CentresTheProvisionalWindowWithTruncatingDivision)
{
    EXPECT_EQ(CenteredOrigin(QSize(1024, 768), QSize(402, 404)), QPoint(311, 182));
    EXPECT_EQ(CenteredOrigin(QSize(1025, 769), QSize(402, 404)), QPoint(311, 182));
    EXPECT_EQ(CenteredOrigin(QSize(300, 300), QSize(402, 404)), QPoint(-51, -52));
}

TEST(MainWindowPlacement, FittingKeepsTheNonClientPartAndTakesTheDialogSize)
{
    EXPECT_EQ(FittedOuterSize(QSize(402, 404), QSize(394, 358), QSize(455, 401)), QSize(463, 447));
}

TEST(DialogUnits, RoundLikeThePlatformMulDiv)
{
    EXPECT_EQ(MulDiv(7, 7, 4), 12);   // 12.25
    EXPECT_EQ(MulDiv(3, 6, 4), 5);    // 4.5 rounds away from zero
    EXPECT_EQ(MulDiv(-3, 6, 4), -5);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(DialogUnits, MapEdgesSeparatelySoNeighboursNeverOverlap)
{
    const DialogBaseUnits base{7, 16};
    const QRect a = MapDialogRect(base, 4, 8, 37, 8);
    const QRect b = MapDialogRect(base, 41, 8, 37, 8);
    EXPECT_EQ(a.x() + a.width(), b.x());
    EXPECT_EQ(a, QRect(7, 16, 65, 16));
    EXPECT_EQ(MapDialogRect(base, 0, 0, 260, 214).size(), QSize(455, 428));
}

} // namespace
