#include "core/marked_stream.h"

#include <cstdint>

namespace sim {

void MarkSorter::sort(MarkedStream::Kind kind, LineErrors& at) {
  at.overruns += left_.overruns;
  left_.overruns = 0;
  const bool nul_with_error = left_.breaks == 0 && (left_.parity > 0 || left_.framing > 0);
  if (kind == MarkedStream::Kind::kBreak && !nul_with_error) {
    ++at.breaks;
    if (left_.breaks > 0) --left_.breaks;
  } else if (left_.parity > 0) {
    --left_.parity;
    ++at.parity;
  } else if (left_.framing > 0) {
    --left_.framing;
    ++at.framing;
  } else {
    ++(checked_ ? at.parity : at.framing);
  }
}

LineErrors counted_since(const LineErrors& now, const LineErrors& before) {
  const auto since = [](std::uint64_t a, std::uint64_t b) { return static_cast<std::uint32_t>(a - b); };
  return {since(now.parity, before.parity), since(now.framing, before.framing),
          since(now.overruns, before.overruns), since(now.breaks, before.breaks)};
}

}  // namespace sim
