#include "app/sfp_app.h"

#include "app/command_line.h"
#include "app/main_frame.h"
#include "instrument/instrument_driver.h"
#include "panels/panel.h"
#include "platform/modal_runner.h"
#include "platform/wait_cursor.h"

CSfpApp::CSfpApp(QString commandLine) : m_strCommandLine(std::move(commandLine)) {}

CSfpApp::~CSfpApp()
{
    // A run that never reached shut-down (a test, say) still shuts down in order.
    if (m_pMainWnd) {
        m_pMainWnd->DestroyWindow();
        delete m_pMainWnd.data();
    }
    ReleaseAll();
}

CSfpApp* CSfpApp::Get() { return dynamic_cast<CSfpApp*>(CInstrumentHost::Get()); }

bool CSfpApp::InitInstance()
{
    ApplyDialogColors();
    // No settings are kept between runs, so there is no profile to load.
    const CommandLineOptions options = ScanCommandLine(m_strCommandLine);
    m_bDFlag = options.dFlag;
    m_strLabelFile = options.labelFile;

    m_pMainWnd = new CMainFrame;
    SetModalOwner(m_pMainWnd);
    m_pMainWnd->CreatePanels();
    return true;
}

void CSfpApp::ReleaseAll()
{
    for (CPanel* panel : m_panels)
        delete panel;
    m_panels.RemoveAll();
    m_pCurrentPanel = nullptr;
    delete m_pDriver;
    m_pDriver = nullptr;
}

int CSfpApp::FindInstrument()
{
    m_strResourceName = QStringLiteral("?");
    if (m_pDriver)
        return 0;
    BeginWaitCursor();
    CreateNonLiveDriver();
    return 1;
}

void CSfpApp::CreateNonLiveDriver()
{
    m_crActiveLamp = GetPanelColor(4);
    m_pDriver = new CNonLiveDriver;
    EndWaitCursor();
}

int CSfpApp::InstrumentSlot() const
{
    return m_pDriver && m_pDriver->IsLive() ? m_nSlot : -1;
}

int CSfpApp::InstrumentLogicalAddress() const
{
    return m_pDriver && m_pDriver->IsLive() ? m_nLogicalAddress : -1;
}

void CSfpApp::StopPollTimer()
{
    if (m_pMainWnd) {
        m_pMainWnd->KillTimer(CMainFrame::kPollTimerId);
        m_pMainWnd->m_bInTimer = 0;
    }
}

QWidget* CSfpApp::MainWindow() const { return m_pMainWnd.data(); }

CMainFrame* CSfpApp::MainFrame() const { return m_pMainWnd.data(); }

void CSfpApp::CloseCurrentPanel(CPanel* panel)
{
    if (panel && panel->m_nGroup == 0 && m_pCurrentPanel)
        m_pCurrentPanel->CloseDialog();
}

QWidget* CSfpApp::PanelParent() const
{
    return m_pMainWnd ? m_pMainWnd->ClientArea() : nullptr;
}

void CSfpApp::FitMainWindowTo(const QSize& dialogSize)
{
    if (m_pMainWnd)
        m_pMainWnd->FitClientTo(dialogSize);
}

void CSfpApp::StartPollTimer()
{
    if (m_pMainWnd)
        m_pMainWnd->SetTimer(CMainFrame::kPollTimerId, CMainFrame::kPollPeriodMs);
}
