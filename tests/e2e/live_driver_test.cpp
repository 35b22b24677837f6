// The live access object end to end: the application started on the
// stand-ins, each operation checked against the call trace, and what a
// failing call leaves for the error report.
#include "app/main_frame.h"
#include "instrument/driver_api.h"
#include "instrument/live_driver.h"
#include "platform/string_table.h"
#include "platform/user_exception.h"
#include "resources/resource_ids.h"
#include "sim_env.h"
#include "common/test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

// A bench of one matching VXI module at VXI0::24 (slot 5, address 24);
// `module` and `faults` are JSON members added to it.
QString Bench(const QString& module = QString(), const QString& faults = QString())
{
    QString bench = R"({"resources":[{"descriptor":"VXI0::24::INSTR","manufacturer_id":3021,)"
                    R"("model_code":417,"slot":5,"logical_address":24,"status_byte":66)";
    if (!module.isEmpty())
        bench += R"(,"module":)" + module;
    bench += "}]";
    if (!faults.isEmpty())
        bench += R"(,"faults":)" + faults;
    return bench + "}";
}

// The application, started live, with the session its driver holds.
struct Live {
    explicit Live(const QString& bench, const QString& commandLine = QString())
        : sim(bench), app(StartApp(commandLine))
    {
        const auto inits = sim.Calls("tsx4410_init");
        if (!inits.empty())
            session = inits[0].Number("vi");
    }
    CInstrumentDriver& Driver() const { return *app->m_pDriver; }

    SimEnv sim;
    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    long long session = -1;
};

// ------------------------------------------------ Reset and Self Test
//
// Their failures (error, timeout, failed text lookup) are cells of
// fault_matrix_test.cpp, and self-test text filling its buffer is in
// bad_answers_test.cpp; here, what a working module answers.

struct CommandCase {
    const char* name;
    void (CMainFrame::*command)();
    const char* function; // called once, with the driver's session
    QString module;
    QString faults;
    QStringList messages;
};
void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class CommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandTest, ShowsWhatTheModuleAnswersWithTheDriversSession)
{
    const CommandCase& c = GetParam();
    Live live(Bench(c.module, c.faults));
    ASSERT_TRUE(live.Driver().IsLive());
    live.recorder.messages.clear();

    (live.app->MainFrame()->*c.command)();

    EXPECT_EQ(live.recorder.messages, c.messages);
    const auto calls = live.sim.Calls(c.function);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Number("vi"), live.session);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CommandTest,
    ::testing::Values(
        // Reset says OK only for zero; a warning is neither OK nor an error.
        CommandCase{"ResetZero", &CMainFrame::OnReset, "tsx4410_reset", "", "", {"Reset OK!"}},
        CommandCase{"ResetWarning", &CMainFrame::OnReset, "tsx4410_reset", "",
                    R"([{"function":"tsx4410_reset","status":"0x3FFA0001"}])", {}},
        CommandCase{"SelfTestPassed", &CMainFrame::OnSelfTest, "tsx4410_self_test",
                    R"({"self_test":{"code":0,"message":"Self test passed"}})", "", {"0, Self test passed"}},
        CommandCase{"SelfTestNegativeCode", &CMainFrame::OnSelfTest, "tsx4410_self_test",
                    R"({"self_test":{"code":-5,"message":"Channel 3 failed"}})", "", {"-5, Channel 3 failed"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------ channel operations

TEST(LiveChannelTest, OperationsReachTheDriverWithItsSession)
{
    Live live(Bench());
    CInstrumentDriver& d = live.Driver();
    ASSERT_TRUE(d.IsLive());

    EXPECT_EQ(d.OpenChannel(2), TRUE);
    d.WriteChannel(2, "ab\n", 3);
    EXPECT_EQ(d.BytesAvailable(2), 3);
    char buffer[8] = {};
    std::uint32_t read = 0;
    d.ReadChannel(2, buffer, 3, &read);
    EXPECT_EQ(std::string(buffer, 3), "ab\n");
    EXPECT_EQ(d.CanWrite(2), TRUE);
    std::int32_t record[24] = {};
    EXPECT_EQ(d.GetChannelProperty(2, kPropChannelConfig, record), TRUE);
    EXPECT_EQ(record[0], 2);
    record[2] = 9600;
    EXPECT_EQ(d.SetChannelProperty(2, kPropChannelConfig, record), TRUE);
    EXPECT_EQ(d.CloseChannel(2), TRUE);
    EXPECT_EQ(d.LastStatus(), 0);

    std::vector<std::string> seen;
    for (const TraceCall& call : live.sim.Trace()) {
        if (call.function.rfind("tsx4410_", 0) != 0 || call.function == "tsx4410_init")
            continue;
        EXPECT_EQ(call.Number("vi"), live.session) << call.function;
        EXPECT_EQ(call.Number("channel"), 2) << call.function;
        seen.push_back(call.function + (call["property"].empty() ? "" : " " + call["property"]));
        if (call.function == "tsx4410_write") {
            EXPECT_EQ(call["bytes"], "ab\n");
        }
        if (call.function == "tsx4410_setProperty") {
            EXPECT_EQ(call["record"].substr(0, 13), "[2,0,9600,8,0");
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"tsx4410_openChannel", "tsx4410_write", "tsx4410_getProperty 19",
                                              "tsx4410_read", "tsx4410_getProperty 29", "tsx4410_getProperty 30",
                                              "tsx4410_setProperty 30", "tsx4410_closeChannel"}));
}

TEST(LiveChannelTest, BusyBitAndWaitingCountComeFromTheProperties)
{
    Live live(Bench(R"({"channels":{"1":{"busy":true},"2":{"bytes_waiting":5000},"3":{"bytes_waiting":-1}}})"));
    CInstrumentDriver& d = live.Driver();
    EXPECT_EQ(d.CanWrite(1), FALSE);
    EXPECT_EQ(d.CanWrite(2), TRUE);
    EXPECT_EQ(d.BytesAvailable(2), 5000);
    EXPECT_EQ(d.BytesAvailable(3), -1);
}

// Each operation that must succeed throws on a negative status, after
// recording it; the caller sees the status through LastStatus.
struct FailureCase {
    const char* name;
    const char* function;
    std::function<void(CInstrumentDriver&)> operation;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class LiveFailureTest : public ::testing::TestWithParam<FailureCase> {};

constexpr ViStatus kInjected = static_cast<ViStatus>(0xBFFA0123u);

TEST_P(LiveFailureTest, NegativeStatusIsRecordedAndAbandonsTheCommand)
{
    const FailureCase& c = GetParam();
    Live live(Bench({}, QString(R"([{"function":"%1","status":"0xBFFA0123"}])").arg(c.function)));
    ASSERT_TRUE(live.Driver().IsLive());
    EXPECT_THROW(c.operation(live.Driver()), CUserException);
    EXPECT_EQ(live.Driver().LastStatus(), kInjected);
    EXPECT_TRUE(live.recorder.messages.isEmpty()) << "the operation itself shows nothing";
}

std::int32_t g_value = 0;
// Room for the largest property, the 96-byte configuration record: the
// driver reads all of it even when the call then fails.
char g_buffer[96];

INSTANTIATE_TEST_SUITE_P(
    Operations, LiveFailureTest,
    ::testing::Values(
        FailureCase{"GetChannelProperty", "tsx4410_getProperty",
                    [](CInstrumentDriver& d) { d.GetChannelProperty(1, 30, g_buffer); }},
        FailureCase{"SetChannelProperty", "tsx4410_setProperty",
                    [](CInstrumentDriver& d) { d.SetChannelProperty(1, 30, g_buffer); }},
        FailureCase{"OpenChannel", "tsx4410_openChannel", [](CInstrumentDriver& d) { d.OpenChannel(1); }},
        FailureCase{"WriteChannel", "tsx4410_write", [](CInstrumentDriver& d) { d.WriteChannel(1, "x", 1); }},
        FailureCase{"ReadChannel", "tsx4410_read",
                    [](CInstrumentDriver& d) { d.ReadChannel(1, g_buffer, 1, nullptr); }},
        FailureCase{"BytesAvailable", "tsx4410_getProperty", [](CInstrumentDriver& d) { g_value = d.BytesAvailable(1); }},
        FailureCase{"CanWrite", "tsx4410_getProperty", [](CInstrumentDriver& d) { g_value = d.CanWrite(1); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LiveStatusTest, CloseChannelAndStatusByteOnlyRecordTheirFailure)
{
    Live live(Bench({}, R"([{"function":"tsx4410_closeChannel","status":"0xBFFA0123"},
                            {"function":"viReadSTB","status":"0xBFFA0123","count":1}])"));
    CInstrumentDriver& d = live.Driver();
    EXPECT_EQ(d.CloseChannel(1), FALSE);
    EXPECT_EQ(d.LastStatus(), kInjected);
    EXPECT_EQ(d.ReadStatusByte(), 0);
    EXPECT_EQ(d.LastStatus(), kInjected);
    EXPECT_EQ(d.ReadStatusByte(), 66);
    EXPECT_EQ(d.LastStatus(), 0) << "a success after a failure clears it";
    const auto stb = live.sim.Calls("viReadSTB");
    ASSERT_EQ(stb.size(), 2u);
    EXPECT_EQ(stb[1].Number("vi"), live.session);
}

TEST(LiveHostTest, AddressAndLabelComeFromTheApplication)
{
    Live live(Bench(), "-l Rack7.LBL");
    CInstrumentDriver& d = live.Driver();
    EXPECT_EQ(d.GetSlot(), 5);
    EXPECT_EQ(d.GetLogicalAddress(), 24);
    EXPECT_EQ(d.GetLabelFileName(), "rack7.lbl");
    EXPECT_EQ(d.GetAddressText(), "Addr Unknown");
    std::int32_t code = -1;
    QString text;
    d.ErrorQuery(code, text);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(text, "None");
    EXPECT_TRUE(live.sim.Calls("tsx4410_error_query").empty());
}

TEST(LiveLifetimeTest, ShutDownClosesTheDriverSessionOnce)
{
    Live live(Bench());
    ASSERT_TRUE(live.Driver().IsLive());
    EXPECT_TRUE(live.sim.Calls("tsx4410_close").empty());
    live.app.reset();
    const auto closes = live.sim.Calls("tsx4410_close");
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].Number("vi"), live.session);
}

// A driver library that lacks an entry point is refused at start-up; an
// access object bound to it anyway fails that operation instead of calling
// through a null pointer.
TEST(LiveMissingEntryTest, MissingEntryPointFailsTheOperation)
{
    SimEnv sim(Bench(), {"variants/driver-missing-tsx4410_write"});
    ModalRecorder recorder;
    auto app = StartApp();
    EXPECT_EQ(recorder.messages, QStringList({LoadString(IDS_NO_DRIVER_DLL)}));

    LibraryHandle module = LoadLibraryByName(kDriverLibraryName);
    ASSERT_NE(module, nullptr);
    auto init = reinterpret_cast<Tsx4410InitFn>(FindEntryPoint(module, "tsx4410_init"));
    ASSERT_NE(init, nullptr);
    ViSession session = 0;
    ASSERT_EQ(init("VXI0::24::INSTR", 0, 0, &session), VI_SUCCESS);

    CLiveDriver driver(session, module);
    EXPECT_EQ(driver.EntryPoints().tsx4410_write, nullptr);
    EXPECT_EQ(driver.OpenChannel(1), TRUE);
    EXPECT_THROW(driver.WriteChannel(1, "x", 1), CUserException);
    EXPECT_EQ(driver.LastStatus(), VI_ERROR_NSUP_OPER);
}

} // namespace
