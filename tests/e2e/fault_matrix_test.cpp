// Each road a failing driver call takes through the panel: the message boxes in
// order, the timer, the Start/Stop button, the tick flag, and that the panel works
// again once the operator has done what the last message asks.
#include "common/messages.h"
#include "common/test_support.h"
#include "controls/led_button.h"
#include "controls/text_static.h"
#include "controls/transfer_edit.h"
#include "instrument/instrument_driver.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "panels/traffic/traffic_window.h"
#include "resources/resource_ids.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr long long kError = static_cast<std::int32_t>(0xBFFF0000u); // VI_ERROR_SYSTEM_ERROR
constexpr long long kTimeout = static_cast<std::int32_t>(0xBFFF0015u);
constexpr int kLit = CStateLedButton::kLit, kDark = CStateLedButton::kDark, kDim = CStateLedButton::kDim;
// 300 characters: the report shows the 255 the driver's text buffer holds.
const QString kModuleText = QStringLiteral("Relay K7 did not settle. ").repeated(12);

enum class Op { Start, Tick, Stop, Leave, SelfTest, Reset, Status };
enum class Remedy { GoOn, ResetModule, StartAgain, BackToMain }; // the operator's next step

// The boxes: the report of the module's text (cut to its buffer) or of the timeout, or of a failed lookup.
const QStringList kReport = {msg::InstrumentError(kModuleText.left(255)), msg::kResetAdvice};
const QStringList kTimeoutReport = {msg::kTimeout, msg::kResetAdvice};
const QStringList kTimeoutLookupFails = {msg::kTimeout, msg::kApiFailure, msg::kResetAdvice};

struct Cell {
    const char* name;
    Op op;
    const char* function; // fails once
    int channel;          // where it fails; 0: a call that takes none
    int fromCall;
    long long status;
    QStringList messages;
    Remedy remedy;
    bool timerRunning;  // right after the operation
    const char* button; // null: no Main Panel on show
    int running;
    int inTimer;
    const char* firstFailure = nullptr; // for a failed lookup: the call whose plain failure is reported
};

QString Rule(const char* function, int channel, int fromCall, long long status)
{
    return QStringLiteral(R"({"function":"%1","from_call":%2,"count":1,"status":%3%4})")
        .arg(function).arg(fromCall).arg(status)
        .arg(channel ? R"(,"channel":)" + QString::number(channel) : QString());
}

class FaultMatrix : public ::testing::TestWithParam<std::tuple<Cell, bool>> {};

// Each road twice: with the Traffic window closed, and open with a pattern running on channel 4 whose timer fires
// between the panel's steps and while every box is up. The boxes are the same; the window sees the failure.
TEST_P(FaultMatrix, ShowsWhatTheRoadSaysAndRecovers)
{
    const auto& [c, watched] = GetParam();
    const QString faults = Rule(c.function, c.channel, c.fromCall, c.status) +
                           (c.firstFailure ? ',' + Rule(c.firstFailure, 2, 1, kError) : QString());
    SimPanel p(VxiBench(R"({"pace":"instant","error_messages":{"VI_ERROR_SYSTEM_ERROR":")" + kModuleText + R"("}})", faults));
    ASSERT_TRUE(p.app->m_pDriver->IsLive() && p.recorder.messages.isEmpty());
    auto ch2 = [&] { return p.Main()->Channel(2); };
    CTrafficWindow* traffic = watched ? (p.frame->OnCommand(ID_PANELS_TRAFFIC), p.frame->TrafficWindow()) : nullptr;
    auto pattern = [&] { return traffic && (traffic->Monitor().PatternTick(), traffic->Refresh(), true); };
    auto tick = [&] { return p.frame->IsTimerRunning() && (p.frame->DispatchTimer(), pattern()); };
    p.recorder.onMessage = [&](const QString&) { // a box is up: the pattern's timer calls nothing
        const std::size_t calls = p.sim.Trace().size();
        pattern();
        EXPECT_EQ(p.sim.Trace().size(), calls);
    };
    if (traffic)
        traffic->OnPatternButton(4);
    p.StartStop();
    pattern();
    if (c.op == Op::Tick)
        QTest::keyClicks(ch2()->TransBox(), "x");
    for (int i = c.op == Op::Tick ? 2 : c.op == Op::Stop || c.op == Op::Leave; i > 0; --i)
        tick(); // Tick: sends x, then reads it
    if (c.op == Op::Stop)
        p.StartStop();
    if (c.op == Op::Leave || c.op == Op::Status)
        p.frame->OnStatusPanel();
    if (c.op == Op::SelfTest)
        p.frame->OnSelfTest();
    if (c.op == Op::Reset)
        p.frame->OnReset();

    const auto calls = p.sim.Calls(c.function);
    ASSERT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const auto& t) { return t.status == c.status; })) << c.function << " never failed";
    EXPECT_EQ(p.recorder.messages, c.messages);
    if (watched) {
        const bool onChannel = c.op == Op::Start || c.op == Op::Tick;
        traffic->Filter()->setCurrentIndex(2);
        traffic->Refresh();
        const QString last = traffic->LogModel().Line(traffic->LogModel().rowCount() - 1);
        EXPECT_EQ(traffic->Monitor().Counters(2).errors + last.contains(QStringLiteral(" Ch2 error %1 ").arg(c.firstFailure ? kError : c.status)), onChannel ? 2u : 0u);
        const std::string& ended = traffic->Monitor().Lane(4).stopReason; // the error road ends the pattern, or Stop does
        EXPECT_EQ(ended.substr(0, ended.find(';')), c.op != Op::Tick ? "the test was stopped" : c.messages.isEmpty() ? "" : "stopped: instrument error on channel 2");
    }
    EXPECT_EQ(p.frame->IsTimerRunning(), c.timerRunning);
    EXPECT_EQ(p.frame->m_bInTimer, c.inTimer);
    ASSERT_EQ(p.Main() != nullptr, c.button != nullptr);
    if (c.button) {
        EXPECT_EQ(p.Main()->StartStopButton()->text(), c.button);
        EXPECT_EQ(p.Main()->IsRunning(), c.running);
        EXPECT_EQ(ch2()->ErrLamp()->State(), c.remedy == Remedy::GoOn ? kLit : c.op == Op::Start ? kDim : kDark);
    }
    if (c.op == Op::Start) { // channels 1 and 2 closed again, 3 and 4 never reached
        std::string closed;
        for (const auto& call : p.sim.Calls("tsx4410_closeChannel"))
            closed += call["channel"];
        EXPECT_EQ(closed, "12");
        EXPECT_TRUE(p.sim.Calls("tsx4410_openChannel").size() == 2 && ch2()->TransBox()->isEnabled() == false);
    }
    if (auto* status = p.app->m_panels.FindByStringId(IDS_STATUS_PANEL)->m_pDialog; c.op == Op::Status) {
        EXPECT_EQ(status->Item<CTextStatic>(IDC_STATUS_BYTE)->Text(), "0") << "a failed read shows 0";
    }

    p.recorder.messages.clear();
    if (c.remedy == Remedy::ResetModule)
        p.frame->OnReset();
    else if (c.remedy == Remedy::BackToMain)
        p.frame->OnMainPanel();
    EXPECT_EQ(p.frame->m_bInTimer, 0);
    if (c.remedy != Remedy::GoOn) {
        EXPECT_EQ(p.Main()->StartStopButton()->text(), "Start Test");
        p.StartStop();
    }
    EXPECT_EQ(p.Main()->StartStopButton()->text(), "Stop!");
    EXPECT_TRUE(p.frame->IsTimerRunning());
    QTest::keyClicks(ch2()->TransBox(), "z");
    tick(), tick();
    // After a failed read the character is still waiting, and comes first.
    EXPECT_EQ(ch2()->RecvBox()->text(), c.remedy == Remedy::GoOn ? "xz" : "z");
    EXPECT_EQ(ch2()->RxLamp()->State(), kLit);
    EXPECT_EQ(ch2()->ErrLamp()->State(), kDark);
    EXPECT_EQ(p.frame->m_bInTimer, 0);
    EXPECT_EQ(p.recorder.messages, QStringList(c.remedy == Remedy::ResetModule ? 1 : 0, msg::kResetOk));
}

// Channel 2 fails, so channel 1 has done its part and 3 and 4 have not.
INSTANTIATE_TEST_SUITE_P(
    Calls, FaultMatrix,
    ::testing::Combine(::testing::Values(
        // Starting: reported, what this start opened closed again, the test stopped.
        Cell{"StartWriteConfig", Op::Start, "tsx4410_setProperty", 2, 1, kTimeout, kTimeoutReport,
             Remedy::StartAgain, false, "Start Test", 0, 0},
        Cell{"StartOpen", Op::Start, "tsx4410_openChannel", 2, 1, kError, kReport, Remedy::StartAgain, false,
             "Start Test", 0, 0},
        // A tick: the byte count and the transmit step report, a failed read lights Err.
        Cell{"TickByteCount", Op::Tick, "tsx4410_getProperty", 2, 2, kError, kReport, Remedy::ResetModule,
             false, "Stop!", 1, 0},
        Cell{"TickRead", Op::Tick, "tsx4410_read", 2, 1, kTimeout, {}, Remedy::GoOn, true, "Stop!", 1, 0},
        Cell{"TickWrite", Op::Tick, "tsx4410_write", 2, 1, kError, kReport, Remedy::ResetModule, false,
             "Stop!", 1, 0},
        Cell{"TickErrorText", Op::Tick, "tsx4410_error_message", 0, 1, kTimeout, kTimeoutLookupFails,
             Remedy::ResetModule, false, "Stop!", 1, 0, "tsx4410_write"},
        // Stopping, leaving, the Status panel: a failed close or status read is only recorded.
        Cell{"StopCloseChannel", Op::Stop, "tsx4410_closeChannel", 2, 1, kError, {}, Remedy::StartAgain,
             false, "Start Test", 0, 0},
        Cell{"LeaveCloseChannel", Op::Leave, "tsx4410_closeChannel", 2, 1, kError, {}, Remedy::BackToMain,
             false, nullptr, 0, 0},
        Cell{"StatusByte", Op::Status, "viReadSTB", 0, 1, kError, {}, Remedy::BackToMain, false, nullptr, 0,
             0},
        // Self Test and Reset report, then rebuild the Main Panel stopped.
        Cell{"SelfTest", Op::SelfTest, "tsx4410_self_test", 0, 1, kError, kReport, Remedy::ResetModule, false,
             "Start Test", 0, 0},
        Cell{"Reset", Op::Reset, "tsx4410_reset", 0, 1, kTimeout, kTimeoutReport, Remedy::ResetModule, false,
             "Start Test", 0, 0}), ::testing::Bool()),
    [](const auto& info) { return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "Watched" : ""); });

// Every channel's count fails in one tick: the first is reported, and the tick polls no channel after it.
TEST(FaultMatrixTick, FourFailingCountsShowOneReport)
{
    QStringList faults;
    for (int n = 1; n <= 4; ++n)
        faults << Rule("tsx4410_getProperty", n, 2, kError);
    SimPanel p(VxiBench(R"({"error_messages":{"VI_ERROR_SYSTEM_ERROR":")" + kModuleText + R"("}})", faults.join(',')));
    p.StartStop();
    p.frame->DispatchTimer();
    EXPECT_EQ(p.recorder.messages, kReport);
    EXPECT_EQ(p.sim.Calls("tsx4410_getProperty").size(), 5u) << "four records read, then channel 1's count";
}

} // namespace
