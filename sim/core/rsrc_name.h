// Resource names of the interfaces the bench can hold, parsed the way VISA
// does, so that "vxi::24" and "VXI0::24::INSTR" name one instrument.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "visa_stub.h"

namespace sim {

struct Bench;

struct RsrcName {
  ViUInt16 intf_type = 0;  // VI_INTF_GPIB, VI_INTF_VXI or VI_INTF_GPIB_VXI
  ViUInt16 board = 0;
  unsigned address = 0;  // GPIB primary address or VXI logical address
  // GPIB only, 0..30. "GPIB0::7::0::INSTR" names secondary address 0;
  // "GPIB0::7::INSTR" names none.
  std::optional<unsigned> secondary;
  std::string canonical;  // e.g. "GPIB0::7::INSTR"
};

std::optional<RsrcName> parse_rsrc_name(std::string_view name);

// The name as VISA lists it: canonical when it parses, else as written.
std::string listed_name(std::string_view name);

// Index of the bench resource that answers to the name, or -1. A GPIB device
// declared without a secondary address has no extended addressing: it ignores
// the secondary address on the bus, so it answers to any of them as well as to
// none (some clients always add "::0::"). One declared with a secondary
// address answers to that one only. A name on the bench as written comes first.
int answering_resource(const Bench& bench, std::string_view name);

bool iequals(std::string_view a, std::string_view b);

}  // namespace sim
