#include "panels/main_panel.h"

#include "platform/colors.h"
#include "platform/string_table.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"
#include "panels/panel_host.h"

#include <QPainter>

CPan1Dlg::CPan1Dlg(QWidget* parent, CPan1Obj* owner) : CPanelDialog(parent, owner)
{
    Create(MainPanelTemplate());
}

bool CPan1Dlg::OnInitDialog()
{
    FitMainWindow();
    return true;
}

void CPan1Dlg::OnTick() {}

void CPan1Dlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(GetPanelColor(4)));
}

CPan1Obj::CPan1Obj() : CPanel(LoadString(IDS_MAIN_PANEL)) {}

CPanelDialog* CPan1Obj::OpenDialog()
{
    return BecomeCurrent(new CPan1Dlg(CPanelHost::Get()->PanelParent(), this));
}

void CPan1Obj::Update()
{
    if (auto* dialog = static_cast<CPan1Dlg*>(m_pDialog))
        dialog->OnTick();
}
