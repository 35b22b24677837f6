// How a channel's configuration record (property 30) becomes the settings of
// a host serial line. Pure: no descriptor is touched here, so every record can
// be checked in a table without a device.
#pragma once

#include <termios.h>

#include <array>
#include <string>

#include "tsx4410_stub.h"

namespace sim {

using ConfigRecord = std::array<ViInt32, TSX4410_CONFIG_WORDS>;

// Words of the record that describe the line, where the panel puts them.
namespace record_word {
constexpr int kMode = 0;
constexpr int kRate = 3;         // bit/s; word 4 repeats it
constexpr int kRateAgain = 4;
constexpr int kParityCheck = 5;  // non-zero: check parity of received bytes
constexpr int kParity = 6;       // 0 even, 1 odd, 2 space (force 0), 3 mark (force 1), 4 none
constexpr int kDataBits = 7;     // 5..8
constexpr int kStopBits = 8;     // 7: one, 8: one and a half, 15: two
constexpr int kXonXoffOut = 9;   // words 9 and 10: software flow control
constexpr int kXonXoffIn = 10;
constexpr int kRtsCts = 11;
constexpr int kDtrDsr = 13;
}  // namespace record_word

enum class ChannelMode { kNormal = 0, kAutoEcho = 1, kLocalLoop = 2, kRemoteLoop = 3 };

struct LinePlan {
  termios tio{};               // the line's settings found, made raw, with the record applied
  unsigned rate = 0;           // bit/s
  bool standard_rate = true;   // false: tio keeps the rate found; the kernel's free-rate call sets it
  ChannelMode mode = ChannelMode::kNormal;
  ConfigRecord effective{};    // the record as applied (what property 30 reads back)
  std::string nearest;         // what was applied instead of a setting the line has no form for
  std::string refused;         // why the record cannot be applied at all; empty when it can
};

LinePlan plan_line(const termios& found, const ConfigRecord& record);

// The record a serial channel starts from: 9600 bit/s, 8 data bits, no
// parity, 1 stop bit, no flow control, NORMAL.
ConfigRecord serial_default_record(ViInt32 channel);

// One line for the trace: rate and the flags that matter, e.g.
// "9600 cflag=CS8|CREAD|CLOCAL iflag=0 raw".
std::string describe_line(const termios& tio, unsigned rate);

}  // namespace sim
