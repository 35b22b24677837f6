// `tsx4410sfp-sim --list`: the serial devices of this PC, under their
// /dev/tty* and /dev/serial/by-id names, whether this user may open each and
// whether another program holds it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "launcher/port_check.h"

namespace launcher {

// Where to look. Pseudo-terminals are never scanned for (a desktop has
// dozens, all terminals): they are listed when named.
struct ListRoots {
  std::string dev = "/dev";
  std::string by_id = "/dev/serial/by-id";
  std::string sys_tty = kSysTtyDir;
  std::vector<std::string> named;
};

struct PortEntry {
  std::string device;              // the name to use
  std::string target;              // what a named link resolves to, when it differs
  std::vector<std::string> by_id;  // stable names of the same device
  bool may_open = true;
  std::string group;  // the group to join when this user may not open it; empty: none helps
  enum Held { kFree, kHeld, kUnknown } held = kUnknown;
  std::string note;  // why it cannot be used, when neither of the above says it
};

struct PortList {
  std::vector<PortEntry> ports;
  std::vector<std::string> without_uart;  // built-in ports with nothing behind them
};

PortList list_ports(const ListRoots& roots);
void print_ports(const PortList& list, std::ostream& out);

}  // namespace launcher
