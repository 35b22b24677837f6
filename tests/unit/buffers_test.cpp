// The byte buffers: a transfer box's receive window and transmit ring, and the non-live loopback.
#include "controls/transfer_buffer.h"
#include "instrument/instrument_driver.h"

#include <QString>
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
        EXPECT_EQ(b.ShownText(120, TenPerChar) + "|" + b.ShownText(-5, TenPerChar), Letters(10, 33) + " ~|")
            << chunks.size() << " polls";
    }
}

// Typing and sending runs the ring round many times, with an Enter after every n-th letter (or
// none); what is shown is the end of what was typed, and never less than `least` characters.
TEST(TransferBuffer, ShownTextFollowsTheTypingRoundTheRing)
{
    const struct { int width, enterEvery; std::size_t least; } rows[] = {
        {120, 0, 12}, {1000, 0, 39}, {120, 3, 12}, {1000, 2, 20}};
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
    for (char c : std::string("defg")) // a take hands out no more than asked; the rest waits
        b.Type(c);
    const std::string first = Take(b, 3);
    EXPECT_EQ(first + "|" + Take(b), "xde|fg");
}

std::string Held(CInstrumentDriver& d) // channels 0 to 5, of which 1 to 4 exist
{
    return QString("%1 %2 %3 %4 %5 %6").arg(d.BytesAvailable(0)).arg(d.BytesAvailable(1)).arg(d.BytesAvailable(2))
        .arg(d.BytesAvailable(3)).arg(d.BytesAvailable(4)).arg(d.BytesAvailable(5)).toStdString();
}

// Bytes come back in order on their own channel, as much as fits; writes and
// reads outside the four channels, without bytes or with a count below 1 are refused.
TEST(Loopback, BytesComeBackOnTheirOwnChannelAndNothingElseIsTouched)
{
    const struct { int channel; const char* bytes; int count; } refused[] = {
        {0, "abc", 3}, {5, "abc", 3}, {-1, "abc", 3}, {1000, "abc", 3}, {1, "abc", 0}, {1, "abc", -3}, {1, nullptr, 3}};
    CNonLiveDriver d;
    for (const auto& row : refused)
        d.WriteChannel(row.channel, row.bytes, row.count);
    d.WriteChannel(1, "xy", 2);
    d.WriteChannel(2, "ab", 2);
    d.WriteChannel(2, "cde", 3);
    d.WriteChannel(4, "ab", 2);
    d.WriteChannel(4, std::string(300, 'z').data(), 300);
    d.WriteChannel(4, "more", 4);
    std::string out(260, '-');
    for (const auto& row : refused)
        d.ReadChannel(row.channel, row.bytes ? out.data() : nullptr, row.count, nullptr);
    EXPECT_EQ(Held(d) + out.substr(0, 4), "0 2 5 0 256 0----");
    d.ReadChannel(2, out.data(), 2, nullptr);
    d.ReadChannel(2, out.data() + 2, 6, nullptr); // more than is held: what is held, in order
    EXPECT_EQ(out.substr(0, 9), "abcde----");
    d.ReadChannel(4, out.data(), 260, nullptr);
    EXPECT_EQ(out, "ab" + std::string(254, 'z') + "----");
    d.BeginTest();
    EXPECT_EQ(Held(d), "0 0 0 0 0 0");
}

} // namespace
