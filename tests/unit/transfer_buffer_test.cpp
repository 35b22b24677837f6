// The transfer text box's buffer: the receive window, the transmit ring and
// the choice of what fits the box.
#include "controls/transfer_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every character 10 pixels wide, so a box of width w shows w / 10 characters.
int TenPerChar(const std::string& s) { return 10 * static_cast<int>(s.size()); }

std::string Letters(int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s.push_back(static_cast<char>('a' + i % 26));
    return s;
}

CTransferBuffer Fresh(int kind)
{
    CTransferBuffer b(kind);
    b.Reset();
    return b;
}

std::string TakeAll(CTransferBuffer& b, int max = 64)
{
    char out[64];
    return std::string(out, static_cast<std::size_t>(b.TakePending(out, max)));
}

TEST(FitToWidth, DropsLeadingCharactersUntilTheRestFits)
{
    const struct {
        std::string text;
        int width, dropped;
    } cases[] = {{"", 0, 0}, {"abc", 30, 0}, {"abc", 29, 1}, {"abc", 9, 3}, {"abc", -5, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(LeadingCharsToDrop(c.text, c.width, TenPerChar), c.dropped) << c.text << " " << c.width;
}

TEST(ReceiveWindow, KeepsTheLastFortyShownCharactersHoweverTheyArrive)
{
    const std::string all = Letters(45);
    const std::vector<int> arrivals[] = {{45}, {10, 25, 3, 7}, std::vector<int>(45, 1)};
    for (const auto& chunks : arrivals) {
        CTransferBuffer b = Fresh(CTransferBuffer::Receive);
        int at = 0;
        for (int n : chunks) {
            b.AppendReceived(all.data() + at, n);
            at += n;
        }
        EXPECT_EQ(b.ReceivedText(), all.substr(5)) << chunks.size() << " polls";
        EXPECT_EQ(b.ShownText(120, TenPerChar), all.substr(33)) << chunks.size() << " polls";
    }
}

TEST(ReceiveWindow, ControlCharactersHighBytesAndBadCountsAddNothing)
{
    CTransferBuffer b = Fresh(CTransferBuffer::Receive);
    const std::string in = std::string("ab\r\n\tc\x80\xE9\xFF", 9) + std::string(1, '\0') + "\x1f ~";
    b.AppendReceived(in.data(), static_cast<int>(in.size()));
    b.AppendReceived("zz", -1);
    b.AppendReceived(nullptr, 3);
    EXPECT_EQ(b.ReceivedText(), "abc ~");

    // Skipped bytes do not count towards the forty.
    std::string mixed;
    for (char c : Letters(40))
        mixed += std::string(1, c) + "\n";
    CTransferBuffer full = Fresh(CTransferBuffer::Receive);
    full.AppendReceived(mixed.data(), static_cast<int>(mixed.size()));
    EXPECT_EQ(full.ReceivedText(), Letters(40));
}

TEST(TransmitRing, HoldsAtMostThirtyNineWaitingAndHandsThemOutOldestFirst)
{
    CTransferBuffer b = Fresh(CTransferBuffer::Transmit);
    for (char c : Letters(45))
        b.Type(c);
    EXPECT_EQ(TakeAll(b), Letters(39));
    EXPECT_FALSE(b.HasPending());

    const struct {
        int typed, max, moved;
        bool pendingAfter;
    } cases[] = {{5, 64, 5, false}, {5, 3, 3, true}, {0, 64, 0, false}, {5, 0, 0, true}, {5, -4, 0, true}};
    for (const auto& c : cases) {
        CTransferBuffer r = Fresh(CTransferBuffer::Transmit);
        for (char ch : Letters(c.typed))
            r.Type(ch);
        EXPECT_EQ(TakeAll(r, c.max), Letters(c.moved)) << c.typed << "/" << c.max;
        EXPECT_EQ(r.HasPending(), c.pendingAfter) << c.typed << "/" << c.max;
    }
}

TEST(TransmitRing, ControlCharactersAreSentButNotShownAndSentTextStaysOnShow)
{
    CTransferBuffer b = Fresh(CTransferBuffer::Transmit);
    for (char c : std::string("he\rl\blo\x16"))
        b.Type(c);
    EXPECT_EQ(TakeAll(b), "he\rl\blo\x16");
    EXPECT_EQ(b.ShownText(60, TenPerChar), "hello");
    for (char c : std::string("ab"))
        b.Type(c);
    EXPECT_EQ(b.ShownText(60, TenPerChar), "elloab");
}

// Typing and sending for a long time runs the ring round many times; what is
// shown is always the end of what was typed, as much as fits and the ring
// holds, and never vanishes when the ring comes round.
TEST(TransmitRing, ShownTextFollowsTheTypingRoundTheRing)
{
    const struct {
        int width;
        int enterEvery; // an Enter after every n-th letter, 0 for none
        std::size_t least;
    } cases[] = {{120, 0, 12}, {1000, 0, 39}, {120, 3, 12}, {1000, 2, 20}};
    for (const auto& c : cases) {
        CTransferBuffer b = Fresh(CTransferBuffer::Transmit);
        std::string typed;
        for (int i = 0; i < 200; ++i) {
            typed.push_back(static_cast<char>('a' + i % 26));
            b.Type(typed.back());
            if (c.enterEvery && i % c.enterEvery == 0)
                b.Type('\r');
            TakeAll(b);
            const std::string shown = b.ShownText(c.width, TenPerChar);
            ASSERT_GE(shown.size(), std::min(c.least, typed.size())) << c.width << " key " << i;
            ASSERT_LE(TenPerChar(shown), c.width);
            ASSERT_EQ(shown, typed.substr(typed.size() - shown.size())) << c.width << " key " << i;
        }
    }
    // Enters alone push out only the oldest slot as the ring comes round.
    CTransferBuffer b = Fresh(CTransferBuffer::Transmit);
    for (char c : std::string("abc") + std::string(37, '\r')) {
        b.Type(c);
        TakeAll(b);
    }
    EXPECT_EQ(b.ShownText(120, TenPerChar), "bc");
    b.Type('x');
    EXPECT_EQ(b.ShownText(120, TenPerChar), "cx");
}

} // namespace
