// Answers from the instrument libraries that are odd but possible: waiting
// counts above the receive buffer or below zero, reads that return fewer
// bytes than asked, texts that fill their buffer without a terminating zero,
// a descriptor at the buffer's length, and an instrument that is gone by the
// time the driver opens it. None may crash, overrun or show bytes that
// never arrived.
#include "app/main_frame.h"
#include "common/test_support.h"
#include "controls/led_button.h"
#include "controls/transfer_edit.h"
#include "instrument/instrument_driver.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "platform/string_table.h"
#include "resources/resource_ids.h"
#include "sim_env.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <ostream>

namespace {

QString VxiBench(const QString& module, const QString& faults = QString())
{
    return QStringLiteral(R"({"resources":[{"descriptor":"VXI0::24::INSTR","manufacturer_id":3021,)"
                          R"("model_code":417,"slot":5,"logical_address":24,"module":%1,"faults":[%2]}]})")
        .arg(module.isEmpty() ? QStringLiteral("{}") : module, faults);
}

struct Panel {
    explicit Panel(const QString& bench) : sim(bench), app(StartApp()) { frame = app->MainFrame(); }
    CPan1Dlg* Main() const
    {
        return static_cast<CPan1Dlg*>(app->m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
    }
    void Start() { QTest::mouseClick(Main()->StartStopButton(), Qt::LeftButton); }

    SimEnv sim;
    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
};

// ------------------------------------------- odd counts on the live poll

struct CountCase {
    const char* name;
    const char* hooks;         // the channel's hooks on the bench
    const char* typed;         // typed into the channel's Trans box before the first tick
    int ticks;
    const char* received;      // the Recv box afterwards
    std::vector<long long> asked; // the counts the reads asked for, in order
    int errLamp;
};
void PrintTo(const CountCase& c, std::ostream* os) { *os << c.name; }

class OddCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(OddCountTest, ReadsWithinTheBufferAndShowsOnlyWhatArrived)
{
    const CountCase& c = GetParam();
    Panel p(VxiBench(QStringLiteral(R"({"channels":{"2":%1}})").arg(QString::fromLatin1(c.hooks))));
    ASSERT_TRUE(p.app->m_pDriver->IsLive());
    p.Start();
    CChannel* ch = p.Main()->Channel(2);
    QTest::keyClicks(ch->TransBox(), c.typed);
    for (int i = 0; i < c.ticks; ++i)
        p.frame->DispatchTimer();

    EXPECT_EQ(ch->RecvBox()->text(), QString::fromLatin1(c.received));
    std::vector<long long> asked;
    for (const TraceCall& read : p.sim.Calls("tsx4410_read"))
        asked.push_back(read.Number("count"));
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(ch->ErrLamp()->State(), c.errLamp);
    EXPECT_TRUE(p.recorder.messages.isEmpty()) << p.recorder.messages.join('|').toStdString();
    EXPECT_EQ(p.frame->m_bInTimer, 0);
    EXPECT_TRUE(p.frame->IsTimerRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Hooks, OddCountTest,
    ::testing::Values(
        // 5000 waiting, whatever is held: never more than the 2048-byte
        // buffer, and only the bytes really read are shown. (Negative counts:
        // tests/widgets/main_panel_test.cpp.)
        CountCase{"MoreThanTheBuffer", R"({"bytes_waiting":5000})", "hi", 2, "hi", {2048, 2048}, 1},
        // A read that returns fewer bytes than asked: the rest comes later,
        // in order, and nothing else fills the gap.
        CountCase{"ShortRead", R"({"short_read":3})", "abcdefg", 4, "abcdefg", {7, 4, 1}, 1},
        CountCase{"ReadReturnsNothing", R"({"short_read":0})", "ab", 3, "", {2, 2}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------- texts that fill their buffer

const QString kLongText = QStringLiteral("Relay K7 did not settle. ").repeated(12); // 300 characters

struct TextCase {
    const char* name;
    QString module;
    QString faults;
    void (CMainFrame::*command)();
    QStringList messages;
};
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class LongTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(LongTextTest, IsShownCutToItsBuffer)
{
    const TextCase& c = GetParam();
    Panel p(VxiBench(c.module, c.faults));
    ASSERT_TRUE(p.app->m_pDriver->IsLive());
    (p.frame->*c.command)();
    EXPECT_EQ(p.recorder.messages, c.messages);
}

QString Reported(const QString& text) { return LoadString(IDS_INSTRUMENT_ERROR).replace("%s", text); }

INSTANTIATE_TEST_SUITE_P(
    Texts, LongTextTest,
    ::testing::Values(
        TextCase{"ErrorText", R"({"error_messages":{"VI_ERROR_SYSTEM_ERROR":")" + kLongText + R"("}})",
                 R"({"function":"tsx4410_reset","status":"VI_ERROR_SYSTEM_ERROR","count":1})", &CMainFrame::OnReset,
                 {Reported(kLongText.left(255)), LoadString(IDS_RESET_ADVICE)}},
        TextCase{"SelfTestText", R"({"self_test":{"code":-32768,"message":")" + kLongText + R"("}})", "",
                 &CMainFrame::OnSelfTest, {"-32768, " + kLongText.left(255)}}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------- descriptors at the buffer's length

struct DescriptorCase {
    const char* name;
    int length; // of the descriptor on the bench
    bool live;
    std::size_t opened; // length of the name discovery opens
    QStringList messages;
};
void PrintTo(const DescriptorCase& c, std::ostream* os) { *os << c.name; }

class DescriptorLengthTest : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(DescriptorLengthTest, FitsOrIsCutNeverOverrun)
{
    const DescriptorCase& c = GetParam();
    const QString name = "SIM::" + QString(c.length - 12, QLatin1Char('a')) + "::INSTR";
    ASSERT_EQ(name.size(), c.length);
    Panel p(QStringLiteral(R"({"resources":[{"descriptor":"%1","interface":"VXI","manufacturer_id":3021,)"
                           R"("model_code":417}]})")
                .arg(name));
    const auto opens = p.sim.Calls("viOpen");
    ASSERT_FALSE(opens.empty());
    EXPECT_EQ(opens[0]["name"].size(), c.opened);
    EXPECT_EQ(p.app->m_pDriver->IsLive(), c.live);
    EXPECT_EQ(p.recorder.messages, c.messages);
    if (c.live) {
        EXPECT_EQ(p.Main()->ResourceBox().Text(), name.toUpper());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, DescriptorLengthTest,
    ::testing::Values(DescriptorCase{"FitsWithItsZero", 255, true, 255, {}},
                      DescriptorCase{"FillsTheBuffer", 256, false, 255, {LoadString(IDS_NO_INSTRUMENT)}}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------- gone between discovery and init

struct VanishCase {
    const char* name;
    QString faults; // viOpen: discovery judges (1), connects (2), the driver's init opens (3)
    int slot;       // what discovery recorded
};
void PrintTo(const VanishCase& c, std::ostream* os) { *os << c.name; }

class VanishTest : public ::testing::TestWithParam<VanishCase> {};

TEST_P(VanishTest, EndsNonLiveWithTheChosenResourceAndStillLoopsBack)
{
    const VanishCase& c = GetParam();
    Panel p(VxiBench({}, c.faults));
    EXPECT_EQ(p.recorder.messages, QStringList{LoadString(IDS_INIT_FAILED)});
    ASSERT_FALSE(p.app->m_pDriver->IsLive());
    EXPECT_EQ(p.app->m_nSlot, c.slot);
    CPan1Dlg* d = p.Main();
    EXPECT_EQ(d->ResourceBox().Text(), QStringLiteral("VXI0::24"));
    EXPECT_TRUE(d->SlotBox().isHidden());
    EXPECT_EQ(d->ActiveLamp()->LampColor(), RGB(64, 64, 64));

    p.recorder.messages.clear();
    p.Start();
    QTest::keyClicks(d->Channel(3)->TransBox(), "ok");
    p.frame->DispatchTimer();
    p.frame->DispatchTimer();
    EXPECT_EQ(d->Channel(3)->RecvBox()->text(), QStringLiteral("ok"));
    EXPECT_TRUE(p.recorder.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Moments, VanishTest,
    ::testing::Values(
        VanishCase{"BeforeInit", R"({"function":"viOpen","from_call":3,"status":"VI_ERROR_RSRC_NFOUND"})", 5},
        VanishCase{"BeforeConnecting", R"({"function":"viOpen","from_call":2,"status":"VI_ERROR_RSRC_NFOUND"})",
                   -1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
