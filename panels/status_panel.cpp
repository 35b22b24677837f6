#include "panels/status_panel.h"

#include "panels/panel_host.h"
#include "platform/colors.h"
#include "platform/string_table.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

#include <QPainter>

CStatusDlg::CStatusDlg(QWidget* parent, CStatObj* owner) : CPanelDialog(parent, owner)
{
    Create(StatusPanelTemplate());
}

bool CStatusDlg::OnInitDialog()
{
    FitMainWindow();
    return true;
}

void CStatusDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(GetPanelColor(4)));
}

CStatObj::CStatObj() : CPanel(LoadString(IDS_STATUS_PANEL)) {}

CPanelDialog* CStatObj::OpenDialog()
{
    return BecomeCurrent(new CStatusDlg(CPanelHost::Get()->PanelParent(), this));
}
