#pragma once
// Counters of one channel since the test started, its rates over the last
// seconds, the nominal rate of its line settings, and the pattern test's
// report as plain text.
#include "panels/traffic/pattern.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// Bytes per second over the last `kWindowMs`, from buckets of `kBucketMs`.
class CRateMeter {
public:
    static constexpr std::int64_t kBucketMs = 250;
    static constexpr int kBuckets = 8;
    static constexpr std::int64_t kWindowMs = kBucketMs * kBuckets;

    void Add(std::int64_t nowMs, std::uint64_t bytes);
    // Over the whole window once it has run that long, else over the time since
    // the first byte's bucket began.
    double Rate(std::int64_t nowMs) const;
    void Reset() { *this = CRateMeter(); }

private:
    void Advance(std::int64_t bucket);

    std::array<std::uint64_t, kBuckets> m_bytes {};
    std::int64_t m_bucket = -1; // number of the newest bucket
    std::int64_t m_firstBucket = -1;
};

// What the line errors a channel's reads met were, by kind.
struct LineErrorCounts {
    std::uint64_t parity = 0, framing = 0, overruns = 0, breaks = 0;
    LineErrorCounts& operator+=(const LineErrorCounts& o);
    bool Any() const { return parity || framing || overruns || breaks; }
    bool operator==(const LineErrorCounts& o) const;
};

// A line error's text, "channel 2: 1 parity error, 0 framing errors,
// 0 overruns, 0 breaks" (or a device's name in place of the channel): its
// figures and the channel it names, 0 for a device. Nothing for a text of
// another shape.
struct LineErrorText {
    LineErrorCounts counts;
    int channel = 0;
};
std::optional<LineErrorText> ParseLineErrorText(const std::string& text);
// "P 1 · F 0 · O 2 · B 0", short enough for a table cell.
std::string LineErrorsBrief(const LineErrorCounts& c);

struct ChannelCounters {
    std::uint64_t sent = 0, received = 0, errors = 0, warnings = 0;
    LineErrorCounts line; // what the failed reads among the errors met
    CRateMeter in, out;
};

// Bytes per second a line of these settings carries at most: the baud rate
// over start bit, data bits, parity bit (none for "None") and stop bits.
// 0 for settings without a baud rate.
double NominalBytesPerSecond(int baud, int dataBits, const std::string& parity, const std::string& stopBits);

struct PatternReportData {
    int from = 0; // the channel that sends the stream
    int to = 0; // the channel that receives and checks it: `from` itself in a loop
    std::string settings;
    PatternSpec spec;
    std::uint64_t sent = 0; // by the generator of `from`
    CheckCounts counts;
    FirstMismatch first;
    std::int64_t elapsedMs = 0;
    double nominal = 0;
    bool missingAtLeast = false; // a loss may yet prove whole rounds longer
    LineErrorCounts lineErrors; // met by the reads on `to` during the pattern
};

// "12.3 s" and bytes per second each way from the counts and the time.
std::string PatternReport(const PatternReportData& d);
