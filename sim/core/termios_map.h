// How a channel's configuration record (property 30) becomes the settings of
// a host serial line. Pure: no descriptor is touched here, so every record can
// be checked in a table without a device.
#pragma once

#include <termios.h>

#include <array>
#include <string>

#include "core/config_record.h"

namespace sim {

enum class ChannelMode { kNormal = 0, kAutoEcho = 1, kLocalLoop = 2, kRemoteLoop = 3 };

struct LinePlan {
  termios tio{};               // the line's settings found, made raw, with the record applied
  unsigned rate = 0;           // bit/s
  bool standard_rate = true;   // false: tio keeps the rate found; the kernel's free-rate call sets it
  ChannelMode mode = ChannelMode::kNormal;
  ConfigRecord effective{};    // the record as applied (what property 30 reads back)
  std::string nearest;         // what was applied instead of a setting the line has no form for
  std::string refused;         // why the record cannot be applied at all; empty when it can
};

LinePlan plan_line(const termios& found, const ConfigRecord& record);

// One line for the trace: rate and the flags that matter, e.g.
// "9600 cflag=CS8|CREAD|CLOCAL iflag=PARMRK raw".
std::string describe_line(const termios& tio, unsigned rate);

}  // namespace sim
