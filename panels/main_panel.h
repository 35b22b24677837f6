#pragma once
// The Main Panel: who the instrument is (logos, slot, resource text, Active
// lamp) and the four channels, with "Start Test" / "Stop!" running the
// exchange on all four channels every timer tick.
#include "controls/text_static.h"
#include "panels/panel.h"
#include "panels/panel_dialog.h"

#include <array>

class CBitmapStatic;
class CChannel;
class CLedButton;
class CPan1Obj;
class QPushButton;

class CPan1Dlg : public CPanelDialog {
    Q_OBJECT
public:
    CPan1Dlg(QWidget* parent, CPan1Obj* owner);
    ~CPan1Dlg() override;

    void StartTest();
    void StopTest();
    // One timer tick's work: polls channels 1 to 4 while the test runs.
    void OnTick();

    int IsRunning() const { return m_bRunning; }
    CChannel* Channel(int number) const { return m_channels.at(static_cast<std::size_t>(number - 1)); }
    QPushButton* StartStopButton() const;
    CLedButton* ActiveLamp() const { return m_pActiveLamp; }
    CTextStatic& SlotBox() { return m_slotBox; }
    CTextStatic& ResourceBox() { return m_resourceBox; }
    CTextStatic& Banner() { return m_banner; }
    CTextStatic* BodyFrame() const { return m_pBodyFrame; }

protected:
    bool OnInitDialog() override;
    void PostNcDestroy() override;
    void paintEvent(class QPaintEvent* event) override;

private:
    void DoDataExchange();
    void OnStartStop();
    // A channel's start threw: report, close what this start opened, and
    // leave the test stopped.
    void AbandonStart(class CInstrumentDriver* driver, std::size_t failed);

    CTextStatic m_slotBox;
    CTextStatic m_resourceBox;
    CTextStatic m_addressFrame;
    CTextStatic m_banner;
    CPan1Obj* m_pOwner;
    CLedButton* m_pActiveLamp = nullptr;
    CBitmapStatic* m_pLogo = nullptr;
    CBitmapStatic* m_pStandardsLogo = nullptr;
    CTextStatic* m_pBodyFrame = nullptr;
    std::array<CChannel*, 4> m_channels{};
    int m_bRunning = 0;
};

class CPan1Obj : public CPanel {
public:
    CPan1Obj();
    CPanelDialog* OpenDialog() override;
    void Update() override;
};
