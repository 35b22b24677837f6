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
  std::vector<std::pair<int, ViInt32>> words;  // changed from the serial default (8N1, check off)
  tcflag_t cflag;                              // the line bits
  tcflag_t iflag;                              // the input bits
  const char* nearest;                         // "" when applied as asked; null when refused
};

const Row kRows[] = {
    {{}, CS8, 0, ""},
    {{{kDataBits, 5}}, CS5, 0, ""},
    {{{kDataBits, 6}}, CS6, 0, ""},
    {{{kDataBits, 7}}, CS7, 0, ""},
    {{{kParity, 0}}, CS8 | PARENB, 0, ""},
    {{{kParity, 1}}, CS8 | PARENB | PARODD, 0, ""},
    {{{kParity, 2}}, CS8 | PARENB | CMSPAR, 0, ""},
    {{{kParity, 3}}, CS8 | PARENB | CMSPAR | PARODD, 0, ""},
    {{{kParity, 1}, {kParityCheck, 1}}, CS8 | PARENB | PARODD, INPCK, ""},
    {{{kParityCheck, 1}}, CS8, 0, ""},  // nothing to check without a parity bit
    {{{kParityCheck, -1}, {kParity, 3}}, CS8 | PARENB | CMSPAR | PARODD, INPCK, ""},
    {{{kStopBits, 15}}, CS8 | CSTOPB, 0, ""},
    {{{kStopBits, 8}}, CS8 | CSTOPB, 0, "1.5 stop bits: applied 2"},
    {{{kXonXoffOut, 1}, {kXonXoffIn, 1}}, CS8, IXON | IXOFF, ""},
    {{{kRtsCts, 3}}, CS8 | CRTSCTS, 0, ""},
    {{{kRtsCts, 3}, {kXonXoffOut, 1}, {kXonXoffIn, 1}}, CS8 | CRTSCTS, IXON | IXOFF, ""},
    {{{kDtrDsr, 3}}, CS8, 0, "DTR/DSR flow control: applied none"},
    {{{kDtrDsr, 3}, {kRtsCts, 3}}, CS8 | CRTSCTS, 0, "DTR/DSR flow control: applied RTS/CTS"},
    {{{kDtrDsr, 3}, {kStopBits, 8}},
     CS8 | CSTOPB, 0, "1.5 stop bits: applied 2; DTR/DSR flow control: applied none"},
    {{{kMode, 3}}, CS8, 0, ""},
    {{{kMode, 4}}, 0, 0, nullptr},
    {{{kMode, -1}}, 0, 0, nullptr},
    {{{kRate, 0}}, 0, 0, nullptr},
    {{{kDataBits, 9}}, 0, 0, nullptr},
    {{{kDataBits, -1}}, 0, 0, nullptr},
    {{{kParity, 5}}, 0, 0, nullptr},
    {{{kStopBits, 2}}, 0, 0, nullptr},
};

termios Cooked() {
  termios t{};
  t.c_iflag = ~tcflag_t{0};
  t.c_oflag = ~tcflag_t{0};
  t.c_lflag = ~tcflag_t{0};
  t.c_cflag = ~tcflag_t{0} & ~static_cast<tcflag_t>(CBAUD | CREAD | CLOCAL);
  return t;
}

TEST(SerialMap, EveryListValueAndTheSettingsThatInteract) {
  for (const Row& row : kRows) {
    sim::ConfigRecord record = sim::serial_default_record(2);
    for (const auto& [word, value] : row.words) record[static_cast<std::size_t>(word)] = value;
    const sim::LinePlan plan = sim::plan_line(Cooked(), record);
    const std::string what = ::testing::PrintToString(row.words);
    ASSERT_EQ(plan.refused.empty(), row.nearest != nullptr) << what << plan.refused;
    if (!row.nearest) continue;
    EXPECT_EQ(plan.tio.c_cflag & kLineBits, row.cflag) << what;
    EXPECT_EQ(plan.tio.c_iflag & kInBits, row.iflag) << what;
    EXPECT_EQ(plan.nearest, row.nearest) << what;
    EXPECT_EQ(static_cast<int>(plan.mode), record[kMode]) << what;
    // Raw whatever was found; read back as the settings in effect.
    EXPECT_EQ(plan.tio.c_cflag & (CREAD | CLOCAL), CREAD | CLOCAL) << what;
    EXPECT_EQ(plan.tio.c_iflag & ~kInBits & (ICRNL | IGNCR | INLCR | ISTRIP | IXANY | PARMRK), 0u);
    EXPECT_EQ(plan.tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(plan.tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(plan.tio.c_cc[VMIN], 1);
    EXPECT_EQ(plan.effective[kStopBits], record[kStopBits] == 8 ? 15 : record[kStopBits]) << what;
    EXPECT_EQ(plan.effective[kDtrDsr], 0) << what;
  }
}

TEST(SerialMap, EveryRateOfTheSettingPanel) {
  const std::pair<ViInt32, speed_t> rates[] = {
      {75, B75},     {110, B110},   {150, B150},   {300, B300},     {600, B600},
      {1200, B1200}, {1800, B1800}, {2000, B0},    {2400, B2400},   {4800, B4800},
      {9600, B9600}, {19200, B19200}, {38400, B38400}, {4000000, B0}};
  for (const auto& [rate, code] : rates) {
    sim::ConfigRecord record = sim::serial_default_record(1);
    record[kRate] = rate;
    const sim::LinePlan plan = sim::plan_line(Cooked(), record);
    EXPECT_EQ(plan.rate, static_cast<unsigned>(rate));
    EXPECT_EQ(plan.standard_rate, code != B0) << rate;
    if (code != B0) {
      EXPECT_EQ(cfgetospeed(&plan.tio), code) << rate;
      EXPECT_EQ(cfgetispeed(&plan.tio), code) << rate;
    }
  }
  sim::ConfigRecord record = sim::serial_default_record(1);
  record[kRate] = 4000001;
  EXPECT_FALSE(sim::plan_line(Cooked(), record).refused.empty());
}

}  // namespace
