// The Main Panel on the simulated instrument: what it shows, and what it
// asks of the driver when the operator types, checked against the trace.
#include "app/main_frame.h"
#include "common/test_support.h"
#include "controls/led_button.h"
#include "controls/transfer_edit.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "resources/resource_ids.h"
#include "sim_env.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct LivePanel {
    LivePanel() : app(StartApp()) { frame = app->MainFrame(); }
    CPan1Dlg* Dialog() const
    {
        return static_cast<CPan1Dlg*>(app->m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
    }
    SimEnv sim;
    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
};

TEST(MainPanelLive, ShowsTheSlotTheResourceAndTheGreenLamp)
{
    LivePanel p;
    EXPECT_TRUE(p.recorder.messages.isEmpty());
    CPan1Dlg* d = p.Dialog();
    EXPECT_FALSE(d->SlotBox().isHidden());
    EXPECT_EQ(d->SlotBox().Text(), QStringLiteral("5"));
    EXPECT_EQ(d->ResourceBox().Text(), QStringLiteral("VXI0::24"));
    EXPECT_EQ(d->ActiveLamp()->LampColor(), RGB(0, 255, 0));
}

TEST(MainPanelLive, TypedCharactersTravelThroughTheDriverAndComeBackOnTheirChannel)
{
    LivePanel p;
    QTest::mouseClick(p.Dialog()->StartStopButton(), Qt::LeftButton);
    ASSERT_TRUE(p.recorder.messages.isEmpty()) << p.recorder.messages.join('|').toStdString();

    const auto configs = p.sim.Calls("tsx4410_setProperty");
    ASSERT_EQ(configs.size(), 4u);
    for (int ch = 1; ch <= 4; ++ch) {
        EXPECT_EQ(configs[static_cast<std::size_t>(ch - 1)].Number("channel"), ch);
        EXPECT_EQ(configs[static_cast<std::size_t>(ch - 1)]["record"].rfind("[0,", 0), 0u)
            << "mode NORMAL is word 0";
    }
    EXPECT_NE(configs[0]["record"].find(",9600,9600,1,4,8,7,"), std::string::npos) << configs[0]["record"];

    CChannel* ch2 = p.Dialog()->Channel(2);
    QTest::keyClicks(ch2->TransBox(), "hi");
    p.frame->DispatchTimer();
    const auto writes = p.sim.Calls("tsx4410_write");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].Number("channel"), 2);
    EXPECT_EQ(writes[0]["bytes"], "hi");
    EXPECT_EQ(ch2->TxLamp()->State(), 0);

    p.frame->DispatchTimer();
    EXPECT_EQ(ch2->RecvBox()->text(), QStringLiteral("hi"));
    EXPECT_EQ(ch2->RxLamp()->State(), 0);
    const auto reads = p.sim.Calls("tsx4410_read");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].Number("channel"), 2);
    EXPECT_EQ(reads[0].Number("count"), 2);

    QTest::mouseClick(p.Dialog()->StartStopButton(), Qt::LeftButton);
    EXPECT_EQ(p.sim.Calls("tsx4410_closeChannel").size(), 4u);
    p.frame->OnStatusPanel();
    EXPECT_EQ(p.sim.Calls("tsx4410_closeChannel").size(), 8u) << "each opened channel is closed again";
}

} // namespace
