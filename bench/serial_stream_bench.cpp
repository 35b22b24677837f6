// Serial stream benchmark: the panel live on the stand-in driver with channel 2
// on a pseudo-terminal, the loop test running, while a child process streams
// bytes into the far end at a serial line's pace (default 3,840 bytes/s, which
// is 38,400 bit/s at 8N1) for a while (default 30 s). It prints how many bytes
// the panel read, whether every one came in order (from the stand-ins' call
// trace), and the panel process's CPU time as a share of one core. It fails
// when a byte is missing or out of order, or the share reaches 1 %.
//   serial_stream_bench [seconds] [bytes_per_second]
#include "app/sfp_app.h"
#include "core/trace.h"
#include "panels/main_panel.h"
#include "platform/look.h"
#include "platform/modal_runner.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

unsigned char PatternByte(std::size_t i) { return static_cast<unsigned char>(i * 7 % 251); }

// The far end: waits for the go byte, then writes the pattern in 25 ms slices
// on an absolute clock, so the average rate holds whatever a write costs.
[[noreturn]] void Stream(int far, int go, int seconds, int rate)
{
    char start;
    if (read(go, &start, 1) != 1)
        _exit(2);
    const int slices = seconds * 40;
    const std::size_t perSlice = static_cast<std::size_t>(rate) / 40;
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    std::size_t sent = 0;
    unsigned char buf[4096];
    for (int s = 0; s < slices; ++s) {
        for (std::size_t i = 0; i < perSlice; ++i)
            buf[i] = PatternByte(sent + i);
        std::size_t done = 0;
        while (done < perSlice) {
            const ssize_t n = write(far, buf + done, perSlice - done);
            if (n <= 0)
                _exit(3);
            done += static_cast<std::size_t>(n);
        }
        sent += perSlice;
        next.tv_nsec += 25000000;
        if (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    _exit(0);
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double WallSeconds()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 3840;
    int far = -1, near = -1;
    char name[64];
    int go[2];
    if (seconds <= 0 || rate < 40 || rate > 160000 || openpty(&far, &near, name, nullptr, nullptr) != 0 ||
        pipe(go) != 0) {
        std::fprintf(stderr, "usage: serial_stream_bench [seconds] [bytes_per_second 40..160000]\n");
        return 2;
    }
    // Fork before Qt starts any thread; the child only writes and sleeps.
    const pid_t child = fork();
    if (child == 0) {
        close(go[1]);
        Stream(far, go[0], seconds, rate);
    }
    // The far end stays open here too: its last close would hang the line up,
    // and a hang-up drops what the panel has not read yet.
    close(go[0]);

    QTemporaryDir dir;
    const std::string benchPath = dir.filePath(QStringLiteral("bench.json")).toStdString();
    const std::string tracePath = dir.filePath(QStringLiteral("trace.txt")).toStdString();
    std::ofstream(benchPath) << R"({"resources": [{"descriptor": "VXI0::24::INSTR", "manufacturer_id": 3021,
        "model_code": 417, "slot": 5, "logical_address": 24,
        "module": {"channels": {"2": {"port": ")"
                             << name << R"("}}}}]})";
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
    auto* panel = static_cast<CPan1Dlg*>(app.m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
    panel->StartTest();
    close(near);  // the panel holds the line now

    const double cpu0 = CpuSeconds(), wall0 = WallSeconds();
    if (write(go[1], "g", 1) != 1)
        return 2;
    // Runs until two ticks after the far end has written its last byte.
    int status = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (waitpid(child, &status, WNOHANG) == child) {
            watch.stop();
            QTimer::singleShot(900, &qapp, &QCoreApplication::quit);
        }
    });
    watch.start(100);
    qapp.exec();
    const double cpu = CpuSeconds() - cpu0, wall = WallSeconds() - wall0;
    panel->StopTest();
    close(far);

    std::ifstream trace(tracePath);
    std::string line, got;
    long reads = 0, biggest = 0, polls = 0;
    for (std::getline(trace, line); trace; std::getline(trace, line)) {
        const auto call = sim::parse_trace_line(line);
        const auto field = [&call](const char* key) {
            const std::string* value = call->get(key);
            return value ? *value : std::string();
        };
        if (!call || field("channel") != "2")
            continue;
        if (call->function == "tsx4410_getProperty" && field("property") == "19")
            ++polls;
        if (call->function != "tsx4410_read")
            continue;
        got += field("bytes");
        ++reads;
        biggest = std::max<long>(biggest, static_cast<long>(field("bytes").size()));
    }
    const std::size_t sent = static_cast<std::size_t>(seconds) * 40 * static_cast<std::size_t>(rate / 40);
    std::size_t inOrder = 0;
    while (inOrder < got.size() && static_cast<unsigned char>(got[inOrder]) == PatternByte(inOrder))
        ++inOrder;
    const double share = 100.0 * cpu / wall;
    std::printf("streamed %zu bytes in %d s (%d bytes/s) into %s on channel 2, loop test running\n", sent, seconds,
                rate, name);
    std::printf("panel polled %ld times and read %zu bytes in %ld reads (largest %ld), %zu in order from the "
                "first; message boxes: %d\n", polls, got.size(), reads, biggest, inOrder, messages);
    std::printf("panel CPU %.3f s over %.1f s: %.2f %% of one core\n", cpu, wall, share);
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && got.size() == sent && inOrder == sent &&
                    messages == 0 && share < 1.0;
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
