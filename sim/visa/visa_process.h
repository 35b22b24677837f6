// The VISA stand-in's per-process state, shared by its exported functions.
#pragma once

#include "core/sim_process.h"
#include "core/visa_state.h"

namespace sim {

struct Visa {
  SimProcess proc{"libvisa.so stand-in"};
  VisaState state{proc.bench()};
};

// Never destroyed: the driver stand-in may still close sessions from its own
// exit-time cleanup after this library's static destructors would have run.
inline Visa& visa() {
  static Visa* instance = new Visa;
  return *instance;
}

// An injected fault replaces the call's work entirely.
template <class Work>
ViStatus run(Visa& v, const char* function, int resource, Work work) {
  if (auto status = v.proc.fault(function, resource)) return *status;
  return work();
}

}  // namespace sim
