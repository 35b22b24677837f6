#include "panels/traffic/pattern.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kSequenceDigits = 6;
constexpr std::uint64_t kSequenceRound = 1000000;

// A text line: the text, a blank, six digits, CR, LF.
std::size_t LineLength(const PatternSpec& spec) { return spec.text.size() + 1 + kSequenceDigits + 2; }

// The stream starts again after a round: a shift by one is no shift at all.
std::uint64_t Round(const PatternSpec& spec)
{
    return spec.kind == PatternSpec::Counting ? 256 : LineLength(spec) * kSequenceRound;
}

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
    m_taken.received += count;
    m_pending.append(bytes, count);
    Resolve(false);
    Publish();
}

void CPatternChecker::SetSent(std::uint64_t sentByFarEnd)
{
    m_end = m_origin + sentByFarEnd;
    Publish();
}

void CPatternChecker::Finish(std::uint64_t sentByFarEnd)
{
    Resolve(true);
    if (sentByFarEnd > 0) {
        m_end = m_origin + sentByFarEnd, m_final = true;
        if (m_end > m_position && !m_first.found)
            m_first = { true, m_position, PatternBytes(m_spec, m_position, kShown), std::string() };
    }
    Publish();
}

void CPatternChecker::Publish()
{
    const std::uint64_t round = Round(m_spec);
    // Whole rounds the shifts taken fall short of the far end's count (> 0)
    // or run past it (< 0): with all it sent in, as many as leave less than
    // a round; while it runs, as few as bring the position back to its count.
    std::int64_t rounds = 0;
    if (m_final)
        rounds = static_cast<std::int64_t>(m_end - m_position) / static_cast<std::int64_t>(round);
    else if (m_position > m_end)
        rounds = -static_cast<std::int64_t>((m_position - m_end + round - 1) / round);
    m_counts = m_taken;
    CheckCounts& c = m_counts;
    m_shown = m_position + static_cast<std::uint64_t>(rounds) * round;
    // A round back turns a loss of d into round - d bytes sent again, one
    // forth a repeat of r into a loss of round - r: the longest first, as
    // turning them costs the least.
    for (auto it = m_shifts.rbegin(); rounds < 0 && it != m_shifts.rend() && *it > 0; ++rounds, ++it) {
        const auto lost = static_cast<std::uint64_t>(*it);
        const std::uint64_t again = std::min(round - lost, c.matched);
        c.missing -= lost, c.matched -= again, c.repeated += again;
    }
    for (auto it = m_shifts.begin(); rounds > 0 && it != m_shifts.end() && *it < 0; --rounds, ++it) {
        const std::uint64_t again = std::min(static_cast<std::uint64_t>(-*it), c.repeated);
        c.repeated -= again, c.matched += again, c.missing += round - again;
    }
    // Rounds beyond the shifts went unseen, lost or sent again whole.
    const std::uint64_t unseen = static_cast<std::uint64_t>(rounds < 0 ? -rounds : rounds) * round;
    const std::uint64_t again = rounds < 0 ? std::min(unseen, c.matched) : 0;
    c.missing += rounds > 0 ? unseen : 0;
    c.matched -= again, c.repeated += again;
    if (m_final && m_end > m_shown)
        c.missing += m_end - m_shown, m_shown = m_end;
}

bool CPatternChecker::MissingAtLeast() const
{
    return !m_final && m_counts.missing > 0 && m_shown + Round(m_spec) <= m_end;
}

std::size_t CPatternChecker::ConfirmLength() const
{
    if (m_spec.kind == PatternSpec::Counting)
        return kConfirm;
    return LineLength(m_spec) + kConfirm;
}

int CPatternChecker::PlaceByLine(bool finishing, std::int64_t* shift) const
{
    const std::size_t length = LineLength(m_spec);
    const std::size_t held = m_pending.size() - m_start;
    // A whole line starts within a line's length of the first byte held.
    for (std::size_t j = 0; j < length; ++j) {
        if (held < j + length)
            return -1;
        const char* digits = m_pending.data() + m_start + j + m_spec.text.size() + 1;
        std::uint64_t number = 0;
        for (std::uint64_t d = 0; d < kSequenceDigits; ++d)
            number = number * 10 + static_cast<std::uint64_t>(digits[d] - '0');
        // The nearest line with that number, ahead (a loss) or behind (a
        // repeat) if checking had passed it.
        const std::uint64_t here = m_position / length;
        const std::uint64_t ahead = (number + kSequenceRound - here % kSequenceRound) % kSequenceRound;
        const std::uint64_t behind = kSequenceRound - ahead;
        const bool back = ahead > kSequenceRound / 2 && here >= m_origin / length + behind;
        const std::uint64_t at = (back ? here - behind : here + ahead) * length;
        const std::int64_t by = static_cast<std::int64_t>(at - j) - static_cast<std::int64_t>(m_position);
        // It is that line if it agrees with it up to its end (a garbled line
        // end is judged afterwards as the wrong byte it is). Far away, the
        // next line's number must agree too: a garbled number can read as
        // any line, and a second fault close by is likelier than a far one.
        const std::size_t nextNumber = length + m_spec.text.size() + 1;
        int agrees = at >= m_origin + j ? Agrees(m_start + j, at, length - 2) : 0;
        if (agrees > 0 && (by > kMaxGap || by < -kMaxGap))
            agrees = Agrees(m_start + j + nextNumber, at + nextNumber, kSequenceDigits);
        if (agrees < 0 && !finishing)
            return -1;
        if (agrees == 0)
            continue;
        *shift = by;
        return by != 0 ? 1 : 0;
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
                ++m_taken.repeated;
            } else {
                ++m_taken.matched;
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
            // Counting bytes repeat every round: any can be looked back to.
            const bool back = m_spec.kind == PatternSpec::Counting || m_position >= m_origin + c;
            const int again = back ? Agrees(m_start, m_position - c, c + confirm) : 0;
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
            const int placed = PlaceByLine(finishing, &shift);
            if (placed < 0 && !finishing)
                break;
            if (placed > 0)
                how = shift > 0 ? Lost : Again, cost = static_cast<std::uint64_t>(shift > 0 ? shift : -shift);
        }
        if (!m_first.found) {
            m_first = { true, m_position, PatternBytes(m_spec, m_position, kShown),
                m_pending.substr(m_start, kShown) };
        }
        // Counting bytes sent again look just like the rest of their round
        // lost, the likelier fault of a line: taken as lost until the far
        // end's count says otherwise.
        if (how == Again && m_spec.kind == PatternSpec::Counting)
            how = Lost, cost = Round(m_spec) - cost;
        switch (how) {
        case Garbled:
            m_taken.wrong += cost, m_position += cost, m_start += cost;
            break;
        case Lost:
            m_taken.missing += cost, m_position += cost;
            m_shifts.insert(static_cast<std::int64_t>(cost));
            break;
        case Again:
            m_position -= cost, m_repeatBudget += cost;
            m_shifts.insert(-static_cast<std::int64_t>(cost));
            break;
        case Extra:
            m_taken.wrong += cost, m_start += cost;
            break;
        case None:
            ++m_taken.wrong, ++m_position, ++m_start;
            break;
        }
    }
    m_start = std::min(m_start, m_pending.size());
    m_pending.erase(0, m_start);
    m_start = 0;
}
