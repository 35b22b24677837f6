// Starts the panel exactly as the program does, on whatever Qt platform is
// selected (offscreen for scripts), answers start-up message boxes at once,
// shows the chosen panel and writes a PNG of the main window.
//   sfp_snapshot <out.png> [main|setting|status] [--ticks N] [--type TEXT] [-- program options]
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "platform/look.h"
#include "platform/modal_runner.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s out.png [main|setting|status] [--start] [--ticks N] [--type TEXT] [-- options]\n", argv[0]);
        return 2;
    }
    QApplication qapp(argc, argv);
    ApplyClassicLook();
    const QString out = QString::fromLocal8Bit(argv[1]);
    QString panel = QStringLiteral("main");
    QString typed;
    bool start = false;
    int ticks = 0;
    QStringList programArgs{QStringLiteral("tsx4410sfp")};
    for (int i = 2; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--")) {
            for (++i; i < argc; ++i)
                programArgs << QString::fromLocal8Bit(argv[i]);
            break;
        }
        if (a == QLatin1String("--start"))
            start = true;
        else if (a == QLatin1String("--ticks") && i + 1 < argc)
            ticks = QString::fromLocal8Bit(argv[++i]).toInt();
        else if (a == QLatin1String("--type") && i + 1 < argc)
            typed = QString::fromLocal8Bit(argv[++i]);
        else
            panel = a;
    }

    ScopedModalResponder answerAll([](QDialog&) { return static_cast<int>(QDialog::Accepted); });
    CSfpApp app(programArgs.mid(1).join(QLatin1Char(' ')));
    app.InitInstance();
    CMainFrame* frame = app.MainFrame();
    if (panel == QLatin1String("setting"))
        frame->OnSettingPanel();
    else if (panel == QLatin1String("status"))
        frame->OnStatusPanel();
    if (start) {
        if (auto* button = frame->findChild<QWidget*>(QStringLiteral("startStop")))
            QTest::mouseClick(button, Qt::LeftButton);
    }
    if (!typed.isEmpty()) {
        const auto edits = frame->findChildren<QLineEdit*>();
        for (QLineEdit* edit : edits) {
            if (edit->isEnabled() && edit->focusPolicy() != Qt::NoFocus) {
                QTest::keyClicks(edit, typed);
            }
        }
    }
    for (int i = 0; i < ticks; ++i)
        frame->DispatchTimer();
    QCoreApplication::processEvents();
    const bool ok = frame->grab().save(out);
    if (!ok)
        std::fprintf(stderr, "could not write %s\n", argv[1]);
    frame->DestroyWindow();
    return ok ? 0 : 1;
}
