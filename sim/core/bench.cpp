#include "core/bench.h"

#include "core/rsrc_name.h"

namespace sim {

int Bench::find(const std::string& name) const {
  // Every VISA call on a resource looks it up by name; with hundreds of
  // resources, parsing each bench descriptor anew for every lookup made a
  // search quadratic. The bench's names are parsed once and kept.
  if (canonical_.size() != resources.size()) {
    canonical_.clear();
    for (const Resource& r : resources) {
      const auto parsed = parse_rsrc_name(r.descriptor);
      canonical_.push_back(parsed ? parsed->canonical : std::string());
    }
  }
  const auto wanted = parse_rsrc_name(name);
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const bool parsed = !canonical_[i].empty();
    const bool match = wanted ? parsed && canonical_[i] == wanted->canonical
                              : !parsed && iequals(resources[i].descriptor, name);
    if (match) return static_cast<int>(i);
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
