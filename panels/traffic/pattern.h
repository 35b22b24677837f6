#pragma once
// The pattern test's two ends: a generator that sends a known byte stream and
// a checker that compares what comes back with it, counting matched, wrong,
// missing and repeated bytes and finding its place again after a fault.
#include <cstdint>
#include <set>
#include <string>

// The stream is a function of the byte's offset from the start, so the
// checker can look any distance ahead of or behind where it stands.
struct PatternSpec {
    enum Kind { Counting, TextLine } kind = Counting;
    // TextLine: every line is this text, a blank, a six-digit sequence number
    // (000000 to 999999, then round again) and "\r\n".
    std::string text = "The quick brown fox jumps over the lazy dog";
};

unsigned char PatternByte(const PatternSpec& spec, std::uint64_t offset);
// The stream's bytes [offset, offset + count) as a string.
std::string PatternBytes(const PatternSpec& spec, std::uint64_t offset, std::size_t count);

class CPatternGenerator {
public:
    explicit CPatternGenerator(PatternSpec spec = {})
        : m_spec(std::move(spec))
    {
    }
    // The next `count` bytes of the stream, and moving past them.
    std::string Take(std::size_t count);
    std::string Next(std::size_t count) const { return PatternBytes(m_spec, m_offset, count); }
    void Advance(std::size_t count) { m_offset += count; }
    std::uint64_t Sent() const { return m_offset; }
    const PatternSpec& Spec() const { return m_spec; }

private:
    PatternSpec m_spec;
    std::uint64_t m_offset = 0;
};

struct CheckCounts {
    std::uint64_t received = 0; // every byte fed
    std::uint64_t matched = 0;
    std::uint64_t wrong = 0; // a byte in place of the expected one, or one too many
    std::uint64_t missing = 0; // expected bytes that never came
    std::uint64_t repeated = 0; // bytes of the stream that came a second time
};

struct FirstMismatch {
    bool found = false;
    std::uint64_t offset = 0; // in the stream sent
    std::string expected; // up to kShown bytes from there
    std::string received; // up to kShown bytes as they came
};

class CPatternChecker {
public:
    // A resynchronisation looks this far ahead (drops) and behind (repeats).
    static constexpr int kMaxGap = 256;
    // Bytes that must agree after a fault before a way of explaining it is taken.
    static constexpr int kConfirm = 8;
    static constexpr int kMaxWrongRun = 4;
    static constexpr std::size_t kShown = 8;

    // Checking may begin anywhere in the stream: a check of the sequence
    // number's wrap starts a few lines before it rather than 50 MB before.
    explicit CPatternChecker(PatternSpec spec = {}, std::uint64_t start = 0)
        : m_spec(std::move(spec))
        , m_origin(start)
        , m_position(start)
        , m_shown(start)
    {
    }

    void Feed(const char* bytes, std::size_t count);
    // How many bytes the far end has handed to its driver so far. Nothing
    // received can stand past them: that bounds how long a loss can be, and
    // tells a shift taken for a loss that was bytes sent again.
    void SetSent(std::uint64_t sentByFarEnd);
    // The test is over: bytes still held are judged on what there is, and
    // what the far end sent beyond what arrived is missing. With everything
    // it sent in, the counts are exact after any one fault. 0 when the test
    // ended early with bytes still on the way: nothing more is missing.
    void Finish(std::uint64_t sentByFarEnd);

    const CheckCounts& Counts() const { return m_counts; }
    // Whether a loss seen may be whole rounds of the stream (256 bytes
    // counting, a million lines of text) longer than Counts() says.
    bool MissingAtLeast() const;
    const FirstMismatch& First() const { return m_first; }
    // Offset in the stream of the next byte expected.
    std::uint64_t Position() const { return m_shown; }
    // Received bytes held back until a fault can be explained.
    std::size_t Pending() const { return m_pending.size() - m_start; }

private:
    void Resolve(bool finishing);
    // Bytes that must agree after a fault: a text line's sequence number
    // must be among them, or a lost line would pass for a garbled digit.
    std::size_t ConfirmLength() const;
    // Whether the held bytes from `from` agree with the stream from `offset`:
    // 1 when `need` of them agree, 0 when one differs, -1 when they agree
    // but fewer than `need` are held.
    int Agrees(std::size_t from, std::uint64_t offset, std::size_t need) const;
    // For a text line: 1 when the first whole line held (far off, with the
    // next line's number agreeing too) puts the held bytes `shift` bytes
    // ahead of (a loss) or behind (a repeat) where the checker stands, 0
    // when it does not, -1 when no such line can be seen yet.
    int PlaceByLine(bool finishing, std::int64_t* shift) const;
    // The counts shown: those taken while checking, turned by the whole
    // rounds the far end's count shows the shifts taken were off.
    void Publish();

    PatternSpec m_spec;
    // The stream repeats every round, so a shift is only ever seen modulo it:
    // the counts and position taken are one explanation of what was seen,
    // each shift kept (> 0 lost, < 0 sent again) to be turned by a round if
    // the far end's count says so.
    CheckCounts m_taken;
    std::multiset<std::int64_t> m_shifts;
    CheckCounts m_counts;
    FirstMismatch m_first;
    std::uint64_t m_origin = 0;
    std::uint64_t m_position = 0;
    std::uint64_t m_shown = 0;
    std::uint64_t m_end = ~std::uint64_t { 0 }; // of what the far end sent, as far as told
    bool m_final = false; // all it sent has come
    std::uint64_t m_repeatBudget = 0; // stream bytes to be counted as repeated
    std::string m_pending;
    std::size_t m_start = 0; // first held byte not yet judged
};
