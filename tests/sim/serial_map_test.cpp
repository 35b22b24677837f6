// The configuration record as a serial line's termios: every list value once,
// and the settings that act on each other.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/termios_map.h"

namespace {

using namespace sim::record_word;
constexpr tcflag_t kLineBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
constexpr tcflag_t kInBits = INPCK | IXON | IXOFF;

struct Row {
  std::vector<std::pair<int, ViInt32>> words;  // changed from the serial default (9600 8N1, check off)
  tcflag_t cflag;                              // the line bits
  tcflag_t iflag;                              // the input bits
  const char* nearest;                         // "" when applied as asked; null when refused
  speed_t speed = B9600;                       // B0: no constant, the free-rate call sets it
};

const Row kRows[] = {
    {{{kDataBits, 5}}, CS5, 0, ""},  {{{kDataBits, 6}}, CS6, 0, ""},  {{{kDataBits, 7}}, CS7, 0, ""},
    {{{kParity, 0}}, CS8 | PARENB, 0, ""},           {{{kParity, 1}}, CS8 | PARENB | PARODD, 0, ""},
    {{{kParity, 2}}, CS8 | PARENB | CMSPAR, 0, ""},
    {{{kParity, 3}}, CS8 | PARENB | CMSPAR | PARODD, 0, ""},
    {{{kParity, 4}, {kParityCheck, 1}}, CS8, 0, ""},  // nothing to check without a parity bit
    {{{kParity, 1}, {kParityCheck, 1}}, CS8 | PARENB | PARODD, INPCK, ""},
    {{{kParity, 3}, {kParityCheck, -1}}, CS8 | PARENB | CMSPAR | PARODD, INPCK, ""},
    {{{kStopBits, 15}}, CS8 | CSTOPB, 0, ""},  {{{kStopBits, 8}}, CS8 | CSTOPB, 0, "1.5 stop bits: applied 2"},
    {{{kDataBits, 5}, {kStopBits, 15}}, CS5 | CSTOPB, 0, "2 stop bits with 5 data bits: common UARTs send 1.5"},
    {{{kDataBits, 5}, {kStopBits, 8}}, CS5 | CSTOPB, 0, ""},
    {{{kXonXoffOut, 1}, {kXonXoffIn, 1}}, CS8, IXON | IXOFF, ""}, {{{kRtsCts, 3}}, CS8 | CRTSCTS, 0, ""},
    {{{kXonXoffOut, 1}}, CS8, IXON | IXOFF, "Xon/Xoff on output only: applied both directions (IXON|IXOFF)"},
    {{{kXonXoffIn, 7}}, CS8, IXON | IXOFF, "Xon/Xoff on input only: applied both directions (IXON|IXOFF)"},
    {{{kRtsCts, 3}, {kXonXoffOut, 1}, {kXonXoffIn, 1}}, CS8 | CRTSCTS, IXON | IXOFF, ""},
    {{{kDtrDsr, 3}}, CS8, 0, "DTR/DSR flow control: applied none"},
    {{{kDtrDsr, 3}, {kRtsCts, 3}}, CS8 | CRTSCTS, 0, "DTR/DSR flow control: applied RTS/CTS"},
    {{{kDtrDsr, 3}, {kStopBits, 8}},
     CS8 | CSTOPB, 0, "1.5 stop bits: applied 2; DTR/DSR flow control: applied none"},
    {{{kMode, 3}}, CS8, 0, ""}, {{{kRate, 75}}, CS8, 0, "", B75}, {{{kRate, 110}}, CS8, 0, "", B110},
    {{{kRate, 150}}, CS8, 0, "", B150}, {{{kRate, 300}}, CS8, 0, "", B300}, {{{kRate, 600}}, CS8, 0, "", B600},
    {{{kRate, 1200}}, CS8, 0, "", B1200}, {{{kRate, 1800}}, CS8, 0, "", B1800}, {{{kRate, 2000}}, CS8, 0, "", B0},
    {{{kRate, 2400}}, CS8, 0, "", B2400}, {{{kRate, 4800}}, CS8, 0, "", B4800}, {{{kRate, 19200}}, CS8, 0, "", B19200},
    {{{kRate, 38400}}, CS8, 0, "", B38400}, {{{kRate, 4000000}}, CS8, 0, "", B0},
    {{{kRate, 4000001}}, 0, 0, nullptr}, {{{kRate, 0}}, 0, 0, nullptr},  {{{kMode, 4}}, 0, 0, nullptr},
    {{{kDataBits, 9}}, 0, 0, nullptr},   {{{kParity, 5}}, 0, 0, nullptr}, {{{kStopBits, 2}}, 0, 0, nullptr},
};

TEST(SerialMap, EveryListValueAndTheSettingsThatInteract) {
  termios cooked{};  // whatever was found is made raw
  cooked.c_iflag = cooked.c_oflag = cooked.c_lflag = ~tcflag_t{0};
  cooked.c_cflag = ~static_cast<tcflag_t>(CBAUD | CREAD | CLOCAL);
  for (const Row& row : kRows) {
    sim::ConfigRecord record = sim::serial_default_record(2);
    for (const auto& [word, value] : row.words) record[static_cast<std::size_t>(word)] = value;
    const sim::LinePlan plan = sim::plan_line(cooked, record);
    const std::string what = ::testing::PrintToString(row.words);
    ASSERT_EQ(plan.refused.empty(), row.nearest != nullptr) << what << plan.refused;
    if (!row.nearest) continue;
    EXPECT_EQ(plan.tio.c_cflag & kLineBits, row.cflag) << what;
    EXPECT_EQ(plan.tio.c_iflag & kInBits, row.iflag) << what;
    EXPECT_EQ(plan.nearest, row.nearest) << what;
    EXPECT_EQ(static_cast<int>(plan.mode), record[kMode]) << what;
    EXPECT_EQ(plan.standard_rate, row.speed != B0) << what;
    EXPECT_EQ(cfgetospeed(&plan.tio), row.speed == B0 ? cfgetospeed(&cooked) : row.speed) << what;
    EXPECT_EQ(cfgetispeed(&plan.tio), row.speed == B0 ? cfgetispeed(&cooked) : row.speed) << what;
    EXPECT_TRUE((plan.tio.c_cflag & (CREAD | CLOCAL)) == (CREAD | CLOCAL) && plan.tio.c_cc[VMIN] == 1 &&
                (plan.tio.c_iflag & (ICRNL | IGNCR | INLCR | ISTRIP | IXANY | IGNPAR | IGNBRK | BRKINT | PARMRK)) == PARMRK &&
                (plan.tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 && (plan.tio.c_oflag & OPOST) == 0)
        << "raw: " << what;
    const bool five = record[kDataBits] == 5, stop2 = (row.cflag & CSTOPB) != 0;  // what the line sends
    EXPECT_EQ(plan.effective[kStopBits], stop2 ? (five ? 8 : 15) : 7) << what;
    EXPECT_EQ(plan.effective[kXonXoffOut] + plan.effective[kXonXoffIn], row.iflag & IXON ? 2 : 0) << what;
    EXPECT_EQ(plan.effective[kDtrDsr], 0) << what;
  }
}

}  // namespace
