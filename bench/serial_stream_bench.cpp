// Serial stream benchmark: the panel live on the stand-in driver with its
// channels on pseudo-terminals at 38,400 bit/s with Xon/Xoff, the loop test
// running. A child process per channel plays the device: it streams bytes into
// the panel at the line's rate (3,840 bytes/s at 8N1) and reads what the panel
// sends, holding it back with XOFF for a few seconds in the middle. Meanwhile
// text is typed into every Trans box. It prints, per channel, the bytes each
// way and whether every one arrived in order (the panel's side from the
// stand-ins' call trace), the message boxes, and the panel process's CPU time
// as a share of one core. It fails when a byte is missing or out of order, a
// box appears, or the share reaches 1 %.
//   serial_stream_bench [seconds=60] [channels=4] [xoff_at=10] [xoff_seconds=3]
#include "app/sfp_app.h"
#include "controls/transfer_edit.h"
#include "panels/channel.h"
#include "panels/main_panel.h"
#include "panels/setting_panel.h"
#include "platform/look.h"
#include "platform/modal_runner.h"
#include "resources/resource_ids.h"
// The stand-ins' own trace reader; its VISA macros come after the program's constants.
#include "core/trace.h"

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 3840; // bytes/s: 38,400 bit/s at 8N1
constexpr int kTailSeconds = 4; // the far ends keep reading this long after the stream

// Printable, so no byte of the stream is taken for XON or XOFF.
char InboundByte(std::size_t i) { return static_cast<char>(' ' + i * 7 % 95); }
char TypedByte(std::size_t i) { return static_cast<char>('A' + i % 26); }

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The device at the far end: streams in 25 ms slices on an absolute clock,
// sends XOFF at xoffAt and XON xoffLen later, and keeps what the panel sends.
[[noreturn]] void FarEnd(int far, int go, int seconds, double xoffAt, double xoffLen, const std::string& result)
{
    char start;
    if (read(go, &start, 1) != 1)
        _exit(2);
    const double t0 = Now();
    std::string received;
    const auto take = [&] {
        char buf[4096];
        for (pollfd p{far, POLLIN, 0}; poll(&p, 1, 0) > 0;) {
            const ssize_t n = read(far, buf, sizeof buf);
            if (n <= 0)
                break;
            received.append(buf, static_cast<std::size_t>(n));
        }
    };
    const std::size_t perSlice = kRate / 40;
    std::size_t sent = 0;
    int flow = 0; // 0 before XOFF, 1 held, 2 released
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (int s = 0; s < seconds * 40 + kTailSeconds * 40; ++s) {
        const double t = Now() - t0;
        if (flow < 2 && t >= (flow == 0 ? xoffAt : xoffAt + xoffLen)) {
            const char control = flow++ == 0 ? '\x13' : '\x11';
            if (write(far, &control, 1) != 1)
                _exit(3);
        }
        if (s < seconds * 40) {
            char buf[perSlice];
            for (std::size_t i = 0; i < perSlice; ++i)
                buf[i] = InboundByte(sent + i);
            for (std::size_t done = 0; done < perSlice;) {
                const ssize_t n = write(far, buf + done, perSlice - done);
                if (n <= 0)
                    _exit(3);
                done += static_cast<std::size_t>(n);
            }
            sent += perSlice;
        }
        take();
        next.tv_nsec += 25000000;
        if (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    std::ofstream(result, std::ios::binary) << received;
    _exit(0);
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::size_t InOrder(const std::string& got, char (*expected)(std::size_t))
{
    std::size_t n = 0;
    while (n < got.size() && got[n] == expected(n))
        ++n;
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int channels = argc > 2 ? std::atoi(argv[2]) : 4;
    const double xoffAt = argc > 3 ? std::atof(argv[3]) : 10, xoffLen = argc > 4 ? std::atof(argv[4]) : 3;
    if (seconds <= 0 || channels < 1 || channels > 4 || xoffAt < 0 || xoffLen < 0 || xoffAt + xoffLen > seconds) {
        std::fprintf(stderr, "usage: serial_stream_bench [seconds] [channels 1..4] [xoff_at] [xoff_seconds]\n");
        return 2;
    }
    QTemporaryDir dir;
    const auto file = [&dir](const QString& name) { return dir.filePath(name).toStdString(); };
    int go[2];
    if (pipe(go) != 0)
        return 2;
    std::vector<int> far(static_cast<std::size_t>(channels)), near(far.size());
    std::vector<pid_t> children;
    std::vector<std::string> names;
    std::ostringstream ports;
    for (int c = 0; c < channels; ++c) {
        char name[64];
        if (openpty(&far[static_cast<std::size_t>(c)], &near[static_cast<std::size_t>(c)], name, nullptr, nullptr))
            return 2;
        names.push_back(name);
        ports << (c ? "," : "") << '"' << c + 1 << R"(": {"port": ")" << name << R"("})";
        // Fork before Qt starts any thread; a child only writes, reads and sleeps.
        const pid_t child = fork();
        if (child == 0) {
            close(go[1]);
            FarEnd(far[static_cast<std::size_t>(c)], go[0], seconds, xoffAt, xoffLen,
                   file(QStringLiteral("far%1").arg(c + 1)));
        }
        children.push_back(child);
    }
    // The far ends stay open here too: a last close would hang the lines up.
    close(go[0]);

    const std::string benchPath = file(QStringLiteral("bench.json")), tracePath = file(QStringLiteral("trace.txt"));
    std::ofstream(benchPath) << R"({"resources": [{"descriptor": "VXI0::24::INSTR", "manufacturer_id": 3021,
        "model_code": 417, "slot": 5, "logical_address": 24, "module": {"channels": {)"
                             << ports.str() << "}}}]}";
    setenv("SFP_SIM_BENCH", benchPath.c_str(), 1);
    setenv("SFP_SIM_TRACE", tracePath.c_str(), 1);
    setenv("SFP_LIBRARY_PATH", SFP_BENCH_SIM_DIR, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    QApplication qapp(argc, argv);
    ApplyClassicLook();
    int messages = 0;
    ScopedModalResponder answer([&messages](QDialog&) {
        ++messages;
        return static_cast<int>(QDialog::Accepted);
    });
    CSfpApp app{QString()};
    app.InitInstance();
    auto* store = static_cast<CSettingObj*>(app.m_panels.FindByStringId(IDS_SETTING_PANEL));
    for (int c = 0; c < channels; ++c) {
        ChannelSettings s = DefaultChannelSettings();
        s.baudRate = QStringLiteral("38.4k");
        s.flowControl = QStringLiteral("Xon/Xoff");
        s.parityCheck = 0;
        store->SetChannelSettings(c, s);
        store->CommitChannelSettings(c);
    }
    auto* panel = static_cast<CPan1Dlg*>(app.m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
    panel->StartTest();
    for (int fd : near)
        close(fd); // the panel holds the lines now

    const double cpu0 = CpuSeconds(), wall0 = Now();
    if (write(go[1], "gggg", static_cast<std::size_t>(channels)) != channels) // one byte wakes one far end
        return 2;
    // Four characters a channel every 400 ms (10/s) while the far ends stream:
    // the Trans box's 39 characters hold what XOFF keeps back for 3 s.
    std::vector<std::string> typed(far.size());
    QTimer typing;
    QObject::connect(&typing, &QTimer::timeout, [&] {
        if (Now() - wall0 >= seconds) {
            typing.stop();
            QTimer::singleShot(kTailSeconds * 1000 - 1500, &qapp, &QCoreApplication::quit);
            return;
        }
        for (int c = 0; c < channels; ++c) {
            std::string& t = typed[static_cast<std::size_t>(c)];
            for (int k = 0; k < 4; ++k) {
                t += TypedByte(t.size());
                panel->Channel(c + 1)->TransBox()->OnChar(t.back());
            }
        }
    });
    typing.start(400);
    qapp.exec();
    const double cpu = CpuSeconds() - cpu0, wall = Now() - wall0;
    panel->StopTest();
    bool ok = messages == 0;
    for (pid_t child : children) {
        int status = 0;
        ok = waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
    }

    std::vector<std::string> inbound(far.size());
    std::ifstream trace(tracePath);
    std::string line;
    for (std::getline(trace, line); trace; std::getline(trace, line)) {
        const auto call = sim::parse_trace_line(line);
        if (!call || call->function != "tsx4410_read" || !call->get("channel") || !call->get("bytes"))
            continue;
        const std::size_t c = static_cast<std::size_t>(std::atoi(call->get("channel")->c_str()) - 1);
        if (c < inbound.size())
            inbound[c] += *call->get("bytes");
    }
    const std::size_t sent = static_cast<std::size_t>(seconds) * 40 * (kRate / 40);
    std::printf("%d channels at 38,400 bit/s with Xon/Xoff for %d s, XOFF from %.0f s for %.0f s, loop test running\n",
                channels, seconds, xoffAt, xoffLen);
    for (std::size_t c = 0; c < far.size(); ++c) {
        std::ifstream in(file(QStringLiteral("far%1").arg(c + 1)), std::ios::binary);
        std::string out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        out.erase(std::remove_if(out.begin(), out.end(), [](char b) { return b == '\x11' || b == '\x13'; }),
                  out.end());
        const std::size_t inOk = InOrder(inbound[c], InboundByte), outOk = InOrder(out, TypedByte);
        std::printf("channel %zu (%s): in %zu of %zu bytes, %zu in order; out %zu of %zu typed, %zu in order\n",
                    c + 1, names[c].c_str(), inbound[c].size(), sent, inOk, out.size(), typed[c].size(), outOk);
        ok = ok && inbound[c].size() == sent && inOk == sent && out == typed[c];
    }
    const double share = 100.0 * cpu / wall;
    std::printf("message boxes: %d\npanel CPU %.3f s over %.1f s: %.2f %% of one core\n", messages, cpu, wall, share);
    ok = ok && share < 1.0;
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    for (int fd : far)
        close(fd);
    return ok ? 0 : 1;
}
