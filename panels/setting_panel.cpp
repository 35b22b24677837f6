#include "panels/setting_panel.h"

#include "panels/panel_host.h"
#include "platform/string_table.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

namespace {

bool SameSettings(const ChannelSettings& a, const ChannelSettings& b)
{
    // Exact comparisons: the texts case-sensitively, the flag as an integer.
    return a.baudRate == b.baudRate && a.dataBits == b.dataBits && a.parity == b.parity &&
           a.stopBits == b.stopBits && a.flowControl == b.flowControl &&
           a.parityCheck == b.parityCheck && a.mode == b.mode;
}

// Selects the first item that begins with `text`, case ignored; with no such
// item the selection stays as it is.
void SelectByPrefix(QComboBox* list, const QString& text)
{
    if (!list)
        return;
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
            list->setCurrentIndex(i);
            return;
        }
    }
}

QString ShownText(const QComboBox* list) { return list ? list->currentText() : QString(); }

} // namespace

// ---------------------------------------------------------------------------
// CSettingObj

CSettingObj::CSettingObj() : CPanel(LoadString(IDS_SETTING_PANEL))
{
    for (int k = 0; k < kChannelCount; ++k) {
        m_working[k] = DefaultChannelSettings();
        m_restorePoint[k] = DefaultChannelSettings();
    }
}

CPanelDialog* CSettingObj::OpenDialog()
{
    return BecomeCurrent(new CSettingDlg(CPanelHost::Get()->PanelParent(), this));
}

void CSettingObj::GetChannelSettings(int index, QString& baudRate, QString& dataBits,
                                     QString& parity, QString& stopBits, QString& flowControl,
                                     int& parityCheck, QString& mode) const
{
    if (!IsValidIndex(index))
        return;
    const ChannelSettings& s = m_working[index];
    baudRate = s.baudRate;
    dataBits = s.dataBits;
    parity = s.parity;
    stopBits = s.stopBits;
    flowControl = s.flowControl;
    parityCheck = s.parityCheck;
    mode = s.mode;
}

ChannelSettings CSettingObj::GetChannelSettings(int index) const
{
    return IsValidIndex(index) ? m_working[index] : DefaultChannelSettings();
}

void CSettingObj::SetChannelSettings(int index, const QString& baudRate, const QString& dataBits,
                                     const QString& parity, const QString& stopBits,
                                     const QString& flowControl, int parityCheck,
                                     const QString& mode)
{
    SetChannelSettings(index, ChannelSettings{baudRate, dataBits, parity, stopBits, flowControl,
                                              parityCheck, mode});
}

void CSettingObj::SetChannelSettings(int index, const ChannelSettings& settings)
{
    if (!IsValidIndex(index))
        return;
    m_working[index] = settings;
    m_nChanged[index] = SameSettings(m_working[index], m_restorePoint[index]) ? 0 : 1;
}

void CSettingObj::RestoreChannelSettings(int index)
{
    if (!IsValidIndex(index))
        return;
    m_working[index] = m_restorePoint[index];
    m_nChanged[index] = 0;
}

void CSettingObj::CommitChannelSettings(int index)
{
    if (!IsValidIndex(index))
        return;
    m_restorePoint[index] = m_working[index];
    m_nChanged[index] = 0;
}

int CSettingObj::IsChanged(int index) const
{
    return IsValidIndex(index) ? m_nChanged[index] : 0;
}

void CSettingObj::SetCurrentChannel(int index)
{
    if (IsValidIndex(index))
        m_nCurrentChannel = index;
}

// ---------------------------------------------------------------------------
// CSettingDlg

CSettingDlg::CSettingDlg(QWidget* parent, CSettingObj* owner)
    : CPanelDialog(parent, owner), m_pSettingObj(owner)
{
    Create(SettingPanelTemplate());
}

bool CSettingDlg::OnInitDialog()
{
    FitMainWindow();

    // The template's tab control becomes a tab widget with one empty page per
    // channel; the lists, the box and the buttons stay on top of it and are
    // the same for every tab.
    m_pTabCtrl = new QTabWidget;
    m_pTabCtrl->setFocusPolicy(Qt::NoFocus);
    m_pTabCtrl->tabBar()->setFocusPolicy(Qt::NoFocus);
    m_pTabCtrl->setUsesScrollButtons(false);
    Attach(IDC_CHANNEL_TABS, m_pTabCtrl);

    const int current = m_pSettingObj->CurrentChannel();
    LoadFields(current);
    UpdateData(false);

    for (int k = 0; k < CSettingObj::kChannelCount; ++k)
        m_pTabCtrl->insertTab(k, new QWidget, QStringLiteral("Channel %1").arg(k + 1));
    m_pTabCtrl->setCurrentIndex(current);
    m_nShownTab = m_pTabCtrl->currentIndex();

    // Each opening starts a new visit: what the channels hold now is what
    // "Restore" returns to.
    for (int k = 0; k < CSettingObj::kChannelCount; ++k)
        m_pSettingObj->CommitChannelSettings(k);
    EnableApplyRestore(false);

    // Connected only now, so building the tabs above is not taken for the
    // operator's choice.
    connect(m_pTabCtrl, &QTabWidget::currentChanged, this, &CSettingDlg::OnTabChanged);
    for (int id : {IDC_MODE, IDC_BAUD, IDC_DATA_BITS, IDC_PARITY, IDC_STOP_BITS, IDC_FLOW_CONTROL}) {
        if (auto* list = Item<QComboBox>(id))
            connect(list, &QComboBox::activated, this, &CSettingDlg::OnAnyChange);
    }
    if (auto* box = Item<QCheckBox>(IDC_PARITY_CHECK))
        connect(box, &QCheckBox::clicked, this, &CSettingDlg::OnAnyChange);
    if (auto* restore = Item<QPushButton>(IDC_RESTORE))
        connect(restore, &QPushButton::clicked, this, &CSettingDlg::OnRestore);
    // Apply stays hidden, as in the template: every choice is stored at once.
    return true;
}

void CSettingDlg::UpdateData(bool save)
{
    auto* mode = Item<QComboBox>(IDC_MODE);
    auto* baud = Item<QComboBox>(IDC_BAUD);
    auto* dataBits = Item<QComboBox>(IDC_DATA_BITS);
    auto* parity = Item<QComboBox>(IDC_PARITY);
    auto* stopBits = Item<QComboBox>(IDC_STOP_BITS);
    auto* flow = Item<QComboBox>(IDC_FLOW_CONTROL);
    auto* check = Item<QCheckBox>(IDC_PARITY_CHECK);
    if (save) {
        m_nParityCheck = check && check->isChecked() ? 1 : 0;
        m_strDataBits = ShownText(dataBits);
        m_strFlowControl = ShownText(flow);
        m_strBaudRate = ShownText(baud);
        m_strStopBits = ShownText(stopBits);
        m_strParity = ShownText(parity);
        m_strMode = ShownText(mode);
    } else {
        if (check)
            check->setChecked(m_nParityCheck != 0);
        SelectByPrefix(dataBits, m_strDataBits);
        SelectByPrefix(flow, m_strFlowControl);
        SelectByPrefix(baud, m_strBaudRate);
        SelectByPrefix(stopBits, m_strStopBits);
        SelectByPrefix(parity, m_strParity);
        SelectByPrefix(mode, m_strMode);
    }
}

void CSettingDlg::LoadFields(int channel)
{
    m_pSettingObj->GetChannelSettings(channel, m_strBaudRate, m_strDataBits, m_strParity,
                                      m_strStopBits, m_strFlowControl, m_nParityCheck, m_strMode);
}

void CSettingDlg::StoreFields(int channel)
{
    m_pSettingObj->SetChannelSettings(channel, m_strBaudRate, m_strDataBits, m_strParity,
                                      m_strStopBits, m_strFlowControl, m_nParityCheck, m_strMode);
}

void CSettingDlg::EnableApplyRestore(bool enable)
{
    if (auto* apply = GetDlgItem(IDC_APPLY))
        apply->setEnabled(enable);
    if (auto* restore = GetDlgItem(IDC_RESTORE))
        restore->setEnabled(enable);
}

void CSettingDlg::OnAnyChange()
{
    const int k = m_pTabCtrl->currentIndex();
    UpdateData(true);
    StoreFields(k);
    EnableApplyRestore(m_pSettingObj->IsChanged(k) == 1);
}

void CSettingDlg::OnTabChanged(int newTab)
{
    // The tab being left keeps what its controls show.
    UpdateData(true);
    StoreFields(m_nShownTab);

    // The tab chosen shows its own channel.
    m_nShownTab = newTab;
    LoadFields(newTab);
    m_pSettingObj->SetCurrentChannel(newTab);
    UpdateData(false);
    EnableApplyRestore(m_pSettingObj->IsChanged(newTab) == 1);
}

void CSettingDlg::OnRestore()
{
    const int k = m_pTabCtrl->currentIndex();
    m_pSettingObj->RestoreChannelSettings(k);
    LoadFields(k);
    UpdateData(false);
    EnableApplyRestore(false);
}
