#include "panels/main_panel.h"

#include "controls/bitmap_static.h"
#include "controls/led_button.h"
#include "instrument/instrument_driver.h"
#include "instrument/instrument_host.h"
#include "instrument/report_error.h"
#include "panels/channel.h"
#include "panels/panel_host.h"
#include "panels/panel_list.h"
#include "panels/setting_panel.h"
#include "platform/colors.h"
#include "platform/string_table.h"
#include "platform/user_exception.h"
#include "platform/wait_cursor.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <utility>

namespace {

constexpr int kResourceTextLimit = 255;

// The read-outs and frames of the panel: light grey field, black text, the
// shadow above and left and the highlight below and right, so they look sunken.
#define SFP_SUNKEN_FIELD_COLORS                                                                              \
    GetPanelColor(kLightGrey), GetPanelColor(kBlack), GetPanelColor(kShadow), GetPanelColor(kHighlight), 1,  \
        nullptr, nullptr

} // namespace

CPan1Dlg::CPan1Dlg(QWidget* parent, CPan1Obj* owner)
    : CPanelDialog(parent, owner)
    , m_slotBox(SFP_SUNKEN_FIELD_COLORS)
    , m_resourceBox(SFP_SUNKEN_FIELD_COLORS)
    , m_addressFrame(SFP_SUNKEN_FIELD_COLORS)
    , m_banner(SFP_SUNKEN_FIELD_COLORS)
    , m_pOwner(owner)
{
    Create(MainPanelTemplate());
    m_bRunning = 0;
}

CPan1Dlg::~CPan1Dlg() = default;

QPushButton* CPan1Dlg::StartStopButton() const
{
    return Item<QPushButton>(IDC_START_STOP);
}

void CPan1Dlg::DoDataExchange()
{
    Attach(IDC_SLOT, &m_slotBox);
    Attach(IDC_RESOURCE, &m_resourceBox);
    Attach(IDC_ADDRESS_FRAME, &m_addressFrame);
    Attach(IDC_BANNER, &m_banner);
}

bool CPan1Dlg::OnInitDialog()
{
    FitMainWindow();
    DoDataExchange();
    CPanelHost* host = CPanelHost::Get();
    auto* store = static_cast<CSettingObj*>(host->Panels().FindByStringId(IDS_SETTING_PANEL));

    m_pActiveLamp = new CLedButton(host->ActiveLampColor(), RGB(192, 192, 192));
    m_pActiveLamp->setAccessibleName(QStringLiteral("Active"));
    // Green means a live instrument is behind the panel.
    m_pActiveLamp->setAccessibleDescription(
        host->Driver() && host->Driver()->IsLive() ? QStringLiteral("lit") : QStringLiteral("dark"));
    Attach(IDC_ACTIVE_LAMP, m_pActiveLamp);

    std::swap(m_banner.m_crTopLeft, m_banner.m_crBottomRight);

    m_pLogo = new CBitmapStatic(IDB_LOGO);
    Attach(IDC_LOGO, m_pLogo);
    m_pStandardsLogo = new CBitmapStatic(IDB_STANDARDS_LOGO);
    Attach(IDC_STANDARDS_LOGO, m_pStandardsLogo);

    const int slot = host->InstrumentSlot();
    if (slot < 0) {
        m_slotBox.hide();
        if (QWidget* label = GetDlgItem(IDC_SLOT_LABEL))
            label->hide();
    } else {
        m_slotBox.SetText(QString::number(slot));
    }
    m_resourceBox.SetText(host->ResourceName().left(kResourceTextLimit));

    m_pBodyFrame = new CTextStatic(SFP_SUNKEN_FIELD_COLORS);
    Attach(IDC_BODY_FRAME, m_pBodyFrame);
    m_pBodyFrame->m_pFontWindow = this;

    if (auto* button = StartStopButton())
        connect(button, &QPushButton::clicked, this, [this] { DispatchHandler([this] { OnStartStop(); }); });

    for (int n = 1; n <= 4; ++n) {
        const ChannelSettings s = store ? store->GetChannelSettings(n - 1) : DefaultChannelSettings();
        auto* channel = new CChannel(n, this);
        m_channels[static_cast<std::size_t>(n - 1)] = channel;
        channel->ShowSettings(s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl, s.parityCheck);
    }
    return true;
}

void CPan1Dlg::OnStartStop()
{
    if (m_bRunning)
        StopTest();
    else
        StartTest();
}

void CPan1Dlg::StartTest()
{
    if (m_bRunning)
        return;
    m_bRunning = 1;
    CInstrumentDriver* driver = CInstrumentHost::CurrentDriver();
    std::size_t reached = 0;
    try {
        // Ends on every road, also when a channel's start throws.
        CWaitCursor wait;
        if (driver)
            driver->BeginTest();
        // Told before the channels open, so what their start reports (a
        // setting the line could not take) counts for this test.
        CPanelHost* host = CPanelHost::Get();
        auto* store = host ? static_cast<CSettingObj*>(host->Panels().FindByStringId(IDS_SETTING_PANEL)) : nullptr;
        std::array<ChannelSettings, 4> settings;
        for (int n = 1; n <= 4; ++n)
            settings[static_cast<std::size_t>(n - 1)] = store ? store->GetChannelSettings(n - 1) : DefaultChannelSettings();
        CChannel::AnnounceTestStarted(settings);
        for (; reached < m_channels.size(); ++reached)
            m_channels[reached]->Start();
    } catch (const CUserException&) {
        AbandonStart(driver, reached);
        return;
    }
    if (auto* button = StartStopButton())
        button->setText(QStringLiteral("Stop!"));
    CPanelHost::Get()->StartPollTimer();
}

void CPan1Dlg::AbandonStart(CInstrumentDriver* driver, std::size_t failed)
{
    // A half-started test would look running while its channels are dead:
    // the operator reads the driver's reason, the channels this start reached
    // are closed again, and the next click starts afresh.
    if (driver) {
        const ViStatus status = driver->LastStatus();
        CChannelObserver* observer = CChannel::Observer();
        if (observer && status != VI_SUCCESS)
            observer->OnStatus(
                static_cast<int>(std::min<std::size_t>(failed, m_channels.size() - 1)) + 1, status);
        ReportInstrumentError(status);
    }
    CChannel::AnnounceTestStopped();
    m_bRunning = 0;
    if (driver)
        driver->EndTest();
    for (std::size_t i = 0; i <= failed && i < m_channels.size(); ++i)
        m_channels[i]->Stop();
    if (failed < m_channels.size())
        m_channels[failed]->ShowStartFailed();
    if (auto* button = StartStopButton())
        button->setText(QStringLiteral("Start Test"));
}

void CPan1Dlg::StopTest()
{
    if (!m_bRunning)
        return;
    m_bRunning = 0;
    CPanelHost::Get()->StopPollTimer();
    CChannel::AnnounceTestStopped();
    if (CInstrumentDriver* driver = CInstrumentHost::CurrentDriver())
        driver->EndTest();
    for (CChannel* channel : m_channels)
        channel->Stop();
    if (auto* button = StartStopButton())
        button->setText(QStringLiteral("Start Test"));
}

void CPan1Dlg::OnTick()
{
    if (!m_bRunning)
        return;
    // A channel in a pattern test belongs to it: its own timer reads and
    // writes the line, and a poll here would take bytes from its checker.
    // A failure reported ends the tick: the channels after it wait for the next.
    CChannelObserver* observer = CChannel::Observer();
    for (CChannel* channel : m_channels) {
        if ((!observer || !observer->HoldsChannel(channel->Number())) && !channel->Poll())
            break;
    }
}

void CPan1Dlg::paintEvent(QPaintEvent*)
{
    // The panel is dark grey. The body's sunken frame and light grey face are
    // the body frame control's own drawing, over anything drawn here.
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(GetPanelColor(kDarkGrey)));
}

void CPan1Dlg::PostNcDestroy()
{
    if (m_bRunning)
        CChannel::AnnounceTestStopped();
    m_bRunning = 0;
    if (CPanelHost* host = CPanelHost::Get())
        host->StopPollTimer();
    delete std::exchange(m_pActiveLamp, nullptr);
    delete std::exchange(m_pLogo, nullptr);
    delete std::exchange(m_pStandardsLogo, nullptr);
    delete std::exchange(m_pBodyFrame, nullptr);
    for (CChannel*& channel : m_channels)
        delete std::exchange(channel, nullptr);
    CPanelDialog::PostNcDestroy();
}

CPan1Obj::CPan1Obj()
    : CPanel(LoadString(IDS_MAIN_PANEL))
{
}

CPanelDialog* CPan1Obj::OpenDialog()
{
    return BecomeCurrent(new CPan1Dlg(CPanelHost::Get()->PanelParent(), this));
}

void CPan1Obj::Update()
{
    if (auto* dialog = static_cast<CPan1Dlg*>(m_pDialog))
        dialog->OnTick();
}

#undef SFP_SUNKEN_FIELD_COLORS
