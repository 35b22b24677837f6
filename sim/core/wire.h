// The simulated line behind every channel that is not on a host serial
// device: a transmitter that sends each byte in the time its frame takes at
// the channel's settings, and a receiver that holds what has arrived. Nothing
// runs in between: each driver call works out from the clock what has
// happened since the last one, so an idle panel costs nothing.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "core/config_record.h"
#include "core/line_faults.h"

namespace sim {

// Microseconds from any fixed origin, never going back. The driver reads the
// steady clock; a test hands in its own and moves it by hand.
using MicrosClock = std::function<std::int64_t()>;
std::int64_t steady_micros();

// How long one byte takes on the line.
struct Frame {
  ViUInt32 rate = 115200;  // bit/s
  // Start, data, parity and stop bits, counted in halves for 1.5 stop bits.
  ViUInt32 half_bits = 20;

  // Microseconds from the start of back-to-back bytes to the end of the n-th.
  std::int64_t end_of(std::uint64_t n) const;
  // Whole frames that fit in one 40 ms step, the pattern test's tick.
  std::uint64_t per_step() const;
};

// The frame the panel's layout of the record asks for (see config_record.h);
// nothing when a word has no meaning on a line (rate outside 1..4,000,000,
// data bits outside 5..8, an unknown parity or stop-bit code).
std::optional<Frame> record_frame(const ConfigRecord& record);
// The frame of the record a channel has after init or reset (start_word layout).
Frame start_frame(const ConfigRecord& record);
// Whether a receiver with this record (panel layout) checks parity: it must
// expect a parity bit and have the check word on.
bool checks_parity(const ConfigRecord& record);

// Line errors met between two good bytes.
struct LineErrors {
  std::uint64_t parity = 0, framing = 0, overruns = 0, breaks = 0;
  // e.g. "channel 2: 1 parity error, 0 framing errors, 0 overruns, 0 breaks"
  std::string text(ViInt32 channel) const;
  std::string text(const std::string& where) const;  // "<where>: 1 parity error, ..."
};

// A channel's receiving end: the bytes that arrived and are not yet read,
// with the line errors among them where they happened.
class Receiver {
 public:
  // The module's receive buffer, as on a channel bridged to a device: what
  // arrives while it is full is lost, and counted as an overrun.
  static constexpr std::size_t kBuffer = 65536;

  // Listening from `now`; breaks come every `faults.break_every_ms` from then.
  void open(std::int64_t now, const WireFaults& faults);
  void close();  // drops what is held; whatever arrives now is lost
  void clear();  // drops what is held, listening on
  void check_parity(bool on) { parity_checked_ = on; }

  // A byte whose last stop bit ended at `at`; `arrived` counts every byte
  // that reached the channel, for the faults' one-in-N.
  void arrive(ViByte byte, std::int64_t at, const WireFaults& faults, std::uint64_t& arrived);
  void breaks_until(std::int64_t now);  // the breaks due up to now

  // Good bytes and one for each place with errors: what property 19 counts.
  std::size_t waiting() const { return bytes_.size() + marks_.size(); }
  // Good bytes up to the next errors, at most `count`; when errors come
  // first, none, and they are taken off and reported instead (true).
  bool read(ViByte* buf, std::size_t count, std::size_t* got, LineErrors* met);

 private:
  void error(LineError kind);
  LineErrors& errors_here();

  struct Mark {
    std::uint64_t at;  // the errors come after this many good bytes ever received
    LineErrors errors;
  };
  bool listening_ = false;
  bool parity_checked_ = false;
  std::int64_t next_break_ = 0;    // when the next break comes
  std::int64_t break_period_ = 0;  // microseconds; 0: no breaks
  std::deque<ViByte> bytes_;
  std::deque<Mark> marks_;
  std::uint64_t read_ = 0;  // good bytes ever taken off by reads
};

// A channel's sending end: a FIFO of what was written, each byte on the line
// in its turn, back to back while there is something to send.
class Transmitter {
 public:
  // As a module has, and as a channel bridged to a device keeps it.
  static constexpr std::size_t kBuffer = 4096;

  void clear() { fifo_.clear(); }
  // A new frame takes over from the byte after the one on the line.
  void reframe(const Frame& frame, std::int64_t now);
  void set_instant(bool instant) { instant_ = instant; }

  // All the bytes or none; false when they do not fit (never at instant pace).
  bool take(const ViByte* bytes, std::size_t count, std::int64_t now);
  // Hands each byte whose frame has ended by `now` to `to`, in order.
  template <class Deliver>
  void send_until(std::int64_t now, Deliver to);

  // Why a write of `count` bytes was not taken, naming the channel.
  std::string full_text(ViInt32 channel, std::size_t count) const;
  // More held than one 40 ms step carries: the panel waits before it writes.
  bool busy() const { return fifo_.size() > frame_.per_step(); }

 private:
  std::int64_t end_of_next(std::int64_t now) const {
    return instant_ ? now : run_start_ + frame_.end_of(run_sent_ + 1);
  }

  Frame frame_;
  bool instant_ = false;
  std::deque<ViByte> fifo_;     // written; the first is on the line
  std::int64_t run_start_ = 0;  // when the current run of back-to-back bytes began
  std::uint64_t run_sent_ = 0;  // bytes of that run already ended
};

template <class Deliver>
void Transmitter::send_until(std::int64_t now, Deliver to) {
  while (!fifo_.empty() && end_of_next(now) <= now) {
    to(fifo_.front(), end_of_next(now));
    fifo_.pop_front();
    ++run_sent_;
  }
}

}  // namespace sim
