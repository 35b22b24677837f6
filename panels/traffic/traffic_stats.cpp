#include "panels/traffic/traffic_stats.h"

#include "panels/traffic/traffic_log.h"

#include <algorithm>
#include <cstdio>

void CRateMeter::Advance(std::int64_t bucket)
{
    if (m_bucket < 0) {
        m_bucket = m_firstBucket = bucket;
        return;
    }
    // Buckets that passed without bytes are emptied, at most the whole ring.
    for (std::int64_t b = m_bucket + 1; b <= bucket && b <= m_bucket + kBuckets; ++b)
        m_bytes[static_cast<std::size_t>(b % kBuckets)] = 0;
    m_bucket = std::max(m_bucket, bucket);
}

void CRateMeter::Add(std::int64_t nowMs, std::uint64_t bytes)
{
    const std::int64_t bucket = std::max<std::int64_t>(nowMs, 0) / kBucketMs;
    Advance(bucket);
    if (bucket > m_bucket - kBuckets)
        m_bytes[static_cast<std::size_t>(bucket % kBuckets)] += bytes;
}

double CRateMeter::Rate(std::int64_t nowMs) const
{
    if (m_bucket < 0)
        return 0;
    const std::int64_t now = std::max<std::int64_t>(nowMs, 0);
    const std::int64_t bucket = now / kBucketMs;
    std::uint64_t total = 0;
    for (std::int64_t b = std::max(bucket - kBuckets + 1, m_firstBucket); b <= std::min(bucket, m_bucket);
         ++b) {
        if (b > m_bucket - kBuckets)
            total += m_bytes[static_cast<std::size_t>(b % kBuckets)];
    }
    const std::int64_t since = std::max(m_firstBucket * kBucketMs, now - kWindowMs);
    const std::int64_t span = std::max<std::int64_t>(now - since, kBucketMs);
    return static_cast<double>(total) * 1000.0 / static_cast<double>(span);
}

double NominalBytesPerSecond(int baud, int dataBits, const std::string& parity, const std::string& stopBits)
{
    if (baud <= 0 || dataBits <= 0)
        return 0;
    const double stop = stopBits == "1.5" ? 1.5 : stopBits == "2" ? 2.0 : 1.0;
    const double bits = 1 + dataBits + (parity == "None" || parity.empty() ? 0 : 1) + stop;
    return baud / bits;
}

std::string PatternReport(const PatternReportData& d)
{
    const double seconds = static_cast<double>(std::max<std::int64_t>(d.elapsedMs, 0)) / 1000.0;
    const auto perSecond
        = [&](std::uint64_t n) { return seconds > 0 ? static_cast<double>(n) / seconds : 0.0; };
    char text[512];
    std::string out = "Pattern test, channel " + std::to_string(d.channel) + '\n';
    out += "Settings: " + d.settings + '\n';
    out += "Pattern: "
        + (d.spec.kind == PatternSpec::Counting
                ? std::string("counting bytes 00-FF")
                : "text line \"" + EscapeBytes(d.spec.text) + "\" with a sequence number")
        + '\n';
    out += "Checks: "
        + (d.source == d.channel ? std::string("its own stream (loop)")
                                 : "the stream of channel " + std::to_string(d.source))
        + '\n';
    std::snprintf(text, sizeof text,
        "Duration: %.3f s\nSent: %llu bytes (%.1f bytes/s)\nReceived: %llu bytes (%.1f bytes/s)\n"
        "Nominal rate: %.1f bytes/s\nMatched: %llu\nWrong: %llu\nMissing: %s%llu\nRepeated: %llu\n",
        seconds, static_cast<unsigned long long>(d.sent), perSecond(d.sent),
        static_cast<unsigned long long>(d.counts.received), perSecond(d.counts.received), d.nominal,
        static_cast<unsigned long long>(d.counts.matched), static_cast<unsigned long long>(d.counts.wrong),
        d.missingAtLeast ? "\u2265 " : "", static_cast<unsigned long long>(d.counts.missing),
        static_cast<unsigned long long>(d.counts.repeated));
    out += text;
    if (!d.first.found)
        return out + "First mismatch: none\n";
    return out + "First mismatch: at byte " + std::to_string(d.first.offset) + ", expected "
        + HexBytes(d.first.expected) + ", received "
        + (d.first.received.empty() ? std::string("nothing") : HexBytes(d.first.received)) + '\n';
}
