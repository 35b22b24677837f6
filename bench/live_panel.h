#pragma once
// What the benches that run the panel live on the stand-ins share: the
// clocks, the bench file, the panel started as the program starts it, the
// pattern tests of the Traffic window, and a meter of the GUI thread's
// largest pause. Each bench runs one set-up per process: the stand-ins read
// their bench once per process.
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "panels/main_panel.h"
#include "panels/panel_list.h"
#include "panels/setting_panel.h"
#include "panels/traffic/traffic_window.h"
#include "resources/resource_ids.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

namespace bench {

inline double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

inline double CpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Writes a bench of one VXI module whose channels are `channels` (the JSON
// members, without braces) into `dir` and selects the stand-ins on it.
inline void SelectStandIns(const QTemporaryDir& dir, const std::string& channels)
{
    const std::string path = dir.filePath(QStringLiteral("bench.json")).toStdString();
    std::ofstream(path) << R"({"resources": [{"descriptor": "VXI0::24::INSTR", "manufacturer_id": 3021,
        "model_code": 417, "slot": 5, "logical_address": 24, "module": {"channels": {)"
                        << channels << "}}}]}";
    setenv("SFP_SIM_BENCH", path.c_str(), 1);
    unsetenv("SFP_SIM_TRACE");
    setenv("SFP_LIBRARY_PATH", SFP_BENCH_SIM_DIR, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

// `{"1": {"cable": 2, <extra>}, "2": {<extra>}, "3": {"cable": 4, <extra>}, "4": {<extra>}}`'s members:
// the simulated channels on two bench cables.
inline std::string CabledChannels(const std::string& extra = std::string())
{
    std::string json;
    for (int c = 1; c <= 4; ++c) {
        std::string hooks = c % 2 ? R"("cable": )" + std::to_string(c + 1) : std::string();
        if (!extra.empty())
            hooks += (hooks.empty() ? "" : ", ") + extra;
        json += (c > 1 ? ", \"" : "\"") + std::to_string(c) + "\": {" + hooks + "}";
    }
    return json;
}

// The panel as the program starts it (a QApplication must exist), its main
// panel and settings at hand.
struct LivePanel {
    CSfpApp app { QString() };
    CSettingObj* store = nullptr;
    CMainFrame* frame = nullptr;
    CPan1Dlg* panel = nullptr;
    CTrafficWindow* traffic = nullptr;

    LivePanel()
    {
        app.InitInstance();
        store = static_cast<CSettingObj*>(app.m_panels.FindByStringId(IDS_SETTING_PANEL));
        frame = app.MainFrame();
        panel = static_cast<CPan1Dlg*>(app.m_panels.FindByStringId(IDS_MAIN_PANEL)->m_pDialog);
    }
    // Channel 1..4's settings, as the Setting Panel commits them.
    void Set(int channel, const ChannelSettings& s)
    {
        store->SetChannelSettings(channel - 1, s);
        store->CommitChannelSettings(channel - 1);
    }
    // Every channel from the defaults as `edit` changes them.
    template <class Edit> void SetAll(Edit edit)
    {
        for (int c = 1; c <= 4; ++c) {
            ChannelSettings s = DefaultChannelSettings();
            edit(s);
            Set(c, s);
        }
    }
    CTrafficWindow* OpenTraffic()
    {
        frame->OnTraffic();
        return traffic = frame->TrafficWindow();
    }
    // Starts the counting pattern on every channel: back on itself, or paired
    // 1 with 2 and 3 with 4 (started from 1 and 3).
    void StartPatterns(bool paired)
    {
        for (int ch = 1; ch <= 4; ch += paired ? 2 : 1) {
            traffic->PatternReturn(ch)->setCurrentIndex(paired ? 1 : 0);
            traffic->OnPatternButton(ch);
        }
    }
    void StopPatterns()
    {
        for (int ch = 1; ch <= 4; ++ch) {
            const PatternLane::State s = traffic->Monitor().Lane(ch).state;
            if (s == PatternLane::Running || s == PatternLane::Armed)
                traffic->OnPatternButton(ch);
        }
    }
    bool PatternsDone() const
    {
        for (int ch = 1; ch <= 4; ++ch) {
            if (traffic->Monitor().Lane(ch).state != PatternLane::Done)
                return false;
        }
        return true;
    }
};

// The figures of one stream of a pattern test: what `from` sent and `to`
// checked, against what the line carries at the sender's nominal rate in
// the time it sent.
struct Stream {
    int from = 0, to = 0;
    double sent = 0, received = 0, nominal = 0, wrong = 0, missing = 0, repeated = 0;
    double Percent() const { return nominal > 0 ? 100.0 * received / nominal : 0; }
};

inline Stream StreamFigures(const CTrafficMonitor& monitor, int from)
{
    const PatternLane& sender = monitor.Lane(from);
    const int to = sender.source >= 1 && sender.source <= 4 ? sender.source : from;
    const CheckCounts& k = monitor.Lane(to).checker.Counts();
    Stream s;
    s.from = from;
    s.to = to;
    s.sent = static_cast<double>(sender.generator.Sent());
    s.received = static_cast<double>(k.received);
    s.wrong = static_cast<double>(k.wrong);
    s.missing = static_cast<double>(k.missing);
    s.repeated = static_cast<double>(k.repeated);
    s.nominal = sender.nominal * static_cast<double>(sender.endMs - sender.startMs) / 1000.0;
    return s;
}

// The largest gap between two ticks of a 10 ms timer on the GUI thread while
// it runs: how long the thread was away from its event loop at most.
class GapMeter {
public:
    static constexpr int kPeriodMs = 10;

    GapMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kPeriodMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    }
    void Start()
    {
        m_start = m_last = Now();
        m_lastCpu = ThreadCpu();
        m_timer.start();
    }
    // Counts the time since the last tick too: a stall that ends the run is a gap.
    void Stop()
    {
        Tick();
        m_timer.stop();
    }
    double LargestMs() const { return m_largest * 1000.0; }
    // Seconds from Start to the end of the largest gap.
    double LargestAt() const { return m_largestAt - m_start; }
    // The GUI thread's own CPU time in the largest gap: near the gap, it was
    // busy; near 0, it waited (or the machine gave the core to others).
    double LargestBusyMs() const { return m_largestBusy * 1000.0; }
    // The most CPU time the GUI thread spent within any one gap: the longest
    // the panel itself kept away from its loop, whatever the machine's load.
    double BusiestMs() const { return m_busiest * 1000.0; }

private:
    void Tick()
    {
        const double now = Now(), cpu = ThreadCpu();
        if (now - m_last > m_largest)
            m_largest = now - m_last, m_largestAt = now, m_largestBusy = cpu - m_lastCpu;
        m_busiest = std::max(m_busiest, cpu - m_lastCpu);
        m_last = now, m_lastCpu = cpu;
    }
    static double ThreadCpu()
    {
        timespec t;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
    }

    QTimer m_timer;
    double m_start = 0, m_last = 0, m_largest = 0, m_largestAt = 0;
    double m_lastCpu = 0, m_largestBusy = 0, m_busiest = 0;
};

// Runs the event loop until `done` holds, asking it every `ms`. A loop of
// its own: quitting the application's would close its windows first, and
// with the main window the Traffic window and its figures go.
inline void RunUntil(int ms, const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(ms);
    loop.exec();
}

} // namespace bench
