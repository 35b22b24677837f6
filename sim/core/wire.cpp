#include "core/wire.h"

#include <algorithm>
#include <chrono>

namespace sim {
namespace {

// The same bound a channel on a device takes.
constexpr ViInt32 kMaxRate = 4000000;
constexpr std::int64_t kStepMicros = 40000;

std::string counted(std::uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::int64_t steady_micros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t Frame::end_of(std::uint64_t n) const {
  // Rounded up: a byte is there only once its last stop bit has ended.
  const std::uint64_t per_second = 2ULL * rate;
  return static_cast<std::int64_t>((n * half_bits * 1000000ULL + per_second - 1) / per_second);
}

std::uint64_t Frame::per_step() const {
  return static_cast<std::uint64_t>(kStepMicros) * 2ULL * rate / (half_bits * 1000000ULL);
}

std::optional<Frame> record_frame(const ConfigRecord& record) {
  using namespace record_word;
  const ViInt32 rate = record[kRate], data = record[kDataBits], parity = record[kParity];
  if (rate < 1 || rate > kMaxRate || data < 5 || data > 8 || parity < 0 || parity > 4) {
    return std::nullopt;
  }
  ViUInt32 stop_halves = 0;
  switch (record[kStopBits]) {
    case 7:
      stop_halves = 2;
      break;
    case 8:
      stop_halves = 3;
      break;
    case 15:
      stop_halves = 4;
      break;
    default:
      return std::nullopt;
  }
  const ViUInt32 bits = 1 + static_cast<ViUInt32>(data) + (parity != 4 ? 1 : 0);
  return Frame{static_cast<ViUInt32>(rate), 2 * bits + stop_halves};
}

Frame start_frame(const ConfigRecord& record) {
  using namespace start_word;
  const ViUInt32 bits =
      1 + static_cast<ViUInt32>(record[kDataBits]) + (record[kParity] != 0 ? 1 : 0);
  return Frame{static_cast<ViUInt32>(record[kRate]),
               2 * (bits + static_cast<ViUInt32>(record[kStopBits]))};
}

bool checks_parity(const ConfigRecord& record) {
  using namespace record_word;
  return record[kParityCheck] != 0 && record[kParity] >= 0 && record[kParity] <= 3;
}

std::string LineErrors::text(ViInt32 channel) const {
  return text("channel " + std::to_string(channel));
}

std::string LineErrors::text(const std::string& where) const {
  return where + ": " + counted(parity, "parity error", "parity errors") + ", " +
         counted(framing, "framing error", "framing errors") + ", " +
         counted(overruns, "overrun", "overruns") + ", " + counted(breaks, "break", "breaks");
}

void Receiver::open(std::int64_t now, const WireFaults& faults) {
  listening_ = true;  // empty: nothing stays in a receiver that does not listen
  break_period_ = static_cast<std::int64_t>(faults.break_every_ms) * 1000;
  next_break_ = now + break_period_;
}

void Receiver::close() {
  clear();
  listening_ = false;
}

void Receiver::clear() {
  bytes_.clear();
  marks_.clear();
}

LineErrors& Receiver::errors_here() {
  // Errors with no good byte between them are met by one read.
  const std::uint64_t at = read_ + bytes_.size();
  if (marks_.empty() || marks_.back().at != at) marks_.push_back({at, {}});
  return marks_.back().errors;
}

void Receiver::error(LineError kind) {
  LineErrors& here = errors_here();
  switch (kind) {
    case LineError::kParity:
      ++here.parity;
      break;
    case LineError::kFraming:
      ++here.framing;
      break;
    default:
      ++here.overruns;
      break;
  }
}

void Receiver::breaks_until(std::int64_t now) {
  if (!listening_ || break_period_ == 0 || now < next_break_) return;
  const std::int64_t due = (now - next_break_) / break_period_ + 1;
  errors_here().breaks += static_cast<std::uint64_t>(due);
  next_break_ += due * break_period_;
}

void Receiver::arrive(ViByte byte, std::int64_t at, const WireFaults& faults,
                      std::uint64_t& arrived) {
  if (!listening_) return;
  breaks_until(at);
  const LineError kind = faults.error_at(++arrived, parity_checked_);
  if (kind != LineError::kNone) {
    error(kind);
  } else if (waiting() >= kBuffer) {
    error(LineError::kOverrun);
  } else {
    bytes_.push_back(byte);
  }
}

bool Receiver::read(ViByte* buf, std::size_t count, std::size_t* got, LineErrors* met) {
  *got = 0;
  if (!marks_.empty() && marks_.front().at == read_) {
    *met = marks_.front().errors;
    marks_.pop_front();
    return true;
  }
  const std::size_t good =
      marks_.empty() ? bytes_.size() : static_cast<std::size_t>(marks_.front().at - read_);
  const std::size_t n = std::min(count, good);
  std::copy_n(bytes_.begin(), n, buf);
  bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(n));
  read_ += n;
  *got = n;
  return false;
}

void Transmitter::reframe(const Frame& frame, std::int64_t now) {
  // The byte on the line ends as it began; the run goes on in the new frame.
  if (!fifo_.empty()) {
    run_start_ = end_of_next(now) - frame.end_of(1);
    run_sent_ = 0;
  }
  frame_ = frame;
}

std::string Transmitter::full_text(ViInt32 channel, std::size_t count) const {
  if (count > kBuffer)  // no wait would make room for it
    return "channel " + std::to_string(channel) + ": a write of " + std::to_string(count) +
           " bytes is larger than the " + std::to_string(kBuffer) + "-byte transmit buffer";
  return "channel " + std::to_string(channel) + ": transmit buffer full (" +
         std::to_string(fifo_.size()) + " of " + std::to_string(kBuffer) +
         " bytes still to go out at " + std::to_string(frame_.rate) + " bit/s); " +
         counted(count, "byte", "bytes") + " not taken";
}

bool Transmitter::take(const ViByte* bytes, std::size_t count, std::int64_t now) {
  if (!instant_ && fifo_.size() + count > kBuffer) return false;
  if (fifo_.empty()) {  // an idle line: the first start bit goes out now
    run_start_ = now;
    run_sent_ = 0;
  }
  fifo_.insert(fifo_.end(), bytes, bytes + count);
  return true;
}

}  // namespace sim
