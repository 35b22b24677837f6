// Pattern test benchmark: the panel live on the stand-ins, the Traffic window
// running the pattern test on all four channels at 38,400 bit/s for a while
// (default 60 s), in three set-ups, each in a process of its own (the
// stand-ins read their bench once per process):
//   local_loop  four channels on pseudo-terminals in LOCAL-LOOP mode
//   pty_pairs   1<->2 and 3<->4 over two pseudo-terminal pairs, a relay
//               process playing the null-modem cables
//   faults      local_loop with one byte in 1,000 corrupted and one in 5,000 dropped
// Counters: throughput against the nominal rate (%), wrong and missing bytes
// and what the faults injected, the panel's CPU (% of one core), its resident
// memory after logging, the log's events and drops.
//   traffic_bench [--seconds=N] [benchmark flags]
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "panels/setting_panel.h"
#include "panels/traffic/traffic_window.h"
#include "platform/look.h"
#include "platform/modal_runner.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

int g_seconds = 60;

enum class Setup { LocalLoop, PtyPairs, Faults };

struct Result {
    double wall = 0, cpu = 0;
    double sent = 0, received = 0, nominal = 0;
    double wrong = 0, missing = 0, repeated = 0;
    double injectedWrong = 0, injectedMissing = 0;
    double rssKb = 0, events = 0, dropped = 0;
    int messages = 0;
};

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double CpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6);
    }
    return 0;
}

// The null-modem cables: copies between the far ends of 1 and 2, 3 and 4.
[[noreturn]] void Relay(const std::vector<int>& masters)
{
    char buf[4096];
    for (;;) {
        pollfd fds[4];
        for (std::size_t i = 0; i < 4; ++i)
            fds[i] = { masters[i], POLLIN, 0 };
        if (poll(fds, 4, 100) < 0)
            _exit(3);
        for (std::size_t i = 0; i < 4; ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            const ssize_t n = read(masters[i], buf, sizeof buf);
            for (ssize_t at = 0; n > 0 && at < n;) {
                const ssize_t w = write(masters[i ^ 1], buf + at, static_cast<std::size_t>(n - at));
                if (w <= 0)
                    _exit(4);
                at += w;
            }
        }
    }
}

Result RunPanel(Setup setup, int seconds)
{
    Result r;
    QTemporaryDir dir;
    std::vector<int> masters;
    std::ostringstream channels;
    for (int c = 1; c <= 4; ++c) {
        int master = -1, slave = -1;
        char name[64];
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            _exit(2);
        close(slave);
        masters.push_back(master); // kept open: a last close would hang the line up
        channels << (c > 1 ? "," : "") << '"' << c << R"(": {"port": ")" << name << '"';
        if (setup == Setup::Faults)
            channels << R"(, "corrupt_one_in": 1000, "drop_one_in": 5000)";
        channels << '}';
    }
    pid_t relay = -1;
    if (setup == Setup::PtyPairs) {
        relay = fork();
        if (relay == 0)
            Relay(masters);
    }
    const std::string benchPath = dir.filePath(QStringLiteral("bench.json")).toStdString();
    std::ofstream(benchPath) << R"({"resources": [{"descriptor": "VXI0::24::INSTR", "manufacturer_id": 3021,
        "model_code": 417, "slot": 5, "logical_address": 24, "module": {"channels": {)"
                             << channels.str() << "}}}]}";
    setenv("SFP_SIM_BENCH", benchPath.c_str(), 1);
    unsetenv("SFP_SIM_TRACE");
    setenv("SFP_LIBRARY_PATH", SFP_BENCH_SIM_DIR, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    int argc = 1;
    char arg0[] = "traffic_bench";
    char* argv[] = { arg0, nullptr };
    QApplication qapp(argc, argv);
    ApplyClassicLook();
    ScopedModalResponder answer([&r](QDialog&) {
        ++r.messages;
        return static_cast<int>(QDialog::Accepted);
    });
    CSfpApp app { QString() };
    app.InitInstance();
    auto* store = static_cast<CSettingObj*>(app.m_panels.FindByStringId(IDS_SETTING_PANEL));
    for (int c = 0; c < 4; ++c) {
        ChannelSettings s = DefaultChannelSettings();
        s.baudRate = QStringLiteral("38.4k");
        s.mode = setup == Setup::PtyPairs ? QStringLiteral("NORMAL") : QStringLiteral("LOCAL-LOOP");
        store->SetChannelSettings(c, s);
        store->CommitChannelSettings(c);
    }
    CMainFrame* frame = app.MainFrame();
    frame->OnTraffic();
    CTrafficWindow* w = frame->TrafficWindow();
    const bool paired = setup == Setup::PtyPairs;
    for (int ch = 1; ch <= 4; ch += paired ? 2 : 1) {
        w->PatternReturn(ch)->setCurrentIndex(paired ? 1 : 0);
        w->OnPatternButton(ch);
    }
    auto* panel = static_cast<CPan1Dlg*>(app.m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
    panel->StartTest();

    const double cpu0 = CpuSeconds(), wall0 = Now();
    QTimer::singleShot(seconds * 1000, &qapp, [&] {
        for (int ch = 1; ch <= 4; ch += paired ? 2 : 1)
            w->OnPatternButton(ch);
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &qapp, [&] {
        for (int ch = 1; ch <= 4; ++ch) {
            if (w->Monitor().Lane(ch).state != PatternLane::Done)
                return;
        }
        qapp.quit();
    });
    poll.start(100);
    qapp.exec();
    r.cpu = CpuSeconds() - cpu0;
    r.wall = Now() - wall0;
    r.rssKb = ResidentKb();
    r.events = static_cast<double>(w->Monitor().Log().Size());
    r.dropped = static_cast<double>(w->Monitor().Log().Dropped());
    for (int ch = 1; ch <= 4; ++ch) {
        const PatternLane& lane = w->Monitor().Lane(ch);
        const CheckCounts& k = lane.checker.Counts();
        r.sent += static_cast<double>(lane.generator.Sent());
        r.received += static_cast<double>(k.received);
        r.wrong += static_cast<double>(k.wrong);
        r.missing += static_cast<double>(k.missing);
        r.repeated += static_cast<double>(k.repeated);
        r.nominal += lane.nominal * static_cast<double>(lane.endMs - lane.startMs) / 1000.0;
        if (setup == Setup::Faults) {
            // Byte k of a channel's reads is dropped when 5,000 divides it,
            // else inverted when 1,000 does.
            const std::uint64_t through = k.received + k.missing;
            r.injectedMissing += static_cast<double>(through / 5000);
            r.injectedWrong += static_cast<double>(through / 1000 - through / 5000);
        }
    }
    panel->StopTest();
    if (relay > 0) {
        kill(relay, SIGKILL);
        waitpid(relay, nullptr, 0);
    }
    frame->DestroyWindow();
    return r;
}

// Each set-up in a child process: the stand-ins read their bench once per
// process, and the panel's CPU is measured on its own.
Result RunInChild(Setup setup)
{
    int out[2];
    Result r;
    if (pipe(out) != 0)
        return r;
    const pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        const Result got = RunPanel(setup, g_seconds);
        _exit(write(out[1], &got, sizeof got) == static_cast<ssize_t>(sizeof got) ? 0 : 5);
    }
    close(out[1]);
    if (read(out[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r))
        r = Result();
    close(out[0]);
    waitpid(child, nullptr, 0);
    return r;
}

void BM_PatternTest(benchmark::State& state, Setup setup)
{
    for (auto _ : state) {
        const Result r = RunInChild(setup);
        state.SetIterationTime(r.wall);
        state.counters["throughput_%"] = r.nominal > 0 ? 100.0 * r.received / r.nominal : 0;
        state.counters["bytes"] = r.received;
        state.counters["wrong"] = r.wrong;
        state.counters["missing"] = r.missing;
        state.counters["repeated"] = r.repeated;
        state.counters["injected_wrong"] = r.injectedWrong;
        state.counters["injected_missing"] = r.injectedMissing;
        state.counters["cpu_%"] = r.wall > 0 ? 100.0 * r.cpu / r.wall : 0;
        state.counters["rss_MiB"] = r.rssKb / 1024.0;
        state.counters["log_events"] = r.events;
        state.counters["log_dropped"] = r.dropped;
        state.counters["message_boxes"] = r.messages;
        if (r.wall <= 0)
            state.SkipWithError("the panel process failed");
    }
}

} // namespace

BENCHMARK_CAPTURE(BM_PatternTest, local_loop, Setup::LocalLoop)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_PatternTest, pty_pairs, Setup::PtyPairs)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_PatternTest, faults, Setup::Faults)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seconds=", 10) == 0)
            g_seconds = std::max(1, std::atoi(argv[i] + 10));
        else
            rest.push_back(argv[i]);
    }
    int n = static_cast<int>(rest.size());
    benchmark::Initialize(&n, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
