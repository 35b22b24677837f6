// The panel live on the stand-in driver, checked against the trace: the loop test
// on four channels that answer oddly but possibly (busy, a negative count, more
// than the buffer in short reads), the commands, and a driver lacking an entry point.
#include "common/test_support.h"
#include "controls/led_button.h"
#include "controls/text_static.h"
#include "controls/transfer_edit.h"
#include "instrument/live_driver.h"
#include "panels/channel.h"
#include "panels/panel_list.h"
#include "platform/user_exception.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr int kLit = CStateLedButton::kLit, kDark = CStateLedButton::kDark;

TEST(LivePanel, LoopTestAndCommandsRunThroughTheDriversSession)
{
    // 300 characters: the driver's 256-byte buffer holds them without a zero.
    const QString longText = QStringLiteral("Relay K7 did not settle. ").repeated(12);
    SimPanel p(VxiBench(R"({"pace":"instant","self_test":{"code":-32768,"message":")" + longText +
                            R"("},"channels":{"1":{"busy":true},"3":{"bytes_waiting":-1},)"
                            R"("4":{"bytes_waiting":5000,"short_read":3}}})",
                        R"({"function":"tsx4410_reset","status":"0x3FFA0001"})"), // a warning
               "-l Rack7.LBL");
    CInstrumentDriver& d = *p.app->m_pDriver;
    ASSERT_TRUE(d.IsLive());
    EXPECT_EQ(d.GetLabelFileName(), "rack7.lbl");
    std::int32_t code = -1;
    QString text;
    d.ErrorQuery(code, text); // the module keeps no error queue
    EXPECT_EQ(QString::number(code) + ' ' + text, "0 None");
    const long long session = p.sim.Calls("tsx4410_init").at(0).Number("vi");
    p.StartStop();
    const char* typed[] = {"ab", "hi", "cd", "abcdefg"};
    for (int n = 1; n <= 4; ++n)
        QTest::keyClicks(p.Main()->Channel(n)->TransBox(), typed[n - 1]);
    p.frame->DispatchTimer(); // writes
    char first = 0;
    d.ReadChannel(2, &first, 1, nullptr); // no count wanted back
    EXPECT_EQ(first, 'h');
    for (int i = 0; i < 3; ++i)
        p.frame->DispatchTimer(); // reads, 3 bytes a time on channel 4
    QStringList received;
    std::vector<int> err;
    for (int n = 1; n <= 4; ++n) {
        received << p.Main()->Channel(n)->RecvBox()->text();
        err.push_back(p.Main()->Channel(n)->ErrLamp()->State());
    }
    // Only what arrived is shown; a negative count is no count and lights Err.
    EXPECT_EQ(received, QStringList({"", "i", "", "abcdefg"}));
    EXPECT_EQ(err, (std::vector<int>{kDark, kDark, kLit, kDark}));

    // Only a clean reset says so; the self-test text is cut to its buffer.
    p.StartStop();
    p.frame->OnSelfTest();
    p.frame->OnReset();
    EXPECT_EQ(p.recorder.messages, QStringList{"-32768, " + longText.left(255)});
    p.frame->OnStatusPanel();
    auto* status = p.app->m_panels.FindByStringId(IDS_STATUS_PANEL)->m_pDialog;
    EXPECT_EQ(status->Item<CTextStatic>(IDC_STATUS_BYTE)->Text(), "1000010"); // 66

    p.app.reset(); // shut-down closes the driver's session once
    EXPECT_EQ(p.sim.Calls("tsx4410_close").size(), 1u);
    std::vector<std::string> onChannel2;
    std::map<long long, std::vector<long long>> asked;
    std::map<long long, std::string> written;
    for (const TraceCall& call : p.sim.Trace()) {
        if (call.function.rfind("tsx4410_", 0) != 0 || call.function == "tsx4410_init")
            continue;
        const long long channel = call.Number("channel");
        EXPECT_EQ(call.Number("vi"), session) << call.function;
        if (call.function == "tsx4410_setProperty") { // the defaults, mode NORMAL in word 0
            EXPECT_EQ(call["record"].rfind("[0,", 0), 0u) << call["record"];
            EXPECT_NE(call["record"].find(",9600,9600,1,4,8,7,"), std::string::npos) << call["record"];
        }
        if (call.function == "tsx4410_read")
            asked[channel].push_back(call.Number("count"));
        if (call.function == "tsx4410_write")
            written[channel] += call["bytes"];
        if (channel == 2)
            onChannel2.push_back(call.function.substr(8) + ' ' + call["property"] + call["bytes"] +
                                 call["count"]);
    }
    EXPECT_EQ(onChannel2, (decltype(onChannel2){"openChannel ", "getProperty 30", "setProperty 30",
                                                "getProperty 19", "getProperty 29", "write hi2", "read h1",
                                                "getProperty 19", "read i1", "getProperty 19",
                                                "getProperty 19", "closeChannel ", "closeChannel "}));
    // Never more than the 2048-byte buffer; nothing on a busy channel.
    EXPECT_EQ(asked, (decltype(asked){{2, {1, 1}}, {4, {2048, 2048, 2048, 2048}}}));
    EXPECT_EQ(written, (decltype(written){{2, "hi"}, {3, "cd"}, {4, "abcdefg"}}));
}

// Such a library is refused at start-up (see the discovery roads); an access
// object bound to it anyway fails the operation instead of calling through a
// null pointer.
TEST(LiveMissingEntry, FailsTheOperation)
{
    SimPanel p(QString(), QString(), {"variants/driver-missing-tsx4410_write"});
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
