#pragma once
// What the Traffic window keeps of the channels: the event log, each
// channel's counters and nominal rate, and the copy of the log on disk. It
// records a driver status by its code alone; the driver's text for it is
// looked up later (ResolveTexts), away from the poll that saw it, so that
// watching never adds a driver call to the panel's own roads.
#include "panels/channel.h"
#include "panels/traffic/log_file_writer.h"
#include "panels/traffic/traffic_log.h"
#include "panels/traffic/traffic_stats.h"

#include <QElapsedTimer>

#include <array>
#include <deque>
#include <functional>
#include <memory>

class CInstrumentDriver;

class CTrafficRecorder {
public:
    static constexpr int kChannels = 4;

    // `fileFailed` hears once why the file log ended, from inside whatever
    // call met the failure.
    explicit CTrafficRecorder(std::function<void(const std::string&)> fileFailed = {});

    // Counters from zero, times from the run's start, rates from its settings.
    void Restart(const TestRun& run);

    void Sent(int channel, const char* bytes, int count);
    void Received(int channel, const char* bytes, int count);
    void Status(int channel, ViStatus status);
    // A status whose text its caller looked up already (outside the poll);
    // what a line error's text says it met, also counted on the channel.
    LineErrorCounts Status(int channel, ViStatus status, const std::string& text);
    // Looks up the text of every status recorded since the last call, once per
    // status and channel, and hands the events held for them to the file.
    void ResolveTexts(CInstrumentDriver* driver);
    bool TextsPending() const { return !m_unresolved.empty(); }

    const ChannelCounters& Counters(int channel) const { return m_counters.at(Index(channel)); }
    double Nominal(int channel) const { return m_nominal.at(Index(channel)); }
    const std::string& Settings(int channel) const { return m_settings.at(Index(channel)); }
    const CTrafficLog& Log() const { return m_log; }
    void ClearLog() { m_log.Clear(); }
    // Milliseconds since Start Test (before the first start: since the window was made).
    std::int64_t NowMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }

    // Every event from now on also goes to `path`. The file is made away from
    // the panel: one that cannot be made is told through `fileFailed`, like a
    // write that fails. False with a reason only when the writer cannot start.
    bool StartFileLog(const std::string& path, std::string* error);
    // Never waits on the disk: what is on its way may still reach it. The
    // writer is kept to be asked, a moment later, whether it did.
    void StopFileLog();
    // After a stop: empty when the stopped writer has written all it held,
    // else what did not reach the file. Forgets that writer either way.
    std::string StoppedFileBacklog();
    CLogFileWriter* FileLog() const { return m_file.get(); }

private:
    static std::size_t Index(int channel) { return static_cast<std::size_t>(channel - 1); }
    static bool Valid(int channel) { return channel >= 1 && channel <= kChannels; }
    void Add(int channel, TrafficKind kind, std::string data, ViStatus status = 0, bool waiting = false);
    // The kinds a line error's text gives, counted on `channel`. A text that
    // names another channel is not counted here: the driver keeps one text
    // per status, and that channel's later error replaced this one's.
    LineErrorCounts CountLineErrors(int channel, ViStatus status, const std::string& text);
    void FlushFile(); // the held events, up to the first without its text
    void CheckFile(); // tells a failed file once, with what did not reach it, and stops it

    CTrafficLog m_log;
    std::array<ChannelCounters, kChannels> m_counters;
    std::array<double, kChannels> m_nominal {};
    std::array<std::string, kChannels> m_settings;
    QElapsedTimer m_clock;
    struct Held {
        std::uint64_t number;
        bool waiting; // a status without its text yet
        TrafficEvent event;
    };
    std::deque<Held> m_unresolved; // status events without their text
    void DropFile();
    std::unique_ptr<CLogFileWriter> m_file;
    std::unique_ptr<CLogFileWriter> m_stoppedFile; // left to finish on its own
    std::uint64_t m_stoppedHeld = 0; // events held for it, never handed over
    std::deque<Held> m_fileHeld; // for the file, in order, behind the first without its text
    std::function<void(const std::string&)> m_fileFailed;
};
