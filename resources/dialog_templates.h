#pragma once
#include "platform/dialog_template.h"

// The dialog templates: 100 About, 103 Main Panel, 106 Status, 107 Select
// Instrument, 113 Setting Panel. Returns null for an unknown id.
const DialogTemplate* FindDialogTemplate(int id);

const DialogTemplate& AboutTemplate();
const DialogTemplate& MainPanelTemplate();
const DialogTemplate& StatusPanelTemplate();
const DialogTemplate& SelectInstrumentTemplate();
const DialogTemplate& SettingPanelTemplate();
