#pragma once
#include "panels/panel.h"
#include "panels/panel_dialog.h"

class CSettingObj;

// The Setting Panel's dialog on template 113.
class CSettingDlg : public CPanelDialog {
    Q_OBJECT
public:
    CSettingDlg(QWidget* parent, CSettingObj* owner);

protected:
    bool OnInitDialog() override;
};

// The Setting Panel object: the one store of the four channels' settings.
class CSettingObj : public CPanel {
public:
    CSettingObj();
    CPanelDialog* OpenDialog() override;
};
