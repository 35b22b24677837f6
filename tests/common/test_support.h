#pragma once
// Shared by widget and end-to-end tests: a responder recording every dialog, an
// application started as main() starts it, and (with sim_env.cpp) one on the stand-ins.
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "panels/main_panel.h"
#include "platform/modal_runner.h"
#include "sim_env.h"

#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>
#include <ostream>

class QDialog;

// Answers every modal dialog. Message boxes are recorded by their text and
// answered with OK; other dialogs go to `onDialog` (default: accepted).
class ModalRecorder {
public:
    ModalRecorder();
    QStringList messages;                          // message box texts, in order
    QStringList captions;                          // their captions
    QStringList dialogTitles;                      // titles of other dialogs
    std::function<int(QDialog&)> onDialog;         // answers non-message dialogs
    std::function<void(const QString&)> onMessage; // runs while a message box is "open"

private:
    ScopedModalResponder m_scope;
};

std::unique_ptr<CSfpApp> StartApp(const QString& commandLine = QString()); // run through InitInstance
CPan1Dlg* MainPanel(const CSfpApp& app); // the Main Panel's dialog while on show, else null
void ProcessEvents();                    // posted events, deferred deletes included

// The application started on a bench with `commandLine`, the recorder
// answering every dialog (`onDialog` those other than message boxes).
struct SimPanel {
    explicit SimPanel(const QString& bench = QString(), const QString& commandLine = QString(),
                      const QStringList& variants = {}, Libraries libraries = Libraries::StandIns,
                      std::function<int(QDialog&)> onDialog = {})
        : sim(bench, variants, libraries)
    {
        recorder.onDialog = std::move(onDialog);
        app = StartApp(commandLine);
        frame = app->MainFrame();
    }
    CPan1Dlg* Main() const { return MainPanel(*app); }
    void StartStop() const { QTest::mouseClick(Main()->StartStopButton(), Qt::LeftButton); }

    SimEnv sim;
    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
};

// Readable QString values in test failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << (l.isEmpty() ? "{}" : "{ \"" + l.join("\" \"").toStdString() + "\" }");
}
QT_END_NAMESPACE
