// The pattern checker: exact counts after any one burst lost, sent again or garbled, however reads split it.
#include "panels/traffic/pattern.h"
#include "panels/traffic/traffic_stats.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

using testing::FieldsAre;

namespace {

// At offset `at` of the stream sent: 'd' drop n, 'c' corrupt n, 'r' send the n bytes before `at` again,
// 'x' n extra, '9' n bytes read as '9'.
using Edit = std::tuple<std::uint64_t, char, std::uint64_t>;

// The stream [from, to) as a faulty line would deliver it.
std::string Deliver(const PatternSpec& p, std::uint64_t from, std::uint64_t to, const std::vector<Edit>& ed)
{
    std::string out;
    for (const auto& [at, op, n] : ed) {
        std::string burst = PatternBytes(p, op == 'r' ? at - n : at, op == 'd' ? 0 : n);
        for (char& c : burst)
            c = op == 'c' ? static_cast<char>(c ^ 0x5A) : op == 'x' ? '\xA5' : op == '9' ? '9' : c;
        out += PatternBytes(p, from, at - from) + burst;
        from = op == 'r' || op == 'x' ? at : at + n;
    }
    return out + PatternBytes(p, from, to - from);
}

struct Row {
    std::string name;
    PatternSpec spec;
    std::uint64_t from, to; // the stream sent
    std::vector<Edit> edits;
    std::uint64_t matched, wrong, missing, repeated;
    std::optional<std::uint64_t> liveMissing = std::nullopt; // all in and told all was sent, or ended early
};

void Check(const Row& r)
{
    const std::string got = Deliver(r.spec, r.from, r.to, r.edits);
    // The first byte that differs from the stream sent, or that never came.
    const std::string sent = PatternBytes(r.spec, r.from, got.size());
    const std::size_t k = std::mismatch(got.begin(), got.end(), sent.begin()).first - got.begin();
    const bool seen = k < got.size() || r.from + k < r.to;
    // Read whole, then in uneven reads and told the far end's count before it ends.
    for (bool told : { false, true }) {
        SCOPED_TRACE(r.name + (told ? ", told, in reads" : ", whole"));
        CPatternChecker c(r.spec, r.from);
        c.Feed(nullptr, 3);
        for (std::size_t at = 0, i = 0, n = 0; at < got.size(); at += n, ++i) {
            n = told ? std::min<std::size_t>(got.size() - at, 1 + i * 37 % 300) : got.size();
            c.Feed(got.data() + at, n);
        }
        EXPECT_EQ(c.Counts().received, got.size());
        // Told while running, then ended early with nothing held.
        for (int i = 0; told && r.liveMissing && i < 2; ++i, c.Finish(0)) {
            c.SetSent(r.to - r.from);
            EXPECT_THAT(c.Counts(), FieldsAre(got.size(), r.matched, r.wrong, *r.liveMissing, r.repeated));
            EXPECT_EQ(c.MissingAtLeast(), *r.liveMissing > 0 && *r.liveMissing < r.missing);
        }
        const PatternReportData d { 1, 1, "", {}, 0, c.Counts(), {}, 0, 0, c.MissingAtLeast(), {} };
        const std::string missing = (d.missingAtLeast ? "\u2265 " : "") + std::to_string(d.counts.missing);
        EXPECT_NE(PatternReport(d).find("\nMissing: " + missing + '\n'), std::string::npos) << missing;
        c.Finish(r.to - r.from);
        EXPECT_THAT(c.Counts(), FieldsAre(got.size(), r.matched, r.wrong, r.missing, r.repeated));
        EXPECT_THAT(c.First(),
            FieldsAre(seen, seen ? r.from + k : 0, seen ? PatternBytes(r.spec, r.from + k, 8) : "",
                got.substr(k, 8)));
        EXPECT_EQ(std::make_tuple(c.MissingAtLeast(), c.Position()), std::make_tuple(false, r.to));
    }
}

} // namespace

TEST(PatternChecker, CountsAnyOneBurstExactly)
{
    const PatternSpec text { PatternSpec::TextLine }, ab { PatternSpec::TextLine, "ab" },
        bare { PatternSpec::TextLine, "" };
    const std::uint64_t wrap = 52 * 1000000, round = 9 * 1000000; // text's line 000000, bare lines' round
    // Across the counting round's wrap and the text's, each burst lost, sent again (once as many were
    // sent) and garbled. A counting stream's loss of whole rounds more is a bound till the end.
    const std::tuple<PatternSpec, std::uint64_t, std::vector<std::uint64_t>> streams[]
        = { { {}, 0, { 0, 250, 256, 2000, 6000 } },
              { text, wrap - 120 * 52, { wrap - 5, wrap, wrap + 2000 } } };
    for (const auto& [spec, from, offsets] : streams)
        for (std::uint64_t n : { 1, 255, 256, 257, 500, 5000 })
            for (std::uint64_t at : offsets)
                for (char op : { 'd', 'r', 'c' }) {
                    const auto lost = n * (op == 'd'), again = n * (op == 'r'), wrong = n * (op == 'c');
                    const std::uint64_t to = offsets.back() + 6000;
                    if (again <= at - from)
                        Check({ op + std::to_string(n) + " at " + std::to_string(at), spec, from, to,
                            { { at, op, n } }, to - from - lost - wrong, wrong, lost, again,
                            spec.kind == PatternSpec::Counting ? lost % 256 : lost });
                }
    const Row rows[] = {
        { "clean", {}, 0, 5000, {}, 5000, 0, 0, 0, 0 },
        { "nothing came", {}, 0, 3000, { { 0, 'd', 3000 } }, 0, 0, 3000, 0, 0 },
        { "each fault", {}, 0, 5000, { { 77, 'x', 1 }, { 300, 'd', 3 }, { 900, 'r', 5 } }, 4997, 1, 3, 5, 3 },
        { "tail lost", {}, 0, 3000, { { 2985, 'c', 2 }, { 2990, 'd', 10 } }, 2988, 2, 10, 0 },
        { "line end garbled", ab, 0, 3000, { { 700, 'd', 300 }, { 1010, 'c', 1 } }, 2699, 1, 300, 0, 300 },
        { "lines again from the first", ab, 0, 3000, { { 1500, 'r', 1500 } }, 3000, 0, 0, 1500, 0 },
        { "number garbled", ab, 0, 2200, { { 1099, 'c', 1 }, { 1103, '9', 6 } }, 2193, 7, 0, 0, 0 },
        { "lost round - 90", bare, 0, round + 1810, { { 900, 'd', round - 90 } }, 1900, 0, round - 90, 0 },
        { "lost 400k", bare, 0, 9001800, { { 5400900, 'd', 3600000 } }, 5401800, 0, 3600000, 0, 3600000 },
    };
    for (const Row& row : rows)
        Check(row);
}
