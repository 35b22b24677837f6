#pragma once
#include "panels/panel.h"
#include "panels/panel_dialog.h"

class CPan1Obj;

// The Main Panel's dialog on template 103.
class CPan1Dlg : public CPanelDialog {
    Q_OBJECT
public:
    CPan1Dlg(QWidget* parent, CPan1Obj* owner);
    // One timer tick's work: polls the channels while the test runs.
    void OnTick();

protected:
    bool OnInitDialog() override;
    void paintEvent(class QPaintEvent* event) override;
};

// The Main Panel object: "Main Panel" in the panel list for the whole run.
class CPan1Obj : public CPanel {
public:
    CPan1Obj();
    CPanelDialog* OpenDialog() override;
    void Update() override;
};
