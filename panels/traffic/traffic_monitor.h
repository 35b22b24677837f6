#pragma once
// The Traffic window's eyes on the channels: while attached it is their
// observer, and hands what it sees to the recorder (log, counters, file) and
// the test's start, stop and failures to the pattern runner. It learns what
// happened while it was detached from the Main Panel's own announcements.
#include "panels/channel.h"
#include "panels/traffic/pattern_runner.h"
#include "panels/traffic/traffic_recorder.h"

#include <QObject>

class CTrafficMonitor : public QObject, public CChannelObserver {
    Q_OBJECT
public:
    static constexpr int kChannels = 4;

    explicit CTrafficMonitor(QObject* parent = nullptr);
    ~CTrafficMonitor() override;

    // Becomes (or stops being) the channels' observer. Attaching catches up
    // with the test's starts and stops since; detaching ends the patterns.
    void Attach();
    void Detach();

    void OnTestStarted(const TestRun& run) override;
    void OnTestStopped() override;
    void OnSent(int channel, const char* bytes, int count) override;
    void OnReceived(int channel, const char* bytes, int count) override;
    void OnStatus(int channel, ViStatus status) override;
    void OnPollStopped(int channel) override;
    bool HoldsChannel(int channel) const override { return m_patterns.Holds(channel); }

    // The driver's texts for the statuses seen, looked up outside every poll
    // and every dialog (the window's refresh and the pattern timer).
    void ResolveTexts();

    CTrafficRecorder& Recorder() { return m_recorder; }
    CPatternRunner& Patterns() { return m_patterns; }
    void StartPattern(int channel, const PatternSpec& spec, bool paired) { m_patterns.Start(channel, spec, paired); }
    void StopPattern(int channel) { m_patterns.Stop(channel); }
    void PatternTick() { m_patterns.Tick(); }
    const PatternLane& Lane(int channel) const { return m_patterns.Lane(channel); }
    std::string Report(int channel) const { return m_patterns.Report(channel); }
    const ChannelCounters& Counters(int channel) const { return m_recorder.Counters(channel); }
    double Nominal(int channel) const { return m_recorder.Nominal(channel); }
    const CTrafficLog& Log() const { return m_recorder.Log(); }
    void ClearLog() { m_recorder.ClearLog(); }
    std::int64_t NowMs() const { return m_recorder.NowMs(); }
    bool TestRunning() const { return m_bTestRunning; }

    // Every event from now on also goes to `path`. False with a reason when
    // the file cannot be made.
    bool StartFileLog(const QString& path, QString* error);
    void StopFileLog() { m_recorder.StopFileLog(); }
    CLogFileWriter* FileLog() const { return m_recorder.FileLog(); }

    static int PairedChannel(int channel) { return CPatternRunner::PairedChannel(channel); }

signals:
    // Once per failure: file logging has ended for this reason.
    void fileLogFailed(const QString& text);

private:
    CTrafficRecorder m_recorder;
    CPatternRunner m_patterns;
    std::uint64_t m_seenStart = 0; // the last start this monitor took in
    bool m_bTestRunning = false;
    bool m_bAttached = false;
};
