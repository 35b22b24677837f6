// The program on the non-live system as the operator drives it: main window, start-up, menu commands,
// timer tick, shut-down, help window, and the three panels over a scripted loopback access object.
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "app/signal_exit.h"
#include "common/messages.h"
#include "common/test_support.h"
#include "controls/bitmap_static.h"
#include "controls/led_button.h"
#include "controls/text_static.h"
#include "controls/transfer_edit.h"
#include "instrument/instrument_driver.h"
#include "instrument/report_error.h"
#include "instrument/select_instrument_dlg.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/panel.h"
#include "panels/panel_dialog.h"
#include "panels/panel_list.h"
#include "panels/setting_panel.h"
#include "panels/status_panel.h"
#include "panels/traffic/traffic_window.h"
#include "platform/colors.h"
#include "platform/help_viewer.h"
#include "platform/modal_runner.h"
#include "platform/string_table.h"
#include "platform/user_exception.h"
#include "resources/dialog_templates.h"
#include "resources/menu_resource.h"
#include "resources/resource_ids.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <map>

namespace {

// A panel that logs its Update and its deletion and runs what the test says.
struct ProbePanel : CPanel {
    ProbePanel(const char* name, QStringList* log) : CPanel(QString::fromLatin1(name)), log(log) {}
    ~ProbePanel() override { *log << QStringLiteral("delete ") + m_strName; }
    void Update() override { *log << m_strName, onUpdate ? onUpdate() : void(); }
    QStringList* log;
    std::function<void()> onUpdate;
};

struct ProbeDriver : CNonLiveDriver {
    explicit ProbeDriver(QStringList* log) : log(log) {}
    ~ProbeDriver() override { *log << QStringLiteral("delete driver"); }
    QStringList* log;
};

class AppShell : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = StartApp();
        frame = app->MainFrame();
        startup = recorder.messages;
        recorder.messages.clear();
        recorder.captions.clear();
    }
    template <class D> D* UseDriver(D* driver)
    {
        delete app->m_pDriver;
        app->m_pDriver = driver;
        return driver;
    }
    // A menu command. Through a local: GCC's vptr check misreads a member pointer on a fixture member.
    void Run(void (CMainFrame::*command)())
    {
        CMainFrame* f = frame;
        (f->*command)();
        ProcessEvents();
    }
    CPanelDialog* DialogOf(int panelId) const { return app->m_panels.FindByStringId(panelId)->m_pDialog; }
    QString Current() const { return app->m_pCurrentPanel ? app->m_pCurrentPanel->m_strName : QString(); }
    // Replaces the three panels by probes of the same names.
    std::vector<ProbePanel*> UseProbePanels()
    {
        app->CloseCurrentPanel(app->m_panels.FindByName("Main Panel"));
        for (CPanel* p : app->m_panels)
            delete p;
        app->m_panels.RemoveAll();
        app->m_pCurrentPanel = nullptr;
        std::vector<ProbePanel*> probes;
        for (const char* name : {"Main Panel", "Setting Panel", "Status Panel"})
            app->m_panels.AddTail(probes.emplace_back(new ProbePanel(name, &log)));
        return probes;
    }

    QStringList log; // outlives the application, whose test panels and drivers write to it
    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
    QStringList startup; // message boxes of the start
};

TEST(MainWindow, OpensTheTrafficWindowBesideItWhereTheScreenHasRoom)
{
    const QRect wide(0, 0, 1920, 1080), small(0, 0, 1024, 768);
    const struct { QRect main, screen; QPoint at; } rows[] = {{{100, 100, 402, 404}, wide, {502, 100}}, // to its right
        {{1400, 100, 402, 404}, wide, {640, 100}}, {{300, 50, 402, 404}, small, {264, 50}}, // left; over it, on screen
        {{100, 600, 402, 404}, wide, {502, 520}}, {{-50, -20, 402, 404}, small, {264, 0}},
        {{759, 338, 520, 420}, wide, {0, 338}}, {{600, 50, 402, 404}, wide, {1002, 50}}}; // the side with more room
    for (const auto& r : rows)
        EXPECT_EQ(PlaceBeside(r.main, {760, 560}, r.screen), r.at) << r.main.left();
}

TEST(MainWindow, IsMadeFixedAtItsFirstSizeCentredWithoutAMaximiseBox)
{
    CMainFrame frame;
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("TSX4410 SFP"));
    EXPECT_TRUE(frame.minimumSize() == QSize(402, 404) && frame.maximumSize() == QSize(402, 404));
    EXPECT_EQ(frame.pos(), CenteredOrigin(QGuiApplication::primaryScreen()->geometry().size(), QSize(402, 404)));
    EXPECT_FALSE(frame.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(AppShell, StartsNonLiveOnTheMainPanelAfterSayingVisaIsMissing)
{
    EXPECT_EQ(startup, QStringList{msg::kNoVisa});
    EXPECT_EQ(Current(), QStringLiteral("Main Panel"));
    EXPECT_EQ(app->m_panels.FindByName("main panel"), nullptr);
    EXPECT_TRUE(app->m_pDriver->IsLive() == 0 && app->InstrumentSlot() == -1 && app->m_crActiveLamp == RGB(64, 64, 64));
    EXPECT_EQ(app->m_strResourceName + app->m_strLabelFile, QStringLiteral("?tsx4410.lbl"));
}

// Every menu item as the operator chooses it; a panel switch builds a new
// dialog and fits the fixed window to it.
TEST_F(AppShell, EachMenuItemRunsItsCommand)
{
    QString helpAsked;
    SetHelpViewer([&](QWidget*, const QString& file) { helpAsked = file; });
    const struct { int menu, item; QString text, panel, message; } rows[] = {
        {1, 2, "&Status ", "Status Panel", ""},         {1, 1, "s&Etting Panel", "Setting Panel", ""},
        {1, 0, "&Main Panel", "Main Panel", ""},        {0, 1, "Self &Test", "Main Panel", msg::kNonLiveSelfTest},
        {0, 0, "&Reset", "Main Panel", msg::kNonLiveReset}, {2, 0, "&Help Contents", "Status Panel", ""},
        {2, 2, "&About...", "Status Panel", ""},        {0, 3, "&Exit", "", ""},
    };
    const QList<QAction*> menus = frame->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    for (const auto& r : rows) {
        recorder.messages.clear();
        Run(&CMainFrame::OnStatusPanel);
        QAction* item = menus[r.menu]->menu()->actions().value(r.item);
        ASSERT_TRUE(item && item->text() == r.text) << r.text.toStdString();
        item->trigger();
        ProcessEvents();
        EXPECT_EQ(recorder.messages.join(QString()), r.message) << r.text.toStdString();
        if (r.panel.isEmpty()) {
            EXPECT_EQ(app->MainFrame(), nullptr);
            continue;
        }
        EXPECT_EQ(Current(), r.panel) << r.text.toStdString();
        EXPECT_EQ(CPanelDialog::LiveCount(), 1);
        EXPECT_EQ(frame->ClientArea()->size(), app->m_pCurrentPanel->m_pDialog->size());
        EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
    }
    EXPECT_EQ(helpAsked, QStringLiteral("tsx4410.hlp"));
    EXPECT_EQ(recorder.dialogTitles, QStringList{QStringLiteral("About tsxXXXX Sfp")});
    EXPECT_EQ(recorder.captions.value(0), msg::kAppTitle);
    SetHelpViewer(nullptr);
}

TEST_F(AppShell, ATickUpdatesThePanelsInOrderDropsNestedTicksAndClearsItsFlagAfterAnException)
{
    std::vector<ProbePanel*> probes = UseProbePanels();
    probes[0]->onUpdate = [&] {
        if (log.size() == 1)
            frame->DispatchTimer(); // as if a message box of this tick let a tick in
    };
    frame->DispatchTimer();
    EXPECT_EQ(log, (QStringList{"Main Panel", "Setting Panel", "Status Panel"}));
    EXPECT_EQ(frame->m_bInTimer, 0);

    log.clear();
    probes[0]->onUpdate = [] { throw CUserException(); };
    frame->SetTimer(CMainFrame::kPollTimerId, CMainFrame::kPollPeriodMs);
    frame->DispatchTimer();
    frame->DispatchTimer(); // not dropped: the flag went with the exception
    EXPECT_EQ(log, (QStringList{"Main Panel", "Main Panel"}));
    EXPECT_TRUE(frame->m_bInTimer == 0 && frame->IsTimerRunning() && recorder.messages.isEmpty());
    app->StopPollTimer();
    EXPECT_TRUE(frame->m_bInTimer == 0 && !frame->IsTimerRunning());
}

// The close box shuts down as Options, Exit does (see the menu test), without a question.
TEST_F(AppShell, ShutDownReleasesPanelsInListOrderThenTheDriverExactlyOnce)
{
    UseProbePanels();
    UseDriver(new ProbeDriver(&log));
    log.clear();
    EXPECT_TRUE(frame->close());
    ProcessEvents();
    EXPECT_EQ(log, (QStringList{"delete Main Panel", "delete Setting Panel", "delete Status Panel", "delete driver"}));
    EXPECT_EQ(CPanelDialog::LiveCount(), 0);
    EXPECT_EQ(app->MainFrame(), nullptr);
    EXPECT_TRUE(recorder.messages.isEmpty());
    app.reset();
    EXPECT_EQ(log.size(), 4) << "nothing is released twice";
}


const QString kHelp = QStringLiteral("tsx4410.hlp");

// A signal while the first box of a report waits: the exit road runs once, and nothing new waits for the operator.
TEST_F(AppShell, ASignalDuringAReportLeavesWithoutPuttingUpItsSecondBox)
{
    int exits = 0;
    InstallSignalExit([&] { ++exits; });
    recorder.onMessage = [&](const QString&) {
        if (recorder.messages.size() == 1) {
            raise(SIGTERM);
            for (int i = 0; i < 100 && !exits; ++i)
                QTest::qWait(5);
        }
    };
    ReportInstrumentError(VI_ERROR_TMO);
    SetModalsRefused(false);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(recorder.messages, QStringList({"Time Out !"}));
}

QTextBrowser* HelpWindow() // the one help window, if any
{
    QTextBrowser* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        found = w->objectName() == QLatin1String(kHelpWindowName) ? qobject_cast<QTextBrowser*>(w) : found;
    return found;
}

TEST(HelpWindow, ShowsTheBuiltDocumentInOneWindowBackAtItsContentsEachTime)
{
    ModalRecorder recorder;
    ShowHelpContents(nullptr, kHelp);
    QPointer<QTextBrowser> help = HelpWindow();
    ASSERT_TRUE(help && help->isWindow() && help->isVisible());
    EXPECT_TRUE(help->windowTitle() == "TSX4410 Soft Front Panel Help" && help->size() == QSize(680, 620));
    EXPECT_EQ(QFileInfo(help->source().toLocalFile()).canonicalFilePath(), QFileInfo(QDir(QCoreApplication::applicationDirPath()), "tsx4410.html").canonicalFilePath());
    help->resize(500, 300);
    help->setSource(help->source().resolved(QUrl(QStringLiteral("#messages"))));
    QCoreApplication::processEvents();
    ASSERT_GT(help->verticalScrollBar()->value(), 0);
    ShowHelpContents(nullptr, kHelp);
    EXPECT_EQ(HelpWindow(), help.data());
    EXPECT_EQ(help->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(recorder.messages.isEmpty());
    delete HelpWindow();

    ShowHelpContents(nullptr, QStringLiteral("no-such-help.hlp"));
    ASSERT_EQ(recorder.messages.size(), 1);
    for (const QString& part : {QStringLiteral("no-such-help.hlp"), QStringLiteral("no-such-help.html"), QCoreApplication::applicationDirPath()})
        EXPECT_TRUE(recorder.messages[0].contains(part)) << part.toStdString();
    EXPECT_NE(recorder.captions.value(0), msg::kAppTitle) << "the viewer's own box";
    EXPECT_FALSE(HelpWindow());
}

constexpr int kLit = 0, kDark = 1, kDim = 2;
using Lamps = std::vector<int>; // Rx, Tx, Err

// A loopback access object with a chosen status byte, error queue and open result; reads can fail.
class ScriptedDriver : public CNonLiveDriver {
public:
    std::function<bool(int)> failRead;
    std::function<BOOL(int)> openResult;
    std::function<int(int)> takes; // how many bytes of a write the channel takes; negative: it throws
    QStringList calls;
    std::map<int, ConfigRecord> written; // the configuration record per channel
    std::uint16_t statusByte = 0;
    std::int32_t code = 0;
    QString text = QStringLiteral("None");

    std::uint16_t ReadStatusByte() override { return statusByte; }
    void ErrorQuery(std::int32_t& c, QString& m) override { c = code, m = text; }
    BOOL OpenChannel(int ch) override { return openResult ? openResult(ch) : TRUE; }
    BOOL CloseChannel(int ch) override { return calls << QStringLiteral("close %1").arg(ch), TRUE; }
    BOOL SetChannelProperty(int ch, int, void* v) override { return std::memcpy(written[ch].data(), v, kConfigRecordSize), TRUE; }
    void ReadChannel(int ch, char* buffer, int count, std::uint32_t* read) override
    {
        if (failRead && failRead(ch))
            throw CUserException();
        CNonLiveDriver::ReadChannel(ch, buffer, count, read);
    }
    void WriteChannel(int ch, const char* bytes, int count, std::uint32_t* taken) override
    {
        calls << QStringLiteral("write %1").arg(ch);
        if (takes && (count = takes(count)) < 0)
            throw CUserException();
        CNonLiveDriver::WriteChannel(ch, bytes, count, taken);
    }
};

class Panels : public AppShell {
protected:
    void SetUp() override
    {
        AppShell::SetUp();
        store = static_cast<CSettingObj*>(app->m_panels.FindByStringId(IDS_SETTING_PANEL));
        EXPECT_EQ(store->CurrentChannel(), 0);
        driver = UseDriver(new ScriptedDriver);
        Run(&CMainFrame::OnMainPanel);
    }
    template <class T> T* Open(void (CMainFrame::*command)(), int panelId)
    {
        Run(&CMainFrame::OnMainPanel);
        Run(command);
        return qobject_cast<T*>(DialogOf(panelId));
    }
    CPan1Dlg* Main() const { return static_cast<CPan1Dlg*>(DialogOf(IDS_MAIN_PANEL)); }
    CChannel* Ch(int n) const { return Main()->Channel(n); }
    QString Label(int id) const { return Main()->Item<QLabel>(id)->text(); }
    QString Button() const { return Main()->StartStopButton()->text(); }
    void Click() { QTest::mouseClick(Main()->StartStopButton(), Qt::LeftButton); }
    void Tick() { frame->DispatchTimer(); }
    Lamps LampsOf(int n) const { return {Ch(n)->RxLamp()->State(), Ch(n)->TxLamp()->State(), Ch(n)->ErrLamp()->State()}; }
    CSettingObj* store = nullptr;
    ScriptedDriver* driver = nullptr;
};


// What the template walk does not see: the lamps' colours and the bevels' directions.
TEST_F(Panels, MainPanelNonLiveShowsDarkLampsRaisedBannerAndSunkenReadOutsAndBody)
{
    CPan1Dlg* d = Main();
    EXPECT_EQ(d->ActiveLamp()->LampColor(), RGB(64, 64, 64));
    EXPECT_EQ(d->Banner().m_crTopLeft, RGB(255, 255, 255)) << "the banner is raised";
    EXPECT_EQ(d->ResourceBox().m_crTopLeft, RGB(128, 128, 128)) << "read-outs are sunken";
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(LampsOf(n), (Lamps{kDark, kDark, kDark}));
        EXPECT_EQ(Ch(n)->ErrLamp()->BackgroundColor(), RGB(192, 192, 192));
    }
    // The body's sunken frame along its whole length, in its own colours, inside a ring of the dark grey panel.
    const QImage img = d->grab().toImage();
    const QRect b = d->BodyFrame()->geometry();
    const QColor tl = ToQColor(d->BodyFrame()->m_crTopLeft), br = ToQColor(d->BodyFrame()->m_crBottomRight);
    const std::tuple<QPoint, QPoint, int, QColor> runs[] = {
        {b.topLeft() + QPoint(1, 1), {1, 0}, b.width() - 4, tl},  {b.topLeft() + QPoint(1, 1), {0, 1}, b.height() - 4, tl},
        {b.topRight() + QPoint(-1, 1), {0, 1}, b.height() - 2, br}, {b.bottomLeft() + QPoint(1, -1), {1, 0}, b.width() - 2, br},
        {b.topLeft() + QPoint(3, 3), {1, 0}, b.width() - 6, ToQColor(d->BodyFrame()->m_crBackground)},
        {b.topLeft(), {1, 0}, b.width(), QColor(64, 64, 64)},       {b.topLeft(), {0, 1}, b.height(), QColor(64, 64, 64)}};
    for (const auto& [from, step, length, colour] : runs) {
        int wrong = 0;
        for (int i = 0; i < length; ++i) {
            const QPoint at = from + i * step;
            const QList<QWidget*> others = d->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            wrong += img.pixelColor(at) != colour && std::none_of(others.begin(), others.end(), [&](QWidget* w) {
                         return w != d->BodyFrame() && w->isVisible() && w->geometry().contains(at); // under another control
                     });
        }
        EXPECT_EQ(wrong, 0) << "from " << from.x() << "," << from.y() << " towards " << step.x() << "," << step.y();
    }
}

TEST_F(Panels, MainPanelSendsEachChannelsSettingsAndLeavingItStopsTheTestAndClosesTheChannels)
{
    store->SetChannelSettings(1, "9600", "8", "None", "1", "Xon/Xoff", 1, "NORMAL");
    store->SetChannelSettings(3, "38.4k", "5", "Force 1", "1.5", "DTR/DSR", 0, "REMOTE-LOOP");
    Click();
    EXPECT_EQ(Button(), QStringLiteral("Stop!"));
    // {channel, word, value}: 0 mode, 3 baud, 5 check, 7 data, 9 xon, 13 dtr
    const int rows[][3] = {{1, 0, 0}, {1, 3, 9600}, {1, 5, 1}, {1, 7, 8}, {1, 9, 0}, {2, 9, 1}, {3, 9, 0},
                           {4, 0, 3}, {4, 3, 38400}, {4, 5, 0}, {4, 7, 5}, {4, 13, 3}};
    for (const auto& r : rows)
        EXPECT_EQ(RecordWord(driver->written[r[0]], r[1]), r[2]) << "channel " << r[0] << " word " << r[1];
    QTest::keyClicks(Ch(1)->TransBox(), "xy");
    driver->calls.clear();
    Run(&CMainFrame::OnStatusPanel);
    EXPECT_EQ(driver->calls, (QStringList{"close 1", "close 2", "close 3", "close 4"}));
    EXPECT_FALSE(frame->IsTimerRunning());
    Run(&CMainFrame::OnMainPanel);
    EXPECT_EQ(Button(), QStringLiteral("Start Test"));
    EXPECT_EQ(Main()->IsRunning(), 0);
    EXPECT_EQ(Ch(1)->TransBox()->text(), QString());
    EXPECT_EQ(QStringList({Label(IDC_BAUD_LABEL + 3), Label(IDC_PARITY_LABEL + 3), Label(IDC_FLOW_LABEL + 3), Label(IDC_DATA_LABEL + 3),
                           Label(IDC_BAUD_LABEL), Label(IDC_PARITY_LABEL)}),
              QStringList({"Baud:38.4k", "Parity: Disable Force 1", "Flow Ctl: DTR/DSR", "Data: 5", "Baud:9600", "Parity: Enable  None"}));
}

TEST_F(Panels, MainPanelChannelThatFailsToOpenDimsItsLampsAndTheTestRunsOn)
{
    driver->openResult = [](int ch) { return ch == 3 ? FALSE : TRUE; };
    Click();
    EXPECT_EQ(recorder.messages, QStringList{msg::kChannelOpenError});
    EXPECT_EQ(LampsOf(3), (Lamps{kDim, kDim, kDim}));
    EXPECT_FALSE(Ch(3)->TransBox()->isEnabled());
    EXPECT_TRUE(Ch(4)->TransBox()->isEnabled() && frame->IsTimerRunning());
    Tick();
    EXPECT_EQ(Ch(3)->ErrLamp()->State(), kDim) << "Err stays dim until a read succeeds";
    Click();
    EXPECT_EQ(LampsOf(3)[2], kDim) << "Stop leaves an unopened channel's lamps alone";
    EXPECT_TRUE(driver->calls.contains("close 3"));
}

TEST_F(Panels, MainPanelTypedTextComesBackAFailedReadLightsErrSilentlyAndStopPutsEveryLampBack)
{
    Click();
    QTest::keyClicks(Ch(1)->TransBox(), "q"), QTest::keyClicks(Ch(2)->TransBox(), "q");
    Tick(); // q written on both
    EXPECT_EQ(LampsOf(1), (Lamps{kDark, kLit, kDark}));
    QTest::keyClick(Ch(1)->TransBox(), Qt::Key_W);
    driver->failRead = [](int ch) { return ch <= 2; };
    Tick();
    EXPECT_EQ(LampsOf(1), (Lamps{kLit, kLit, kLit}));
    EXPECT_EQ(QList<COLORREF>({Ch(1)->RxLamp()->LampColor(), Ch(1)->ErrLamp()->LampColor()}), QList<COLORREF>({RGB(0, 255, 0), RGB(255, 128, 0)}));
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_EQ(driver->calls.filter("write 1").size(), 2) << "the transmit step still runs";
    driver->failRead = [](int ch) { return ch == 2; };
    Tick();
    EXPECT_EQ(LampsOf(1), (Lamps{kLit, kDark, kDark})) << "a good read puts Err out";
    EXPECT_EQ(Ch(1)->RecvBox()->text(), QStringLiteral("qw"));
    EXPECT_EQ(Ch(2)->ErrLamp()->State(), kLit);
    Click();
    EXPECT_EQ(LampsOf(2), (Lamps{kDark, kDark, kDark}));
    EXPECT_EQ(Button(), QStringLiteral("Start Test"));
    EXPECT_FALSE(frame->IsTimerRunning() || Ch(1)->TransBox()->isEnabled() || Ch(1)->RecvBox()->isEnabled());
    EXPECT_EQ(Ch(1)->TransBox()->text(), QStringLiteral("qw")) << "a stopped box keeps its text on show";
}


const QStringList kDefaults{"NORMAL", "9600", "8", "None", "1", "None", "ticked"};

class SettingPanel : public Panels {
protected:
    void SetUp() override { Panels::SetUp(), Reopen(); }
    void Reopen() { ASSERT_TRUE(dlg = Open<CSettingDlg>(&CMainFrame::OnSettingPanel, IDS_SETTING_PANEL)); }
    QComboBox* List(int id) const { return dlg->Item<QComboBox>(id); }
    QAbstractButton* Restore() const { return dlg->Item<QAbstractButton>(IDC_RESTORE); }
    void Tab(int index) { dlg->TabControl()->tabBar()->setCurrentIndex(index); }
    void Choose(int id, const QString& text) // as the operator picks an item
    {
        ASSERT_GE(List(id)->findText(text), 0);
        List(id)->setCurrentText(text);
        emit List(id)->activated(List(id)->currentIndex());
    }
    QStringList Shown() const // the six lists and the box, top to bottom
    {
        QStringList shown;
        for (int id : {IDC_MODE, IDC_BAUD, IDC_DATA_BITS, IDC_PARITY, IDC_STOP_BITS, IDC_FLOW_CONTROL})
            shown << List(id)->currentText();
        return shown << (dlg->Item<QCheckBox>(IDC_PARITY_CHECK)->isChecked() ? "ticked" : "clear");
    }
    CSettingDlg* dlg = nullptr;
};

// Each control edits its own setting of the shown channel at once; Restore takes it back.
TEST_F(SettingPanel, EachControlStoresItsOwnSettingAndRestoreTakesItBack)
{
    const struct { int id; const char* choice; QString ChannelSettings::*field; } rows[] = {
        {IDC_MODE, "REMOTE-LOOP", &ChannelSettings::mode},  {IDC_BAUD, "38.4k", &ChannelSettings::baudRate},
        {IDC_DATA_BITS, "5", &ChannelSettings::dataBits},   {IDC_PARITY, "Force 0", &ChannelSettings::parity},
        {IDC_STOP_BITS, "2", &ChannelSettings::stopBits},   {IDC_FLOW_CONTROL, "DTR/DSR", &ChannelSettings::flowControl},
        {IDC_PARITY_CHECK, nullptr, nullptr}};
    EXPECT_EQ(dlg->grab().toImage().pixelColor(2, 2), QColor(192, 192, 192));
    int tab = 0;
    for (const auto& r : rows) {
        Tab(tab = (tab + 1) % 4);
        ChannelSettings want = DefaultChannelSettings();
        if (r.field)
            Choose(r.id, want.*r.field = QString::fromLatin1(r.choice));
        else
            dlg->Item<QCheckBox>(IDC_PARITY_CHECK)->click(), want.parityCheck = 0;
        const ChannelSettings s = store->GetChannelSettings(tab);
        EXPECT_EQ(QStringList({s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl, s.mode, QString::number(s.parityCheck)}),
                  QStringList({want.baudRate, want.dataBits, want.parity, want.stopBits, want.flowControl, want.mode, QString::number(want.parityCheck)}));
        EXPECT_TRUE(Restore()->isEnabled()) << r.id;
        Restore()->click();
        EXPECT_EQ(Shown(), kDefaults) << r.id;
        EXPECT_TRUE(store->IsChanged(tab) == 0 && !Restore()->isEnabled()) << r.id;
    }
}

TEST_F(SettingPanel, AnEditSurvivesATabSwitchRestoreReachesTheShownChannelOnlyAndReopeningCommits)
{
    store->SetChannelSettings(0, "1200", "7", "Even", "1.5", "RTS/CTS", 0, "LOCAL-LOOP");
    Reopen();
    const QStringList opening{"LOCAL-LOOP", "1200", "7", "Even", "1.5", "RTS/CTS", "clear"};
    EXPECT_EQ(Shown(), opening);
    Choose(IDC_BAUD, "19.2k");
    Tab(3);
    EXPECT_EQ(Shown(), kDefaults);
    EXPECT_FALSE(Restore()->isEnabled());
    Choose(IDC_DATA_BITS, "6");
    Tab(0);
    EXPECT_EQ(List(IDC_BAUD)->currentText(), QStringLiteral("19.2k"));
    EXPECT_TRUE(Restore()->isEnabled());
    Restore()->click();
    EXPECT_EQ(Shown(), opening);
    EXPECT_EQ(store->GetChannelSettings(3).dataBits, QStringLiteral("6"));
    Tab(3);
    Reopen(); // shows the last tab; its edits are the new restore point
    EXPECT_EQ(dlg->TabControl()->currentIndex(), 3);
    Choose(IDC_DATA_BITS, "8");
    Restore()->click();
    EXPECT_EQ(List(IDC_DATA_BITS)->currentText(), QStringLiteral("6"));
}


// The Traffic window opened after Start Test counts from that start; a channel that takes a third of each write counts
// a third as sent, and the stream goes on from what it took, so it comes back whole; a write that throws ends the
// pattern. Closed across a stop and a start, the window counts from the latest start.
TEST_F(Panels, TrafficCountsFromTheLatestStartAndOnlyWhatTheChannelTook)
{
    int writes = 0;
    std::uint64_t took = 0;
    driver->takes = [&](int count) { return ++writes == 8 ? -1 : (took += count / 3, count / 3); };
    Click();
    QTest::qWait(50);
    Run(&CMainFrame::OnTraffic);
    CTrafficWindow* w = frame->TrafficWindow();
    EXPECT_GE(w->Monitor().NowMs(), 50);
    QTest::keyClicks(Ch(1)->TransBox(), "typed");
    w->OnPatternButton(1);
    EXPECT_TRUE(!Ch(1)->TransBox()->isEnabled() && Ch(1)->TransBox()->accessibleDescription().contains("pattern test")
                && Ch(2)->TransBox()->isEnabled() && Ch(2)->TransBox()->toolTip().isEmpty()) << "takes no typing while a pattern runs";
    for (int i = 0; i < 100 && w->Monitor().Lane(1).state == PatternLane::Running; ++i)
        QTest::qWait(10);
    EXPECT_TRUE(Ch(1)->TransBox()->isEnabled() && !Ch(1)->TransBox()->HasPending()) << "and what waited was dropped";
    const PatternLane& lane = w->Monitor().Lane(1);
    EXPECT_EQ(lane.stopReason, "driver error: None") << "nothing taken was lost on the way";
    EXPECT_TRUE(lane.generator.Sent() == took && w->Monitor().Counters(1).sent == took && took > 7) << took;
    EXPECT_TRUE(lane.checker.Counts().matched == lane.checker.Counts().received && lane.checker.Counts().wrong == 0);
    w->close(), QTest::qWait(300), Click(), Click(), Run(&CMainFrame::OnTraffic);
    EXPECT_TRUE(w->Monitor().Counters(1).sent == 0 && w->Monitor().NowMs() < 300) << w->Monitor().NowMs();
}

TEST_F(Panels, StatusPanelShowsTheStatusByteOnOpeningAndTheErrorQueueOnDemandInItsColours)
{
    CStatusDlg* dlg = nullptr;
    auto shown = [&](int id) { return dlg->Item<CTextStatic>(id)->Text(); };
    auto readQueue = [&] { dlg->Item<QAbstractButton>(IDC_READ_ERROR_QUEUE)->click(); };
    const std::pair<std::uint16_t, const char*> bytes[] = {{0, "0"}, {64, "1000000"}, {0xFFFF, "1111111111111111"}};
    for (const auto& [value, text] : bytes) {
        driver->statusByte = value;
        ASSERT_TRUE(dlg = Open<CStatusDlg>(&CMainFrame::OnStatusPanel, IDS_STATUS_PANEL));
        driver->statusByte = 3; // read on opening only
        dlg->Item<QAbstractButton>(IDC_OPC)->click(); // does nothing
        EXPECT_EQ(shown(IDC_ERROR_NUMBER) + shown(IDC_ERROR_MESSAGE), QString()) << "empty until asked";
        readQueue();
        EXPECT_EQ(shown(IDC_STATUS_BYTE), QString::fromLatin1(text));
        EXPECT_EQ(shown(IDC_ERROR_NUMBER) + shown(IDC_ERROR_MESSAGE), QStringLiteral("0None"));
    }
    const QString longText(80, QLatin1Char('x'));
    driver->code = -113;
    driver->text = longText;
    readQueue();
    EXPECT_EQ(shown(IDC_ERROR_NUMBER) + shown(IDC_ERROR_MESSAGE), QStringLiteral("-113") + longText.left(51));
    // Teal title, raised grey frames, sunken white read-outs on dark grey.
    const QImage img = dlg->grab().toImage();
    EXPECT_EQ(img.pixelColor(1, 1), QColor(64, 64, 64));
    const QColor shadow(128, 128, 128), white(255, 255, 255), grey(192, 192, 192);
    const std::tuple<int, QColor, QColor> looks[] = {
        {IDC_STATUS_TITLE, QColor(0, 128, 128), shadow}, {IDC_ERROR_FRAME, grey, white}, {IDC_STATUS_BYTE, white, shadow}};
    for (const auto& [id, field, left] : looks) {
        const QPoint at = dlg->GetDlgItem(id)->geometry().topLeft();
        EXPECT_EQ(img.pixelColor(at + QPoint(3, 3)), field) << id;
        EXPECT_EQ(img.pixelColor(at + QPoint(2, 6)), left) << id;
    }
    EXPECT_TRUE(recorder.messages.isEmpty());
}

// What an operator sees of a built control: its class, its text, whether it is shown and usable.
QString Shown(const QWidget* w)
{
    const auto* list = qobject_cast<const QComboBox*>(w);
    const auto* tabs = qobject_cast<const QTabWidget*>(w);
    const auto* field = qobject_cast<const CTextStatic*>(w);
    QStringList text; // a list's or tab row's entries, the current one marked
    for (int i = 0; i < (list ? list->count() : tabs ? tabs->count() : 0); ++i)
        text << ((list ? list->currentIndex() : tabs->currentIndex()) == i ? "*" : "") + (list ? list->itemText(i) : tabs->tabText(i));
    if (!list && !tabs)
        text << (field ? field->Text() : w->property(qobject_cast<const QGroupBox*>(w) ? "title" : "text").toString());
    const auto* button = qobject_cast<const QPushButton*>(w);
    return QStringLiteral("%1 \"%2\" focus %3%4%5%6%7%8")
        .arg(w->metaObject()->className(), text.join('|'))
        .arg(w->focusPolicy())
        .arg(w->isHidden() ? " hidden" : "", w->isEnabled() ? "" : " disabled",
             !button ? "" : button->isDefault() ? " default" : button->autoDefault() ? " auto-default" : "", w->accessibleName().isEmpty() ? QString() : " " + w->accessibleName(),
             w->toolTip().isEmpty() ? QString() : " tip " + w->toolTip());
}

// Fixed pitch as a reader sees it, not as the font's spacing flag says: some monospaced fonts do not set it.
bool EqualAdvances(const QFont& font)
{
    const QFontMetrics m(font);
    return m.horizontalAdvance('i') == m.horizontalAdvance('W') && m.horizontalAdvance('W') == m.horizontalAdvance('0');
}

// A built dialog beside its template: each control in tab order its own child, found by its id, in the template's
// place in pixels, enclosures beneath what they enclose; the template and what was built as text for the copy.
QString Walk(const DialogTemplate& t, const CControlMap& map, const QWidget* dialog)
{
    static const char* const kinds[] = {"Static", "FrameStatic", "Icon", "GroupBox", "PushButton", "DefPushButton",
                                        "OwnerDrawButton", "Edit", "DropList", "CheckBox", "TabControl"};
    QString out = QStringLiteral("dialog %1 %2x%3 %4 %5 \"%6\"%7\n")
                      .arg(t.id).arg(t.cx).arg(t.cy).arg(t.fontFamily).arg(t.pointSize).arg(t.caption, t.systemMenu ? "" : " no-system-menu");
    EXPECT_EQ(map.InOrder().size(), t.controls.size()) << t.id;
    const QObjectList stack = dialog->children();
    qsizetype lowestFront = stack.size(), highestBack = -1;
    for (std::size_t i = 0; i < t.controls.size() && i < map.InOrder().size(); ++i) {
        const ControlTemplate& c = t.controls[i];
        const QWidget* w = map.InOrder()[i];
        const QString where = QStringLiteral("dialog %1 control %2 (%3)").arg(t.id).arg(i).arg(c.id);
        EXPECT_EQ(w->parentWidget(), dialog) << where.toStdString();
        QRect place = map.MapRect(c.x, c.y, c.cx, c.cy);
        if (c.kind == ControlKind::DropList)
            place.setHeight(w->sizeHint().height()); // the template gives the open list's height
        EXPECT_EQ(c.kind == ControlKind::Icon ? QRect(w->pos(), place.size()) : w->geometry(), place)
            << where.toStdString(); // an icon takes its own size
        EXPECT_TRUE(c.id == -1 || map.Item(c.id) == w) << where.toStdString();
        const bool back = c.kind == ControlKind::FrameStatic || c.kind == ControlKind::GroupBox || c.kind == ControlKind::TabControl;
        const qsizetype at = stack.indexOf(const_cast<QWidget*>(w));
        (back ? highestBack = std::max(highestBack, at) : lowestFront = std::min(lowestFront, at));
        out += QStringLiteral("  %1 %2 %3,%4 %5x%6 %7 \"%8\" %9 -> %10\n")
                   .arg(c.id).arg(kinds[static_cast<int>(c.kind)]).arg(c.x).arg(c.y).arg(c.cx).arg(c.cy)
                   .arg(c.style, 0, 16).arg(c.text, QStringList(c.items.begin(), c.items.end()).join('|'), Shown(w));
    }
    EXPECT_LT(highestBack, lowestFront) << "frames, group boxes and tabs lie beneath, dialog " << t.id;
    return out;
}

// Every dialog as built on the non-live panel, the menu and the string table, against the reference copy in
// resources.golden (SFP_UPDATE_GOLDEN=1 rewrites it): a control dropped, moved, renumbered or retitled shows here.
TEST_F(Panels, EveryTemplateIsBuiltControlByControlAndTheResourcesMatchTheirReference)
{
    QString got = Walk(MainPanelTemplate(), Main()->Controls(), Main());
    const std::pair<void (CMainFrame::*)(), int> panels[] = {{&CMainFrame::OnSettingPanel, IDS_SETTING_PANEL},
                                                             {&CMainFrame::OnStatusPanel, IDS_STATUS_PANEL}};
    for (const auto& [command, id] : panels) {
        CPanelDialog* d = Open<CPanelDialog>(command, id);
        got += Walk(*FindDialogTemplate(id == IDS_SETTING_PANEL ? IDD_SETTING_PANEL : IDD_STATUS_PANEL), d->Controls(), d);
    }
    recorder.onDialog = [&](QDialog& d) {
        got += Walk(AboutTemplate(), static_cast<CModalDialog&>(d).Controls(), &d);
        return static_cast<int>(QDialog::Accepted);
    };
    Run(&CMainFrame::OnAbout);
    CSelectInstrumentDlg select(frame, {"VXI0::1::INSTR", "GPIB-VXI0::2::INSTR"});
    got += Walk(SelectInstrumentTemplate(), select.Controls(), &select);
    const QFont font = QApplication::font(); // one our packages install, so the same pixels on any machine
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    frame->OnTraffic(); // a window of widgets, not of a template: what each shows on opening, and where
    const QWidget* traffic = frame->TrafficWindow();
    got += QStringLiteral("traffic \"%1\" %2x%3\n").arg(traffic->windowTitle()).arg(traffic->width()).arg(traffic->height());
    for (const QWidget* w : traffic->findChildren<QWidget*>()) { // its own controls and the pattern group's
        const auto* table = qobject_cast<const QTableWidget*>(w);
        QStringList heads; // a table's column and row labels, and whether its cells can be edited
        for (int i = 0, cols = table ? table->columnCount() : 0; table && i < cols + table->rowCount(); ++i)
            heads << table->model()->headerData(i < cols ? i : i - cols, i < cols ? Qt::Horizontal : Qt::Vertical).toString();
        const QRect at(w->mapTo(traffic, QPoint()), w->size());
        got += w->parentWidget() != traffic && !qobject_cast<const QGroupBox*>(w->parentWidget()) ? QString()
             : QStringLiteral("traffic %1 %2,%3 %4x%5 h%8%6%7\n").arg(Shown(w)).arg(at.x()).arg(at.y()).arg(at.width()).arg(at.height())
                   .arg(table ? QStringLiteral(" %1 edit %2").arg(heads.join('|')).arg(table->editTriggers()) : QString())
                   .arg(EqualAdvances(w->font()) ? " fixed-pitch" : "").arg(w->sizePolicy().horizontalPolicy());
    }
    QApplication::setFont(font);
    for (const MenuPopupResource& popup : MainMenuResource()) {
        got += "menu \"" + popup.text + "\"\n";
        for (const MenuItemResource& item : popup.items)
            got += QStringLiteral("  %1 \"%2\"\n").arg(item.commandId).arg(item.text);
    }
    for (int id = 0; id < 0x10000; ++id) {
        if (const QString text = LoadString(id); !text.isEmpty())
            got += QStringLiteral("string %1 \"%2\"\n").arg(id).arg(text);
    }
    const QString path = QStringLiteral(SFP_TEST_SOURCE_DIR "/tests/widgets/resources.golden");
    QFile golden(path);
    if (qEnvironmentVariableIsSet("SFP_UPDATE_GOLDEN") && golden.open(QIODevice::WriteOnly))
        golden.write(got.toUtf8()), golden.close();
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly)) << path.toStdString();
    const QStringList want = QString::fromUtf8(golden.readAll()).split('\n'), have = got.split('\n');
    for (qsizetype i = 0; i < std::max(want.size(), have.size()); ++i) {
        ASSERT_EQ(have.value(i), want.value(i)) << "line " << i + 1 << " of " << path.toStdString();
    }
}

} // namespace
