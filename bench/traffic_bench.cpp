// Pattern test benchmark: the panel live on the stand-ins, the Traffic window
// running the pattern test on all four channels for a while (default 60 s),
// each set-up in a process of its own (the stand-ins read their bench once
// per process):
//   local_loop  four channels on pseudo-terminals in LOCAL-LOOP mode, 38,400 bit/s
//   pty_pairs   1<->2 and 3<->4 over two pseudo-terminal pairs, a relay
//               process playing the null-modem cables, 38,400 bit/s
//   faults      local_loop with one byte in 1,000 corrupted and one in 5,000 dropped
//   wire_38400, wire_9600
//               four simulated channels on the stand-in's wire (each byte in
//               its frame time), bench cables 1<->2 and 3<->4, pattern both ways, 8N1
//   wire_line_errors
//               wire_38400 at 8E1 with parity checked, and parity, framing and
//               overrun errors injected on arrival at every channel
// Counters: throughput against the nominal rate (%), overall and per stream
// (from_N: what channel N sent, as its receiver checked it), wrong and missing
// bytes and what the faults injected, the line errors injected and counted by
// kind, the panel's CPU (% of one core), its resident memory after logging,
// the log's events and drops. The wire set-ups are held to their targets
// (every stream at least 98 % of nominal, nothing wrong or missing, CPU at
// most 2 %) and a line under the table says which were missed; the exit
// status is 1 then.
//   traffic_bench [--seconds=N] [benchmark flags, e.g. --benchmark_filter=wire]
#include "bench/live_panel.h"
#include "instrument/driver_api.h"
#include "platform/look.h"
#include "platform/modal_runner.h"

#include <QApplication>
#include <QDialog>
#include <benchmark/benchmark.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

int g_seconds = 60;

enum class Setup { LocalLoop, PtyPairs, Faults, Wire38400, Wire9600, WireLineErrors };

bool OnWire(Setup s) { return s == Setup::Wire38400 || s == Setup::Wire9600 || s == Setup::WireLineErrors; }

// Line errors by kind: parity, framing, overrun, break.
constexpr int kKinds = 4;
const char* const kKindNames[kKinds] = { "parity", "framing", "overrun", "break" };
// One arriving byte in N has the error, at every channel (wire_line_errors).
constexpr int kErrorOneIn[kKinds - 1] = { 2000, 5000, 7000 };

struct Result {
    double wall = 0, cpu = 0;
    double sent = 0, received = 0, nominal = 0;
    double wrong = 0, missing = 0, repeated = 0;
    double injectedWrong = 0, injectedMissing = 0;
    double rssKb = 0, events = 0, dropped = 0;
    int messages = 0;
    double streamPercent[4] = {}; // of what channel 1..4 sent
    // Injected; counted by the Traffic window; in the driver's texts its log keeps.
    double injectedLine[kKinds] = {}, countedLine[kKinds] = {}, loggedLine[kKinds] = {};
    int endedEarly = 0; // lanes that ended before their drain, with a reason
};

using bench::CpuSeconds;
using bench::Now;

// The line errors the stand-in puts into `arrived` bytes arriving at a
// channel: byte k is an overrun when its N divides k, else a framing error,
// else a parity error (parity is checked on the wire set-up).
void AddInjected(std::uint64_t arrived, double* kinds)
{
    for (std::uint64_t k = 1; k <= arrived; ++k) {
        for (int kind = 2; kind >= 0; --kind) {
            if (k % static_cast<std::uint64_t>(kErrorOneIn[kind]) == 0) {
                ++kinds[kind];
                break;
            }
        }
    }
}

// What the driver told the panel: the text of every line error it met, as
// the window's log keeps it ("channel 2: 1 parity error, 0 framing errors, 0
// overruns, 0 breaks"). A check on the window's own counters.
void AddLogged(const CTrafficLog& log, double* kinds)
{
    static const std::regex figures(R"((\d+) parity errors?, (\d+) framing errors?, (\d+) overruns?, (\d+) breaks?)");
    for (std::size_t i = 0; i < log.Size(); ++i) {
        const TrafficEvent& e = log.At(i);
        std::smatch m;
        if (e.kind != TrafficKind::Error || e.status != kDriverErrorLine || !std::regex_search(e.data, m, figures))
            continue;
        for (int kind = 0; kind < kKinds; ++kind)
            kinds[kind] += std::atof(m[kind + 1].str().c_str());
    }
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
    for (int c = 1; c <= 4 && !OnWire(setup); ++c) {
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
    if (setup == Setup::WireLineErrors) {
        channels << bench::CabledChannels(R"("parity_error_one_in": )" + std::to_string(kErrorOneIn[0])
            + R"(, "framing_error_one_in": )" + std::to_string(kErrorOneIn[1]) + R"(, "overrun_one_in": )"
            + std::to_string(kErrorOneIn[2]));
    } else if (OnWire(setup)) {
        channels << bench::CabledChannels();
    }
    bench::SelectStandIns(dir, channels.str());

    int argc = 1;
    char arg0[] = "traffic_bench";
    char* argv[] = { arg0, nullptr };
    QApplication qapp(argc, argv);
    ApplyClassicLook();
    ScopedModalResponder answer([&r](QDialog&) {
        ++r.messages;
        return static_cast<int>(QDialog::Accepted);
    });
    bench::LivePanel live;
    const bool paired = setup == Setup::PtyPairs || OnWire(setup);
    live.SetAll([&](ChannelSettings& s) {
        s.baudRate = setup == Setup::Wire9600 ? QStringLiteral("9600") : QStringLiteral("38.4k");
        s.mode = paired ? QStringLiteral("NORMAL") : QStringLiteral("LOCAL-LOOP");
        if (setup == Setup::WireLineErrors)
            s.parity = QStringLiteral("Even"), s.parityCheck = 1; // parity errors need a parity bit, checked
    });
    CTrafficWindow* w = live.OpenTraffic();
    live.StartPatterns(paired);
    CPan1Dlg* panel = live.panel;
    CMainFrame* frame = live.frame;
    panel->StartTest();

    const double cpu0 = CpuSeconds(), wall0 = Now();
    QTimer::singleShot(seconds * 1000, &qapp, [&] { live.StopPatterns(); });
    bench::RunUntil(100, [&] { return live.PatternsDone(); });
    r.cpu = CpuSeconds() - cpu0;
    r.wall = Now() - wall0;
    r.rssKb = ResidentKb();
    r.events = static_cast<double>(w->Monitor().Log().Size());
    r.dropped = static_cast<double>(w->Monitor().Log().Dropped());
    w->Monitor().ResolveTexts(); // the last errors' texts
    if (setup == Setup::WireLineErrors)
        AddLogged(w->Monitor().Log(), r.loggedLine);
    for (int ch = 1; ch <= 4; ++ch) {
        const bench::Stream stream = bench::StreamFigures(w->Monitor(), ch);
        r.streamPercent[ch - 1] = stream.Percent();
        if (setup == Setup::WireLineErrors)
            AddInjected(static_cast<std::uint64_t>(stream.sent), r.injectedLine);
        const LineErrorCounts& line = w->Monitor().Counters(ch).line;
        const std::uint64_t counted[kKinds] = { line.parity, line.framing, line.overruns, line.breaks };
        for (int kind = 0; kind < kKinds; ++kind)
            r.countedLine[kind] += static_cast<double>(counted[kind]);
        const PatternLane& lane = w->Monitor().Lane(ch);
        r.endedEarly += lane.stopReason.empty() ? 0 : 1;
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

// The wire set-ups' verdicts, printed under the table.
std::vector<std::string> g_verdicts;
bool g_missed = false;

void Judge(const std::string& name, Setup setup, const Result& r)
{
    if (!OnWire(setup))
        return;
    char line[512];
    const double cpu = r.wall > 0 ? 100.0 * r.cpu / r.wall : 0;
    const double slowest = *std::min_element(std::begin(r.streamPercent), std::end(r.streamPercent));
    if (setup == Setup::WireLineErrors) {
        double injected = 0;
        bool same = true;
        std::string kinds;
        for (int kind = 0; kind < kKinds; ++kind) {
            injected += r.injectedLine[kind];
            same = same && r.injectedLine[kind] == r.countedLine[kind] && r.loggedLine[kind] == r.countedLine[kind];
            kinds += std::string(kind ? ", " : "") + kKindNames[kind] + " " + std::to_string(int(r.countedLine[kind]))
                + " of " + std::to_string(int(r.injectedLine[kind]));
        }
        // Each errored byte is lost to the checker; nothing else may be.
        same = same && r.wrong == 0 && r.missing == injected;
        std::snprintf(line, sizeof line, "%s: line errors counted by the window of injected: %s (the log's texts agree: %s); wrong %.0f, missing %.0f of %.0f "
            "errored; %d lane(s) ended early: %s", name.c_str(), kinds.c_str(),
            std::equal(std::begin(r.loggedLine), std::end(r.loggedLine), std::begin(r.countedLine)) ? "yes" : "NO", r.wrong, r.missing, injected,
            r.endedEarly, same ? "match" : "MISMATCH");
        g_missed = g_missed || !same;
    } else {
        const bool met = slowest >= 98.0 && r.wrong == 0 && r.missing == 0 && cpu <= 2.0;
        std::snprintf(line, sizeof line,
            "%s: streams %.2f / %.2f / %.2f / %.2f %% of nominal (1>2, 2>1, 3>4, 4>3; target >= 98), wrong %.0f, "
            "missing %.0f (0), CPU %.2f %% (<= 2): %s", name.c_str(), r.streamPercent[0], r.streamPercent[1],
            r.streamPercent[2], r.streamPercent[3], r.wrong, r.missing, cpu, met ? "met" : "MISSED");
        g_missed = g_missed || !met;
    }
    g_verdicts.push_back(line);
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
        for (int ch = 1; ch <= 4; ++ch)
            state.counters["from" + std::to_string(ch) + "_%"] = r.streamPercent[ch - 1];
        if (setup == Setup::WireLineErrors) {
            for (int kind = 0; kind < kKinds; ++kind) {
                state.counters[std::string(kKindNames[kind]) + "_injected"] = r.injectedLine[kind];
                state.counters[std::string(kKindNames[kind]) + "_counted"] = r.countedLine[kind];
                state.counters[std::string(kKindNames[kind]) + "_in_log"] = r.loggedLine[kind];
            }
            state.counters["ended_early"] = r.endedEarly;
        }
        if (r.wall <= 0)
            state.SkipWithError("the panel process failed");
        Judge(setup == Setup::Wire38400 ? "wire_38400" : setup == Setup::Wire9600 ? "wire_9600" : "wire_line_errors", setup, r);
    }
}

} // namespace

// Each set-up once, timed by the bench itself.
#define PATTERN_SETUP(name, setup) \
    BENCHMARK_CAPTURE(BM_PatternTest, name, setup)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond)
PATTERN_SETUP(local_loop, Setup::LocalLoop);
PATTERN_SETUP(pty_pairs, Setup::PtyPairs);
PATTERN_SETUP(faults, Setup::Faults);
PATTERN_SETUP(wire_38400, Setup::Wire38400);
PATTERN_SETUP(wire_9600, Setup::Wire9600);
PATTERN_SETUP(wire_line_errors, Setup::WireLineErrors);

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
    for (const std::string& verdict : g_verdicts)
        std::printf("%s\n", verdict.c_str());
    return g_missed ? 1 : 0;
}

