// The Main Panel and its four channels on a loopback access object: what it
// shows, the road of a typed character, start and stop, leaving the panel,
// and every failure road of the channel poll.
#include "controls/bitmap_static.h"
#include "controls/led_button.h"
#include "controls/transfer_edit.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/setting_panel.h"
#include "widget_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstring>
#include <functional>
#include <map>

namespace {

constexpr int kLit = 0, kDark = 1, kDim = 2;
using Lamps = std::vector<int>; // Rx, Tx, Err

// A loopback access object whose reads can fail as a live one's do, and which logs closes and writes.
class ScriptedDriver : public CNonLiveDriver {
public:
    std::function<bool(int)> failRead; // true: the read throws
    std::function<BOOL(int)> openResult;
    std::function<std::int32_t(int)> waitingCount; // in place of the loopback's count
    QStringList calls;
    std::map<int, ConfigRecord> written; // the configuration record per channel
    std::map<int, int> readAsked;

    BOOL OpenChannel(int ch) override { return openResult ? openResult(ch) : TRUE; }
    BOOL CloseChannel(int ch) override { return calls << QStringLiteral("close %1").arg(ch), TRUE; }
    BOOL SetChannelProperty(int ch, int, void* value) override
    {
        return std::memcpy(written[ch].data(), value, kConfigRecordSize), TRUE;
    }
    std::int32_t BytesAvailable(int ch) override { return waitingCount ? waitingCount(ch) : CNonLiveDriver::BytesAvailable(ch); }
    void ReadChannel(int ch, char* buffer, int count, std::uint32_t* read) override
    {
        readAsked[ch] = count;
        if (failRead && failRead(ch))
            throw CUserException();
        waitingCount ? void(std::memset(buffer, 'r', count)) : CNonLiveDriver::ReadChannel(ch, buffer, count, read);
    }
    void WriteChannel(int ch, const char* bytes, int count) override
    {
        calls << QStringLiteral("write %1").arg(ch);
        CNonLiveDriver::WriteChannel(ch, bytes, count);
    }
};

class MainPanel : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        store = static_cast<CSettingObj*>(app->m_panels.FindByStringId(IDS_SETTING_PANEL));
    }
    // Puts a scripted access object in place and rebuilds the panel on it.
    ScriptedDriver* Script()
    {
        auto* driver = UseDriver(new ScriptedDriver);
        Run(&CMainFrame::OnMainPanel);
        return driver;
    }
    CPan1Dlg* Dialog() const { return static_cast<CPan1Dlg*>(DialogOf(IDS_MAIN_PANEL)); }
    CChannel* Ch(int n) const { return Dialog()->Channel(n); }
    QString Label(int id) const { return Dialog()->Item<QLabel>(id)->text(); }
    QString Button() const { return Dialog()->StartStopButton()->text(); }
    void Click() { QTest::mouseClick(Dialog()->StartStopButton(), Qt::LeftButton); }
    void Tick() { frame->DispatchTimer(); }
    Lamps LampsOf(int n) const { return {Ch(n)->RxLamp()->State(), Ch(n)->TxLamp()->State(), Ch(n)->ErrLamp()->State()}; }
    CSettingObj* store = nullptr;
};

TEST_F(MainPanel, NonLiveShowsLogosADarkLampNoSlotAndTheUnknownResource)
{
    CPan1Dlg* d = Dialog();
    EXPECT_EQ(d->ActiveLamp()->LampColor(), RGB(64, 64, 64));
    EXPECT_TRUE(d->SlotBox().isHidden() && d->GetDlgItem(IDC_SLOT_LABEL)->isHidden());
    EXPECT_EQ(d->ResourceBox().Text(), QStringLiteral("?"));
    EXPECT_EQ(d->Banner().m_crTopLeft, RGB(255, 255, 255)) << "the banner is raised";
    EXPECT_EQ(d->ResourceBox().m_crTopLeft, RGB(128, 128, 128)) << "read-outs are sunken";
    EXPECT_EQ(Button(), QStringLiteral("Start Test"));
    // The drawn controls sit in their placeholders' places.
    for (int id : {IDC_LOGO, IDC_STANDARDS_LOGO})
        EXPECT_TRUE(qobject_cast<CBitmapStatic*>(d->GetDlgItem(id)) && d->GetDlgItem(id)->isVisible()) << id;
    EXPECT_TRUE(d->GetDlgItem(IDC_ACTIVE_LAMP) == d->ActiveLamp() && d->GetDlgItem(IDC_BODY_FRAME) == d->BodyFrame());
    EXPECT_TRUE(d->Item<CTextStatic>(IDC_RESOURCE) && d->Item<CTextStatic>(IDC_BANNER) && d->Item<CTextStatic>(IDC_ADDRESS_FRAME));
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(LampsOf(n), (Lamps{kDark, kDark, kDark}));
        EXPECT_FALSE(Ch(n)->TransBox()->isEnabled() || Ch(n)->RecvBox()->isEnabled());
        // Rx, Tx and Err lamps: one column of equal squares on the panel's grey.
        const QRect rx = Ch(n)->RxLamp()->geometry(), tx = Ch(n)->TxLamp()->geometry(), err = Ch(n)->ErrLamp()->geometry();
        EXPECT_TRUE(rx.x() == tx.x() && tx.x() == err.x() && rx.size() == err.size() && rx.top() < tx.top() && tx.top() < err.top()) << n;
        EXPECT_EQ(d->GetDlgItem(IDC_ERR_LAMP + n - 1), Ch(n)->ErrLamp());
        EXPECT_EQ(Ch(n)->ErrLamp()->BackgroundColor(), RGB(192, 192, 192));
    }
    EXPECT_EQ(Ch(2)->RxLamp()->accessibleName(), QStringLiteral("Channel 2 Rx"));
    EXPECT_EQ(Ch(3)->TransBox()->accessibleName(), QStringLiteral("Channel 3 Trans"));
}

TEST_F(MainPanel, LeavingThePanelStopsTheTestClosesTheChannelsAndReturningShowsItStopped)
{
    ScriptedDriver* driver = Script();
    Click();
    QTest::keyClicks(Ch(1)->TransBox(), "xy");
    driver->calls.clear();
    Run(&CMainFrame::OnStatusPanel);
    EXPECT_EQ(driver->calls, (QStringList{"close 1", "close 2", "close 3", "close 4"}));
    EXPECT_FALSE(frame->IsTimerRunning());
    store->SetChannelSettings(2, "19.2k", "7", "Even", "2", "RTS/CTS", 0, "AUTO-ECHO");
    Run(&CMainFrame::OnMainPanel);
    EXPECT_EQ(Button(), QStringLiteral("Start Test"));
    EXPECT_EQ(Dialog()->IsRunning(), 0);
    // The labels show the stored settings as the panel is built.
    EXPECT_EQ(QStringList({Label(IDC_BAUD_LABEL + 2), Label(IDC_PARITY_LABEL + 2), Label(IDC_FLOW_LABEL + 2), Label(IDC_DATA_LABEL + 2)}),
              QStringList({"Baud:19.2k", "Parity: Disable Even", "Flow Ctl: RTS/CTS", "Data: 7"}));
    EXPECT_EQ(QStringList({Label(IDC_BAUD_LABEL + 1), Label(IDC_PARITY_LABEL + 1), Label(IDC_FLOW_LABEL), Label(IDC_DATA_LABEL + 3)}),
              QStringList({"Baud:9600", "Parity: Enable  None", "Flow Ctl: None", "Data: 8"}));
    EXPECT_EQ(Ch(1)->TransBox()->text(), QString());
}

TEST_F(MainPanel, StartSendsEachChannelsOwnSettingsAsItsConfigurationRecord)
{
    store->SetChannelSettings(1, "9600", "8", "None", "1", "Xon/Xoff", 1, "NORMAL");
    store->SetChannelSettings(3, "38.4k", "5", "Force 1", "1.5", "DTR/DSR", 0, "REMOTE-LOOP");
    ScriptedDriver* driver = Script();
    Click();
    // {channel, word, value}: 0 mode, 3 baud, 5 check, 7 data, 9 xon, 13 dtr
    const int rows[][3] = {{1, 0, 0}, {1, 3, 9600}, {1, 5, 1}, {1, 7, 8}, {1, 9, 0}, {2, 9, 1}, {3, 9, 0},
                           {4, 0, 3}, {4, 3, 38400}, {4, 5, 0}, {4, 7, 5}, {4, 13, 3}};
    for (const auto& r : rows)
        EXPECT_EQ(RecordWord(driver->written[r[0]], r[1]), r[2]) << "channel " << r[0] << " word " << r[1];
}

TEST_F(MainPanel, AChannelThatFailsToOpenDimsItsLampsAndTheTestRunsOn)
{
    ScriptedDriver* driver = Script();
    driver->openResult = [](int ch) { return ch == 3 ? FALSE : TRUE; };
    Click();
    EXPECT_EQ(recorder.messages, QStringList{msg::kChannelOpenError});
    EXPECT_EQ(LampsOf(3), (Lamps{kDim, kDim, kDim}));
    EXPECT_FALSE(Ch(3)->TransBox()->isEnabled());
    EXPECT_TRUE(Ch(4)->TransBox()->isEnabled());
    EXPECT_TRUE(frame->IsTimerRunning());
    Tick();
    EXPECT_EQ(Ch(3)->ErrLamp()->State(), kDim) << "Err stays dim until a read succeeds";
    Click();
    EXPECT_EQ(LampsOf(3)[2], kDim) << "Stop leaves an unopened channel's lamps alone";
    EXPECT_TRUE(driver->calls.contains("close 3"));
}

TEST_F(MainPanel, AFailedReadLightsErrSilentlyStillTransmitsAndStopPutsErrBack)
{
    ScriptedDriver* driver = Script();
    Click();
    QTest::keyClick(Ch(1)->TransBox(), Qt::Key_Q);
    Tick(); // q written
    QTest::keyClick(Ch(1)->TransBox(), Qt::Key_W);
    driver->failRead = [](int ch) { return ch == 1; };
    Tick();
    EXPECT_EQ(LampsOf(1), (Lamps{kLit, kLit, kLit}));
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_EQ(driver->calls.filter("write 1").size(), 2);
    driver->failRead = nullptr;
    Tick();
    EXPECT_EQ(Ch(1)->ErrLamp()->State(), kDark) << "a good read puts Err out";
    driver->failRead = [](int ch) { return ch == 1; };
    QTest::keyClick(Ch(1)->TransBox(), Qt::Key_E);
    Tick();
    Tick();
    EXPECT_EQ(Ch(1)->ErrLamp()->State(), kLit);
    Click();
    EXPECT_EQ(LampsOf(1), (Lamps{kDark, kDark, kDark})) << "Stop puts every lamp back";
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
    EXPECT_EQ(LampsOf(1), (Lamps{kDark, kDark, kLit}));
    for (auto [waiting, read] : std::vector<std::pair<int, int>>{{0, 0}, {2048, 2048}, {2049, 2048}, {-1, 0}, {INT32_MIN, 0}, {INT32_MAX, 2048}})
        EXPECT_EQ(BytesToReadThisPoll(waiting), read) << waiting;
}

} // namespace
