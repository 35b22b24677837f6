#pragma once
// What a channel's transfer text box keeps and shows, without the widget:
// the receive kind is a window onto the last 40 printable characters
// received, the transmit kind a 40-slot ring of typed characters waiting to
// be sent. The widget asks for the text to show and how much of it fits.
#include <functional>
#include <string>

// Width of a text as the box would draw it, in pixels.
using TextMeasure = std::function<int(const std::string&)>;

// How many leading characters of `text` must go so that the rest is not wider
// than `width`: nothing is dropped while it fits, then one more at a time.
int LeadingCharsToDrop(const std::string& text, int width, const TextMeasure& measure);

// Characters whose value as a signed byte is below 32 (the control
// characters and every byte from 128 up) are kept but never shown.
inline bool IsShownChar(char c) { return static_cast<signed char>(c) >= 32; }

class CTransferBuffer {
public:
    enum Kind { Receive = 0, Transmit = 1 };
    static constexpr int kSize = 40;

    explicit CTransferBuffer(int kind) : m_nKind(kind == Transmit ? Transmit : Receive) {}

    int Kind() const { return m_nKind; }
    // Empties the buffer and both ring positions.
    void Reset();

    // Receive kind: appends the shown characters among `count` bytes; beyond
    // 40 the oldest move out. A negative count or no data does nothing.
    void AppendReceived(const char* data, int count);
    // Receive kind: the characters held, oldest first (at most 40).
    std::string ReceivedText() const;

    // Transmit kind: stores one typed character unless the ring is full
    // (39 waiting). Returns whether it was stored.
    bool Type(char c);
    bool HasPending() const { return m_nTake != m_nFill; }
    // Transmit kind: moves up to `max` waiting characters to `out`, oldest
    // first; returns how many. Taken characters stay on show.
    int TakePending(char* out, int max);
    // Transmit kind: the shown characters from the display start to the fill
    // position.
    std::string TypedText() const;
    // Transmit kind: the first `dropped` shown characters went out of view.
    void AdvanceDisplayStart(int dropped);

    // The text to show in a box `width` pixels wide: the longest ending that
    // fits. For the transmit kind the characters dropped at the front are
    // left behind for good (the display start moves on).
    std::string ShownText(int width, const TextMeasure& measure);

    int Fill() const { return m_nFill; }
    int TakePosition() const { return m_nTake; }
    int DisplayStart() const { return m_nDisplayStart; }

private:
    static int Next(int position) { return (position + 1) % kSize; }

    char m_szBuffer[kSize + 1] = {};
    int m_nDisplayStart = 0;
    int m_nTake = 0;
    // Receive kind: characters held. Transmit kind: where the next typed
    // character goes.
    int m_nFill = 0;
    int m_nKind;
};
