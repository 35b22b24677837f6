// The driver stand-in's per-process state, shared by its exported functions.
#pragma once

#include <map>

#include "core/driver_state.h"
#include "core/sim_process.h"

namespace sim {

struct Driver {
  SimProcess proc{"libtsx4410.so stand-in"};
  DriverState state{proc.bench()};
  std::map<ViSession, ViSession> rm_of;  // the VISA resource manager behind each session
  ViUInt32 next_job = 1;
  bool worked = false;  // the last call did its work (no injected fault replaced it)
};

// Never destroyed, like the VISA side: exit order between the libraries is not ours.
inline Driver& driver() {
  static Driver* instance = new Driver;
  return *instance;
}

// An injected fault replaces the call's work entirely.
template <class Work>
ViStatus run(Driver& d, const char* function, ViSession vi, ViInt32 channel, Work work) {
  d.state.clear_line_note();
  d.worked = false;
  if (auto status = d.proc.fault(function, d.state.resource_of(vi), channel)) return *status;
  d.worked = true;
  return work();
}

// Whether the last call wrote its output parameters: it did its work and did
// not fail. An injected warning does no work, so it writes nothing.
inline bool wrote(const Driver& d, ViStatus st) { return d.worked && st >= 0; }

}  // namespace sim
