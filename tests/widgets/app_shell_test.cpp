// The application shell on the non-live system: the main window, start-up,
// every menu command, the timer tick and shut-down.
#include "platform/help_viewer.h"
#include "widget_fixture.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include <functional>

namespace {

// A panel that logs its Update and its deletion and runs what the test says.
class ProbePanel : public CPanel {
public:
    ProbePanel(const char* name, QStringList* log) : CPanel(QString::fromLatin1(name)), m_log(log) {}
    ~ProbePanel() override { *m_log << QStringLiteral("delete ") + m_strName; }
    void Update() override
    {
        *m_log << m_strName;
        if (onUpdate)
            onUpdate();
    }
    std::function<void()> onUpdate;

private:
    QStringList* m_log;
};

class ProbeDriver : public CNonLiveDriver {
public:
    explicit ProbeDriver(QStringList* log) : m_log(log) {}
    ~ProbeDriver() override { *m_log << QStringLiteral("delete driver"); }
    QStringList* m_log;
};

class AppShell : public AppTest {
protected:
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
};

TEST(MainWindow, IsMadeFixedAtItsFirstSizeCentredWithoutAMaximiseBox)
{
    CMainFrame frame;
    EXPECT_EQ(frame.size(), QSize(402, 404));
    EXPECT_EQ(frame.minimumSize(), frame.maximumSize());
    EXPECT_EQ(frame.pos(), CenteredOrigin(QGuiApplication::primaryScreen()->geometry().size(), QSize(402, 404)));
    EXPECT_FALSE(frame.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(AppShell, StartsNonLiveOnTheMainPanelAfterSayingVisaIsMissing)
{
    EXPECT_EQ(startup, QStringList{msg::kNoVisa});
    EXPECT_TRUE(frame->isVisible());
    QStringList names;
    for (CPanel* p : app->m_panels)
        names << p->m_strName;
    EXPECT_EQ(names, (QStringList{"Main Panel", "Setting Panel", "Status Panel"}));
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
    QStringList aboutTexts;
    recorder.onDialog = [&](QDialog& d) {
        for (QLabel* label : d.findChildren<QLabel*>())
            aboutTexts << label->text();
        return static_cast<int>(QDialog::Accepted);
    };
    const struct {
        int menu, item;
        QString text, panel, message;
    } rows[] = {
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
        EXPECT_EQ(app->m_pCurrentPanel->m_pDialog->pos(), QPoint(0, 0));
        EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
    }
    EXPECT_EQ(helpAsked, QStringLiteral("tsx4410.hlp"));
    EXPECT_EQ(recorder.dialogTitles, QStringList{QStringLiteral("About tsxXXXX Sfp")});
    EXPECT_TRUE(aboutTexts.contains(QStringLiteral("VERSION: A.01.00")));
    EXPECT_EQ(recorder.captions.value(0), msg::kAppTitle);
    SetHelpViewer(nullptr);
}

TEST_F(AppShell, ATickUpdatesThePanelsInOrderDropsNestedTicksAndKeepsItsFlagAfterAnException)
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
    frame->DispatchTimer(); // dropped while the flag is stuck
    EXPECT_EQ(log, QStringList{"Main Panel"});
    EXPECT_EQ(frame->m_bInTimer, 1);
    EXPECT_TRUE(frame->IsTimerRunning());
    EXPECT_TRUE(recorder.messages.isEmpty());
    app->StopPollTimer();
    EXPECT_EQ(frame->m_bInTimer, 0);
    EXPECT_FALSE(frame->IsTimerRunning());
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

} // namespace
