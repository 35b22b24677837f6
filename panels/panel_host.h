#pragma once
#include "instrument/instrument_host.h"
#include "platform/colors.h"

#include <QSize>

class CPanel;
class CPanelList;

// What panels need from the application object: the panel list, the current
// panel, what discovery found, and the main window's client area and timer.
class CPanelHost : public CInstrumentHost {
public:
    static CPanelHost* Get();

    virtual CPanelList& Panels() = 0;
    virtual CPanel* CurrentPanel() const = 0;
    virtual void SetCurrentPanel(CPanel* panel) = 0;
    virtual void CloseCurrentPanel(CPanel* panel) = 0;
    virtual COLORREF ActiveLampColor() const = 0;
    virtual QString ResourceName() const = 0;
    // The widget panel dialogs are children of: the main window's client area.
    virtual QWidget* PanelParent() const = 0;
    // Resizes the main window so its client area is exactly `dialogSize`,
    // keeping its position.
    virtual void FitMainWindowTo(const QSize& dialogSize) = 0;
    // Starts the main window's timer 1 at 400 ms.
    virtual void StartPollTimer() = 0;
};
