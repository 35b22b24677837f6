#pragma once
#include "panels/panel.h"
#include "panels/panel_dialog.h"

class CStatObj;
class CTextStatic;

// The Status panel's dialog on template 106: the instrument's status byte,
// read once as the dialog opens, and one entry of its error queue on demand.
class CStatusDlg : public CPanelDialog {
    Q_OBJECT
public:
    CStatusDlg(QWidget* parent, CStatObj* owner);

    // The error-queue text buffer holds 51 characters and the terminating zero.
    static constexpr int kErrorTextChars = 51;

    void OnReadErrorQueue();
    void OnOpc();

protected:
    bool OnInitDialog() override;
    void PostNcDestroy() override;
    void paintEvent(class QPaintEvent* event) override;

private:
    CTextStatic* MakeField(int id, int background, bool raised);

    CStatObj* m_pPanel;
    CTextStatic* m_pTitle = nullptr;       // 1018
    CTextStatic* m_pErrorFrame = nullptr;  // 1026
    CTextStatic* m_pStatusFrame = nullptr; // 1024
    CTextStatic* m_pNumber = nullptr;      // 1016
    CTextStatic* m_pMessage = nullptr;     // 1017
    CTextStatic* m_pStatusByte = nullptr;  // 1022
};

// The Status panel object; it has no state of its own and no periodic work.
class CStatObj : public CPanel {
public:
    CStatObj();
    CPanelDialog* OpenDialog() override;
};

// The status byte as the panel shows it: base 2 without leading zeros.
QString StatusByteText(unsigned value);
