// Injected failures: a bench rule makes an entry point return a chosen status
// from its Nth matching call on, optionally for a limited number of calls.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "core/bench.h"

namespace sim {

class FaultTable {
 public:
  explicit FaultTable(std::vector<FaultRule> rules);

  // Counts this call against every rule it matches and returns the status
  // of the first rule that is active for it. resource is the bench index of
  // the resource the call is about (-1: none), channel 0 for no channel.
  std::optional<ViStatus> hit(std::string_view function, int resource, ViInt32 channel);

 private:
  std::vector<FaultRule> rules_;
  std::vector<unsigned> calls_;
};

}  // namespace sim
