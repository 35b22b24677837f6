// Start-up probe: starts the panel exactly as the program's main() does, with
// every start-up message box and dialog answered at once, and ends the process
// when the Main Panel paints for the first time. bench/startup.sh times whole
// runs of it. With SFP_STARTUP_SPLITS set it also prints, on standard error,
// the milliseconds from entering main() to the application object's start-up
// done and to the first paint, which tells in-process work from process
// loading when looking for where start-up time goes.
#include "app/command_line.h"
#include "app/sfp_app.h"
#include "panels/main_panel.h"
#include "platform/look.h"
#include "platform/modal_runner.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QMetaObject>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace {

// Ends the event loop once the Main Panel has painted.
class FirstPaintWatch : public QObject {
public:
    explicit FirstPaintWatch(const QElapsedTimer& clock) : m_clock(clock) {}
    qint64 PaintedAt() const { return m_paintedAt; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_paintedAt < 0 && event->type() == QEvent::Paint && qobject_cast<CPan1Dlg*>(watched)) {
            m_paintedAt = m_clock.elapsed();
            // Queued: the paint in hand finishes first.
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    const QElapsedTimer& m_clock;
    qint64 m_paintedAt = -1;
};

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "startup_probe: no display; run with QT_QPA_PLATFORM=offscreen\n");
        return 1;
    }

    // From here on, the program's own main().
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tsx4410sfp"));
    ApplyClassicLook();

    ScopedModalResponder answerAtOnce([](QDialog&) { return static_cast<int>(QDialog::Accepted); });
    FirstPaintWatch watch(clock);
    qapp.installEventFilter(&watch);

    CSfpApp app(CommandLineTail(arguments));
    app.InitInstance();
    const qint64 initDone = clock.elapsed();
    qapp.exec();

    if (std::getenv("SFP_STARTUP_SPLITS"))
        std::fprintf(stderr, "init %lld ms, first paint %lld ms\n", static_cast<long long>(initDone),
                     static_cast<long long>(watch.PaintedAt()));
    if (watch.PaintedAt() < 0) {
        std::fprintf(stderr, "startup_probe: the Main Panel never painted\n");
        return 1;
    }
    return 0;
}
