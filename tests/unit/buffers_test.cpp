// The byte buffers: a transfer box's receive window and transmit ring, and the
// non-live access object's per-channel loopback.
#include "common/messages.h"
#include "controls/transfer_buffer.h"
#include "instrument/instrument_driver.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every character 10 pixels wide, so a box of width w shows w / 10 characters.
int TenPerChar(const std::string& s) { return 10 * static_cast<int>(s.size()); }

std::string Letters(int count, int from = 0)
{
    std::string s;
    for (int i = from; i < from + count; ++i)
        s.push_back(static_cast<char>('a' + i % 26));
    return s;
}

std::string Take(CTransferBuffer& b, int max = 64)
{
    char out[64];
    return std::string(out, static_cast<std::size_t>(b.TakePending(out, max)));
}

TEST(TransferBuffer, ReceiveKeepsTheLastFortyShownCharactersHoweverTheyArrive)
{
    std::string all = Letters(43) + " ~";
    all.insert(20, std::string("\r\n\t\x80\xE9\xFF\0\x1f", 8)); // kept out, and not counted
    for (const std::vector<int>& chunks : {std::vector<int>{53}, {10, 25, 3, 15}, std::vector<int>(53, 1)}) {
        CTransferBuffer b(CTransferBuffer::Receive);
        b.AppendReceived("old", 3), b.Reset();
        int at = 0;
        for (int n : chunks)
            b.AppendReceived(all.data() + at, n), at += n;
        b.AppendReceived("zz", -1), b.AppendReceived(nullptr, 3);
        EXPECT_EQ(b.ReceivedText(), Letters(38, 5) + " ~") << chunks.size() << " polls";
        EXPECT_EQ(b.ShownText(120, TenPerChar) + "|" + b.ShownText(-5, TenPerChar), Letters(10, 33) + " ~|");
    }
}

TEST(TransferBuffer, TransmitHoldsThirtyNineWaitingAndHandsThemOutOldestFirst)
{
    const struct { int typed, max, moved; } rows[] = {{45, 64, 39}, {5, 64, 5}, {5, 3, 3}, {0, 64, 0}, {5, 0, 0}, {5, -4, 0}};
    for (const auto& row : rows) {
        CTransferBuffer b(CTransferBuffer::Transmit);
        b.Type('z'), b.Reset();
        for (char c : Letters(row.typed))
            b.Type(c);
        EXPECT_EQ(Take(b, row.max), Letters(row.moved)) << row.typed << "/" << row.max;
        EXPECT_EQ(b.HasPending(), row.moved < std::min(row.typed, 39)) << row.typed << "/" << row.max;
    }
    // Control characters go out but are not shown; sent text stays on show.
    CTransferBuffer b(CTransferBuffer::Transmit);
    for (char c : std::string("he\rl\blo\x16" "ab"))
        b.Type(c);
    EXPECT_EQ(Take(b) + "|" + b.ShownText(60, TenPerChar), "he\rl\blo\x16" "ab|elloab");
}

// Typing and sending for a long time runs the ring round many times; what is
// shown is always the end of what was typed, as much as fits and the ring
// holds, and never vanishes when the ring comes round.
TEST(TransferBuffer, ShownTextFollowsTheTypingRoundTheRing)
{
    // An Enter after every n-th letter (0: none); at least `least` characters shown.
    const struct { int width, enterEvery; std::size_t least; } rows[] = {{120, 0, 12}, {1000, 0, 39}, {120, 3, 12}, {1000, 2, 20}};
    for (const auto& row : rows) {
        CTransferBuffer b(CTransferBuffer::Transmit);
        std::string typed;
        for (int i = 0; i < 200; ++i) {
            b.Type(typed.append(Letters(1, i)).back());
            if (row.enterEvery && i % row.enterEvery == 0)
                b.Type('\r');
            Take(b);
            const std::string shown = b.ShownText(row.width, TenPerChar);
            ASSERT_GE(shown.size(), std::min(row.least, typed.size())) << row.width << " key " << i;
            ASSERT_LE(TenPerChar(shown), row.width);
            ASSERT_EQ(shown, typed.substr(typed.size() - shown.size())) << row.width << " key " << i;
        }
    }
    // Enters alone push out only the oldest slot as the ring comes round.
    CTransferBuffer b(CTransferBuffer::Transmit);
    for (char c : std::string("abc") + std::string(37, '\r'))
        b.Type(c), Take(b);
    EXPECT_EQ(b.ShownText(120, TenPerChar), "bc");
    b.Type('x');
    EXPECT_EQ(b.ShownText(120, TenPerChar), "cx");
}

QString Held(CInstrumentDriver& d) // channels 0 to 5, of which 1 to 4 exist
{
    QStringList held;
    for (int ch = 0; ch <= 5; ++ch)
        held << QString::number(d.BytesAvailable(ch));
    return held.join(' ');
}

TEST(Loopback, BytesComeBackInOrderOnTheirOwnChannelAndOnlyWhatFits)
{
    CNonLiveDriver d;
    d.WriteChannel(2, "ab", 2);
    d.WriteChannel(2, "cde", 3);
    d.WriteChannel(4, "ab", 2);
    d.WriteChannel(4, std::string(300, 'z').data(), 300); // keeps what fits of its 256
    d.WriteChannel(4, "more", 4);
    EXPECT_EQ(Held(d), "0 0 5 0 256 0");
    std::string out(260, '-');
    d.ReadChannel(2, out.data(), 2, nullptr);
    d.ReadChannel(2, out.data() + 2, 6, nullptr); // more than is held: what is held, in order
    EXPECT_EQ(out.substr(0, 9), "abcde----");
    d.ReadChannel(4, out.data(), 260, nullptr);
    EXPECT_EQ(out, "ab" + std::string(254, 'z') + "----");
    d.WriteChannel(1, "xy", 2);
    d.BeginTest();
    EXPECT_EQ(Held(d), "0 0 0 0 0 0");
}

TEST(Loopback, WritesAndReadsOutsideTheChannelsOrWithoutBytesAreRefused)
{
    const struct { int channel; const char* bytes; int count; } rows[] = {
        {0, "abc", 3}, {5, "abc", 3}, {-1, "abc", 3}, {1000, "abc", 3}, {1, "abc", 0}, {1, "abc", -3}, {1, nullptr, 3}};
    CNonLiveDriver d;
    for (const auto& row : rows)
        d.WriteChannel(row.channel, row.bytes, row.count);
    EXPECT_EQ(Held(d), "0 0 0 0 0 0");
    d.WriteChannel(1, "xyz", 3);
    char buffer[4] = {'k', 'k', 'k', 'k'};
    for (const auto& row : rows)
        d.ReadChannel(row.channel, row.bytes ? buffer : nullptr, row.count, nullptr);
    EXPECT_EQ(std::string(buffer, 4) + Held(d).toStdString(), "kkkk0 3 0 0 0 0");
}

TEST(Loopback, AnswersAsAnInstrumentThatIsNotThere)
{
    CNonLiveDriver d;
    QString selfTest;
    d.SelfTest(selfTest);
    EXPECT_EQ(QStringList({selfTest, d.GetAddressText(), d.GetLabelFileName(), QString::number(d.GetSlot()),
                           QString::number(d.GetLogicalAddress())}),
              QStringList({msg::kNonLiveSelfTest, "Addr Unknown", "tsx4410.lbl", "-1", "-1"}));
}

} // namespace
