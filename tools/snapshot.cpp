// Starts the panel exactly as the program does, on whatever Qt platform is
// selected (offscreen for scripts), answers start-up message boxes at once,
// shows the chosen panel and writes a PNG of the main window.
//   sfp_snapshot <out.png> [main|setting|status|help] [--start] [--ticks N]
//                [--type TEXT] [--press TEXT] [-- program options]
// "help" opens Help Contents as the menu does and writes a PNG of the help
// window instead; it prints the window's title and the document it shows, or
// the viewer's message when it finds no document (and then fails).
// --press clicks the button with that text on the shown panel.
// "traffic" opens the Traffic window as the Panels menu does and writes a PNG
// of it; --pattern N starts channel N's pattern test (repeatable, before
// --start; --pattern-text N makes it the text line, --pair N sends it to
// the paired channel and checks what comes back from there), --wait MS lets the program run that long before the
// picture.
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "platform/look.h"
#include "platform/modal_runner.h"

#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "panels/traffic/traffic_window.h"
#include "resources/resource_ids.h"
#include "platform/help_viewer.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <cstdio>

namespace {

QTextBrowser* FindHelpWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* browser = qobject_cast<QTextBrowser*>(w);
            browser && browser->objectName() == QLatin1String(kHelpWindowName) && browser->isVisible())
            return browser;
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr,
            "usage: %s out.png [main|setting|status|help] [--start] [--ticks N] [--type TEXT] [--press TEXT] "
            "[-- options]\n",
            argv[0]);
        return 2;
    }
    QApplication qapp(argc, argv);
    ApplyClassicLook();
    const QString out = QString::fromLocal8Bit(argv[1]);
    QString panel = QStringLiteral("main");
    QString typed;
    QString pressed;
    bool start = false;
    int ticks = 0;
    int waitMs = 0;
    QList<int> patterns;
    QList<int> textLines; // channels whose pattern is the text line
    QList<int> pairs; // channels whose pattern goes to the paired channel
    QStringList programArgs { QStringLiteral("tsx4410sfp") };
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
        else if (a == QLatin1String("--pattern-text") && i + 1 < argc)
            textLines << QString::fromLocal8Bit(argv[++i]).toInt();
        else if (a == QLatin1String("--pair") && i + 1 < argc)
            pairs << QString::fromLocal8Bit(argv[++i]).toInt();
        else if (a == QLatin1String("--pattern") && i + 1 < argc)
            patterns << QString::fromLocal8Bit(argv[++i]).toInt();
        else if (a == QLatin1String("--wait") && i + 1 < argc)
            waitMs = QString::fromLocal8Bit(argv[++i]).toInt();
        else if (a == QLatin1String("--press") && i + 1 < argc)
            pressed = QString::fromLocal8Bit(argv[++i]);
        else
            panel = a;
    }

    QStringList messages;
    ScopedModalResponder answerAll([&messages](QDialog& dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog))
            messages << box->text();
        return static_cast<int>(QDialog::Accepted);
    });
    CSfpApp app(programArgs.mid(1).join(QLatin1Char(' ')));
    app.InitInstance();
    CMainFrame* frame = app.MainFrame();
    if (panel == QLatin1String("setting"))
        frame->OnSettingPanel();
    else if (panel == QLatin1String("status"))
        frame->OnStatusPanel();
    CTrafficWindow* traffic = nullptr;
    if (panel == QLatin1String("traffic")) {
        frame->OnTraffic();
        traffic = frame->TrafficWindow();
        for (int channel : textLines) {
            if (channel >= 1 && channel <= 4)
                traffic->PatternKind(channel)->setCurrentIndex(1);
        }
        for (int channel : pairs) {
            if (channel >= 1 && channel <= 4)
                traffic->PatternReturn(channel)->setCurrentIndex(1);
        }
        for (int channel : patterns) {
            if (channel >= 1 && channel <= 4)
                traffic->OnPatternButton(channel);
        }
    }
    if (start) {
        CPanel* main = app.m_panels.FindByStringId(IDS_MAIN_PANEL);
        if (auto* panel = main ? dynamic_cast<CPan1Dlg*>(main->m_pDialog) : nullptr)
            QTest::mouseClick(panel->StartStopButton(), Qt::LeftButton);
    }
    if (!typed.isEmpty()) {
        const auto edits = frame->findChildren<QLineEdit*>();
        for (QLineEdit* edit : edits) {
            if (edit->isEnabled() && edit->focusPolicy() != Qt::NoFocus && edit->window() == frame) {
                QTest::keyClicks(edit, typed);
            }
        }
    }
    if (!pressed.isEmpty()) {
        const auto buttons = frame->findChildren<QPushButton*>();
        for (QPushButton* button : buttons) {
            if (button->text() == pressed && button->isVisible())
                QTest::mouseClick(button, Qt::LeftButton);
        }
    }
    for (int i = 0; i < ticks; ++i)
        frame->DispatchTimer();
    if (waitMs > 0)
        QTest::qWait(waitMs);
    QCoreApplication::processEvents();
    QWidget* shot = frame;
    if (traffic) {
        traffic->Refresh();
        shot = traffic;
    }
    if (panel == QLatin1String("help")) {
        const int before = messages.size();
        frame->OnHelpContents();
        QCoreApplication::processEvents();
        QTextBrowser* help = FindHelpWindow();
        if (!help) {
            std::fprintf(
                stderr, "no help window: %s\n", qPrintable(messages.mid(before).join(QLatin1Char('\n'))));
            frame->DestroyWindow();
            return 1;
        }
        std::printf("help window: %s\nhelp document: %s\n", qPrintable(help->windowTitle()),
            qPrintable(help->source().toLocalFile()));
        shot = help;
    }
    const bool ok = shot->grab().save(out);
    if (!ok)
        std::fprintf(stderr, "could not write %s\n", argv[1]);
    frame->DestroyWindow();
    return ok ? 0 : 1;
}
