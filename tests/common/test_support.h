#pragma once
// Helpers shared by widget and end-to-end tests: a modal responder that
// records every dialog the program runs, and an application started as main()
// starts it.
#include "app/sfp_app.h"
#include "platform/modal_runner.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <ostream>

class QDialog;
class CPan1Dlg;

// Answers every modal dialog. Message boxes are recorded by their text and
// answered with OK; other dialogs go to `onDialog` (default: accepted).
class ModalRecorder {
public:
    ModalRecorder();
    ~ModalRecorder();

    QStringList messages;                        // message box texts, in order
    QStringList captions;                        // their captions
    QStringList dialogTitles;                    // titles of other dialogs
    std::function<int(QDialog&)> onDialog;       // answers non-message dialogs
    std::function<void(const QString&)> onMessage; // runs while a message box is "open"

private:
    ScopedModalResponder m_scope;
};

// An application object run through InitInstance with `commandLine`.
std::unique_ptr<CSfpApp> StartApp(const QString& commandLine = QString());

// The Main Panel's dialog while it is on show, else null.
CPan1Dlg* MainPanel(const CSfpApp& app);

// Processes posted events, deferred deletes included.
void ProcessEvents();

// Readable QString values in test failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '{';
    for (const QString& s : l)
        *os << " \"" << s.toStdString() << '"';
    *os << " }";
}
QT_END_NAMESPACE
