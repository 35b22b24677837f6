#include "panels/traffic/traffic_log.h"

#include <algorithm>
#include <cstdio>

std::string EscapeBytes(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (b) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (b >= 0x20 && b < 0x7F) {
                out += c;
            } else {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", b);
                out += hex;
            }
        }
    }
    return out;
}

std::string HexBytes(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty())
            out += ' ';
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

std::string TimeOfDayText(std::int64_t ms)
{
    constexpr std::int64_t kDay = 24 * 3600 * 1000;
    ms = std::max<std::int64_t>(ms, 0) % kDay;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", static_cast<int>(ms / 3600000),
        static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    return text;
}

std::string SinceStartText(std::int64_t ms)
{
    const char* sign = ms < 0 ? "-" : "+";
    const std::int64_t a = ms < 0 ? -ms : ms;
    char text[32];
    std::snprintf(
        text, sizeof text, "%s%lld.%03d", sign, static_cast<long long>(a / 1000), static_cast<int>(a % 1000));
    return text;
}

std::string FormatEvent(const TrafficEvent& e, bool hex)
{
    std::string line = TimeOfDayText(e.timeOfDayMs) + ' ' + SinceStartText(e.sinceStartMs) + " Ch"
        + std::to_string(e.channel) + ' ';
    switch (e.kind) {
    case TrafficKind::Sent:
        line += "sent ";
        break;
    case TrafficKind::Received:
        line += "recv ";
        break;
    case TrafficKind::Error:
        return line + "error " + std::to_string(e.status) + ' ' + EscapeBytes(e.data);
    case TrafficKind::Warning:
        return line + "warning " + std::to_string(e.status) + ' ' + EscapeBytes(e.data);
    }
    line += std::to_string(e.data.size()) + ' ';
    return line + (hex ? HexBytes(e.data) : '\'' + EscapeBytes(e.data) + '\'');
}

CTrafficLog::CTrafficLog(std::size_t capacity, std::size_t byteBudget)
    : m_capacity(std::max<std::size_t>(capacity, 1))
    , m_byteBudget(byteBudget)
{
}

void CTrafficLog::Add(TrafficEvent event)
{
    m_bytes += event.data.size();
    m_events.push_back(std::move(event));
    ++m_nextNumber;
    // The newest event always stays, however large it is.
    while (m_events.size() > 1 && (m_events.size() > m_capacity || m_bytes > m_byteBudget)) {
        m_bytes -= m_events.front().data.size();
        m_events.pop_front();
        ++m_dropped;
    }
}

bool CTrafficLog::SetData(std::uint64_t number, std::string data)
{
    if (number < FirstNumber() || number >= m_nextNumber)
        return false;
    std::string& held = m_events[static_cast<std::size_t>(number - FirstNumber())].data;
    m_bytes += data.size() - held.size();
    held = std::move(data);
    return true;
}

void CTrafficLog::Clear()
{
    m_events.clear();
    m_bytes = 0;
}
