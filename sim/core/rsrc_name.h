// Resource names of the interfaces the bench can hold, parsed the way VISA
// does, so that "vxi::24" and "VXI0::24::INSTR" name one instrument.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "visa_stub.h"

namespace sim {

struct RsrcName {
  ViUInt16 intf_type = 0;  // VI_INTF_GPIB, VI_INTF_VXI or VI_INTF_GPIB_VXI
  ViUInt16 board = 0;
  unsigned address = 0;  // GPIB primary address or VXI logical address
  // GPIB only. Secondary address 0 is an address of its own:
  // "GPIB0::7::0::INSTR" and "GPIB0::7::INSTR" are two resources.
  std::optional<unsigned> secondary;
  std::string canonical;  // e.g. "GPIB0::7::INSTR"
};

std::optional<RsrcName> parse_rsrc_name(std::string_view name);

// The name as VISA lists it: canonical when it parses, else as written.
std::string listed_name(std::string_view name);

bool iequals(std::string_view a, std::string_view b);

}  // namespace sim
