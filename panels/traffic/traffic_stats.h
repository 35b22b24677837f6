#pragma once
// Counters of one channel since the test started, its rates over the last
// seconds, the nominal rate of its line settings, and the pattern test's
// report as plain text.
#include "panels/traffic/pattern.h"

#include <array>
#include <cstdint>
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

struct ChannelCounters {
    std::uint64_t sent = 0, received = 0, errors = 0, warnings = 0;
    CRateMeter in, out;
};

// Bytes per second a line of these settings carries at most: the baud rate
// over start bit, data bits, parity bit (none for "None") and stop bits.
// 0 for settings without a baud rate.
double NominalBytesPerSecond(int baud, int dataBits, const std::string& parity, const std::string& stopBits);

struct PatternReportData {
    int channel = 0;
    int source = 0; // the channel whose stream this one checks
    std::string settings;
    PatternSpec spec;
    std::uint64_t sent = 0; // by this channel's generator
    CheckCounts counts;
    FirstMismatch first;
    std::int64_t elapsedMs = 0;
    double nominal = 0;
    bool missingAtLeast = false; // a loss may yet prove whole rounds longer
};

// "12.3 s" and bytes per second each way from the counts and the time.
std::string PatternReport(const PatternReportData& d);
