#include "core/sim_process.h"

#include <cstdio>
#include <cstdlib>

#include "core/bench_reader.h"

namespace sim {

SimProcess::SimProcess(const char* who)
    : bench_(load_bench(std::getenv("SFP_SIM_BENCH"), stderr, who)),
      faults_(bench_.faults),
      trace_(std::getenv("SFP_SIM_TRACE")) {}

}  // namespace sim
