#include "panels/traffic/pattern.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kSequenceDigits = 6;
constexpr std::uint64_t kSequenceRound = 1000000;

// A text line: the text, a blank, six digits, CR, LF.
std::size_t LineLength(const PatternSpec& spec) { return spec.text.size() + 1 + kSequenceDigits + 2; }

} // namespace

unsigned char PatternByte(const PatternSpec& spec, std::uint64_t offset)
{
    if (spec.kind == PatternSpec::Counting)
        return static_cast<unsigned char>(offset & 0xFF);
    // text, blank, six digits, CR, LF
    const std::uint64_t textLength = spec.text.size();
    const std::uint64_t lineLength = LineLength(spec);
    const std::uint64_t line = offset / lineLength;
    const std::uint64_t at = offset % lineLength;
    if (at < textLength)
        return static_cast<unsigned char>(spec.text[at]);
    if (at == textLength)
        return ' ';
    if (at < textLength + 1 + kSequenceDigits) {
        std::uint64_t value = line % kSequenceRound;
        for (std::uint64_t d = at - textLength; d < kSequenceDigits; ++d)
            value /= 10;
        return static_cast<unsigned char>('0' + value % 10);
    }
    return at == lineLength - 2 ? '\r' : '\n';
}

std::string PatternBytes(const PatternSpec& spec, std::uint64_t offset, std::size_t count)
{
    std::string out(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<char>(PatternByte(spec, offset + i));
    return out;
}

std::string CPatternGenerator::Take(std::size_t count)
{
    std::string out = Next(count);
    Advance(count);
    return out;
}

void CPatternChecker::Feed(const char* bytes, std::size_t count)
{
    if (!bytes || count == 0)
        return;
    m_counts.received += count;
    m_pending.append(bytes, count);
    Resolve(false);
}

void CPatternChecker::Finish(std::uint64_t sentByFarEnd)
{
    Resolve(true);
    if (sentByFarEnd > m_position) {
        if (!m_first.found)
            m_first = { true, m_position, PatternBytes(m_spec, m_position, kShown), std::string() };
        m_counts.missing += sentByFarEnd - m_position;
        m_position = sentByFarEnd;
    }
}

std::size_t CPatternChecker::ConfirmLength() const
{
    if (m_spec.kind == PatternSpec::Counting)
        return kConfirm;
    return LineLength(m_spec) + kConfirm;
}

int CPatternChecker::PlaceByLine(std::int64_t* shift) const
{
    const std::string& text = m_spec.text;
    const std::size_t length = LineLength(m_spec);
    const std::size_t held = m_pending.size() - m_start;
    // A whole line starts within a line's length of the first byte held.
    for (std::size_t j = 0; j < length; ++j) {
        if (held < j + length)
            return -1;
        const char* line = m_pending.data() + m_start + j;
        const char* digits = line + text.size() + 1;
        // The text, the blank and six digits place a line; a garbled line end
        // is judged afterwards as the wrong byte it is.
        if (text.compare(0, text.size(), line, text.size()) != 0 || line[text.size()] != ' '
            || !std::all_of(digits, digits + kSequenceDigits, [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        std::uint64_t number = 0;
        for (std::uint64_t d = 0; d < kSequenceDigits; ++d)
            number = number * 10 + static_cast<std::uint64_t>(digits[d] - '0');
        // The nearest line with that number, ahead (a loss) or behind (a repeat).
        const std::uint64_t here = m_position / length;
        const std::uint64_t ahead = (number + kSequenceRound - here % kSequenceRound) % kSequenceRound;
        const std::uint64_t behind = kSequenceRound - ahead;
        if (ahead > kSequenceRound / 2 && behind > here)
            return 0; // before the stream began
        const std::uint64_t at = (ahead <= kSequenceRound / 2 ? here + ahead : here - behind) * length;
        if (at < j)
            return 0;
        *shift = static_cast<std::int64_t>(at - j) - static_cast<std::int64_t>(m_position);
        return *shift != 0 ? 1 : 0;
    }
    return 0;
}

int CPatternChecker::Agrees(std::size_t from, std::uint64_t offset, std::size_t need) const
{
    const std::size_t held = m_pending.size() > from ? m_pending.size() - from : 0;
    const std::size_t n = std::min(held, need);
    for (std::size_t i = 0; i < n; ++i) {
        if (static_cast<unsigned char>(m_pending[from + i]) != PatternByte(m_spec, offset + i))
            return 0;
    }
    return n == need ? 1 : -1;
}

void CPatternChecker::Resolve(bool finishing)
{
    while (m_start < m_pending.size()) {
        if (static_cast<unsigned char>(m_pending[m_start]) == PatternByte(m_spec, m_position)) {
            if (m_repeatBudget > 0) {
                --m_repeatBudget;
                ++m_counts.repeated;
            } else {
                ++m_counts.matched;
            }
            ++m_position, ++m_start;
            continue;
        }
        // A fault. The cheapest explanation that the bytes after it agree
        // with wins: c bytes garbled, c lost, c sent again, c thrown in. A
        // cheaper one that cannot be judged yet makes it wait for more bytes.
        enum { None, Garbled, Lost, Again, Extra } how = None;
        std::uint64_t cost = 0;
        bool wait = false;
        const std::size_t confirm = ConfirmLength();
        for (std::uint64_t c = 1; c <= kMaxGap && how == None && !wait; ++c) {
            const bool small = c <= kMaxWrongRun;
            const int garbled = small ? Agrees(m_start + c, m_position + c, confirm) : 0;
            const int lost = Agrees(m_start, m_position + c, confirm);
            const int again = m_position >= c ? Agrees(m_start, m_position - c, c + confirm) : 0;
            const int extra = small ? Agrees(m_start + c, m_position, confirm) : 0;
            for (const auto& [verdict, kind] :
                { std::pair { garbled, Garbled }, { lost, Lost }, { again, Again }, { extra, Extra } }) {
                if (verdict == 1 || (verdict == -1 && finishing)) {
                    how = kind, cost = c;
                    break;
                }
                if (verdict == -1) {
                    wait = true;
                    break;
                }
            }
        }
        if (wait)
            break;
        // Wider than the search: a text line's sequence number tells where
        // the bytes held stand in the stream.
        if (how == None && m_spec.kind == PatternSpec::TextLine) {
            std::int64_t shift = 0;
            const int placed = PlaceByLine(&shift);
            if (placed < 0 && !finishing)
                break;
            if (placed > 0)
                how = shift > 0 ? Lost : Again, cost = static_cast<std::uint64_t>(shift > 0 ? shift : -shift);
        }
        if (!m_first.found) {
            m_first = { true, m_position, PatternBytes(m_spec, m_position, kShown),
                m_pending.substr(m_start, kShown) };
        }
        switch (how) {
        case Garbled:
            m_counts.wrong += cost, m_position += cost, m_start += cost;
            break;
        case Lost:
            m_counts.missing += cost, m_position += cost;
            break;
        case Again:
            m_position -= cost, m_repeatBudget += cost;
            break;
        case Extra:
            m_counts.wrong += cost, m_start += cost;
            break;
        case None:
            ++m_counts.wrong, ++m_position, ++m_start;
            break;
        }
    }
    m_start = std::min(m_start, m_pending.size());
    m_pending.erase(0, m_start);
    m_start = 0;
}
