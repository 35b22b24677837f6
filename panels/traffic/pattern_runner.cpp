#include "panels/traffic/pattern_runner.h"

#include "instrument/driver_api.h"
#include "instrument/instrument_driver.h"
#include "instrument/instrument_host.h"
#include "panels/traffic/pattern_line.h"
#include "panels/traffic/traffic_recorder.h"
#include "panels/traffic/traffic_stats.h"
#include "platform/modal_runner.h"
#include "platform/user_exception.h"

#include <algorithm>

CPatternRunner::CPatternRunner(CTrafficRecorder& recorder, QObject* parent)
    : QObject(parent)
    , m_recorder(recorder)
{
    m_timer.setInterval(kPeriodMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
}

void CPatternRunner::SetTestRunning(bool running)
{
    if (!running)
        EndAll("the test was stopped");
    m_testRunning = running;
    for (int ch = 1; ch <= kChannels; ++ch) {
        if (running && m_lanes[Index(ch)].state == PatternLane::Armed)
            Run(m_lanes[Index(ch)], ch);
    }
    UpdateTimer();
}

void CPatternRunner::SetWatching(bool watching)
{
    if (!watching) {
        for (PatternLane& lane : m_lanes) {
            if (lane.state == PatternLane::Armed)
                lane.state = PatternLane::Idle;
        }
        EndAll("the Traffic window was closed");
    }
    m_watching = watching;
    UpdateTimer();
}

void CPatternRunner::EndAll(const std::string& reason)
{
    for (PatternLane& lane : m_lanes) {
        if (lane.state == PatternLane::Running || lane.state == PatternLane::Draining)
            Finish(lane, reason);
    }
    UpdateTimer();
}

bool CPatternRunner::Holds(int channel) const
{
    if (channel < 1 || channel > kChannels)
        return false;
    const PatternLane::State s = m_lanes[Index(channel)].state;
    return s == PatternLane::Running || s == PatternLane::Draining;
}

void CPatternRunner::Run(PatternLane& lane, int channel)
{
    lane.state = PatternLane::Running;
    lane.nominal = m_recorder.Nominal(channel);
    lane.settings = m_recorder.Settings(channel);
    lane.startMs = lane.lastMs = lane.lastReadMs = m_recorder.NowMs();
    lane.pausedMs = 0;
    // Two steps' worth at once: a line that sends at its own pace then
    // always holds the next step's bytes and never runs dry between steps.
    lane.credit = lane.nominal * 2 * kPeriodMs / 1000.0;
}

void CPatternRunner::Start(int channel, const PatternSpec& spec, bool paired)
{
    if (channel < 1 || channel > kChannels)
        return;
    const int partner = paired ? PairedChannel(channel) : channel;
    for (int ch : { channel, partner }) {
        PatternLane& lane = m_lanes[Index(ch)];
        lane = PatternLane();
        lane.source = ch == channel ? partner : channel;
        lane.generator = CPatternGenerator(spec);
        lane.checker = CPatternChecker(spec);
        lane.state = PatternLane::Armed;
        if (m_testRunning)
            Run(lane, ch);
    }
    UpdateTimer();
}

void CPatternRunner::Stop(int channel)
{
    if (channel < 1 || channel > kChannels)
        return;
    const int source = m_lanes[Index(channel)].source;
    const int partner = source >= 1 && source <= kChannels ? source : channel;
    for (int ch : { channel, partner }) {
        PatternLane& l = m_lanes[Index(ch)];
        if (l.state == PatternLane::Armed)
            l.state = PatternLane::Idle;
        else if (l.state == PatternLane::Running)
            l.state = PatternLane::Draining, l.quietTicks = 0, l.endMs = m_recorder.NowMs();
    }
    UpdateTimer();
}

void CPatternRunner::Finish(PatternLane& lane, std::string reason)
{
    const std::uint64_t sent = m_lanes[Index(lane.source)].generator.Sent();
    // Drained to the end, what never came is missing; ended early, what was
    // still on the way is told, not counted.
    lane.checker.Finish(reason.empty() ? sent : 0);
    const std::uint64_t position = lane.checker.Position();
    if (!reason.empty() && sent > position)
        reason += "; " + std::to_string(sent - position) + " bytes sent were still on the way";
    if (lane.state == PatternLane::Running || lane.endMs == 0)
        lane.endMs = m_recorder.NowMs();
    // The bytes that came while it drained took that time too: the rates
    // must not pass the line's own.
    lane.endMs = std::max(lane.endMs, lane.lastReadMs);
    lane.stopReason = reason;
    lane.state = PatternLane::Done;
}

void CPatternRunner::UpdateTimer()
{
    const bool any = std::any_of(m_lanes.begin(), m_lanes.end(), [](const PatternLane& l) {
        return l.state == PatternLane::Running || l.state == PatternLane::Draining;
    });
    if (any && m_testRunning && m_watching) {
        if (!m_timer.isActive())
            m_timer.start();
    } else {
        m_timer.stop();
    }
    CChannel::ShowHolds();
}

void CPatternRunner::Tick()
{
    CInstrumentDriver* driver = CInstrumentHost::CurrentDriver();
    // While a dialog or message box is up the driver is the panel's alone:
    // its error road reads the last status after the box.
    if (!driver || ModalUp()) {
        m_pausedAt = m_pausedAt < 0 ? m_recorder.NowMs() : m_pausedAt;
        return;
    }
    for (PatternLane& lane : m_lanes) {
        if (m_pausedAt >= 0 && (lane.state == PatternLane::Running || lane.state == PatternLane::Draining))
            lane.pausedMs += std::max<std::int64_t>(m_recorder.NowMs() - m_pausedAt, 0);
    }
    m_pausedAt = -1;
    for (int ch = 1; ch <= kChannels; ++ch)
        StepLane(ch, *driver);
    // A lane ends its drain once its partner is quiet too, so the far end's
    // last bytes are counted before the partner's checker finishes.
    for (PatternLane& lane : m_lanes) {
        if (lane.state != PatternLane::Draining)
            continue;
        const PatternLane& source = m_lanes[Index(lane.source)];
        const bool sourceDone = source.state != PatternLane::Running;
        if ((lane.quietTicks >= kQuietTicks && sourceDone)
            || m_recorder.NowMs() - lane.endMs > kMaxDrainTicks * kPeriodMs)
            Finish(lane, "");
    }
    m_recorder.ResolveTexts(driver);
    UpdateTimer();
}

void CPatternRunner::StepLane(int ch, CInstrumentDriver& driver)
{
    PatternLane& lane = m_lanes[Index(ch)];
    if (lane.state != PatternLane::Running && lane.state != PatternLane::Draining)
        return;
    CPatternLine line(driver, m_recorder, ch);
    // A status's text is looked up here, once, and recorded with it.
    struct Failure {
        bool onLine;
        LineErrorCounts met;
        std::string text;
    };
    const auto failed = [&] {
        const ViStatus status = driver.LastStatus();
        std::string text = line.LastError();
        const LineErrorCounts met = m_recorder.Status(ch, status, text);
        return Failure { status == kDriverErrorLine, met, std::move(text) };
    };
    try {
        std::string got;
        try {
            got = line.Read();
        } catch (const CUserException&) {
            // A line error takes no byte the checker sees: the good ones come
            // with the next read, the one it hit is missing. The test goes on.
            const Failure f = failed();
            if (!f.onLine)
                return Finish(lane, "driver error: " + f.text);
            lane.lineErrors += f.met;
        }
        lane.checker.SetSent(m_lanes[Index(lane.source)].generator.Sent());
        lane.checker.Feed(got.data(), got.size());
        lane.quietTicks = got.empty() ? lane.quietTicks + 1 : 0;
        lane.lastReadMs = got.empty() ? lane.lastReadMs : m_recorder.NowMs();
        if (lane.state != PatternLane::Running)
            return;
        const std::int64_t now = m_recorder.NowMs();
        const double nominal = lane.nominal > 0 ? lane.nominal : 960.0;
        lane.credit = std::min(lane.credit + nominal * static_cast<double>(now - lane.lastMs) / 1000.0,
            std::max(nominal * kMaxCreditSeconds, 1.0));
        lane.lastMs = now;
        const int chunk = std::min(static_cast<int>(lane.credit), kMaxChunk);
        if (chunk <= 0 || !line.CanWrite())
            return;
        // Only what the channel took was sent: the stream goes on from there.
        const std::size_t taken = line.Write(lane.generator.Next(static_cast<std::size_t>(chunk)));
        lane.generator.Advance(taken);
        lane.credit -= static_cast<double>(taken);
    } catch (const CUserException&) {
        Finish(lane, "driver error: " + failed().text);
    }
}

CPatternRunner::Stream CPatternRunner::StreamFrom(int channel) const
{
    const PatternLane& sender = Lane(channel);
    const int to = sender.source >= 1 && sender.source <= kChannels ? sender.source : channel;
    return { channel, to, sender, Lane(to) };
}

std::string CPatternRunner::Report(int channel) const
{
    const Stream s = StreamFrom(channel);
    PatternReportData d;
    d.from = s.from;
    d.to = s.to;
    d.lineErrors = s.receiver.lineErrors;
    d.settings = s.sender.settings;
    d.spec = s.sender.generator.Spec();
    d.sent = s.sender.generator.Sent();
    d.counts = s.receiver.checker.Counts();
    d.first = s.receiver.checker.First();
    d.missingAtLeast = s.receiver.checker.MissingAtLeast();
    const std::int64_t end = s.receiver.state == PatternLane::Running ? m_recorder.NowMs() : s.receiver.endMs;
    d.elapsedMs = s.receiver.ActiveMs(end);
    d.nominal = s.sender.nominal;
    std::string report = PatternReport(d);
    if (!s.sender.stopReason.empty())
        report += "Ended: " + s.sender.stopReason + '\n';
    if (!s.receiver.stopReason.empty() && s.receiver.stopReason != s.sender.stopReason)
        report += "Ended on channel " + std::to_string(s.to) + ": " + s.receiver.stopReason + '\n';
    return report;
}
