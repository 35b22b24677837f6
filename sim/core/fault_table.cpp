#include "core/fault_table.h"

namespace sim {

FaultTable::FaultTable(std::vector<FaultRule> rules)
    : rules_(std::move(rules)), calls_(rules_.size(), 0) {}

std::optional<ViStatus> FaultTable::hit(std::string_view function, int resource,
                                        ViInt32 channel) {
  std::optional<ViStatus> result;
  for (std::size_t i = 0; i < rules_.size(); ++i) {
    const FaultRule& rule = rules_[i];
    if (rule.function != function) continue;
    if (rule.resource >= 0 && rule.resource != resource) continue;
    if (rule.channel != 0 && rule.channel != channel) continue;
    const unsigned call = ++calls_[i];
    const bool started = call >= rule.from_call;
    const bool ended = rule.count != 0 && call - rule.from_call >= rule.count;
    if (started && !ended && !result) result = rule.status;
  }
  return result;
}

}  // namespace sim
