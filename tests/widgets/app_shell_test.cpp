// The application shell: start-up, panel switching, the timer tick, the
// Options commands and shut-down, on the non-live system.
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "common/test_support.h"
#include "instrument/instrument_driver.h"
#include "instrument/report_error.h"
#include "panels/panel.h"
#include "panels/panel_dialog.h"
#include "panels/panel_list.h"
#include "platform/string_table.h"
#include "platform/user_exception.h"
#include "resources/resource_ids.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <functional>

namespace {

// A panel whose Update runs what the test says and whose deletion is logged.
class ProbePanel : public CPanel {
public:
    ProbePanel(const QString& name, QStringList* log) : CPanel(name), m_log(log) {}
    ~ProbePanel() override
    {
        if (m_log)
            *m_log << QStringLiteral("delete ") + m_strName;
    }
    void Update() override
    {
        ++updates;
        if (onUpdate)
            onUpdate();
    }
    int updates = 0;
    std::function<void()> onUpdate;

private:
    QStringList* m_log;
};

class ProbeDriver : public CNonLiveDriver {
public:
    explicit ProbeDriver(QStringList* log) : m_log(log) {}
    ~ProbeDriver() override { *m_log << QStringLiteral("delete driver"); }

private:
    QStringList* m_log;
};

// A driver whose operations fail the way a live one does.
class FailingDriver : public CNonLiveDriver {
public:
    void SelfTest(QString&) override { Fail(); }
    void Reset() override { Fail(); }
    void ErrorMessage(ViStatus, QString& message) override
    {
        message = QStringLiteral("channel 2 overrun");
        m_status = errorMessageStatus;
    }
    ViStatus LastStatus() override { return m_status; }

    ViStatus failWith = -1073807298;
    ViStatus errorMessageStatus = 0;

private:
    void Fail()
    {
        m_status = failWith;
        throw CUserException();
    }
    ViStatus m_status = 0;
};

class AppShell : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = StartApp();
        frame = app->MainFrame();
        ASSERT_NE(frame, nullptr);
        startupMessages = recorder.messages;
        recorder.messages.clear();
        recorder.captions.clear();
    }

    // Replaces the three real panels by probes with the same names.
    void UseProbePanels()
    {
        app->CloseCurrentPanel(app->m_panels.FindByStringId(IDS_MAIN_PANEL));
        for (CPanel* p : app->m_panels)
            delete p;
        app->m_panels.RemoveAll();
        app->m_pCurrentPanel = nullptr;
        for (int id : {IDS_MAIN_PANEL, IDS_SETTING_PANEL, IDS_STATUS_PANEL}) {
            auto* probe = new ProbePanel(LoadString(id), &log);
            probes.push_back(probe);
            app->m_panels.AddTail(probe);
        }
    }

    void UseDriver(CInstrumentDriver* driver)
    {
        delete app->m_pDriver;
        app->m_pDriver = driver;
    }

    // Declared before the application: the probes write to it when the
    // application deletes them, so it must outlive the application.
    QStringList log;
    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
    QStringList startupMessages;
    std::vector<ProbePanel*> probes;
};

TEST_F(AppShell, StartsNonLiveWithTheMainPanelShownInAFixedWindow)
{
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("TSX4410 SFP"));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
    ASSERT_EQ(app->m_panels.GetCount(), 3u);
    QStringList names;
    for (CPanel* p : app->m_panels)
        names << p->m_strName;
    EXPECT_EQ(names, (QStringList{"Main Panel", "Setting Panel", "Status Panel"}));
    EXPECT_EQ(app->m_pCurrentPanel, app->m_panels.FindByName("Main Panel"));
    ASSERT_NE(app->m_pDriver, nullptr);
    EXPECT_EQ(app->m_pDriver->IsLive(), 0);
    EXPECT_EQ(app->m_crActiveLamp, RGB(64, 64, 64));
    EXPECT_EQ(app->m_strResourceName, QStringLiteral("?"));
    EXPECT_EQ(app->m_strLabelFile, QStringLiteral("tsx4410.lbl"));
    EXPECT_EQ(app->InstrumentSlot(), -1);
    // With no instrument libraries on the search path, discovery says so once.
    EXPECT_LE(startupMessages.size(), 1);
}

TEST_F(AppShell, MenuBarHoldsExactlyTheThreeMenusWithoutShortcuts)
{
    struct Item {
        QString text;
        int id;
    };
    const std::vector<std::pair<QString, std::vector<Item>>> expected = {
        {"&Options", {{"&Reset", 32774}, {"Self &Test", 32771}, {"", 0}, {"&Exit", 32779}}},
        {"&Panels", {{"&Main Panel", 32777}, {"s&Etting Panel", 32781}, {"&Status ", 32778}}},
        {"&Help", {{"&Help Contents", 32775}, {"", 0}, {"&About...", 32776}}},
    };
    const auto menus = frame->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(menus[m]->text(), expected[m].first);
        const auto items = menus[m]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<int>(expected[m].second.size()));
        for (int i = 0; i < items.size(); ++i) {
            const Item& want = expected[m].second[i];
            EXPECT_EQ(items[i]->isSeparator(), want.id == 0);
            if (want.id == 0)
                continue;
            EXPECT_EQ(items[i]->text(), want.text);
            EXPECT_EQ(items[i]->data().toInt(), want.id);
            EXPECT_TRUE(items[i]->shortcut().isEmpty());
            EXPECT_TRUE(items[i]->isEnabled());
            EXPECT_FALSE(items[i]->isCheckable());
        }
    }
}

TEST_F(AppShell, EverySwitchBuildsANewDialogAndFitsTheClientAreaToIt)
{
    CPanel* main = app->m_panels.FindByName("Main Panel");
    CPanel* status = app->m_panels.FindByName("Status Panel");
    const std::vector<std::pair<std::function<void()>, CPanel*>> steps = {
        {[&] { frame->OnMainPanel(); }, main},
        {[&] { frame->OnStatusPanel(); }, status},
        {[&] { frame->OnSettingPanel(); }, app->m_panels.FindByName("Setting Panel")},
        {[&] { frame->OnMainPanel(); }, main},
    };
    for (const auto& [command, panel] : steps) {
        CPanelDialog* before = panel->m_pDialog;
        command();
        ProcessEvents();
        ASSERT_NE(panel->m_pDialog, nullptr);
        EXPECT_NE(panel->m_pDialog, before);
        EXPECT_EQ(app->m_pCurrentPanel, panel);
        EXPECT_EQ(CPanelDialog::LiveCount(), 1);
        EXPECT_EQ(frame->ClientArea()->size(), panel->m_pDialog->size());
        EXPECT_EQ(panel->m_pDialog->pos(), QPoint(0, 0));
    }
    EXPECT_EQ(app->m_panels.FindByName("Main Panel"), main);
    EXPECT_EQ(app->m_panels.FindByName("main panel"), nullptr);
}

TEST_F(AppShell, ATickUpdatesEveryPanelInListOrder)
{
    UseProbePanels();
    QStringList order;
    for (ProbePanel* p : probes)
        p->onUpdate = [&order, p] { order << p->m_strName; };
    frame->DispatchTimer();
    EXPECT_EQ(order, (QStringList{"Main Panel", "Setting Panel", "Status Panel"}));
    EXPECT_EQ(frame->m_bInTimer, 0);
}

TEST_F(AppShell, ATickArrivingInsideAnEarlierTickIsDropped)
{
    UseProbePanels();
    int nested = 0;
    probes[0]->onUpdate = [&] {
        if (nested++ == 0)
            frame->DispatchTimer();  // as if a message box of this tick let a tick in
    };
    frame->DispatchTimer();
    EXPECT_EQ(probes[0]->updates, 1);
    EXPECT_EQ(probes[1]->updates, 1);
    EXPECT_EQ(frame->m_bInTimer, 0);
}

TEST_F(AppShell, AnEscapedUserExceptionLeavesTheTickFlagSetUntilThePollIsStopped)
{
    UseProbePanels();
    probes[0]->onUpdate = [] { throw CUserException(); };
    frame->SetTimer(CMainFrame::kPollTimerId, CMainFrame::kPollPeriodMs);
    frame->DispatchTimer();
    EXPECT_EQ(frame->m_bInTimer, 1);
    EXPECT_EQ(probes[1]->updates, 0);
    EXPECT_TRUE(frame->IsTimerRunning());
    EXPECT_TRUE(recorder.messages.isEmpty());

    probes[0]->onUpdate = nullptr;
    frame->DispatchTimer();
    EXPECT_EQ(probes[0]->updates, 1) << "ticks are dropped while the flag is stuck";

    app->StopPollTimer();
    EXPECT_EQ(frame->m_bInTimer, 0);
    EXPECT_FALSE(frame->IsTimerRunning());
    frame->DispatchTimer();
    EXPECT_EQ(probes[0]->updates, 2);
}

struct CommandCase {
    const char* name;
    void (CMainFrame::*command)();
    const char* message;
};

class NonLiveCommands : public AppShell, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(NonLiveCommands, ShowExactlyOneBoxAndRebuildTheMainPanel)
{
    frame->OnStatusPanel();
    CPanel* main = app->m_panels.FindByName("Main Panel");
    (frame->*GetParam().command)();
    EXPECT_EQ(recorder.messages, QStringList{QString::fromLatin1(GetParam().message)});
    EXPECT_EQ(recorder.captions, QStringList{QStringLiteral("Sfp Windows Application")});
    EXPECT_EQ(app->m_pCurrentPanel, main);
    EXPECT_NE(main->m_pDialog, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Options, NonLiveCommands,
                         ::testing::Values(CommandCase{"SelfTest", &CMainFrame::OnSelfTest, "Non live selftest passed!"},
                                           CommandCase{"Reset", &CMainFrame::OnReset, "Non live reset OK!"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReportCase {
    const char* name;
    ViStatus failWith;
    ViStatus errorMessageStatus;
    QStringList messages;
};

class FailingCommands : public AppShell, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(FailingCommands, ReportTheErrorStopThePollAndRebuildTheMainPanel)
{
    for (void (CMainFrame::*command)() : {&CMainFrame::OnSelfTest, &CMainFrame::OnReset}) {
        auto* driver = new FailingDriver;
        driver->failWith = GetParam().failWith;
        driver->errorMessageStatus = GetParam().errorMessageStatus;
        UseDriver(driver);
        frame->SetTimer(CMainFrame::kPollTimerId, CMainFrame::kPollPeriodMs);
        frame->m_bInTimer = 1;
        recorder.messages.clear();
        CPanelDialog* before = app->m_panels.FindByName("Main Panel")->m_pDialog;

        // Called through a local: GCC's vptr check misreads a member-function
        // pointer from this loop applied to a fixture member.
        CMainFrame* target = frame;
        (target->*command)();

        EXPECT_EQ(recorder.messages, GetParam().messages);
        EXPECT_FALSE(frame->IsTimerRunning());
        EXPECT_EQ(frame->m_bInTimer, 0);
        CPanel* main = app->m_panels.FindByName("Main Panel");
        EXPECT_EQ(app->m_pCurrentPanel, main);
        EXPECT_NE(main->m_pDialog, before);
    }
}

const QString kAdvice = QStringLiteral("You need reset this M-Module or restart this soft front panel.");

INSTANTIATE_TEST_SUITE_P(
    Roads, FailingCommands,
    ::testing::Values(
        ReportCase{"Timeout", VI_ERROR_TMO, 0, {QStringLiteral("Time Out !"), kAdvice}},
        ReportCase{"DriverMessage", -1073807298, 0,
                   {QStringLiteral("Instrument reports error:  channel 2 overrun"), kAdvice}},
        ReportCase{"LookupFailed", -1073807298, -1073807339, {QStringLiteral("API failure."), kAdvice}}),
    [](const auto& info) { return std::string(info.param.name); });

// Options, Exit and the close box shut down the same way, without a question.
class ShutDown : public AppShell, public ::testing::WithParamInterface<bool> {};

TEST_P(ShutDown, ReleasesPanelsInListOrderThenTheDriverExactlyOnce)
{
    const bool closeBox = GetParam();
    UseProbePanels();
    UseDriver(new ProbeDriver(&log));
    if (closeBox) {
        frame->OnStatusPanel();
        EXPECT_TRUE(frame->close());
    } else {
        frame->OnMainPanel();
        frame->OnExit();
    }
    ProcessEvents();
    EXPECT_EQ(log, (QStringList{"delete Main Panel", "delete Setting Panel", "delete Status Panel", "delete driver"}));
    EXPECT_TRUE(app->m_panels.IsEmpty());
    EXPECT_EQ(CPanelDialog::LiveCount(), 0);
    EXPECT_EQ(app->MainFrame(), nullptr);
    EXPECT_TRUE(recorder.messages.isEmpty());
    app.reset();
    EXPECT_EQ(log.size(), 4) << "nothing is released twice";
}

INSTANTIATE_TEST_SUITE_P(Ways, ShutDown, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "CloseBox" : "Exit"); });

TEST_F(AppShell, AboutBoxShowsItsTexts)
{
    QStringList texts;
    recorder.onDialog = [&](QDialog& dialog) {
        for (QLabel* label : dialog.findChildren<QLabel*>())
            if (!label->text().isEmpty())
                texts << label->text();
        return static_cast<int>(QDialog::Accepted);
    };
    frame->OnAbout();
    EXPECT_EQ(recorder.dialogTitles, QStringList{QStringLiteral("About tsxXXXX Sfp")});
    EXPECT_TRUE(texts.contains(QStringLiteral("tsx4410  soft front panel")));
    EXPECT_TRUE(texts.contains(QStringLiteral("VERSION: A.01.00")));
    EXPECT_TRUE(texts.contains(QStringLiteral("ZRT version required: 3.0 or greater")));
}

} // namespace
