// Faults a bench can put on a channel's line so that a pattern test has
// something exact to count: one byte in N dropped, corrupted or sent twice.
// Byte k of everything the channel hands out to reads (k from 1) is dropped
// when N divides it; a byte that stays is inverted when its own N divides k,
// and comes twice when the repeat's N does.
#pragma once

#include <cstddef>
#include <cstdint>

#include "visa_stub.h"

namespace sim {

struct LineFaults {
  ViUInt32 drop_one_in = 0;  // 0: none
  ViUInt32 corrupt_one_in = 0;
  ViUInt32 repeat_one_in = 0;

  bool any() const { return drop_one_in || corrupt_one_in || repeat_one_in; }
  // How many bytes to take from the line so that, repeats added, at most
  // `room` come out; `passed` bytes went through the faults before. Never
  // 0 while there is room: a read of one byte cannot carry a repeat, and
  // its byte then comes once rather than never.
  std::size_t take_for(std::uint64_t passed, std::size_t room) const;
  // The bytes as the faulty line delivers them, at most `room`, written to
  // `out`; returns how many. `passed` counts on.
  std::size_t apply(std::uint64_t& passed, const ViByte* in, std::size_t n, ViByte* out,
                    std::size_t room) const;
};

// What a receiver can find wrong with a byte that came down a simulated line.
enum class LineError { kNone, kParity, kFraming, kOverrun };

// Faults on the simulated line itself, met where bytes arrive rather than
// where reads hand them out: byte k arriving at the channel (k from 1, since
// the program started) is an overrun when the overrun's N divides k, else a
// framing error when that N does, else a parity error when that N does and
// the receiver checks parity; a UART that checks no parity has nothing to
// find wrong with it. A break comes down the line every `break_every_ms`.
struct WireFaults {
  ViUInt32 parity_error_one_in = 0;  // 0: none
  ViUInt32 framing_error_one_in = 0;
  ViUInt32 overrun_one_in = 0;
  ViUInt32 break_every_ms = 0;

  LineError error_at(std::uint64_t k, bool parity_checked) const;
};

}  // namespace sim
