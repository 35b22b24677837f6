#include "app/sfp_app.h"

#include "app/command_line.h"
#include "app/main_frame.h"
#include "instrument/discovery.h"
#include "instrument/driver_api.h"
#include "instrument/instrument_driver.h"
#include "instrument/live_driver.h"
#include "instrument/select_instrument_dlg.h"
#include "panels/panel.h"
#include "platform/modal_runner.h"
#include "platform/string_table.h"
#include "platform/wait_cursor.h"
#include "resources/resource_ids.h"

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

namespace {

DiscoveryOptions ReadDiscoveryOptions(const QString& lowerLine)
{
    DiscoveryOptions options;
    options.address = OptionValue(lowerLine, QLatin1Char('a'), &options.hasAddress).toUpper();
    options.noIdentityCheck = HasOption(lowerLine, QLatin1Char('n'));
    return options;
}

} // namespace

int CSfpApp::FindInstrument()
{
    m_strResourceName = QStringLiteral("?");
    if (m_pDriver)
        return 0;
    // Ended when the access object exists (OpenLiveDriver or CreateNonLiveDriver).
    BeginWaitCursor();
    const QString lowerLine = m_strCommandLine.toLower();

    // A library without an entry point we call is as good as no library.
    const VisaApi visa = BindVisaApi(LoadLibraryByName(QString::fromLatin1(kVisaLibraryName)));
    if (!visa.HasCalledEntryPoints()) {
        SfpMessageBox(LoadString(IDS_NO_VISA_DLL));
        CreateNonLiveDriver();
        return 1;
    }
    LibraryHandle driver = LoadLibraryByName(QString::fromLatin1(kDriverLibraryName));
    if (!driver || !BindDriverApi(driver).HasCalledEntryPoints()) {
        SfpMessageBox(LoadString(IDS_NO_DRIVER_DLL));
        CreateNonLiveDriver();
        return 1;
    }
    m_hDriverModule = driver;

    const DiscoveryResult found = DiscoverInstrument(
        visa, ReadDiscoveryOptions(lowerLine), [this](const QStringList& descriptors) {
            return CSelectInstrumentDlg::Choose(MainWindow(), descriptors);
        });
    if (found.chosen) {
        m_strResourceName = found.resourceName;
        m_nSlot = found.slot;
        m_nLogicalAddress = found.logicalAddress;
    }
    if (found.message != 0) {
        SfpMessageBox(LoadString(found.message));
        CreateNonLiveDriver();
    } else {
        OpenLiveDriver(found.descriptor, m_hDriverModule);
    }
    return 1;
}

void CSfpApp::OpenLiveDriver(const QString& descriptor, LibraryHandle module)
{
    auto init = reinterpret_cast<Tsx4410InitFn>(FindEntryPoint(module, "tsx4410_init"));
    const ViBoolean reset = HasOption(m_strCommandLine.toLower(), QLatin1Char('r')) ? 1 : 0;
    ViSession session = 0;
    const QByteArray name = descriptor.toLatin1();
    const ViStatus status = init ? init(name.constData(), 0, reset, &session) : VI_ERROR_NSUP_OPER;
    // Only a clean start counts: a warning may mean the module is not the one
    // this panel was made for.
    if (status != VI_SUCCESS) {
        SfpMessageBox(LoadString(IDS_INIT_FAILED));
        CreateNonLiveDriver();
        return;
    }
    m_crActiveLamp = RGB(0, 255, 0);
    m_pDriver = new CLiveDriver(session, module);
    EndWaitCursor();
}

void CSfpApp::CreateNonLiveDriver()
{
    m_crActiveLamp = GetPanelColor(kDarkGrey);
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
