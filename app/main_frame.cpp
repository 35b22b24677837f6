#include "app/main_frame.h"

#include "app/about_dlg.h"
#include "app/sfp_app.h"
#include "instrument/instrument_driver.h"
#include "instrument/report_error.h"
#include "panels/main_panel.h"
#include "panels/panel.h"
#include "panels/panel_dialog.h"
#include "panels/setting_panel.h"
#include "panels/status_panel.h"
#include "panels/traffic/traffic_window.h"
#include "platform/help_viewer.h"
#include "platform/menu_builder.h"
#include "platform/modal_runner.h"
#include "platform/string_table.h"
#include "platform/user_exception.h"
#include "platform/wait_cursor.h"
#include "resources/menu_resource.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <algorithm>
#include <QCloseEvent>
#include <QIcon>
#include <QMenuBar>
#include <QScreen>
#include <QTimerEvent>

QPoint CenteredOrigin(const QSize& desktop, const QSize& window)
{
    return QPoint((desktop.width() - window.width()) / 2, (desktop.height() - window.height()) / 2);
}

QPoint PlaceBeside(const QRect& main, const QSize& window, const QRect& screen)
{
    int x = main.right() + 1;
    // Where neither side has room, the side with more, against the screen's
    // edge: the window then covers as little of the panel as it can.
    if (x + window.width() - 1 > screen.right()
        && (main.left() - window.width() >= screen.left() || main.left() - screen.left() > screen.right() - main.right()))
        x = main.left() - window.width();
    x = std::max(std::min(x, screen.right() + 1 - window.width()), screen.left());
    const int y = std::max(std::min(main.top(), screen.bottom() + 1 - window.height()), screen.top());
    return QPoint(x, y);
}

QSize FittedOuterSize(const QSize& outer, const QSize& client, const QSize& dialog)
{
    return outer - client + dialog;
}

CMainFrame::CMainFrame()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(LoadString(IDS_FRAME_TITLE));
    setWindowIcon(QIcon(QStringLiteral(":/resources/icons/app_icon.png")));

    BuildMenuBar(menuBar(), MainMenuResource(), [this](int id) { OnCommand(id); });

    m_client = new QWidget(this);
    setCentralWidget(m_client);

    const QSize outer(kInitialWidth, kInitialHeight);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize desktop = screen ? screen->geometry().size() : QSize(1024, 768);
    move(CenteredOrigin(desktop, outer));
    setFixedSize(outer);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreatePanels()
{
    CSfpApp* app = CSfpApp::Get();
    BeginWaitCursor();
    app->FindInstrument();
    app->m_panels.AddTail(new CPan1Obj);
    app->m_panels.AddTail(new CSettingObj);
    app->m_panels.AddTail(new CStatObj);
    OnMainPanel();
    EndWaitCursor();
    show();
}

void CMainFrame::SetTimer(int, int periodMs) { m_timer.start(periodMs, this); }

void CMainFrame::KillTimer(int) { m_timer.stop(); }

void CMainFrame::OnTimer()
{
    if (m_bInTimer)
        return;
    m_bInTimer = 1;
    // Cleared on every way out, an exception included: a flag left set
    // would drop every later tick while the panel still reads "Stop!".
    struct ClearOnExit {
        int& flag;
        ~ClearOnExit() { flag = 0; }
    } clear{m_bInTimer};
    CPanelList& panels = CSfpApp::Get()->m_panels;
    for (auto it = panels.begin(); it != panels.end();) {
        CPanel* panel = *it++;
        panel->Update();
    }
}

void CMainFrame::DispatchTimer()
{
    DispatchHandler([this] { OnTimer(); });
}

void CMainFrame::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        DispatchTimer();
    else
        QMainWindow::timerEvent(event);
}

void CMainFrame::OnCommand(int commandId)
{
    DispatchHandler([this, commandId] {
        switch (commandId) {
        case ID_OPTIONS_SELFTEST: OnSelfTest(); break;
        case ID_OPTIONS_RESET: OnReset(); break;
        case ID_PANELS_MAIN: OnMainPanel(); break;
        case ID_PANELS_STATUS: OnStatusPanel(); break;
        case ID_APP_EXIT: OnExit(); break;
        case ID_APP_ABOUT: OnAbout(); break;
        case ID_HELP_CONTENTS: OnHelpContents(); break;
        case ID_PANELS_SETTING: OnSettingPanel(); break;
        case ID_PANELS_TRAFFIC: OnTraffic(); break;
        default: break;
        }
    });
}

void CMainFrame::SwitchToPanel(int nameStringId)
{
    CSfpApp* app = CSfpApp::Get();
    CPanel* panel = app->m_panels.FindByName(LoadString(nameStringId));
    if (!panel)
        return;
    app->CloseCurrentPanel(panel);
    panel->OpenDialog();
}

void CMainFrame::OnMainPanel() { SwitchToPanel(IDS_MAIN_PANEL); }
void CMainFrame::OnSettingPanel() { SwitchToPanel(IDS_SETTING_PANEL); }
void CMainFrame::OnStatusPanel() { SwitchToPanel(IDS_STATUS_PANEL); }

void CMainFrame::OnSelfTest()
{
    CInstrumentDriver* driver = CSfpApp::Get()->m_pDriver;
    if (driver) {
        try {
            QString result;
            {
                CWaitCursor wait;
                driver->SelfTest(result);
            }
            SfpMessageBox(result);
        } catch (const CUserException&) {
            ReportInstrumentError(driver->LastStatus());
        }
    }
    OnMainPanel();
}

void CMainFrame::OnReset()
{
    CInstrumentDriver* driver = CSfpApp::Get()->m_pDriver;
    if (driver) {
        try {
            CWaitCursor wait;
            driver->Reset();
        } catch (const CUserException&) {
            ReportInstrumentError(driver->LastStatus());
        }
    }
    OnMainPanel();
}

void CMainFrame::OnExit() { DestroyWindow(); }

void CMainFrame::OnAbout()
{
    CAboutDlg about(this);
    RunModal(about);
}

CTrafficWindow* CMainFrame::TrafficWindow() const { return static_cast<CTrafficWindow*>(m_traffic.data()); }

void CMainFrame::OnTraffic()
{
    if (!m_traffic) {
        m_traffic = new CTrafficWindow(this);
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        m_traffic->move(PlaceBeside(frameGeometry(), m_traffic->frameGeometry().size(), screen->availableGeometry()));
    }
    m_traffic->setWindowState(m_traffic->windowState() & ~Qt::WindowMinimized);
    m_traffic->show();
    m_traffic->raise();
    m_traffic->activateWindow();
}

void CMainFrame::OnHelpContents() { ShowHelpContents(this, QStringLiteral("tsx4410.hlp")); }

void CMainFrame::FitClientTo(const QSize& dialogSize)
{
    // The client area is what lies below the menu bar, measured the way the
    // window's layout measures the bar at the new width.
    QMenuBar* bar = menuBar();
    int menuHeight = bar->heightForWidth(dialogSize.width());
    if (menuHeight < 0)
        menuHeight = bar->sizeHint().height();
    menuHeight = qMax(menuHeight, bar->minimumSizeHint().height());
    const QSize outer = size();
    const QSize client(outer.width(), outer.height() - menuHeight);
    setFixedSize(FittedOuterSize(outer, client, dialogSize));
    m_client->setGeometry(0, menuHeight, dialogSize.width(), dialogSize.height());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // No documents, nothing to save: the window closes without a question.
    event->accept();
    DestroyWindow();
}

void CMainFrame::DestroyWindow()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    m_timer.stop();
    // The pattern tests end before the channels and the driver go.
    delete m_traffic;
    const auto dialogs = m_client->findChildren<CPanelDialog*>(QString(), Qt::FindDirectChildrenOnly);
    for (CPanelDialog* dialog : dialogs)
        dialog->DestroyWindow();
    hide();
    PostNcDestroy();
}

void CMainFrame::PostNcDestroy()
{
    if (CSfpApp* app = CSfpApp::Get())
        app->ReleaseAll();
    deleteLater();
    QCoreApplication::quit();
}
