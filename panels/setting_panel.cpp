#include "panels/setting_panel.h"

#include "panels/panel_host.h"
#include "platform/string_table.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

CSettingDlg::CSettingDlg(QWidget* parent, CSettingObj* owner) : CPanelDialog(parent, owner)
{
    Create(SettingPanelTemplate());
}

bool CSettingDlg::OnInitDialog()
{
    FitMainWindow();
    return true;
}

CSettingObj::CSettingObj() : CPanel(LoadString(IDS_SETTING_PANEL)) {}

CPanelDialog* CSettingObj::OpenDialog()
{
    return BecomeCurrent(new CSettingDlg(CPanelHost::Get()->PanelParent(), this));
}
