#pragma once
// The program's one top-level window: title, menu, the shown panel's dialog
// in its client area, the menu commands, and the timer that drives the panels.
#include <QBasicTimer>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QSize>

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kPollTimerId = 1;
    static constexpr int kPollPeriodMs = 400;
    static constexpr int kInitialWidth = 402;
    static constexpr int kInitialHeight = 404;

    CMainFrame();
    ~CMainFrame() override;

    // Discovery, the three panels, the Main Panel, then the window is shown.
    void CreatePanels();

    // Timer 1 only; the id is kept so the calls read like the rest of the code.
    void SetTimer(int id, int periodMs);
    void KillTimer(int id);
    bool IsTimerRunning() const { return m_timer.isActive(); }

    // One tick: every panel's Update in list order. A tick that arrives while
    // an earlier one is still running (inside a message box) is dropped. A
    // user exception out of a panel ends the tick; m_bInTimer is cleared on
    // every way out.
    void OnTimer();
    // The timer message as dispatched: OnTimer, with an escaping user
    // exception dropped silently.
    void DispatchTimer();

    void OnCommand(int commandId);
    void OnMainPanel();
    void OnSettingPanel();
    void OnStatusPanel();
    void OnSelfTest();
    void OnReset();
    void OnExit();
    void OnAbout();
    void OnHelpContents();
    // Shows the Traffic window, made at the first call; it stays beside the
    // main window until it is closed or the program ends.
    void OnTraffic();
    class CTrafficWindow* TrafficWindow() const;

    // Destroys the window: the shown panel's dialog first, then the final
    // step releases everything the application owns and ends the program.
    void DestroyWindow();

    QWidget* ClientArea() const { return m_client; }
    void FitClientTo(const QSize& dialogSize);

    int m_bInTimer = 0;

protected:
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    virtual void PostNcDestroy();

private:
    void SwitchToPanel(int nameStringId);

    QBasicTimer m_timer;
    QWidget* m_client = nullptr;
    QPointer<QWidget> m_traffic; // a CTrafficWindow
    bool m_bDestroyed = false;
};

// Top-left corner that centres a window of `window` outer size on `desktop`
// (integer division, so odd remainders round toward zero).
QPoint CenteredOrigin(const QSize& desktop, const QSize& window);

// Where a window of `window` size opens beside `main` on `screen`: to its
// right where there is room, else to its left, else over it; never off the screen.
QPoint PlaceBeside(const QRect& main, const QSize& window, const QRect& screen);

// The outer size that gives a client area of `dialog`: the outer size minus
// the client size plus the dialog size.
QSize FittedOuterSize(const QSize& outer, const QSize& client, const QSize& dialog);
