#pragma once
#include <QString>

class CInstrumentDriver;
class QWidget;

// What the instrument layer needs from the application object: the one access
// object, the discovered address, the label file, and stopping the poll when
// an instrument error is reported. The application object implements it.
class CInstrumentHost {
public:
    static CInstrumentHost* Get();
    // The application's access object, or null before discovery has run.
    static CInstrumentDriver* CurrentDriver();

    virtual CInstrumentDriver* Driver() const = 0;
    virtual int InstrumentSlot() const = 0;
    virtual int InstrumentLogicalAddress() const = 0;
    virtual QString GetLabelFileName() const = 0;
    // Kills the main window's timer 1 and clears its tick flag.
    virtual void StopPollTimer() = 0;
    virtual QWidget* MainWindow() const = 0;

protected:
    CInstrumentHost();
    virtual ~CInstrumentHost();
    CInstrumentHost(const CInstrumentHost&) = delete;
    CInstrumentHost& operator=(const CInstrumentHost&) = delete;
};
