#include "panels/traffic/traffic_stats.h"

#include "panels/traffic/traffic_log.h"

#include <algorithm>
#include <climits>
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

LineErrorCounts& LineErrorCounts::operator+=(const LineErrorCounts& o)
{
    parity += o.parity, framing += o.framing, overruns += o.overruns, breaks += o.breaks;
    return *this;
}

bool LineErrorCounts::operator==(const LineErrorCounts& o) const
{
    return parity == o.parity && framing == o.framing && overruns == o.overruns && breaks == o.breaks;
}

namespace {

// The decimal number at `at`, moving past it; nothing for no digits or one too large to be a count.
std::optional<std::uint64_t> Number(const std::string& text, std::size_t& at)
{
    const std::size_t from = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
        ++at;
    if (at == from || at - from > 18)
        return std::nullopt;
    return std::stoull(text.substr(from, at - from));
}

} // namespace

std::optional<LineErrorText> ParseLineErrorText(const std::string& text)
{
    // The figures follow the last ": "; a device's name may hold anything before it.
    const std::size_t colon = text.rfind(": ");
    if (colon == std::string::npos)
        return std::nullopt;
    LineErrorText out;
    std::uint64_t* const fields[] = { &out.counts.parity, &out.counts.framing, &out.counts.overruns, &out.counts.breaks };
    const std::string kinds[] = { " parity error", " framing error", " overrun", " break" };
    std::size_t at = colon + 2;
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && text.compare(at, 2, ", ") != 0)
            return std::nullopt;
        at += i > 0 ? 2 : 0;
        const std::optional<std::uint64_t> n = Number(text, at);
        if (!n || text.compare(at, kinds[i].size(), kinds[i]) != 0)
            return std::nullopt;
        *fields[i] = *n;
        at += kinds[i].size();
        at += at < text.size() && text[at] == 's';
    }
    if (at != text.size())
        return std::nullopt;
    if (std::size_t end = 8; text.compare(0, end, "channel ") == 0) {
        const std::uint64_t channel = Number(text, end).value_or(0);
        if (end == colon)
            out.channel = static_cast<int>(std::min<std::uint64_t>(channel, INT_MAX));
    }
    return out;
}

std::string LineErrorsBrief(const LineErrorCounts& c)
{
    return "P " + std::to_string(c.parity) + " \u00B7 F " + std::to_string(c.framing) + " \u00B7 O "
        + std::to_string(c.overruns) + " \u00B7 B " + std::to_string(c.breaks);
}

std::string PatternReport(const PatternReportData& d)
{
    const double seconds = static_cast<double>(std::max<std::int64_t>(d.elapsedMs, 0)) / 1000.0;
    const auto perSecond
        = [&](std::uint64_t n) { return seconds > 0 ? static_cast<double>(n) / seconds : 0.0; };
    char text[512];
    const std::string from = std::to_string(d.from), to = std::to_string(d.to);
    std::string out = "Pattern test, channel " + from + " \u2192 " + to + '\n';
    out += "Settings: " + d.settings + '\n';
    out += "Pattern: "
        + (d.spec.kind == PatternSpec::Counting
                ? std::string("counting bytes 00-FF")
                : "text line \"" + EscapeBytes(d.spec.text) + "\" with a sequence number")
        + '\n';
    out += "Checks: "
        + (d.to == d.from ? "the stream channel " + from + " sends, back on itself (loop)"
                          : "the stream from channel " + from + " to channel " + to + ", as channel " + to
                    + " receives it")
        + '\n';
    const double received = perSecond(d.counts.received);
    char share[64] = "";
    if (d.nominal > 0)
        std::snprintf(share, sizeof share, ", %.1f %% of nominal", 100.0 * received / d.nominal);
    std::snprintf(text, sizeof text,
        "Duration: %.3f s\nSent: %llu bytes (%.1f bytes/s)\nReceived: %llu bytes (%.1f bytes/s%s)\n"
        "Nominal rate: %.1f bytes/s\nMatched: %llu\nWrong: %llu\nMissing: %s%llu\nRepeated: %llu\n",
        seconds, static_cast<unsigned long long>(d.sent), perSecond(d.sent),
        static_cast<unsigned long long>(d.counts.received), received, share, d.nominal,
        static_cast<unsigned long long>(d.counts.matched), static_cast<unsigned long long>(d.counts.wrong),
        d.missingAtLeast ? "\u2265 " : "", static_cast<unsigned long long>(d.counts.missing),
        static_cast<unsigned long long>(d.counts.repeated));
    out += text;
    const LineErrorCounts& e = d.lineErrors;
    out += "Line errors on channel " + to + ": " + std::to_string(e.parity) + " parity, "
        + std::to_string(e.framing) + " framing, " + std::to_string(e.overruns) + " overruns, "
        + std::to_string(e.breaks) + " breaks\n";
    if (!d.first.found)
        return out + "First mismatch: none\n";
    return out + "First mismatch: at byte " + std::to_string(d.first.offset) + ", expected "
        + HexBytes(d.first.expected) + ", received "
        + (d.first.received.empty() ? std::string("nothing") : HexBytes(d.first.received)) + '\n';
}
