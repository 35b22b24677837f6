#include "panels/traffic/traffic_monitor.h"

#include "instrument/instrument_driver.h"
#include "instrument/instrument_host.h"
#include "panels/channel_settings.h"
#include "panels/main_panel.h"
#include "panels/panel.h"
#include "panels/panel_host.h"
#include "panels/panel_list.h"
#include "panels/setting_panel.h"
#include "platform/user_exception.h"
#include "resources/resource_ids.h"

#include <QFile>
#include <QTime>

#include <algorithm>
#include <cmath>

CTrafficMonitor::CTrafficMonitor(QObject* parent)
    : QObject(parent)
{
    m_clock.start();
    m_patternTimer.setInterval(kPatternPeriodMs);
    m_patternTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_patternTimer, &QTimer::timeout, this, [this] { PatternTick(); });
    ReadSettings();
}

CTrafficMonitor::~CTrafficMonitor()
{
    Detach();
}

void CTrafficMonitor::Attach()
{
    if (m_bAttached)
        return;
    m_bAttached = true;
    CChannel::SetObserver(this);
    // Closed, it was told nothing: the test may have started or stopped since.
    CPanelHost* host = CPanelHost::Get();
    CPanel* main = host ? host->Panels().FindByStringId(IDS_MAIN_PANEL) : nullptr;
    const auto* dialog = main ? dynamic_cast<const CPan1Dlg*>(main->m_pDialog) : nullptr;
    const bool running = dialog && dialog->IsRunning();
    if (running && !m_bTestRunning)
        OnTestStarted();
    else if (!running && m_bTestRunning)
        OnTestStopped();
}

void CTrafficMonitor::Detach()
{
    if (!m_bAttached)
        return;
    for (int ch = 1; ch <= kChannels; ++ch) {
        PatternLane& lane = m_lanes[Index(ch)];
        if (lane.state == PatternLane::Armed)
            lane.state = PatternLane::Idle;
        else if (lane.state == PatternLane::Running || lane.state == PatternLane::Draining)
            Finish(lane, "the Traffic window was closed");
    }
    m_patternTimer.stop();
    m_bAttached = false;
    if (CChannel::Observer() == this)
        CChannel::SetObserver(nullptr);
}

void CTrafficMonitor::ReadSettings()
{
    CPanelHost* host = CPanelHost::Get();
    auto* store
        = host ? static_cast<CSettingObj*>(host->Panels().FindByStringId(IDS_SETTING_PANEL)) : nullptr;
    for (int ch = 1; ch <= kChannels; ++ch) {
        const ChannelSettings s = store ? store->GetChannelSettings(ch - 1) : DefaultChannelSettings();
        const double nominal = NominalBytesPerSecond(
            LookupBaudRate(s.baudRate), s.dataBits.toInt(), s.parity.toStdString(), s.stopBits.toStdString());
        m_nominal[Index(ch)] = nominal;
        m_settings[Index(ch)] = QStringLiteral("%1 %2 %3 %4 %5 %6")
                                    .arg(s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl, s.mode)
                                    .toStdString();
    }
}

void CTrafficMonitor::OnTestStarted()
{
    m_bTestRunning = true;
    m_clock.restart();
    ReadSettings();
    for (int ch = 1; ch <= kChannels; ++ch) {
        m_counters[Index(ch)] = ChannelCounters();
        PatternLane& lane = m_lanes[Index(ch)];
        if (lane.state == PatternLane::Armed) {
            lane.state = PatternLane::Running;
            lane.nominal = m_nominal[Index(ch)];
            lane.settings = m_settings[Index(ch)];
            lane.startMs = lane.lastMs = 0;
        }
    }
    UpdateTimer();
}

void CTrafficMonitor::OnTestStopped()
{
    for (PatternLane& lane : m_lanes) {
        if (lane.state == PatternLane::Running || lane.state == PatternLane::Draining)
            Finish(lane, "the test was stopped");
    }
    m_bTestRunning = false;
    UpdateTimer();
}

void CTrafficMonitor::AddEvent(int channel, TrafficKind kind, std::string data, ViStatus status)
{
    const std::int64_t now = NowMs();
    ChannelCounters& c = m_counters[Index(channel)];
    switch (kind) {
    case TrafficKind::Sent:
        c.sent += data.size(), c.out.Add(now, data.size());
        break;
    case TrafficKind::Received:
        c.received += data.size(), c.in.Add(now, data.size());
        break;
    case TrafficKind::Error:
        ++c.errors;
        break;
    case TrafficKind::Warning:
        ++c.warnings;
        break;
    }
    TrafficEvent event { QTime::currentTime().msecsSinceStartOfDay(), now, channel, kind, std::move(data),
        status };
    if (m_file) {
        m_file->Append(FormatEvent(event, false));
        const std::string error = m_file->Error();
        if (!error.empty()) {
            m_file.reset();
            // Shown outside the tick, once; nothing else stops.
            QMetaObject::invokeMethod(
                this, [this, error] { emit fileLogFailed(QString::fromStdString(error)); },
                Qt::QueuedConnection);
        }
    }
    m_log.Add(std::move(event));
}

void CTrafficMonitor::OnSent(int channel, const char* bytes, int count)
{
    if (channel >= 1 && channel <= kChannels && bytes && count > 0)
        AddEvent(channel, TrafficKind::Sent, std::string(bytes, static_cast<std::size_t>(count)));
}

void CTrafficMonitor::OnReceived(int channel, const char* bytes, int count)
{
    if (channel >= 1 && channel <= kChannels && bytes && count > 0)
        AddEvent(channel, TrafficKind::Received, std::string(bytes, static_cast<std::size_t>(count)));
}

void CTrafficMonitor::OnStatus(int channel, ViStatus status)
{
    if (channel < 1 || channel > kChannels || status == VI_SUCCESS)
        return;
    QString text;
    if (CInstrumentDriver* driver = CInstrumentHost::CurrentDriver())
        driver->ErrorMessage(status, text);
    AddEvent(channel, status < 0 ? TrafficKind::Error : TrafficKind::Warning, text.toStdString(), status);
}

bool CTrafficMonitor::HoldsChannel(int channel) const
{
    if (channel < 1 || channel > kChannels)
        return false;
    const PatternLane::State s = m_lanes[Index(channel)].state;
    return s == PatternLane::Running || s == PatternLane::Draining;
}

void CTrafficMonitor::StartPattern(int channel, const PatternSpec& spec, bool paired)
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
        if (m_bTestRunning) {
            lane.state = PatternLane::Running;
            lane.nominal = m_nominal[Index(ch)];
            lane.settings = m_settings[Index(ch)];
            lane.startMs = lane.lastMs = NowMs();
        }
    }
    UpdateTimer();
}

void CTrafficMonitor::StopPattern(int channel)
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
            l.state = PatternLane::Draining, l.quietTicks = 0, l.endMs = NowMs();
    }
    UpdateTimer();
}

void CTrafficMonitor::Finish(PatternLane& lane, std::string reason)
{
    const std::uint64_t sent = m_lanes[Index(lane.source)].generator.Sent();
    // Drained to the end, what never came is missing; ended early, what was
    // still on the way is told, not counted.
    lane.checker.Finish(reason.empty() ? sent : 0);
    const std::uint64_t position = lane.checker.Position();
    if (!reason.empty() && sent > position)
        reason += "; " + std::to_string(sent - position) + " bytes sent were still on the way";
    if (lane.state == PatternLane::Running || lane.endMs == 0)
        lane.endMs = NowMs();
    lane.stopReason = reason;
    lane.state = PatternLane::Done;
}

void CTrafficMonitor::UpdateTimer()
{
    const bool any = std::any_of(m_lanes.begin(), m_lanes.end(), [](const PatternLane& l) {
        return l.state == PatternLane::Running || l.state == PatternLane::Draining;
    });
    if (any && m_bTestRunning && m_bAttached) {
        if (!m_patternTimer.isActive())
            m_patternTimer.start();
    } else {
        m_patternTimer.stop();
    }
}

void CTrafficMonitor::PatternTick()
{
    CInstrumentDriver* driver = CInstrumentHost::CurrentDriver();
    if (!driver)
        return;
    for (int ch = 1; ch <= kChannels; ++ch)
        StepLane(ch, driver);
    // A lane ends its drain once its partner is quiet too, so the far end's
    // last bytes are counted before the partner's checker finishes.
    for (PatternLane& lane : m_lanes) {
        if (lane.state != PatternLane::Draining)
            continue;
        const PatternLane& source = m_lanes[Index(lane.source)];
        const bool sourceDone = source.state != PatternLane::Running;
        if ((lane.quietTicks >= kQuietTicks && sourceDone)
            || NowMs() - lane.endMs > kMaxDrainTicks * kPatternPeriodMs)
            Finish(lane, "");
    }
    UpdateTimer();
}

void CTrafficMonitor::StepLane(int ch, CInstrumentDriver* driver)
{
    PatternLane& lane = m_lanes[Index(ch)];
    if (lane.state != PatternLane::Running && lane.state != PatternLane::Draining)
        return;
    char buffer[4096];
    try {
        const std::int32_t waiting = driver->BytesAvailable(ch);
        if (driver->LastStatus() != VI_SUCCESS)
            OnStatus(ch, driver->LastStatus());
        if (waiting > 0) {
            const int asked = std::min<int>(waiting, static_cast<int>(sizeof buffer));
            std::uint32_t got = static_cast<std::uint32_t>(asked);
            driver->ReadChannel(ch, buffer, asked, &got);
            const int n = static_cast<int>(std::min<std::uint32_t>(got, static_cast<std::uint32_t>(asked)));
            lane.checker.Feed(buffer, static_cast<std::size_t>(n));
            OnReceived(ch, buffer, n);
            lane.quietTicks = n > 0 ? 0 : lane.quietTicks + 1;
        } else {
            ++lane.quietTicks;
        }
        if (lane.state != PatternLane::Running)
            return;
        const std::int64_t now = NowMs();
        const double nominal = lane.nominal > 0 ? lane.nominal : 960.0;
        lane.credit = std::min(lane.credit + nominal * static_cast<double>(now - lane.lastMs) / 1000.0,
            std::max(nominal * kMaxCreditSeconds, 1.0));
        lane.lastMs = now;
        const int chunk = std::min(static_cast<int>(lane.credit), kMaxChunk);
        if (chunk <= 0 || !driver->CanWrite(ch))
            return;
        const std::string bytes = lane.generator.Take(static_cast<std::size_t>(chunk));
        driver->WriteChannel(ch, bytes.data(), chunk);
        lane.credit -= chunk;
        if (driver->LastStatus() != VI_SUCCESS)
            OnStatus(ch, driver->LastStatus());
        OnSent(ch, bytes.data(), chunk);
    } catch (const CUserException&) {
        const ViStatus status = driver->LastStatus();
        OnStatus(ch, status);
        QString text;
        driver->ErrorMessage(status, text);
        Finish(lane, "driver error: " + text.toStdString());
    }
}

std::string CTrafficMonitor::Report(int channel) const
{
    const PatternLane& lane = Lane(channel);
    PatternReportData d;
    d.channel = channel;
    d.source = lane.source;
    d.settings = lane.settings;
    d.spec = lane.generator.Spec();
    d.sent = lane.generator.Sent();
    d.counts = lane.checker.Counts();
    d.first = lane.checker.First();
    const std::int64_t end = lane.state == PatternLane::Running ? NowMs() : lane.endMs;
    d.elapsedMs = end - lane.startMs;
    d.nominal = lane.nominal;
    std::string report = PatternReport(d);
    if (!lane.stopReason.empty())
        report += "Ended: " + lane.stopReason + '\n';
    return report;
}

bool CTrafficMonitor::StartFileLog(const QString& path, QString* error)
{
    auto writer = std::make_unique<CLogFileWriter>();
    std::string why;
    if (!writer->Open(QFile::encodeName(path).toStdString(), &why)) {
        if (error)
            *error = QString::fromLocal8Bit(why.c_str());
        return false;
    }
    m_file = std::move(writer);
    return true;
}

void CTrafficMonitor::StopFileLog()
{
    m_file.reset();
}
