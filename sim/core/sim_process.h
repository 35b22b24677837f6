// What each stand-in library sets up once per process: the bench named by
// SFP_SIM_BENCH, its fault rules, and the trace file named by SFP_SIM_TRACE.
#pragma once

#include <mutex>
#include <optional>
#include <string_view>

#include "core/bench.h"
#include "core/fault_table.h"
#include "core/trace.h"

namespace sim {

class SimProcess {
 public:
  // `who` names the library in the one-line report of an unusable bench.
  explicit SimProcess(const char* who);

  const Bench& bench() const { return bench_; }
  std::mutex& mutex() { return mutex_; }

  std::optional<ViStatus> fault(std::string_view function, int resource, ViInt32 channel = 0) {
    return faults_.hit(function, resource, channel);
  }

  // Writes the trace line of a finished call and hands its status back.
  ViStatus finish(const TraceLine& line, ViStatus status) {
    trace_.write(line.finish(status));
    return status;
  }

 private:
  Bench bench_;
  FaultTable faults_;
  TraceSink trace_;
  std::mutex mutex_;
};

}  // namespace sim
