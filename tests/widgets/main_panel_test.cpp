// The Main Panel and its four channels on a loopback access object: the
// layout read-outs, the road of a typed character, start and stop, leaving
// the panel, and every failure road of the channel poll.
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "common/test_support.h"
#include "controls/led_button.h"
#include "controls/transfer_edit.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "panels/setting_panel.h"
#include "resources/resource_ids.h"
#include "platform/wait_cursor.h"
#include "scripted_driver.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kLit = 0, kDark = 1, kDim = 2;

class MainPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = StartApp();
        frame = app->MainFrame();
        recorder.messages.clear();
    }

    // Puts a scripted access object in place and rebuilds the panel on it.
    ScriptedDriver* Script()
    {
        auto* driver = new ScriptedDriver;
        delete app->m_pDriver;
        app->m_pDriver = driver;
        frame->OnMainPanel();
        return driver;
    }

    CPan1Dlg* Dialog() const
    {
        return static_cast<CPan1Dlg*>(app->m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
    }
    CChannel* Ch(int n) const { return Dialog()->Channel(n); }
    QString Label(int id) const { return Dialog()->Item<QLabel>(id)->text(); }
    void Click() { QTest::mouseClick(Dialog()->StartStopButton(), Qt::LeftButton); }
    void Tick() { frame->DispatchTimer(); }
    std::vector<int> Lamps(int n) const
    {
        return {Ch(n)->RxLamp()->State(), Ch(n)->TxLamp()->State(), Ch(n)->ErrLamp()->State()};
    }

    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
};

TEST_F(MainPanel, NonLiveShowsTheDarkLampNoSlotAndTheUnknownResource)
{
    CPan1Dlg* d = Dialog();
    EXPECT_EQ(d->ActiveLamp()->LampColor(), RGB(64, 64, 64));
    EXPECT_TRUE(d->SlotBox().isHidden());
    EXPECT_TRUE(d->GetDlgItem(IDC_SLOT_LABEL)->isHidden());
    EXPECT_EQ(d->ResourceBox().Text(), QStringLiteral("?"));
    EXPECT_EQ(d->Banner().m_crTopLeft, GetPanelColor(3)) << "the banner is raised";
    EXPECT_EQ(d->ResourceBox().m_crTopLeft, GetPanelColor(2)) << "read-outs are sunken";
    EXPECT_EQ(d->StartStopButton()->text(), QStringLiteral("Start Test"));
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(Lamps(n), (std::vector<int>{kDark, kDark, kDark}));
        EXPECT_FALSE(Ch(n)->TransBox()->isEnabled());
        EXPECT_FALSE(Ch(n)->RecvBox()->isEnabled());
    }
    EXPECT_EQ(Ch(2)->RxLamp()->accessibleName(), QStringLiteral("Channel 2 Rx"));
    EXPECT_EQ(Ch(2)->RecvBox()->accessibleName(), QStringLiteral("Channel 2 Recv"));
}

TEST_F(MainPanel, LabelsShowTheStoredSettingsWhenThePanelIsBuilt)
{
    EXPECT_EQ(Label(IDC_BAUD_LABEL + 1), QStringLiteral("Baud:9600"));
    EXPECT_EQ(Label(IDC_FLOW_LABEL + 1), QStringLiteral("Flow Ctl: None"));
    EXPECT_EQ(Label(IDC_DATA_LABEL + 1), QStringLiteral("Data: 8"));
    EXPECT_EQ(Label(IDC_PARITY_LABEL + 1), QStringLiteral("Parity: Enable  None"));

    auto* store = static_cast<CSettingObj*>(app->m_panels.FindByStringId(IDS_SETTING_PANEL));
    store->SetChannelSettings(2, "19.2k", "7", "Even", "2", "RTS/CTS", 0, "AUTO-ECHO");
    frame->OnMainPanel();
    EXPECT_EQ(Label(IDC_BAUD_LABEL + 2), QStringLiteral("Baud:19.2k"));
    EXPECT_EQ(Label(IDC_PARITY_LABEL + 2), QStringLiteral("Parity: Disable Even"));
    EXPECT_EQ(Label(IDC_FLOW_LABEL + 2), QStringLiteral("Flow Ctl: RTS/CTS"));
    EXPECT_EQ(Label(IDC_DATA_LABEL + 2), QStringLiteral("Data: 7"));
    EXPECT_EQ(Label(IDC_BAUD_LABEL + 1), QStringLiteral("Baud:9600"));
}

TEST_F(MainPanel, ATypedCharacterIsSentOnTheNextTickAndReceivedOnTheTickAfter)
{
    Click();
    EXPECT_EQ(Dialog()->StartStopButton()->text(), QStringLiteral("Stop!"));
    EXPECT_TRUE(frame->IsTimerRunning());
    ASSERT_TRUE(Ch(2)->TransBox()->isEnabled());
    QTest::keyClick(Ch(2)->TransBox(), Qt::Key_A);

    Tick();
    EXPECT_EQ(Lamps(2), (std::vector<int>{kDark, kLit, kDark}));
    EXPECT_EQ(Ch(2)->RecvBox()->text(), QString());
    EXPECT_EQ(Ch(1)->TxLamp()->State(), kDark);

    Tick();
    EXPECT_EQ(Lamps(2), (std::vector<int>{kLit, kDark, kDark}));
    EXPECT_EQ(Ch(2)->RecvBox()->text(), QStringLiteral("a"));
    EXPECT_EQ(Ch(2)->TransBox()->text(), QStringLiteral("a")) << "sent text stays on show";
    for (int n : {1, 3, 4})
        EXPECT_EQ(Ch(n)->RecvBox()->text(), QString());

    Click();
    EXPECT_EQ(Dialog()->StartStopButton()->text(), QStringLiteral("Start Test"));
    EXPECT_FALSE(frame->IsTimerRunning());
    EXPECT_EQ(Ch(2)->RecvBox()->text(), QStringLiteral("a"));
    EXPECT_FALSE(Ch(2)->TransBox()->isEnabled());
    EXPECT_TRUE(recorder.messages.isEmpty());
}

TEST_F(MainPanel, LeavingThePanelDuringATestStopsTheTicksAndReturningShowsItStopped)
{
    Click();
    QTest::keyClicks(Ch(1)->TransBox(), "xy");
    frame->OnStatusPanel();
    EXPECT_FALSE(frame->IsTimerRunning());
    EXPECT_EQ(frame->m_bInTimer, 0);
    auto* store = static_cast<CSettingObj*>(app->m_panels.FindByStringId(IDS_SETTING_PANEL));
    store->SetChannelSettings(0, "38.4k", "8", "Odd", "1", "None", 1, "NORMAL");
    frame->OnMainPanel();
    EXPECT_EQ(Dialog()->StartStopButton()->text(), QStringLiteral("Start Test"));
    EXPECT_EQ(Dialog()->IsRunning(), 0);
    EXPECT_EQ(Lamps(1), (std::vector<int>{kDark, kDark, kDark}));
    EXPECT_EQ(Label(IDC_BAUD_LABEL), QStringLiteral("Baud:38.4k"));
    EXPECT_EQ(Ch(1)->TransBox()->text(), QString());
}

TEST_F(MainPanel, StartSendsEachChannelsSettingsAsItsConfigurationRecord)
{
    auto* store = static_cast<CSettingObj*>(app->m_panels.FindByStringId(IDS_SETTING_PANEL));
    store->SetChannelSettings(1, "9600", "8", "None", "1", "Xon/Xoff", 1, "NORMAL");
    store->SetChannelSettings(2, "9600", "8", "None", "1", "RTS/CTS", 1, "NORMAL");
    store->SetChannelSettings(3, "38.4k", "5", "Force 1", "1.5", "DTR/DSR", 0, "REMOTE-LOOP");
    ScriptedDriver* driver = Script();
    Click();
    // word: 0 mode, 3/4 baud, 5 check, 6 parity, 7 data, 8 stop, 9/10 xon, 11 rts, 13 dtr, 18/19, 21, 22
    struct Row {
        int channel;
        std::vector<std::pair<int, int>> words;
    };
    const std::vector<Row> rows = {
        {1, {{0, 0}, {3, 9600}, {4, 9600}, {5, 1}, {6, 4}, {7, 8}, {8, 7}, {9, 0}, {10, 0}, {11, 0}, {13, 0}, {18, -1}, {19, -1}, {21, 5}, {22, 1}}},
        {2, {{9, 1}, {10, 1}, {11, 0}, {13, 0}}},
        {3, {{9, 0}, {10, 0}, {11, 3}, {13, 0}}},
        {4, {{0, 3}, {3, 38400}, {5, 0}, {6, 3}, {7, 5}, {8, 8}, {9, 0}, {11, 0}, {13, 3}}},
    };
    for (const Row& row : rows)
        for (const auto& [word, value] : row.words)
            EXPECT_EQ(RecordWord(driver->written[row.channel], word), value) << "channel " << row.channel << " word " << word;
}

TEST_F(MainPanel, AChannelThatFailsToOpenDimsItsLampsAndTheTestRunsOn)
{
    ScriptedDriver* driver = Script();
    driver->openResult = [](int ch) { return ch == 3 ? FALSE : TRUE; };
    Click();
    EXPECT_EQ(recorder.messages, QStringList{QStringLiteral("Error occurs when opening channel.")});
    EXPECT_EQ(Lamps(3), (std::vector<int>{kDim, kDim, kDim}));
    EXPECT_FALSE(Ch(3)->TransBox()->isEnabled());
    EXPECT_TRUE(Ch(4)->TransBox()->isEnabled());
    EXPECT_TRUE(frame->IsTimerRunning());
    Tick();
    EXPECT_EQ(Ch(3)->ErrLamp()->State(), kDim) << "Err stays dim until a read succeeds";
    Click();
    EXPECT_EQ(Lamps(3)[2], kDim) << "Stop leaves an unopened channel's lamps alone";
    EXPECT_TRUE(driver->calls.contains("close 3"));
}

TEST_F(MainPanel, AnOpenThatThrowsLeavesTheTestHalfStartedUntilTheNextClickStopsIt)
{
    ScriptedDriver* driver = Script();
    driver->failOpen = [](int ch) { return ch == 2; };
    Click();
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_EQ(Dialog()->IsRunning(), 1);
    EXPECT_EQ(Dialog()->StartStopButton()->text(), QStringLiteral("Start Test"));
    EXPECT_FALSE(frame->IsTimerRunning());
    EXPECT_FALSE(driver->calls.contains("open 3"));
    EXPECT_EQ(WaitCursorDepth(), 0);

    driver->calls.clear();
    Click();
    EXPECT_EQ(Dialog()->IsRunning(), 0);
    EXPECT_EQ(driver->calls, (QStringList{"close 1", "close 2", "close 3", "close 4"}));
}

TEST_F(MainPanel, AFailedByteCountEndsTheTickAndStallsThePollUntilStop)
{
    ScriptedDriver* driver = Script();
    Click();
    driver->failBytes = [](int ch) { return ch == 2; };
    driver->calls.clear();
    Tick();
    EXPECT_EQ(driver->calls, (QStringList{"bytes 1", "bytes 2"}));
    EXPECT_EQ(frame->m_bInTimer, 1);
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_EQ(Dialog()->StartStopButton()->text(), QStringLiteral("Stop!"));

    driver->failBytes = nullptr;
    driver->calls.clear();
    Tick();
    EXPECT_TRUE(driver->calls.isEmpty()) << "later ticks are dropped";
    Click();
    EXPECT_EQ(frame->m_bInTimer, 0);
    Click();
    driver->calls.clear();
    Tick();
    EXPECT_EQ(driver->calls.filter("bytes").size(), 4);
}

TEST_F(MainPanel, AFailedReadLightsErrWithoutAMessageAndStillTransmits)
{
    ScriptedDriver* driver = Script();
    Click();
    QTest::keyClick(Ch(1)->TransBox(), Qt::Key_Q);
    Tick();  // q written
    QTest::keyClick(Ch(1)->TransBox(), Qt::Key_W);
    driver->failRead = [](int ch) { return ch == 1; };
    Tick();
    EXPECT_EQ(Lamps(1), (std::vector<int>{kLit, kLit, kLit}));
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_EQ(driver->calls.filter("write 1").size(), 2);
    driver->failRead = nullptr;
    Tick();
    EXPECT_EQ(Ch(1)->ErrLamp()->State(), kDark);
}

TEST_F(MainPanel, AFailedWriteIsReportedAndStopsTheTimerButNotTheTest)
{
    ScriptedDriver* driver = Script();
    Click();
    QTest::keyClick(Ch(4)->TransBox(), Qt::Key_Z);
    driver->failWrite = [](int ch) { return ch == 4; };
    Tick();
    EXPECT_EQ(recorder.messages,
              (QStringList{"Instrument reports error:  write refused",
                           "You need reset this M-Module or restart this soft front panel."}));
    EXPECT_FALSE(frame->IsTimerRunning());
    EXPECT_EQ(frame->m_bInTimer, 0);
    EXPECT_EQ(Dialog()->StartStopButton()->text(), QStringLiteral("Stop!"));
    EXPECT_FALSE(Ch(4)->TransBox()->HasPending()) << "taken characters are not put back";
}

TEST_F(MainPanel, LargeAndNonsenseCountsNeverOverrunTheReceiveBuffer)
{
    ScriptedDriver* driver = Script();
    Click();
    std::int32_t reported = 5000;
    driver->waitingCount = [&](int ch) { return ch == 1 ? reported : 0; };
    Tick();
    EXPECT_EQ(driver->readAsked[1], CChannel::kReceiveBufferSize);
    EXPECT_EQ(Ch(1)->RxLamp()->State(), kLit);

    reported = -7;
    driver->readAsked.clear();
    Tick();
    EXPECT_EQ(driver->readAsked.count(1), 0u);
    EXPECT_EQ(Ch(1)->ErrLamp()->State(), kLit);
    EXPECT_EQ(Ch(1)->RxLamp()->State(), kDark);

    for (auto [waiting, read] : std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2048, 2048}, {2049, 2048}, {-1, 0}, {INT32_MIN, 0}, {INT32_MAX, 2048}})
        EXPECT_EQ(BytesToReadThisPoll(waiting), read) << waiting;
}

TEST_F(MainPanel, AnOpenedChannelIsClosedByStopAndAgainWhenThePanelGoes)
{
    ScriptedDriver* driver = Script();
    Click();
    Click();
    driver->calls.clear();
    frame->OnStatusPanel();
    EXPECT_EQ(driver->calls, (QStringList{"close 1", "close 2", "close 3", "close 4"}));
}

TEST_F(MainPanel, EnterAndEscapeDoNothing)
{
    Click();
    QTest::keyClick(Ch(1)->TransBox(), Qt::Key_Escape);
    QTest::keyClick(Dialog(), Qt::Key_Return);
    EXPECT_EQ(Dialog()->IsRunning(), 1);
    EXPECT_TRUE(Dialog()->isVisible());
}

} // namespace
