// What a serial device hands the reader when its line discipline marks the
// errors in the input (PARMRK set, IGNPAR and IGNBRK clear): "\377 \0 X" is a
// byte X that came with a parity or framing error, "\377 \0 \0" a break, and
// "\377 \377" a data byte 0xFF. Reads cut the stream anywhere, so the start of
// an escape is held until the rest of it comes.
#pragma once

#include <cstddef>
#include <cstring>

#include "core/wire.h"
#include "visa_stub.h"

namespace sim {

class MarkedStream {
 public:
  enum class Kind { kData, kError, kBreak };

  // Hands `to(kind, bytes, n)` everything `raw` completes, in order: runs of
  // good bytes (kData), one marked byte (kError; the byte received, which is
  // not data), or a break (kBreak, no bytes). A "\377" followed by anything
  // but "\0" or "\377" cannot come from the kernel; both bytes pass as data
  // rather than vanish.
  template <class To>
  void feed(const ViByte* raw, std::size_t size, To to);
  // Gives an escape cut short (the device went away in the middle) as data.
  template <class To>
  void flush(To to);
  bool holding() const { return held_ != 0; }
  void reset() { held_ = 0; }

 private:
  static constexpr ViByte kMark = 0xFF;
  int held_ = 0;  // bytes of an escape seen: "\377", or "\377 \0"
};

// Tells marked errors apart. The kernel's counts of what the line met since
// they were last taken (`counted`, when the device keeps them) decide: a
// marked byte is a parity error while counted parity errors are left, then a
// framing error; "\377 \0 \0" is a break while counted breaks are left, and a
// NUL byte with an error when only parity or framing errors are. The counted
// overruns go with the first mark. What the counts leave open is guessed: a
// marked byte is a parity error when parity is checked, else a framing error.
// A device that keeps no counts is one that counted nothing.
class MarkSorter {
 public:
  MarkSorter(bool parity_checked, const LineErrors& counted) : checked_(parity_checked), left_(counted) {}
  // Adds the error of one kError or kBreak to `at`.
  void sort(MarkedStream::Kind kind, LineErrors& at);

 private:
  bool checked_;
  LineErrors left_;
};

// The kernel's counters as taken now and before, each counting modulo 2^32.
LineErrors counted_since(const LineErrors& now, const LineErrors& before);

template <class To>
void MarkedStream::feed(const ViByte* raw, std::size_t size, To to) {
  static const ViByte kMarkByte = kMark;
  const ViByte* const end = raw + size;
  while (raw < end) {
    if (held_ == 0) {
      const auto* mark = static_cast<const ViByte*>(std::memchr(raw, kMark, static_cast<std::size_t>(end - raw)));
      const ViByte* run_end = mark ? mark : end;
      if (run_end > raw) to(Kind::kData, raw, static_cast<std::size_t>(run_end - raw));
      if (!mark) return;
      held_ = 1;
      raw = mark + 1;
    } else if (held_ == 1) {
      held_ = *raw == 0 ? 2 : 0;
      if (held_ == 0) to(Kind::kData, &kMarkByte, 1);
      // A doubled mark is one data byte; after a stray one, the byte is read anew.
      if (*raw == 0 || *raw == kMark) ++raw;
    } else {
      held_ = 0;
      to(*raw == 0 ? Kind::kBreak : Kind::kError, raw, *raw == 0 ? 0 : 1);
      ++raw;
    }
  }
}

template <class To>
void MarkedStream::flush(To to) {
  static const ViByte kCut[] = {kMark, 0};
  if (held_ > 0) to(Kind::kData, kCut, static_cast<std::size_t>(held_));
  held_ = 0;
}

}  // namespace sim
