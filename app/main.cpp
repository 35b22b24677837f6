#include "app/command_line.h"
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "app/signal_exit.h"

#include "platform/look.h"
#include "resources/resource_ids.h"
#include "resources/version.h"

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool HasDisplay()
{
    return std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    // Answered before anything else, so it works without a display too.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tsx4410sfp %s\n", SFP_FILE_VERSION);
        return 0;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr, "tsx4410sfp: no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
                             "run it under a virtual display: xvfb-run -a %s\n",
                     argv[0]);
        return 1;
    }

    // The command line as the program was given it, before Qt takes its own
    // options out: every option is found anywhere in this text.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tsx4410sfp"));
    QApplication::setApplicationVersion(QStringLiteral(SFP_FILE_VERSION));
    ApplyClassicLook();

    CSfpApp app(CommandLineTail(arguments));
    InstallSignalExit([&app] {
        if (CMainFrame* frame = app.MainFrame())
            frame->OnCommand(ID_APP_EXIT);
        else
            QApplication::quit();
    });
    app.InitInstance();
    return qapp.exec();
}
