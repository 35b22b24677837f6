#include "panels/channel.h"

#include "controls/led_button.h"
#include "controls/transfer_edit.h"
#include "instrument/instrument_driver.h"
#include "instrument/instrument_host.h"
#include "instrument/report_error.h"
#include "panels/channel_settings.h"
#include "panels/panel_dialog.h"
#include "panels/panel_host.h"
#include "panels/panel_list.h"
#include "panels/setting_panel.h"
#include "platform/modal_runner.h"
#include "platform/string_table.h"
#include "platform/user_exception.h"
#include "resources/resource_ids.h"

#include <QLabel>
#include <algorithm>
#include <array>

namespace {

constexpr COLORREF kLampBackground = RGB(192, 192, 192);
constexpr COLORREF kGreenLit = RGB(0, 255, 0);
constexpr COLORREF kOrangeLit = RGB(255, 128, 0);
constexpr COLORREF kDim = RGB(0, 192, 0);
constexpr COLORREF kDark = RGB(0, 128, 0);
constexpr int kLit = 0;
constexpr int kIdle = 1;
constexpr int kFailedOpen = 2;
constexpr int kPropertyConfig = 30;

CChannelObserver* g_pObserver = nullptr;
TestRun g_run;
std::array<CChannel*, 4> g_channels {}; // those on show

} // namespace

void CChannel::SetObserver(CChannelObserver* observer) { g_pObserver = observer; }

CChannelObserver* CChannel::Observer() { return g_pObserver; }

void CChannel::AnnounceTestStarted(const std::array<ChannelSettings, 4>& settings)
{
    g_run.running = true;
    ++g_run.start;
    g_run.clock.start();
    g_run.settings = settings;
    if (g_pObserver)
        g_pObserver->OnTestStarted(g_run);
}

void CChannel::AnnounceTestStopped()
{
    g_run.running = false;
    if (g_pObserver)
        g_pObserver->OnTestStopped();
}

const TestRun& CChannel::CurrentRun() { return g_run; }

void CChannel::ShowHolds()
{
    for (CChannel* channel : g_channels) {
        if (channel)
            channel->ShowHeld(g_pObserver && g_pObserver->HoldsChannel(channel->m_nChannel));
    }
}

void CChannel::ShowHeld(bool held)
{
    const QString why = held ? QStringLiteral("Channel %1 runs a pattern test in the Traffic window: "
                                              "what is typed here is not sent.").arg(m_nChannel)
                             : QString();
    m_pTransBox->setToolTip(why);
    m_pTransBox->setAccessibleDescription(why);
    if (!m_pTransBox->IsActive())
        return;
    m_pTransBox->setEnabled(!held);
    char dropped[kMaxWrite];
    while (held && m_pTransBox->TakePending(dropped, kMaxWrite) > 0) {
    }
}

void CChannel::ReportFailure(CChannelObserver* observer, ViStatus status) const
{
    if (observer) {
        observer->OnStatus(m_nChannel, status);
        observer->OnPollStopped(m_nChannel);
    }
    ReportInstrumentError(status);
}

void CChannel::NoteStatus(CChannelObserver* observer, CInstrumentDriver* driver) const
{
    if (!observer)
        return;
    const ViStatus status = driver->LastStatus();
    if (status != VI_SUCCESS)
        observer->OnStatus(m_nChannel, status);
}

int BytesToReadThisPoll(int waiting)
{
    return std::clamp(waiting, 0, CChannel::kReceiveBufferSize);
}

CChannel::CChannel(int number, CPanelDialog* dialog) : m_pDialog(dialog), m_nChannel(number)
{
    const int i = number - 1;
    if (i >= 0 && i < 4)
        g_channels[static_cast<std::size_t>(i)] = this;
    const QString name = QStringLiteral("Channel %1 ").arg(number);

    m_pErrLamp = new CStateLedButton(kOrangeLit, kDim, kDark, kLampBackground);
    m_pErrLamp->setAccessibleName(name + QStringLiteral("Err"));
    dialog->Attach(IDC_ERR_LAMP + i, m_pErrLamp);
    m_pRxLamp = new CStateLedButton(kGreenLit, kDim, kDark, kLampBackground);
    m_pRxLamp->setAccessibleName(name + QStringLiteral("Rx"));
    dialog->Attach(IDC_RX_LAMP + i, m_pRxLamp);
    m_pTxLamp = new CStateLedButton(kGreenLit, kDim, kDark, kLampBackground);
    m_pTxLamp->setAccessibleName(name + QStringLiteral("Tx"));
    dialog->Attach(IDC_TX_LAMP + i, m_pTxLamp);

    m_pRecvBox = new CTransferEdit(i, CTransferEdit::Receive);
    m_pRecvBox->setAccessibleName(name + QStringLiteral("Recv"));
    dialog->Attach(IDC_RECV + i, m_pRecvBox);
    m_pRecvBox->HideCaret(); // disabled until the channel activates it: the box sees to that itself

    m_pTransBox = new CTransferEdit(i, CTransferEdit::Transmit);
    m_pTransBox->setAccessibleName(name + QStringLiteral("Trans"));
    dialog->Attach(IDC_TRANS + i, m_pTransBox);
    m_pTransBox->HideCaret();
}

CChannel::~CChannel()
{
    for (CChannel*& shown : g_channels)
        shown = shown == this ? nullptr : shown;
    if (m_bOpened) {
        if (CInstrumentDriver* driver = CInstrumentHost::CurrentDriver())
            driver->CloseChannel(m_nChannel);
        m_bOpened = 0;
    }
    delete m_pErrLamp;
    delete m_pRxLamp;
    delete m_pTxLamp;
    delete m_pRecvBox;
    delete m_pTransBox;
}

void CChannel::SetLabel(int id, const QString& text)
{
    // Looked up by id each time: the labels belong to the dialog.
    if (auto* label = m_pDialog->Item<QLabel>(id))
        label->setText(text);
}

void CChannel::ShowSettings(const QString& baudRate, const QString& dataBits, const QString& parity,
                            const QString&, const QString& flowControl, const int& parityCheck)
{
    const int i = m_nChannel - 1;
    SetLabel(IDC_BAUD_LABEL + i, QStringLiteral("Baud:") + baudRate);
    SetLabel(IDC_FLOW_LABEL + i, QStringLiteral("Flow Ctl: ") + flowControl);
    SetLabel(IDC_DATA_LABEL + i, QStringLiteral("Data: ") + dataBits);
    SetLabel(IDC_PARITY_LABEL + i, QStringLiteral("Parity: ") +
                                       (parityCheck ? QStringLiteral("Enable  ") : QStringLiteral("Disable ")) +
                                       parity);
}

void CChannel::Start()
{
    CInstrumentDriver* driver = CInstrumentHost::CurrentDriver();
    if (!driver)
        return;
    m_bOpened = driver->OpenChannel(m_nChannel);
    NoteStatus(g_pObserver, driver);
    if (!m_bOpened) {
        ShowStartFailed();
        SfpMessageBox(LoadString(IDS_CHANNEL_OPEN_ERROR));
        return;
    }
    Configure();
    m_pTransBox->Activate();
    m_pRecvBox->Activate();
    ShowHeld(g_pObserver && g_pObserver->HoldsChannel(m_nChannel));
}

void CChannel::ShowStartFailed()
{
    m_pRxLamp->SetState(kFailedOpen);
    m_pErrLamp->SetState(kFailedOpen);
    m_pTxLamp->SetState(kFailedOpen);
}

void CChannel::Configure()
{
    CInstrumentDriver* driver = CInstrumentHost::CurrentDriver();
    CPanelHost* host = CPanelHost::Get();
    auto* store = host ? static_cast<CSettingObj*>(host->Panels().FindByStringId(IDS_SETTING_PANEL)) : nullptr;
    if (!driver || !store)
        return;
    const ChannelSettings settings = store->GetChannelSettings(m_nChannel - 1);
    // Start from zeros: an access object that does not fill the record
    // (the non-live one) still sends defined words.
    ConfigRecord asRead{};
    driver->GetChannelProperty(m_nChannel, kPropertyConfig, asRead.data());
    NoteStatus(g_pObserver, driver);
    ConfigRecord record = BuildConfigRecord(asRead, settings);
    driver->SetChannelProperty(m_nChannel, kPropertyConfig, record.data());
    NoteStatus(g_pObserver, driver);
}

bool CChannel::Poll()
{
    CInstrumentDriver* driver = CInstrumentHost::CurrentDriver();
    if (!driver)
        return true;
    char buffer[kReceiveBufferSize];
    CChannelObserver* const observer = g_pObserver;

    // Receive step. A count that fails is reported as a failed write is: a
    // line gone away must not leave the poll stalled without a word.
    m_pRxLamp->SetState(kIdle);
    std::int32_t waiting = 0;
    try {
        waiting = driver->BytesAvailable(m_nChannel);
        NoteStatus(observer, driver);
    } catch (const CUserException&) {
        ReportFailure(observer, driver->LastStatus());
        return false;
    }
    if (waiting != 0) {
        try {
            if (waiting < 0) {
                // A negative count is no count at all: nothing is read and
                // the channel shows a failed read.
                m_pErrLamp->SetState(kLit);
            } else {
                m_pRxLamp->SetState(kLit);
                const int asked = BytesToReadThisPoll(waiting);
                std::uint32_t got = static_cast<std::uint32_t>(asked);
                driver->ReadChannel(m_nChannel, buffer, asked, &got);
                // A driver that says it read fewer bytes than asked shows
                // only those; the rest of the buffer holds nothing received.
                const int shown = static_cast<int>(std::min<std::uint32_t>(got, static_cast<std::uint32_t>(asked)));
                if (observer) {
                    NoteStatus(observer, driver);
                    observer->OnReceived(m_nChannel, buffer, shown);
                }
                m_pRecvBox->AppendReceived(buffer, shown);
                m_pErrLamp->SetState(kIdle);
            }
        } catch (const CUserException&) {
            NoteStatus(observer, driver);
            m_pErrLamp->SetState(kLit);
        }
    }

    // Transmit step.
    try {
        m_pTxLamp->SetState(kIdle);
        if (m_pTransBox->HasPending() && driver->CanWrite(m_nChannel)) {
            NoteStatus(observer, driver);
            const int count = m_pTransBox->TakePending(buffer, kMaxWrite);
            std::uint32_t written = static_cast<std::uint32_t>(count);
            driver->WriteChannel(m_nChannel, buffer, count, &written);
            if (observer) {
                NoteStatus(observer, driver);
                observer->OnSent(m_nChannel, buffer, static_cast<int>(std::min<std::uint32_t>(written, count)));
            }
            m_pTxLamp->SetState(kLit);
        }
    } catch (const CUserException&) {
        ReportFailure(observer, driver->LastStatus());
        return false;
    }
    return true;
}

void CChannel::Stop()
{
    if (m_bOpened) {
        m_pErrLamp->SetState(kIdle);
        m_pRxLamp->SetState(kIdle);
        m_pTxLamp->SetState(kIdle);
    }
    m_pTransBox->Deactivate();
    m_pRecvBox->Deactivate();
    if (CInstrumentDriver* driver = CInstrumentHost::CurrentDriver())
        driver->CloseChannel(m_nChannel);
}
