#pragma once
#include "panels/panel.h"
#include "panels/panel_dialog.h"

class CStatObj;

// The Status panel's dialog on template 106.
class CStatusDlg : public CPanelDialog {
    Q_OBJECT
public:
    CStatusDlg(QWidget* parent, CStatObj* owner);

protected:
    bool OnInitDialog() override;
    void paintEvent(class QPaintEvent* event) override;
};

// The Status panel object.
class CStatObj : public CPanel {
public:
    CStatObj();
    CPanelDialog* OpenDialog() override;
};
