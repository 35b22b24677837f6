#include "panels/traffic/pattern_line.h"

#include "instrument/instrument_driver.h"
#include "panels/traffic/traffic_recorder.h"

#include <algorithm>

void CPatternLine::NoteStatus() { m_recorder.Status(m_channel, m_driver.LastStatus()); }

std::string CPatternLine::Read()
{
    const std::int32_t waiting = m_driver.BytesAvailable(m_channel);
    NoteStatus();
    if (waiting <= 0)
        return std::string();
    std::string bytes(std::min<std::size_t>(static_cast<std::size_t>(waiting), kReadBuffer), '\0');
    std::uint32_t got = static_cast<std::uint32_t>(bytes.size());
    m_driver.ReadChannel(m_channel, bytes.data(), static_cast<int>(bytes.size()), &got);
    NoteStatus();
    bytes.resize(std::min<std::size_t>(got, bytes.size()));
    m_recorder.Received(m_channel, bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

bool CPatternLine::CanWrite()
{
    const bool can = m_driver.CanWrite(m_channel);
    NoteStatus();
    return can;
}

std::size_t CPatternLine::Write(const std::string& bytes)
{
    std::uint32_t written = 0;
    m_driver.WriteChannel(m_channel, bytes.data(), static_cast<int>(bytes.size()), &written);
    NoteStatus();
    const std::size_t taken = std::min<std::size_t>(written, bytes.size());
    m_recorder.Sent(m_channel, bytes.data(), static_cast<int>(taken));
    return taken;
}

std::string CPatternLine::LastError()
{
    QString text;
    m_driver.ErrorMessage(m_driver.LastStatus(), text);
    return text.toStdString();
}
