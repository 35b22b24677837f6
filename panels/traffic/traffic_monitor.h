#pragma once
// What the Traffic window shows, kept while the window is open: the event
// log, the counters of each channel, and the pattern tests. It is the
// channels' observer while attached; the pattern tests run on a timer of their
// own, so the loop test's 400 ms tick and its 39-byte writes do not cap them.
#include "panels/channel.h"
#include "panels/traffic/log_file_writer.h"
#include "panels/traffic/pattern.h"
#include "panels/traffic/traffic_log.h"
#include "panels/traffic/traffic_stats.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <array>
#include <memory>

struct PatternLane {
    enum State { Idle, Armed, Running, Draining, Done } state = Idle;
    int source = 0; // the channel whose stream comes back here
    CPatternGenerator generator;
    CPatternChecker checker;
    double credit = 0; // bytes the line may still take at its nominal rate
    double nominal = 0; // bytes per second
    std::string settings; // as the report gives them
    std::int64_t lastMs = 0, startMs = 0, endMs = 0;
    int quietTicks = 0;
    std::string stopReason; // why it ended early, else empty
};

class CTrafficMonitor : public QObject, public CChannelObserver {
    Q_OBJECT
public:
    static constexpr int kChannels = 4;
    static constexpr int kPatternPeriodMs = 40;
    // One write never passes the non-live loopback's 256 bytes, and a late
    // timer never lets the line's credit grow past a quarter second.
    static constexpr int kMaxChunk = 256;
    static constexpr double kMaxCreditSeconds = 0.25;
    // A stopped pattern keeps reading until the line is quiet this long.
    static constexpr int kQuietTicks = 10;
    static constexpr int kMaxDrainTicks = 150;

    explicit CTrafficMonitor(QObject* parent = nullptr);
    ~CTrafficMonitor() override;

    // Becomes (or stops being) the channels' observer. Detaching ends the
    // pattern tests at once.
    void Attach();
    void Detach();

    void OnTestStarted() override;
    void OnTestStopped() override;
    void OnSent(int channel, const char* bytes, int count) override;
    void OnReceived(int channel, const char* bytes, int count) override;
    void OnStatus(int channel, ViStatus status) override;
    bool HoldsChannel(int channel) const override;

    // Arms channel's pattern (and, paired, its partner's: 1 with 2, 3 with 4);
    // it runs while the test runs, at once if it runs already.
    void StartPattern(int channel, const PatternSpec& spec, bool paired);
    // Stops sending; what is still on the way is read, then the lane ends.
    void StopPattern(int channel);
    // One step of every pattern: read, check, then write what the line takes.
    void PatternTick();

    const PatternLane& Lane(int channel) const { return m_lanes.at(Index(channel)); }
    std::string Report(int channel) const;
    const ChannelCounters& Counters(int channel) const { return m_counters.at(Index(channel)); }
    double Nominal(int channel) const { return m_nominal.at(Index(channel)); }
    const CTrafficLog& Log() const { return m_log; }
    void ClearLog() { m_log.Clear(); }
    std::int64_t NowMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }
    bool TestRunning() const { return m_bTestRunning; }

    // Every event from now on also goes to `path`. False with a reason when
    // the file cannot be made.
    bool StartFileLog(const QString& path, QString* error);
    void StopFileLog();
    CLogFileWriter* FileLog() const { return m_file.get(); }

    static int PairedChannel(int channel) { return channel % 2 ? channel + 1 : channel - 1; }

signals:
    // Once per failure: file logging has ended for this reason.
    void fileLogFailed(const QString& text);

private:
    static std::size_t Index(int channel) { return static_cast<std::size_t>(channel - 1); }
    void AddEvent(int channel, TrafficKind kind, std::string data, ViStatus status = 0);
    void ReadSettings();
    // Ends a lane; `reason` empty for a lane drained after Stop.
    void Finish(PatternLane& lane, std::string reason);
    void StepLane(int channel, class CInstrumentDriver* driver);
    void UpdateTimer();

    CTrafficLog m_log;
    std::array<ChannelCounters, kChannels> m_counters;
    std::array<PatternLane, kChannels> m_lanes;
    std::array<double, kChannels> m_nominal {};
    std::array<std::string, kChannels> m_settings;
    QElapsedTimer m_clock;
    QTimer m_patternTimer;
    std::unique_ptr<CLogFileWriter> m_file;
    bool m_bTestRunning = false;
    bool m_bAttached = false;
};
