#include "instrument/instrument_driver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Read(CInstrumentDriver& d, int channel, int count)
{
    std::string out(static_cast<std::size_t>(count > 0 ? count : 0), '\0');
    d.ReadChannel(channel, out.data(), count, nullptr);
    return out;
}

TEST(Loopback, BytesComeBackInOrderOnTheirOwnChannelOnly)
{
    CNonLiveDriver d;
    d.WriteChannel(2, "ab", 2);
    d.WriteChannel(2, "cde", 3);
    EXPECT_EQ(d.BytesAvailable(2), 5);
    for (int other : {1, 3, 4})
        EXPECT_EQ(d.BytesAvailable(other), 0) << other;
    EXPECT_EQ(Read(d, 2, 2), "ab");
    EXPECT_EQ(d.BytesAvailable(2), 3);
    // Asking for more than is held gives only what is held, in order.
    std::string buffer(8, '-');
    d.ReadChannel(2, buffer.data(), 8, nullptr);
    EXPECT_EQ(buffer, "cde-----");
    EXPECT_EQ(d.BytesAvailable(2), 0);
}

TEST(Loopback, BeginTestEmptiesEveryChannel)
{
    CNonLiveDriver d;
    for (int ch = 1; ch <= 4; ++ch)
        d.WriteChannel(ch, "xy", 2);
    d.BeginTest();
    for (int ch = 1; ch <= 4; ++ch)
        EXPECT_EQ(d.BytesAvailable(ch), 0) << ch;
}

TEST(Loopback, AWritePastTheBufferKeepsWhatFitsAndNeverOverruns)
{
    CNonLiveDriver d;
    const std::string big(300, 'z');
    d.WriteChannel(4, "ab", 2);
    d.WriteChannel(4, big.data(), static_cast<int>(big.size()));
    EXPECT_EQ(d.BytesAvailable(4), CInstrumentDriver::kLoopbackSize);
    d.WriteChannel(4, "more", 4);
    EXPECT_EQ(d.BytesAvailable(4), CInstrumentDriver::kLoopbackSize);
    const std::string back = Read(d, 4, CInstrumentDriver::kLoopbackSize);
    EXPECT_EQ(back.substr(0, 3), "abz");
    EXPECT_EQ(d.BytesAvailable(4), 0);
}

TEST(Loopback, BadChannelsAndCountsTouchNothing)
{
    CNonLiveDriver d;
    char buffer[4] = {'k', 'k', 'k', 'k'};
    for (int channel : {0, 5, -1, 1000}) {
        d.WriteChannel(channel, "abc", 3);
        EXPECT_EQ(d.BytesAvailable(channel), 0);
        d.ReadChannel(channel, buffer, 3, nullptr);
    }
    d.WriteChannel(1, "abc", -3);
    d.ReadChannel(1, buffer, -3, nullptr);
    EXPECT_EQ(d.BytesAvailable(1), 0);
    EXPECT_EQ(std::string(buffer, 4), "kkkk");
}

// Its error queue, status byte and self-test text show on the Status panel
// and in the Self Test box (tests/widgets); the rest is asked of it directly.
TEST(NonLiveDefaults, AnswerAsAnInstrumentThatIsNotThere)
{
    CNonLiveDriver d;
    EXPECT_EQ(d.GetSlot(), -1);
    EXPECT_EQ(d.GetLogicalAddress(), -1);
    EXPECT_EQ(d.GetAddressText(), QStringLiteral("Addr Unknown"));
    EXPECT_EQ(d.GetLabelFileName(), QStringLiteral("tsx4410.lbl"));
    EXPECT_EQ(d.LastStatus(), 0);
    EXPECT_EQ(d.CanWrite(2), TRUE);
    EXPECT_EQ(d.OpenChannel(2), TRUE);
}

} // namespace
