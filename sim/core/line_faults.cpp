#include "core/line_faults.h"

#include <algorithm>
#include <vector>

namespace sim {
namespace {

bool hits(ViUInt32 one_in, std::uint64_t k) { return one_in != 0 && k % one_in == 0; }

}  // namespace

std::size_t LineFaults::take_for(std::uint64_t passed, std::size_t room) const {
  if (!repeat_one_in) return room;
  // Repeats among the next t bytes (a dropped byte is not repeated, so this
  // never counts too few); the most bytes whose output still fits.
  const auto repeats = [&](std::uint64_t t) {
    return (passed + t) / repeat_one_in - passed / repeat_one_in;
  };
  std::uint64_t lo = 0, hi = room;
  while (lo < hi) {
    const std::uint64_t mid = lo + (hi - lo + 1) / 2;
    if (mid + repeats(mid) <= room) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  return static_cast<std::size_t>(std::max<std::uint64_t>(lo, room > 0 ? 1 : 0));
}

std::size_t LineFaults::apply(std::uint64_t& passed, const ViByte* in, std::size_t n, ViByte* out,
                              std::size_t room) const {
  // `in` and `out` may be the same buffer: what comes out never runs ahead
  // of what goes in except by the repeats, so the input is copied first.
  const std::vector<ViByte> copy(in, in + n);
  std::size_t m = 0;
  for (const ViByte b : copy) {
    const std::uint64_t k = ++passed;
    if (hits(drop_one_in, k)) continue;
    const ViByte delivered = hits(corrupt_one_in, k) ? static_cast<ViByte>(~b) : b;
    if (m < room) out[m++] = delivered;
    if (hits(repeat_one_in, k) && m < room) out[m++] = delivered;
  }
  return m;
}

LineError WireFaults::error_at(std::uint64_t k, bool parity_checked) const {
  if (hits(overrun_one_in, k)) return LineError::kOverrun;
  if (hits(framing_error_one_in, k)) return LineError::kFraming;
  if (parity_checked && hits(parity_error_one_in, k)) return LineError::kParity;
  return LineError::kNone;
}

}  // namespace sim
