#pragma once
// The application object: the root of the program. It owns the instrument
// access object and the panels, and keeps what the command line and
// instrument discovery found for the rest of the program.
#include "panels/panel_host.h"
#include "panels/panel_list.h"
#include "platform/colors.h"
#include "platform/library_loader.h"

#include <QPointer>
#include <QString>

class CInstrumentDriver;
class CMainFrame;
class CPanel;

class CSfpApp final : public CPanelHost {
public:
    // `commandLine` is the command-line tail: the arguments after the program name.
    explicit CSfpApp(QString commandLine = QString());
    ~CSfpApp() override;

    static CSfpApp* Get();

    // Start-up: dialog colours, command-line scan, main window, panels.
    bool InitInstance();
    // Deletes the panels in list order, empties the list, deletes the access object.
    void ReleaseAll();

    // Instrument discovery: leaves exactly one access object in m_pDriver.
    int FindInstrument();
    // Opens a driver session on the descriptor; live access object on
    // success, otherwise message 1069 and the non-live one.
    void OpenLiveDriver(const QString& descriptor, LibraryHandle module);
    void CreateNonLiveDriver();

    // CInstrumentHost
    CInstrumentDriver* Driver() const override { return m_pDriver; }
    int InstrumentSlot() const override;
    int InstrumentLogicalAddress() const override;
    QString GetLabelFileName() const override { return m_strLabelFile; }
    void StopPollTimer() override;
    QWidget* MainWindow() const override;

    // CPanelHost
    CPanelList& Panels() override { return m_panels; }
    CPanel* CurrentPanel() const override { return m_pCurrentPanel; }
    void SetCurrentPanel(CPanel* panel) override { m_pCurrentPanel = panel; }
    void CloseCurrentPanel(CPanel* panel) override;
    COLORREF ActiveLampColor() const override { return m_crActiveLamp; }
    QString ResourceName() const override { return m_strResourceName; }
    QWidget* PanelParent() const override;
    void FitMainWindowTo(const QSize& dialogSize) override;
    void StartPollTimer() override;

    CMainFrame* MainFrame() const;
    const QString& CommandLine() const { return m_strCommandLine; }

    CInstrumentDriver* m_pDriver = nullptr;
    COLORREF m_crActiveLamp = 0;
    CPanelList m_panels;
    CPanel* m_pCurrentPanel = nullptr;
    int m_bDFlag = 0;
    int m_nSlot = -1;
    int m_nLogicalAddress = -1;
    QString m_strResourceName;
    QString m_strLabelFile;
    // The loaded driver library, handed to the live access object; never unloaded.
    LibraryHandle m_hDriverModule = nullptr;

private:
    QString m_strCommandLine;
    QPointer<CMainFrame> m_pMainWnd;
};
