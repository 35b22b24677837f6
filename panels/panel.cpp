#include "panels/panel.h"

#include "panels/panel_dialog.h"
#include "panels/panel_host.h"
#include "panels/panel_list.h"
#include "platform/string_table.h"

void CPanel::CloseDialog()
{
    if (m_pDialog)
        m_pDialog->DestroyWindow();
    m_pDialog = nullptr;
}

CPanelDialog* CPanel::BecomeCurrent(CPanelDialog* dialog)
{
    m_pDialog = dialog;
    if (CPanelHost* host = CPanelHost::Get())
        host->SetCurrentPanel(this);
    return dialog;
}

CPanel* CPanelList::FindByName(const QString& name) const
{
    for (CPanel* panel : m_items) {
        if (panel && panel->m_strName == name)
            return panel;
    }
    return nullptr;
}

CPanel* CPanelList::FindByStringId(int stringId) const { return FindByName(LoadString(stringId)); }

CPanelHost* CPanelHost::Get() { return dynamic_cast<CPanelHost*>(CInstrumentHost::Get()); }
