// GUI responsiveness benchmark: the panel live on the stand-ins, a 10 ms
// timer ticking on its GUI thread, and the largest gap between two ticks
// (how long the thread stayed away from its event loop) in three scenarios,
// each in a process of its own:
//   xoff  four channels on pseudo-terminals at 38,400 bit/s with Xon/Xoff,
//         whose far ends sent XOFF; text typed into every Trans box waits
//         for the line, then Stop Test closes the four lines
//   fifo  "Log to File" onto a FIFO nobody reads while a pattern test runs on
//         four channels of the stand-in's wire, until the log file's queue
//         overflows; then "Stop Log File" (when the overflow has not stopped
//         it already) and Exit, timed from the request to the process's end
//   wire  the pattern test on four channels of the stand-in's wire at
//         38,400 bit/s, cables 1<->2 and 3<->4, for --seconds
// Targets: every largest gap at most 100 ms, Exit under 2.5 s. Prints a
// table and exits with 1 when a target is missed.
//   responsiveness_bench [--seconds=N (wire, default 20)] [--fifo-limit=N (s, default 600)]
//                        [xoff] [fifo] [wire]   (the scenarios to run; default all)
#include "bench/live_panel.h"
#include "controls/transfer_edit.h"
#include "instrument/instrument_driver.h"
#include "instrument/instrument_host.h"
#include "panels/channel.h"
#include "platform/look.h"
#include "platform/modal_runner.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QPushButton>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using bench::Now;

constexpr double kGapTargetMs = 100;
constexpr double kExitTargetMs = 2500;
constexpr int kTyped = 39; // characters a Trans box holds

// What a scenario's process hands back.
struct Outcome {
    double largestGapMs = -1;
    double largestAt = 0; // s after the meter started
    double largestBusyMs = 0; // the GUI thread's CPU time in it
    double busiestMs = 0; // the most CPU time the GUI thread spent within one gap
    double stopMs = -1; // how long the Stop Test call took (xoff), the Log to File click with its dialog (fifo)
    double overflowS = -1; // when the log file's queue overflowed (fifo)
    double exitRequestAt = 0; // monotonic clock (fifo): the parent times the exit from here
    int heldBack = 0; // typed bytes the far ends saw before Stop Test (xoff: 0 while XOFF holds)
    int busyLines = 0; // lines whose output waited at Stop Test (xoff: 4)
    int messages = 0;
    char note[240] = {};
};

struct Options {
    int seconds = 20;
    int fifoLimit = 600;
};

// The application every scenario runs in, started as the program starts it.
struct App {
    int argc = 1;
    char arg0[24] = "responsiveness_bench";
    char* argv[2] = { arg0, nullptr };
    QApplication qapp { argc, argv };
    App() { ApplyClassicLook(); }
};

void Wait(int ms)
{
    const double until = Now() + ms / 1000.0;
    bench::RunUntil(10, [until] { return Now() >= until; });
}

void Send(int fd, const Outcome& o)
{
    if (write(fd, &o, sizeof o) != static_cast<ssize_t>(sizeof o))
        _exit(5);
}

void Xoff(int out)
{
    Outcome o;
    QTemporaryDir dir;
    std::vector<int> far(4), near(4);
    std::string ports;
    for (std::size_t c = 0; c < 4; ++c) {
        char name[64];
        if (openpty(&far[c], &near[c], name, nullptr, nullptr) != 0)
            _exit(2);
        ports += (c ? ", \"" : "\"") + std::to_string(c + 1) + R"(": {"port": ")" + name + "\"}";
    }
    bench::SelectStandIns(dir, ports);
    App app;
    ScopedModalResponder answer([&o](QDialog&) {
        ++o.messages;
        return static_cast<int>(QDialog::Accepted);
    });
    bench::LivePanel live;
    live.SetAll([](ChannelSettings& s) {
        s.baudRate = QStringLiteral("38.4k");
        s.flowControl = QStringLiteral("Xon/Xoff");
        s.parityCheck = 0;
    });
    live.panel->StartTest();
    for (int fd : near)
        close(fd); // the panel holds the lines now; the far ends stay open here
    for (int fd : far) {
        if (write(fd, "\x13", 1) != 1)
            _exit(3);
    }
    bench::GapMeter meter;
    meter.Start();
    Wait(200);
    // A boxful each 400 ms tick of the loop test, until more waits on every
    // line than it sends in a 40 ms step (153 bytes at 38,400 bit/s): the
    // driver then says it is busy.
    for (int round = 0; round < 6; ++round) {
        for (int c = 1; c <= 4; ++c) {
            for (int k = 0; k < kTyped; ++k)
                live.panel->Channel(c)->TransBox()->OnChar(static_cast<char>('A' + k % 26));
        }
        Wait(450);
    }
    char buf[256];
    for (int fd : far) {
        for (pollfd p { fd, POLLIN, 0 }; poll(&p, 1, 0) > 0;) {
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            o.heldBack += static_cast<int>(n);
        }
    }
    if (CInstrumentDriver* driver = CInstrumentHost::CurrentDriver()) {
        for (int c = 1; c <= 4; ++c)
            o.busyLines += driver->CanWrite(c) ? 0 : 1;
    }
    const double t0 = Now();
    live.panel->StopTest();
    o.stopMs = (Now() - t0) * 1000.0;
    Wait(300);
    meter.Stop();
    o.largestGapMs = meter.LargestMs(), o.largestAt = meter.LargestAt(), o.largestBusyMs = meter.LargestBusyMs();
    o.busiestMs = meter.BusiestMs();
    live.frame->DestroyWindow();
    dir.remove();
    Send(out, o);
    _exit(0); // the far ends are this process's: nothing to give back
}

void Fifo(int out, const Options& opt)
{
    Outcome o;
    QTemporaryDir dir;
    const std::string fifo = dir.filePath(QStringLiteral("unread.fifo")).toStdString();
    if (mkfifo(fifo.c_str(), 0600) != 0)
        _exit(2);
    bench::SelectStandIns(dir, R"("1": {}, "2": {}, "3": {}, "4": {})");
    App app;
    ScopedModalResponder answer([&o, &fifo](QDialog& d) {
        if (auto* files = qobject_cast<QFileDialog*>(&d)) {
            files->selectFile(QString::fromStdString(fifo));
            return static_cast<int>(QDialog::Accepted);
        }
        ++o.messages; // the box that tells the log file stopped
        return static_cast<int>(QDialog::Accepted);
    });
    bench::LivePanel live;
    live.SetAll([](ChannelSettings& s) { s.baudRate = QStringLiteral("38.4k"); });
    CTrafficWindow* w = live.OpenTraffic();
    live.StartPatterns(false);
    live.panel->StartTest();
    // The click runs the file dialog, answered at once here: its making is
    // timed on its own, the meter starts once logging has begun.
    const double t0 = Now();
    w->LogToFileButton()->click();
    o.stopMs = (Now() - t0) * 1000.0;
    if (!w->Monitor().FileLog() || w->Monitor().FileLog()->Path() != fifo)
        std::snprintf(o.note, sizeof o.note, "Log to File did not start on the FIFO");
    bench::GapMeter meter;
    meter.Start();
    bench::RunUntil(100, [&] { return !w->Monitor().FileLog() || Now() - t0 > opt.fifoLimit; });
    if (!w->Monitor().FileLog())
        o.overflowS = Now() - t0;
    else
        w->LogToFileButton()->click(); // Stop Log File
    Wait(500);
    live.StopPatterns();
    meter.Stop();
    o.largestGapMs = meter.LargestMs(), o.largestAt = meter.LargestAt(), o.largestBusyMs = meter.LargestBusyMs();
    o.busiestMs = meter.BusiestMs();
    QTimer::singleShot(0, [&] {
        o.exitRequestAt = Now();
        Send(out, o);
        live.frame->OnCommand(ID_APP_EXIT);
    });
    app.qapp.exec();
}

void Wire(int out, const Options& opt)
{
    Outcome o;
    QTemporaryDir dir;
    bench::SelectStandIns(dir, bench::CabledChannels());
    App app;
    ScopedModalResponder answer([&o](QDialog&) {
        ++o.messages;
        return static_cast<int>(QDialog::Accepted);
    });
    bench::LivePanel live;
    live.SetAll([](ChannelSettings& s) { s.baudRate = QStringLiteral("38.4k"); });
    live.OpenTraffic();
    live.StartPatterns(true);
    live.panel->StartTest();
    bench::GapMeter meter;
    meter.Start();
    Wait(opt.seconds * 1000);
    live.StopPatterns();
    bench::RunUntil(50, [&] { return live.PatternsDone(); });
    meter.Stop();
    o.largestGapMs = meter.LargestMs(), o.largestAt = meter.LargestAt(), o.largestBusyMs = meter.LargestBusyMs();
    o.busiestMs = meter.BusiestMs();
    double received = 0;
    for (int ch = 1; ch <= 4; ++ch)
        received += bench::StreamFigures(live.traffic->Monitor(), ch).received;
    std::snprintf(o.note, sizeof o.note, "%.0f bytes checked", received);
    live.panel->StopTest();
    live.frame->DestroyWindow();
    dir.remove();
    Send(out, o);
    _exit(0);
}

// Runs a scenario in a child and waits for its outcome up to `limit`
// seconds; `ended` then gets the moment the child ended (or stays 0 when it
// did not within 10 s of the outcome).
Outcome RunChild(const std::function<void(int)>& scenario, double limit, double* ended)
{
    Outcome o;
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return o;
    std::fflush(stdout); // or the child prints it again
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        scenario(pipeFds[1]);
        std::exit(0); // as a program's main returns: the libraries' exit handlers run
    }
    close(pipeFds[1]);
    pollfd p { pipeFds[0], POLLIN, 0 };
    if (poll(&p, 1, static_cast<int>(limit * 1000)) <= 0
        || read(pipeFds[0], &o, sizeof o) != static_cast<ssize_t>(sizeof o)) {
        o = Outcome();
        std::snprintf(o.note, sizeof o.note, "no outcome within %.0f s", limit);
    }
    close(pipeFds[0]);
    *ended = 0;
    for (const double until = Now() + 10; Now() < until;) {
        if (waitpid(child, nullptr, WNOHANG) == child) {
            *ended = Now();
            return o;
        }
        usleep(1000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return o;
}

// How long tasks waited for a CPU lately: a largest gap with little of the
// GUI thread's own time in it on a machine under pressure is the machine's.
std::string CpuPressure()
{
    std::ifstream in("/proc/pressure/cpu");
    std::string line;
    std::getline(in, line);
    return line.empty() ? "no CPU pressure figures\n" : "CPU pressure " + line + "\n";
}

bool Row(const char* name, const Outcome& o, const std::string& more, bool otherOk)
{
    const bool ok = o.largestGapMs >= 0 && o.largestGapMs <= kGapTargetMs && otherOk;
    std::printf("%-44s %9.1f ms  %s  at %.1f s, %.0f ms of it busy; busiest gap %.1f ms%s%s%s%s\n", name,
        o.largestGapMs, ok ? "met   " : "MISSED", o.largestAt, o.largestBusyMs, o.busiestMs,
        more.empty() ? "" : "; ", more.c_str(), o.note[0] ? "; " : "", o.note);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    Options opt;
    bool xoff = false, fifo = false, wire = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seconds=", 10) == 0)
            opt.seconds = std::max(1, std::atoi(argv[i] + 10));
        else if (std::strncmp(argv[i], "--fifo-limit=", 13) == 0)
            opt.fifoLimit = std::max(1, std::atoi(argv[i] + 13));
        else if (std::strcmp(argv[i], "xoff") == 0)
            xoff = true;
        else if (std::strcmp(argv[i], "fifo") == 0)
            fifo = true;
        else if (std::strcmp(argv[i], "wire") == 0)
            wire = true;
        else {
            std::fprintf(stderr, "usage: responsiveness_bench [--seconds=N] [--fifo-limit=N] [xoff] [fifo] [wire]\n");
            return 2;
        }
    }
    if (!xoff && !fifo && !wire)
        xoff = fifo = wire = true;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    std::printf("%-44s %12s  %s  %s\n", "scenario", "largest gap", "target", "also");
    bool ok = true;
    double ended = 0;
    if (xoff) {
        const Outcome o = RunChild([](int out) { Xoff(out); }, 120, &ended);
        char more[160];
        std::snprintf(more, sizeof more, "Stop Test took %.0f ms; %d lines with output waiting, %d typed bytes got past XOFF; "
            "%d message boxes", o.stopMs, o.busyLines, o.heldBack, o.messages);
        ok = Row("Stop Test, 4 pty lines held by XOFF", o, more, o.heldBack == 0 && o.busyLines == 4) && ok;
    }
    if (fifo) {
        const Outcome o = RunChild([&opt](int out) { Fifo(out, opt); }, opt.fifoLimit + 60, &ended);
        const double exitMs = ended > 0 && o.exitRequestAt > 0 ? (ended - o.exitRequestAt) * 1000.0 : -1;
        char more[200];
        if (o.overflowS >= 0)
            std::snprintf(more, sizeof more, "Log to File with its dialog took %.0f ms; queue overflowed after %.0f s; ",
                o.stopMs, o.overflowS);
        else
            std::snprintf(more, sizeof more, "no overflow in %d s, stopped by hand; ", opt.fifoLimit);
        const std::string exitText = exitMs < 0 ? "Exit: the process did not end within 10 s"
                                                : "Exit took " + std::to_string(static_cast<int>(exitMs)) + " ms (< 2500)";
        ok = Row("Log to File on an unread FIFO, then Exit", o, more + exitText,
                 exitMs >= 0 && exitMs < kExitTargetMs && o.overflowS >= 0) && ok;
    }
    if (wire) {
        const Outcome o = RunChild([&opt](int out) { Wire(out, opt); }, opt.seconds + 120, &ended);
        char name[64];
        std::snprintf(name, sizeof name, "pattern test, 4 wire channels 38,400, %d s", opt.seconds);
        ok = Row(name, o, std::string(), o.messages == 0) && ok;
    }
    std::printf("machine: %s", CpuPressure().c_str());
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
