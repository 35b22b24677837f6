// The channel configuration record (property 30): its words, where the
// panel puts each setting, and the records a channel starts from. Written
// once here for the serial mapping and the driver state alike.
#pragma once

#include <array>

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

// Where the record a loopback channel has after init or reset keeps its
// values (see README.md); the panel writes its own words over it.
namespace start_word {
constexpr int kChannel = 0;
constexpr int kMode = 1;      // 0: loopback
constexpr int kRate = 2;      // bit/s
constexpr int kDataBits = 3;
constexpr int kParity = 4;    // 0: none
constexpr int kStopBits = 5;
constexpr int kReceiveBuffer = 6;   // bytes
constexpr int kTransmitBuffer = 7;  // bytes
constexpr int kTimeout = 8;         // ms
}  // namespace start_word

// The record a loopback channel has after init or reset.
ConfigRecord default_record(ViInt32 channel);

// The record a serial channel starts from: 9600 bit/s, 8 data bits, no
// parity, 1 stop bit, no flow control, NORMAL.
ConfigRecord serial_default_record(ViInt32 channel);

}  // namespace sim
