#include "app/signal_exit.h"

#include "platform/modal_runner.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_signalled = 0;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void OnSignal(int sig)
{
    if (g_signalled)
        _exit(128 + sig); // the operator insists: no second shut-down
    g_signalled = 1;
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

// Modal loops are unwound first: the window must not be destroyed under a
// message box that is still waiting for its OK.
void ExitWhenNoModalRuns(const std::function<void()>& exitRoad)
{
    if (ModalDepth() > 0) {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        QTimer::singleShot(10, qApp, [exitRoad] { ExitWhenNoModalRuns(exitRoad); });
        return;
    }
    exitRoad();
}

} // namespace

void InstallSignalExit(std::function<void()> exitRoad)
{
    if (g_pipe[0] >= 0 || pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [notifier, exitRoad] {
        char byte;
        while (read(g_pipe[0], &byte, 1) > 0) {
        }
        notifier->setEnabled(false);
        SetModalsRefused(true); // nothing new may wait for the operator now
        ExitWhenNoModalRuns(exitRoad);
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : kSignals)
        sigaction(sig, &action, nullptr);
}
