#include "core/bench.h"

#include "core/rsrc_name.h"

namespace sim {

int Bench::find(const std::string& name) const {
  for (std::size_t i = 0; i < resources.size(); ++i) {
    if (same_resource(resources[i].descriptor, name)) return static_cast<int>(i);
  }
  return -1;
}

Bench default_bench() {
  Resource vxi;
  vxi.descriptor = "VXI0::24::INSTR";
  vxi.intf_type = VI_INTF_VXI;
  vxi.manufacturer_id = 3021;
  vxi.model_code = 417;
  vxi.slot = 5;
  vxi.logical_address = 24;
  Bench bench;
  bench.resources.push_back(vxi);
  return bench;
}

}  // namespace sim
