#include "controls/transfer_buffer.h"

#include <cstring>

int LeadingCharsToDrop(const std::string& text, int width, const TextMeasure& measure)
{
    const int length = static_cast<int>(text.size());
    if (!measure)
        return 0;
    // The fewest leading characters whose removal lets the rest fit. A tail
    // is never wider than a longer tail, so a binary search finds it with a
    // handful of measurements: text shaping is the costliest part of a tick.
    int low = 0, high = length; // the answer lies in [low, high]
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (measure(text.substr(static_cast<std::size_t>(mid))) > width)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

void CTransferBuffer::Reset()
{
    m_nFill = 0;
    m_nTake = 0;
    m_nDisplayStart = 0;
    std::memset(m_szBuffer, 0, sizeof m_szBuffer);
}

void CTransferBuffer::AppendReceived(const char* data, int count)
{
    if (data == nullptr || count <= 0)
        return;
    for (int i = 0; i < count; ++i) {
        const char c = data[i];
        if (!IsShownChar(c))
            continue;
        if (m_nFill < kSize) {
            m_szBuffer[m_nFill++] = c;
        } else {
            std::memmove(m_szBuffer, m_szBuffer + 1, kSize - 1);
            m_szBuffer[kSize - 1] = c;
        }
    }
    m_szBuffer[m_nFill] = 0;
}

std::string CTransferBuffer::ReceivedText() const
{
    return std::string(m_szBuffer, static_cast<std::size_t>(m_nFill));
}

bool CTransferBuffer::Type(char c)
{
    if (Next(m_nFill) == m_nTake)
        return false; // full: 39 characters wait already
    m_szBuffer[m_nFill] = c;
    m_nFill = Next(m_nFill);
    // Once the fill position comes round to the display start, the shown
    // part would read as empty; the oldest shown slot has just been reused,
    // so the display start moves past it.
    if (m_nFill == m_nDisplayStart)
        m_nDisplayStart = Next(m_nDisplayStart);
    return true;
}

int CTransferBuffer::TakePending(char* out, int max)
{
    if (out == nullptr || max <= 0)
        return 0;
    int moved = 0;
    while (moved < max && m_nTake != m_nFill) {
        out[moved++] = m_szBuffer[m_nTake];
        m_nTake = Next(m_nTake);
    }
    return moved;
}

std::string CTransferBuffer::TypedText() const
{
    std::string text;
    for (int p = m_nDisplayStart; p != m_nFill; p = Next(p)) {
        if (IsShownChar(m_szBuffer[p]))
            text.push_back(m_szBuffer[p]);
    }
    return text;
}

void CTransferBuffer::AdvanceDisplayStart(int dropped)
{
    if (dropped <= 0)
        return;
    m_nDisplayStart = (m_nDisplayStart + dropped) % kSize;
}

std::string CTransferBuffer::ShownText(int width, const TextMeasure& measure)
{
    if (m_nKind == Receive) {
        const std::string text = ReceivedText();
        return text.substr(static_cast<std::size_t>(LeadingCharsToDrop(text, width, measure)));
    }
    const std::string text = TypedText();
    const int dropped = LeadingCharsToDrop(text, width, measure);
    AdvanceDisplayStart(dropped);
    return text.substr(static_cast<std::size_t>(dropped));
}
