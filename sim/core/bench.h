// The simulated bench: which instruments answer and how. Both stand-in
// libraries read the same bench file; README.md documents its JSON form.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/line_faults.h"
#include "visa_stub.h"

namespace sim {

struct ChannelHooks {
  bool busy = false;                          // sets bit 0 of property 29
  std::optional<ViInt32> bytes_waiting;       // replaces the count of property 19
  std::optional<ViUInt32> short_read;         // caps the bytes one read returns
  std::optional<std::string> port;            // a host serial device instead of the loopback
  LineFaults faults;                          // bytes dropped, corrupted, repeated on reads
  mutable std::uint64_t faults_passed = 0;    // bytes read through them so far
  // The simulated line (every channel without a port): where this channel's
  // transmitter goes, how fast, and what goes wrong on the way in.
  std::optional<ViInt32> cable;               // the far end of a null-modem cable; none: own loop
  bool instant = false;                       // "pace": "instant": no time on the line
  WireFaults wire_faults;                     // parity, framing, overrun, break on arrival
  mutable std::uint64_t wire_arrived = 0;     // bytes that arrived through them so far
};

struct ModuleConfig {
  ViStatus init_status = VI_SUCCESS;
  ViInt16 self_test_code = 0;
  std::string self_test_message = "Self test passed";
  ViInt32 error_query_code = 0;
  std::string error_query_message = "No error";
  std::string firmware_revision = "A.01.01";
  std::map<ViStatus, std::string> error_messages;
  std::array<ChannelHooks, 4> channels;  // index 0 is channel 1
};

struct Resource {
  std::string descriptor;
  ViUInt16 intf_type = 0;
  std::optional<ViUInt16> manufacturer_id;
  std::optional<ViUInt16> model_code;
  std::optional<ViUInt16> slot;
  std::optional<ViUInt16> logical_address;
  std::optional<std::string> identity;  // the answer to "*IDN?"
  ViUInt16 status_byte = 0;
  ViStatus open_status = VI_SUCCESS;
  ModuleConfig module;
};

struct FaultRule {
  std::string function;
  int resource = -1;    // index into Bench::resources; -1 for any
  ViInt32 channel = 0;  // 0 for any
  unsigned from_call = 1;
  unsigned count = 0;   // 0 for no end
  ViStatus status = VI_ERROR_SYSTEM_ERROR;
};

struct Bench {
  std::vector<Resource> resources;
  std::vector<FaultRule> faults;

  // Index of the resource the name denotes, or -1.
  int find(const std::string& name) const;

 private:
  // Canonical names of `resources` (empty where a descriptor does not
  // parse), made at the first find after the list grew or shrank. Benches
  // are read once and not edited afterwards.
  mutable std::vector<std::string> canonical_;
};

// The bench used when SFP_SIM_BENCH is unset: one VXI module at VXI0::24.
Bench default_bench();

}  // namespace sim
