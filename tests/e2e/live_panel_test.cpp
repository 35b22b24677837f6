// The panel live on the stand-in driver: the loop test's calls checked against
// the trace, answers that are odd but possible (counts past the buffer or below
// zero, short reads, a busy channel, texts without their zero), and a driver
// lacking an entry point.
#include "common/messages.h"
#include "common/sim_panel.h"
#include "controls/led_button.h"
#include "controls/text_static.h"
#include "controls/transfer_edit.h"
#include "instrument/live_driver.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "platform/user_exception.h"
#include "resources/resource_ids.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kLit = CStateLedButton::kLit, kDark = CStateLedButton::kDark;

TEST(LivePanel, LoopTestRunsThroughTheDriversSessionOnEachChannel)
{
    SimPanel p(VxiBench(), "-l Rack7.LBL");
    CInstrumentDriver& d = *p.app->m_pDriver;
    ASSERT_TRUE(d.IsLive());
    EXPECT_EQ(d.GetLabelFileName(), "rack7.lbl");
    const long long session = p.sim.Calls("tsx4410_init").at(0).Number("vi");
    p.StartStop();
    CChannel* ch2 = p.Main()->Channel(2);
    QTest::keyClicks(ch2->TransBox(), "hi");
    p.frame->DispatchTimer(); // writes "hi"
    EXPECT_EQ(ch2->TxLamp()->State(), kLit);
    char first = 0;
    d.ReadChannel(2, &first, 1, nullptr); // no count wanted back
    EXPECT_EQ(first, 'h');
    p.frame->DispatchTimer(); // reads the rest
    EXPECT_EQ(ch2->RecvBox()->text(), "i");
    EXPECT_EQ(ch2->RxLamp()->State(), kLit);
    p.StartStop();
    p.frame->OnStatusPanel();
    EXPECT_EQ(p.app->m_panels.FindByStringId(IDS_STATUS_PANEL)->m_pDialog->Item<CTextStatic>(IDC_STATUS_BYTE)->Text(),
              "1000010"); // 66
    EXPECT_TRUE(p.recorder.messages.isEmpty()) << p.recorder.messages.join('|').toStdString();

    std::vector<std::string> onChannel2;
    int configs = 0;
    for (const TraceCall& call : p.sim.Trace()) {
        if (call.function.rfind("tsx4410_", 0) != 0 || call.function == "tsx4410_init")
            continue;
        EXPECT_EQ(call.Number("vi"), session) << call.function;
        if (call.function == "tsx4410_setProperty") { // the default settings, mode NORMAL in word 0
            EXPECT_EQ(call.Number("channel"), ++configs);
            EXPECT_EQ(call["record"].rfind("[0,", 0), 0u) << call["record"];
            EXPECT_NE(call["record"].find(",9600,9600,1,4,8,7,"), std::string::npos) << call["record"];
        }
        if (call.Number("channel") == 2)
            onChannel2.push_back(call.function.substr(8) + ' ' + call["property"] + call["bytes"] + call["count"]);
    }
    EXPECT_EQ(configs, 4);
    EXPECT_EQ(onChannel2, (std::vector<std::string>{"openChannel ", "getProperty 30", "setProperty 30",
                                                    "getProperty 19", "getProperty 29", "write hi2", "read h1",
                                                    "getProperty 19", "read i1", "closeChannel ", "closeChannel "}));
    p.app.reset();
    const auto closes = p.sim.Calls("tsx4410_close");
    ASSERT_EQ(closes.size(), 1u) << "shut-down closes the driver's session once";
    EXPECT_EQ(closes[0].Number("vi"), session);
}

// What the poll does with the counts and reads a channel answers.
struct PollCase {
    const char* name;
    const char* hooks; // channel 2's hooks on the bench
    const char* typed; // before the first tick
    int ticks;
    const char* received;
    std::vector<long long> asked; // the counts the reads asked for
    int errLamp;
};
void PrintTo(const PollCase& c, std::ostream* os) { *os << c.name; }

class Poll : public ::testing::TestWithParam<PollCase> {};

TEST_P(Poll, ReadsWithinTheBufferShowsOnlyWhatArrivedAndStopPutsTheLampsOut)
{
    const PollCase& c = GetParam();
    SimPanel p(VxiBench(QStringLiteral(R"({"channels":{"2":%1}})").arg(c.hooks)));
    ASSERT_TRUE(p.app->m_pDriver->IsLive());
    p.StartStop();
    CChannel* ch = p.Main()->Channel(2);
    QTest::keyClicks(ch->TransBox(), c.typed);
    for (int i = 0; i < c.ticks; ++i)
        p.frame->DispatchTimer();

    EXPECT_EQ(ch->RecvBox()->text(), c.received);
    std::vector<long long> asked;
    for (const TraceCall& read : p.sim.Calls("tsx4410_read"))
        asked.push_back(read.Number("count"));
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(ch->ErrLamp()->State(), c.errLamp);
    EXPECT_TRUE(p.recorder.messages.isEmpty()) << p.recorder.messages.join('|').toStdString();
    EXPECT_EQ(p.frame->m_bInTimer, 0);
    EXPECT_TRUE(p.frame->IsTimerRunning());
    p.StartStop();
    for (CStateLedButton* lamp : {ch->RxLamp(), ch->TxLamp(), ch->ErrLamp()})
        EXPECT_EQ(lamp->State(), kDark);
}

INSTANTIATE_TEST_SUITE_P(
    Hooks, Poll,
    ::testing::Values(
        // 5000 waiting, whatever is held: never more than the 2048-byte buffer.
        PollCase{"MoreThanTheBuffer", R"({"bytes_waiting":5000})", "hi", 2, "hi", {2048, 2048}, kDark},
        // A negative count is no count: nothing is read and Err lights.
        PollCase{"NegativeCount", R"({"bytes_waiting":-1})", "hi", 2, "", {}, kLit},
        // Fewer bytes than asked: the rest comes later, in order, nothing fills the gap.
        PollCase{"ShortRead", R"({"short_read":3})", "abcdefg", 4, "abcdefg", {7, 4, 1}, kDark},
        PollCase{"ReadReturnsNothing", R"({"short_read":0})", "ab", 3, "", {2, 2}, kDark},
        // A busy channel takes nothing.
        PollCase{"Busy", R"({"busy":true})", "hi", 2, "", {}, kDark}),
    [](const auto& info) { return std::string(info.param.name); });

// What Reset and Self Test show of what a working module answers.
const QString kLongText = QStringLiteral("Relay K7 did not settle. ").repeated(12); // 300 characters

struct AnswerCase {
    const char* name;
    QString module;
    QString faults;
    void (CMainFrame::*command)();
    const char* function;
    QStringList messages;
};
void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class Answer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(Answer, IsShownAsTheModuleGaveIt)
{
    const AnswerCase& c = GetParam();
    SimPanel p(VxiBench(c.module, c.faults));
    ASSERT_TRUE(p.app->m_pDriver->IsLive());
    (p.frame->*c.command)();
    EXPECT_EQ(p.recorder.messages, c.messages);
    EXPECT_EQ(p.sim.Calls(c.function).at(0).Number("vi"), p.sim.Calls("tsx4410_init").at(0).Number("vi"));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Answer,
    ::testing::Values(
        // Only a clean reset says so; a warning is neither OK nor an error.
        AnswerCase{"ResetWarning", "", R"({"function":"tsx4410_reset","status":"0x3FFA0001"})", &CMainFrame::OnReset,
                   "tsx4410_reset", {}},
        // A text that fills its buffer without a zero is shown cut to it.
        AnswerCase{"SelfTestLongText", R"({"self_test":{"code":-32768,"message":")" + kLongText + R"("}})", "",
                   &CMainFrame::OnSelfTest, "tsx4410_self_test", {"-32768, " + kLongText.left(255)}}),
    [](const auto& info) { return std::string(info.param.name); });

// Such a library is refused at start-up; an access object bound to it anyway
// fails the operation instead of calling through a null pointer.
TEST(LiveMissingEntry, FailsTheOperation)
{
    SimPanel p(QString(), QString(), {"variants/driver-missing-tsx4410_write"});
    EXPECT_EQ(p.recorder.messages, QStringList{msg::kNoDriver});
    LibraryHandle module = LoadLibraryByName(kDriverLibraryName);
    auto init = reinterpret_cast<Tsx4410InitFn>(FindEntryPoint(module, "tsx4410_init"));
    ViSession session = 0;
    ASSERT_EQ(init("VXI0::24::INSTR", 0, 0, &session), VI_SUCCESS);
    CLiveDriver driver(session, module);
    EXPECT_EQ(driver.OpenChannel(1), TRUE);
    EXPECT_THROW(driver.WriteChannel(1, "x", 1), CUserException);
    EXPECT_EQ(driver.LastStatus(), VI_ERROR_NSUP_OPER);
}

} // namespace
