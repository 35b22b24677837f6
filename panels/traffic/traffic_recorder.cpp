#include "panels/traffic/traffic_recorder.h"

#include "instrument/driver_api.h"
#include "instrument/instrument_driver.h"

#include <QTime>

#include <map>

CTrafficRecorder::CTrafficRecorder(std::function<void(const std::string&)> fileFailed)
    : m_fileFailed(std::move(fileFailed))
{
    m_clock.start();
    Restart(TestRun());
}

void CTrafficRecorder::Restart(const TestRun& run)
{
    if (run.clock.isValid())
        m_clock = run.clock;
    for (int ch = 1; ch <= kChannels; ++ch) {
        m_counters[Index(ch)] = ChannelCounters();
        // Before the first start the line runs at the settings a start would take.
        const ChannelSettings s = run.start ? run.settings[Index(ch)] : DefaultChannelSettings();
        m_nominal[Index(ch)] = NominalBytesPerSecond(
            LookupBaudRate(s.baudRate), s.dataBits.toInt(), s.parity.toStdString(), s.stopBits.toStdString());
        m_settings[Index(ch)] = QStringLiteral("%1 %2 %3 %4 %5 %6")
                                    .arg(s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl, s.mode)
                                    .toStdString();
    }
}

void CTrafficRecorder::Sent(int channel, const char* bytes, int count)
{
    if (Valid(channel) && bytes && count > 0)
        Add(channel, TrafficKind::Sent, std::string(bytes, static_cast<std::size_t>(count)));
}

void CTrafficRecorder::Received(int channel, const char* bytes, int count)
{
    if (Valid(channel) && bytes && count > 0)
        Add(channel, TrafficKind::Received, std::string(bytes, static_cast<std::size_t>(count)));
}

void CTrafficRecorder::Status(int channel, ViStatus status)
{
    if (Valid(channel) && status != VI_SUCCESS)
        Add(channel, status < 0 ? TrafficKind::Error : TrafficKind::Warning, std::string(), status, true);
}

LineErrorCounts CTrafficRecorder::Status(int channel, ViStatus status, const std::string& text)
{
    if (!Valid(channel) || status == VI_SUCCESS)
        return {};
    Add(channel, status < 0 ? TrafficKind::Error : TrafficKind::Warning, text, status);
    return CountLineErrors(channel, status, text);
}

LineErrorCounts CTrafficRecorder::CountLineErrors(int channel, ViStatus status, const std::string& text)
{
    const std::optional<LineErrorText> met = status == kDriverErrorLine ? ParseLineErrorText(text) : std::nullopt;
    if (!met || (met->channel != 0 && met->channel != channel))
        return {};
    m_counters[Index(channel)].line += met->counts;
    return met->counts;
}

void CTrafficRecorder::Add(int channel, TrafficKind kind, std::string data, ViStatus status, bool waiting)
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
    const Held held { m_log.NextNumber(), waiting,
        TrafficEvent { QTime::currentTime().msecsSinceStartOfDay(), now, channel, kind, std::move(data), status } };
    if (held.waiting)
        m_unresolved.push_back(held);
    if (m_file) {
        m_fileHeld.push_back(held);
        FlushFile();
    }
    m_log.Add(held.event);
}

void CTrafficRecorder::ResolveTexts(CInstrumentDriver* driver)
{
    CheckFile(); // a file that could not be made says so with no event to carry it
    std::map<std::pair<int, ViStatus>, std::string> texts; // once per status and channel
    std::map<std::uint64_t, const std::string*> byNumber;
    for (const Held& h : m_unresolved) {
        auto [it, fresh] = texts.try_emplace({ h.event.channel, h.event.status });
        if (fresh && driver) {
            QString text;
            driver->ErrorMessage(h.event.status, text);
            it->second = driver->LastStatus() < VI_SUCCESS ? "(the driver gave no text for it)" : text.toStdString();
            // Once per text: a second error of its kind since shares the text of the last one.
            CountLineErrors(h.event.channel, h.event.status, it->second);
        }
        m_log.SetData(h.number, it->second);
        byNumber[h.number] = &it->second;
    }
    m_unresolved.clear();
    for (Held& h : m_fileHeld) {
        if (const auto it = byNumber.find(h.number); h.waiting && it != byNumber.end())
            h.event.data = *it->second, h.waiting = false;
    }
    FlushFile();
}

void CTrafficRecorder::FlushFile()
{
    while (m_file && !m_fileHeld.empty() && !m_fileHeld.front().waiting) {
        m_file->Append(FormatEvent(m_fileHeld.front().event, false));
        m_fileHeld.pop_front();
        CheckFile();
    }
}

void CTrafficRecorder::CheckFile()
{
    if (const std::string error = m_file ? m_file->Error() : std::string(); !error.empty()) {
        // What the writer dropped or refused, and what was still held for it.
        const std::uint64_t lost = m_file->Lost() + m_fileHeld.size();
        DropFile();
        if (m_fileFailed)
            m_fileFailed(error + "; " + std::to_string(lost) + " events did not reach the file");
    }
}

bool CTrafficRecorder::StartFileLog(const std::string& path, std::string* error)
{
    auto writer = std::make_unique<CLogFileWriter>();
    if (!writer->Open(path, error))
        return false;
    m_file = std::move(writer);
    return true;
}

void CTrafficRecorder::StopFileLog()
{
    if (!m_file)
        return;
    m_file->Close();
    m_stoppedHeld = m_fileHeld.size();
    m_stoppedFile = std::move(m_file);
    m_fileHeld.clear();
}

void CTrafficRecorder::DropFile()
{
    m_file.reset();
    m_fileHeld.clear();
}

std::string CTrafficRecorder::StoppedFileBacklog()
{
    std::string text;
    if (m_stoppedFile) {
        const std::uint64_t lost = m_stoppedFile->Queued() + m_stoppedFile->Lost() + m_stoppedHeld;
        if (lost > 0)
            text = m_stoppedFile->Path() + ": the disk is not taking the log; " + std::to_string(lost)
                + " events did not reach the file";
    }
    m_stoppedFile.reset();
    m_stoppedHeld = 0;
    return text;
}
