#pragma once
// The Traffic window's event log: every byte a channel sent or received and
// every driver error or warning, with its time, in one bounded list for all
// four channels. Plain C++ so that its bounds and texts are tested without a
// display.
#include <cstdint>
#include <deque>
#include <string>

enum class TrafficKind { Sent, Received, Error, Warning };

struct TrafficEvent {
    std::int64_t timeOfDayMs = 0; // local wall-clock time, ms since midnight
    std::int64_t sinceStartMs = 0; // ms since the test (or the window) started
    int channel = 0; // 1 to 4
    TrafficKind kind = TrafficKind::Sent;
    std::string data; // the bytes, or the driver's text for an error or warning
    std::int32_t status = 0;
};

// "\r", "\n", "\t", "\\" and "\xNN" for every other byte outside printable
// ASCII, so a line of the log is always one line of plain text.
std::string EscapeBytes(const std::string& bytes);
// "48 69 0D 0A": two upper-case hex digits per byte, one blank between.
std::string HexBytes(const std::string& bytes);
// "hh:mm:ss.mmm" of a time of day (wraps at midnight; negative counts as 0).
std::string TimeOfDayText(std::int64_t msSinceMidnight);
// "+12.345": seconds since Start with milliseconds.
std::string SinceStartText(std::int64_t ms);
// One line of the log, without a line end:
// "12:34:56.789 +1.250 Ch2 sent 'hi\r\n'" or, for a driver status,
// "... Ch2 warning 1073479685 /dev/pts/3: the device kept ...".
std::string FormatEvent(const TrafficEvent& event, bool hex);

// The newest `capacity` events, oldest first. Each event keeps its number in
// the order of arrival, so a view can tell which ones are new and which fell
// off the front. Events also count against a byte budget, so a few huge
// reads cannot hold more memory than many small ones.
class CTrafficLog {
public:
    static constexpr std::size_t kDefaultCapacity = 100000;
    static constexpr std::size_t kDefaultByteBudget = 32u << 20;

    explicit CTrafficLog(
        std::size_t capacity = kDefaultCapacity, std::size_t byteBudget = kDefaultByteBudget);

    void Add(TrafficEvent event);
    void Clear(); // forgets the events; the numbering and the dropped count go on
    // Gives event `number` its text, when it is still held; false otherwise.
    bool SetData(std::uint64_t number, std::string data);

    std::size_t Size() const { return m_events.size(); }
    const TrafficEvent& At(std::size_t index) const { return m_events[index]; }
    // Number of the oldest event held; numbers run on from there.
    std::uint64_t FirstNumber() const { return m_nextNumber - m_events.size(); }
    std::uint64_t NextNumber() const { return m_nextNumber; }
    // Events pushed off the front by the bounds since the log was made.
    std::uint64_t Dropped() const { return m_dropped; }
    std::size_t HeldBytes() const { return m_bytes; }

private:
    std::deque<TrafficEvent> m_events;
    std::size_t m_capacity;
    std::size_t m_byteBudget;
    std::size_t m_bytes = 0;
    std::uint64_t m_nextNumber = 0;
    std::uint64_t m_dropped = 0;
};
