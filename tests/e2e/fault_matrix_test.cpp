// Every driver call the panel makes, failing in turn during each operation
// that makes it, once with a plain error and once with a timeout: what the
// operator sees (the message boxes in order, or none), the timer, the
// Start/Stop button, the tick flag, and that the panel works again once the
// operator has done what the last message asks.
#include "app/main_frame.h"
#include "common/test_support.h"
#include "controls/led_button.h"
#include "controls/text_static.h"
#include "controls/transfer_edit.h"
#include "instrument/instrument_driver.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "panels/status_panel.h"
#include "platform/string_table.h"
#include "resources/resource_ids.h"
#include "sim_env.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <ostream>

namespace {

constexpr long long kPlainStatus = static_cast<std::int32_t>(0xBFFF0000u); // VI_ERROR_SYSTEM_ERROR
constexpr long long kTimeoutStatus = static_cast<std::int32_t>(0xBFFF0015u);
const char kModuleText[] = "Module controller stopped.";

// What the operator does when the fault strikes.
enum class Op { Start, Tick, Stop, Leave, SelfTest, Reset, Status };

// What the operator sees.
enum class Road {
    Silent,       // no message box
    Report,       // the error report: the driver's text (or "Time Out !"), then the advice
    LookupFails,  // the report whose own text lookup fails
};

// What the operator does next: what the last message says, or, where there
// was none, what the panel then offers.
enum class Remedy {
    StopThenStart, // press "Stop!" (or the half-started button), then "Start Test"
    GoOn,          // nothing: the next ticks carry on
    ResetModule,   // Options, Reset, as the advice says
    StartAgain,    // "Start Test"
    BackToMain,    // Panels, Main Panel, then "Start Test"
};

struct Cell {
    const char* name;
    Op op;
    const char* function; // the call that fails
    int channel;          // 0: any
    int fromCall;         // the first matching call that fails
    Road road;
    Remedy remedy;
    // Right after the operation:
    bool timerRunning;
    const char* button; // nullptr: no Main Panel on show
    int running;
    int inTimer;
    // For the text-lookup cells: the call whose plain failure starts the report.
    const char* firstFailure = nullptr;
};

struct Case {
    Cell cell;
    bool timeout;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.cell.name << (c.timeout ? " timeout" : " error"); }

QString Rule(const char* function, int channel, int fromCall, long long status)
{
    QString rule = QStringLiteral(R"({"function":"%1","from_call":%2,"count":1,"status":%3)")
                       .arg(QString::fromLatin1(function))
                       .arg(fromCall)
                       .arg(status);
    if (channel)
        rule += QStringLiteral(R"(,"channel":%1)").arg(channel);
    return rule + QLatin1Char('}');
}

QString BenchFor(const Case& c)
{
    const long long status = c.timeout ? kTimeoutStatus : kPlainStatus;
    QStringList rules;
    if (c.cell.firstFailure)
        rules << Rule(c.cell.firstFailure, c.cell.channel, 1, kPlainStatus);
    rules << Rule(c.cell.function, c.cell.channel, c.cell.fromCall, status);
    return QStringLiteral(R"({"resources":[{"descriptor":"VXI0::24::INSTR","manufacturer_id":3021,)"
                          R"("model_code":417,"slot":5,"logical_address":24,"status_byte":66,)"
                          R"("module":{"error_messages":{"VI_ERROR_SYSTEM_ERROR":"%1"}},"faults":[%2]}]})")
        .arg(QString::fromLatin1(kModuleText), rules.join(QLatin1Char(',')));
}

QStringList Messages(Road road, bool timeout)
{
    const QString advice = LoadString(IDS_RESET_ADVICE);
    const QString timedOut = LoadString(IDS_TIMEOUT);
    switch (road) {
    case Road::Silent:
        return {};
    case Road::Report:
        if (timeout)
            return {timedOut, advice};
        return {LoadString(IDS_INSTRUMENT_ERROR).replace(QStringLiteral("%s"), QString::fromLatin1(kModuleText)),
                advice};
    case Road::LookupFails:
        if (timeout)
            return {timedOut, LoadString(IDS_API_FAILURE), advice};
        return {LoadString(IDS_API_FAILURE), advice};
    }
    return {};
}

class FaultMatrix : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        sim = std::make_unique<SimEnv>(BenchFor(GetParam()));
        app = StartApp();
        frame = app->MainFrame();
        ASSERT_TRUE(app->m_pDriver && app->m_pDriver->IsLive()) << recorder.messages.join('|').toStdString();
        ASSERT_TRUE(recorder.messages.isEmpty());
    }

    CPan1Dlg* Main() const
    {
        return static_cast<CPan1Dlg*>(app->m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
    }
    CChannel* Ch2() const { return Main()->Channel(2); }
    void Click() { QTest::mouseClick(Main()->StartStopButton(), Qt::LeftButton); }
    void Type(const char* text) { QTest::keyClicks(Ch2()->TransBox(), text); }
    // One tick of the real timer: only while it runs.
    void Tick()
    {
        if (frame->IsTimerRunning())
            frame->DispatchTimer();
    }
    void Run(Op op)
    {
        switch (op) {
        case Op::Start:
            Click();
            break;
        case Op::Tick:
            Click();
            Type("x");
            Tick(); // sends x
            Tick(); // reads x
            break;
        case Op::Stop:
            Click();
            Tick();
            Click();
            break;
        case Op::Leave:
            Click();
            Tick();
            frame->OnStatusPanel();
            break;
        case Op::SelfTest:
            Click();
            frame->OnSelfTest();
            break;
        case Op::Reset:
            Click();
            frame->OnReset();
            break;
        case Op::Status:
            Click();
            frame->OnStatusPanel();
            break;
        }
    }

    std::unique_ptr<SimEnv> sim;
    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
};

TEST_P(FaultMatrix, ShowsWhatTheRoadSaysAndRecovers)
{
    const Cell& cell = GetParam().cell;
    const bool timeout = GetParam().timeout;

    Run(cell.op);

    // The fault did strike.
    const long long injected = timeout ? kTimeoutStatus : kPlainStatus;
    bool struck = false;
    for (const TraceCall& call : sim->Calls(cell.function))
        struck = struck || call.status == injected;
    ASSERT_TRUE(struck) << cell.function << " never failed";

    EXPECT_EQ(recorder.messages, Messages(cell.road, timeout));
    EXPECT_EQ(frame->IsTimerRunning(), cell.timerRunning);
    EXPECT_EQ(frame->m_bInTimer, cell.inTimer);
    if (cell.button) {
        ASSERT_NE(Main(), nullptr);
        EXPECT_EQ(Main()->StartStopButton()->text(), QString::fromLatin1(cell.button));
        EXPECT_EQ(Main()->IsRunning(), cell.running);
    } else {
        EXPECT_EQ(Main(), nullptr) << "the Main Panel is not on show";
    }
    if (cell.op == Op::Status) {
        auto* dlg = app->m_panels.FindByStringId(IDS_STATUS_PANEL)->m_pDialog;
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->Item<CTextStatic>(IDC_STATUS_BYTE)->Text(), QStringLiteral("0"))
            << "a failed read shows the status byte as 0";
    }
    if (cell.op == Op::Tick && cell.road == Road::Silent && cell.inTimer == 0) {
        EXPECT_EQ(Ch2()->ErrLamp()->State(), 0) << "a failed read lights Err";
    }

    // The operator's answer, and then a typed character comes back.
    recorder.messages.clear();
    QStringList remedyMessages;
    const char* expectRecv = "z";
    switch (cell.remedy) {
    case Remedy::StopThenStart:
        Click();
        EXPECT_EQ(Main()->StartStopButton()->text(), QStringLiteral("Start Test"));
        EXPECT_EQ(frame->m_bInTimer, 0);
        Click();
        break;
    case Remedy::GoOn:
        expectRecv = "xz"; // the character whose read failed is still there
        break;
    case Remedy::ResetModule:
        frame->OnReset();
        remedyMessages << LoadString(IDS_RESET_OK);
        Click();
        break;
    case Remedy::StartAgain:
        Click();
        break;
    case Remedy::BackToMain:
        frame->OnMainPanel();
        EXPECT_EQ(Main()->StartStopButton()->text(), QStringLiteral("Start Test"));
        Click();
        break;
    }
    ASSERT_NE(Main(), nullptr);
    EXPECT_EQ(Main()->StartStopButton()->text(), QStringLiteral("Stop!"));
    EXPECT_TRUE(frame->IsTimerRunning());
    Type("z");
    Tick();
    Tick();
    EXPECT_EQ(Ch2()->RecvBox()->text(), QString::fromLatin1(expectRecv));
    EXPECT_EQ(Ch2()->RxLamp()->State(), 0);
    EXPECT_EQ(Ch2()->ErrLamp()->State(), 1);
    EXPECT_EQ(frame->m_bInTimer, 0);
    EXPECT_EQ(recorder.messages, remedyMessages);
}

// The calls of each operation, in the order the panel makes them. Channel 2
// fails, so channel 1 has already done its part and 3 and 4 have not.
const Cell kCells[] = {
    // Starting: the error leaves the test half started, silently.
    {"StartOpenChannel", Op::Start, "tsx4410_openChannel", 2, 1, Road::Silent, Remedy::StopThenStart, false,
     "Start Test", 1, 0},
    {"StartReadConfig", Op::Start, "tsx4410_getProperty", 2, 1, Road::Silent, Remedy::StopThenStart, false,
     "Start Test", 1, 0},
    {"StartWriteConfig", Op::Start, "tsx4410_setProperty", 2, 1, Road::Silent, Remedy::StopThenStart, false,
     "Start Test", 1, 0},
    // A tick: the byte count stalls the poll; a failed read only lights Err;
    // the transmit step reports.
    {"TickByteCount", Op::Tick, "tsx4410_getProperty", 2, 2, Road::Silent, Remedy::StopThenStart, true, "Stop!",
     1, 1},
    {"TickCanWrite", Op::Tick, "tsx4410_getProperty", 2, 3, Road::Report, Remedy::ResetModule, false, "Stop!", 1,
     0},
    {"TickRead", Op::Tick, "tsx4410_read", 2, 1, Road::Silent, Remedy::GoOn, true, "Stop!", 1, 0},
    {"TickWrite", Op::Tick, "tsx4410_write", 2, 1, Road::Report, Remedy::ResetModule, false, "Stop!", 1, 0},
    {"TickErrorText", Op::Tick, "tsx4410_error_message", 0, 1, Road::LookupFails, Remedy::ResetModule, false,
     "Stop!", 1, 0, "tsx4410_write"},
    // Stopping and leaving: a failed close is only recorded.
    {"StopCloseChannel", Op::Stop, "tsx4410_closeChannel", 2, 1, Road::Silent, Remedy::StartAgain, false,
     "Start Test", 0, 0},
    {"LeaveCloseChannel", Op::Leave, "tsx4410_closeChannel", 2, 1, Road::Silent, Remedy::BackToMain, false,
     nullptr, 0, 0},
    // Self Test and Reset report, then rebuild the Main Panel stopped.
    {"SelfTest", Op::SelfTest, "tsx4410_self_test", 0, 1, Road::Report, Remedy::ResetModule, false, "Start Test",
     0, 0},
    {"SelfTestErrorText", Op::SelfTest, "tsx4410_error_message", 0, 1, Road::LookupFails, Remedy::ResetModule,
     false, "Start Test", 0, 0, "tsx4410_self_test"},
    {"Reset", Op::Reset, "tsx4410_reset", 0, 1, Road::Report, Remedy::ResetModule, false, "Start Test", 0, 0},
    {"ResetErrorText", Op::Reset, "tsx4410_error_message", 0, 1, Road::LookupFails, Remedy::ResetModule, false,
     "Start Test", 0, 0, "tsx4410_reset"},
    // The Status panel shows what it got and says nothing.
    {"StatusByte", Op::Status, "viReadSTB", 0, 1, Road::Silent, Remedy::BackToMain, false, nullptr, 0, 0},
};

std::vector<Case> AllCases()
{
    std::vector<Case> cases;
    for (const Cell& cell : kCells)
        for (bool timeout : {false, true})
            cases.push_back({cell, timeout});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Calls, FaultMatrix, ::testing::ValuesIn(AllCases()),
                         [](const auto& info) {
                             return std::string(info.param.cell.name) + (info.param.timeout ? "_Timeout" : "_Error");
                         });

} // namespace
