#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

const DialogTemplate* FindDialogTemplate(int id)
{
    switch (id) {
    case IDD_ABOUTBOX: return &AboutTemplate();
    case IDD_MAIN_PANEL: return &MainPanelTemplate();
    case IDD_STATUS_PANEL: return &StatusPanelTemplate();
    case IDD_SELECT_INSTRUMENT: return &SelectInstrumentTemplate();
    case IDD_SETTING_PANEL: return &SettingPanelTemplate();
    default: return nullptr;
    }
}

const DialogTemplate& AboutTemplate()
{
    static const DialogTemplate t{
        IDD_ABOUTBOX, 232, 92, QStringLiteral("MS Sans Serif"), 8, QStringLiteral("About tsxXXXX Sfp"),
        {
            {-1, ControlKind::Icon, QString(), 4, 4, 18, 20, CS_NONE, {}},
            {-1, ControlKind::Static, QStringLiteral("tsx4410  soft front panel"), 32, 4, 160, 8, CS_LEFT, {}},
            {IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 196, 4, 32, 14, CS_TABSTOP | CS_GROUP, {}},
            {-1, ControlKind::Static, QStringLiteral("VERSION: A.01.00"), 4, 36, 224, 8, CS_LEFT, {}},
            {-1, ControlKind::Static, QStringLiteral("Plug Play Driver revison required: A.01.00 or greater"), 4, 52, 224, 8, CS_LEFT, {}},
            {-1, ControlKind::Static, QStringLiteral("4410  firmware revison date code required: 1.0 or greater"), 4, 64, 224, 8, CS_LEFT, {}},
            {-1, ControlKind::Static, QStringLiteral("ZRT version required: 3.0 or greater"), 4, 76, 224, 8, CS_LEFT, {}},
        }};
    return t;
}

const DialogTemplate& SelectInstrumentTemplate()
{
    static const DialogTemplate t{
        IDD_SELECT_INSTRUMENT, 186, 92, QStringLiteral("MS Sans Serif"), 8, QStringLiteral("Select Instrument"),
        {
            {IDC_INSTRUMENT_LIST, ControlKind::DropList, QString(), 24, 24, 140, 60, CS_TABSTOP | CS_VSCROLL, {}},
            {IDOK, ControlKind::DefPushButton, QStringLiteral("OK"), 28, 68, 50, 14, CS_TABSTOP, {}},
            {IDCANCEL, ControlKind::PushButton, QStringLiteral("Cancel"), 100, 68, 50, 14, CS_TABSTOP, {}},
        },
        /*systemMenu=*/false}; // a modal frame: Cancel or Esc are the only ways out
    return t;
}
