#pragma once
// The pattern tests of the four channels: each lane's generator and checker,
// armed until the test runs, paced at its line's nominal rate on a timer of
// its own (so the loop test's 400 ms tick and its 64-byte writes do not cap
// it), drained after Stop and reported. It calls the driver only from its own
// timer, never while a dialog or message box is up.
#include "panels/channel.h"
#include "panels/traffic/pattern.h"
#include "panels/traffic/traffic_stats.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <string>

class CInstrumentDriver;
class CTrafficRecorder;

struct PatternLane {
    enum State { Idle, Armed, Running, Draining, Done } state = Idle;
    int source = 0; // the channel whose stream comes back here
    CPatternGenerator generator;
    CPatternChecker checker;
    double credit = 0; // bytes the line may still take at its nominal rate
    double nominal = 0; // bytes per second
    std::string settings; // as the report gives them
    std::int64_t lastMs = 0, startMs = 0, endMs = 0;
    std::int64_t lastReadMs = 0; // when bytes last came: a drain's bytes count in the time
    std::int64_t pausedMs = 0; // held behind a dialog, sending nothing: no part of its rates
    // The time it ran until `end`, less its pauses: what its rates are taken over.
    std::int64_t ActiveMs(std::int64_t end) const { return end - startMs - pausedMs; }
    int quietTicks = 0;
    LineErrorCounts lineErrors; // met by this channel's reads: the bytes they hit are missing
    std::string stopReason; // why it ended early, else empty
};

class CPatternRunner : public QObject {
    Q_OBJECT
public:
    static constexpr int kChannels = 4;
    static constexpr int kPeriodMs = 40;
    // One write never passes the non-live loopback's 256 bytes, and a late
    // timer never lets the line's credit grow past a quarter second.
    static constexpr int kMaxChunk = 256;
    static constexpr double kMaxCreditSeconds = 0.25;
    // A stopped pattern keeps reading until the line is quiet this long.
    static constexpr int kQuietTicks = 10;
    static constexpr int kMaxDrainTicks = 150;

    explicit CPatternRunner(CTrafficRecorder& recorder, QObject* parent = nullptr);

    // Whether the channels are open for the patterns (the test runs and the
    // window watches). Armed lanes start running when both hold.
    void SetTestRunning(bool running);
    void SetWatching(bool watching);
    // Ends every running lane at once, with the reason its report gives.
    void EndAll(const std::string& reason);

    // Arms channel's pattern (and, paired, its partner's: 1 with 2, 3 with 4);
    // it runs while the test runs, at once if it runs already.
    void Start(int channel, const PatternSpec& spec, bool paired);
    // Stops sending; what is still on the way is read, then the lane ends.
    void Stop(int channel);
    // One step of every pattern: read, check, then write what the line takes.
    void Tick();

    const PatternLane& Lane(int channel) const { return m_lanes.at(Index(channel)); }
    bool Holds(int channel) const;
    // The stream a channel sends, named by where it goes: its own lane's
    // generator and the checker of the lane that receives it (itself, or its
    // partner in a pair).
    struct Stream {
        int from, to;
        const PatternLane& sender;
        const PatternLane& receiver;
    };
    Stream StreamFrom(int channel) const;
    // The report of the stream `channel` sends.
    std::string Report(int channel) const;

    static int PairedChannel(int channel) { return channel % 2 ? channel + 1 : channel - 1; }

private:
    static std::size_t Index(int channel) { return static_cast<std::size_t>(channel - 1); }
    void Run(PatternLane& lane, int channel);
    // Ends a lane; `reason` empty for a lane drained after Stop.
    void Finish(PatternLane& lane, std::string reason);
    void StepLane(int channel, CInstrumentDriver& driver);
    void UpdateTimer();

    CTrafficRecorder& m_recorder;
    std::array<PatternLane, kChannels> m_lanes;
    QTimer m_timer;
    bool m_testRunning = false;
    bool m_watching = false;
    std::int64_t m_pausedAt = -1; // since when a dialog holds the lanes back
};
