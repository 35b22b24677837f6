#include "core/entry_points.h"

namespace sim {

bool is_entry_point(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      "viOpenDefaultRM", "viFindRsrc", "viFindNext", "viParseRsrc", "viParseRsrcEx",
      "viOpen", "viClose", "viGetAttribute", "viSetAttribute", "viStatusDesc",
      "viWrite", "viRead", "viReadSTB", "viFlush", "viClear", "viDisableEvent",
      "viDiscardEvents",
      "tsx4410_init", "tsx4410_reset", "tsx4410_self_test", "tsx4410_close",
      "tsx4410_error_message", "tsx4410_error_query", "tsx4410_revision_query",
      "tsx4410_getProperty", "tsx4410_setProperty", "tsx4410_openChannel",
      "tsx4410_closeChannel", "tsx4410_write", "tsx4410_read", "tsx4410_getAttribute",
      "tsx4410_setAttribute", "tsx4410_jobOpc", "tsx4410_readAsync", "tsx4410_writeAsync",
      "tsx4410_terminate"};
  for (std::string_view known : kNames) {
    if (known == name) return true;
  }
  return false;
}

}  // namespace sim
