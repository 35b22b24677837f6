#include "panels/status_panel.h"

#include "controls/text_static.h"
#include "instrument/instrument_driver.h"
#include "instrument/instrument_host.h"
#include "panels/panel_host.h"
#include "platform/colors.h"
#include "platform/string_table.h"
#include "platform/user_exception.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

#include <QAbstractButton>
#include <QPainter>
#include <utility>

QString StatusByteText(unsigned value) { return QString::number(value & 0xFFFFu, 2); }

CStatusDlg::CStatusDlg(QWidget* parent, CStatObj* owner) : CPanelDialog(parent, owner), m_pPanel(owner)
{
    Create(StatusPanelTemplate());
}

CTextStatic* CStatusDlg::MakeField(int id, int background, bool raised)
{
    auto* field = new CTextStatic(GetPanelColor(background), GetPanelColor(kBlack),
                                  GetPanelColor(kShadow), GetPanelColor(kHighlight), 1, nullptr,
                                  nullptr);
    Attach(id, field);
    field->m_pFontWindow = this;
    if (raised)
        std::swap(field->m_crTopLeft, field->m_crBottomRight);
    return field;
}

bool CStatusDlg::OnInitDialog()
{
    FitMainWindow();
    CPanelDialog::OnInitDialog();

    m_pTitle = MakeField(IDC_STATUS_TITLE, kTeal, false);
    m_pTitle->SetText(LoadString(IDS_STATUS_PANEL));
    m_pErrorFrame = MakeField(IDC_ERROR_FRAME, kLightGrey, true);
    m_pStatusFrame = MakeField(IDC_STATUS_FRAME, kLightGrey, true);
    m_pNumber = MakeField(IDC_ERROR_NUMBER, kWhite, false);
    m_pMessage = MakeField(IDC_ERROR_MESSAGE, kWhite, false);
    m_pStatusByte = MakeField(IDC_STATUS_BYTE, kWhite, false);
    DispatchHandler([this] {
        if (CInstrumentDriver* driver = CInstrumentHost::CurrentDriver())
            m_pStatusByte->SetText(StatusByteText(driver->ReadStatusByte()));
    });

    if (auto* read = Item<QAbstractButton>(IDC_READ_ERROR_QUEUE))
        connect(read, &QAbstractButton::clicked, this, [this] { DispatchHandler([this] { OnReadErrorQueue(); }); });
    if (auto* opc = Item<QAbstractButton>(IDC_OPC))
        connect(opc, &QAbstractButton::clicked, this, [this] { DispatchHandler([this] { OnOpc(); }); });
    return true;
}

void CStatusDlg::OnReadErrorQueue()
{
    CInstrumentDriver* driver = CInstrumentHost::CurrentDriver();
    if (!driver)
        return;
    std::int32_t code = 0;
    QString message;
    driver->ErrorQuery(code, message);
    // The text has room for 51 characters; a longer answer is cut there
    // rather than shown past the end of what the panel keeps.
    message.truncate(kErrorTextChars);
    m_pMessage->SetText(message);
    m_pNumber->SetText(QString::asprintf("%d", static_cast<int>(code)));
}

// The operation-complete query is not performed; the button has no effect.
void CStatusDlg::OnOpc() {}

void CStatusDlg::PostNcDestroy()
{
    delete m_pTitle;
    delete m_pErrorFrame;
    delete m_pStatusFrame;
    delete m_pNumber;
    delete m_pMessage;
    delete m_pStatusByte;
    CPanelDialog::PostNcDestroy();
}

void CStatusDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(GetPanelColor(kDarkGrey)));
}

CStatObj::CStatObj() : CPanel(LoadString(IDS_STATUS_PANEL)) {}

CPanelDialog* CStatObj::OpenDialog()
{
    return BecomeCurrent(new CStatusDlg(CPanelHost::Get()->PanelParent(), this));
}
