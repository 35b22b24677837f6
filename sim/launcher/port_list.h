// `tsx4410sfp-sim --list`: the serial devices of this PC, under their
// /dev names and their /dev/serial/by-id and by-path names, with the driver
// and USB facts sysfs gives, whether this user may open each and whether
// another program holds it. Nothing is opened but with --probe.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "launcher/port_check.h"

namespace launcher {

struct PortEntry {
  std::string device;              // the name to use
  std::string target;              // what a named link resolves to, when it differs
  std::string driver;              // the kernel driver behind the tty, from sysfs
  std::string usb;                 // vendor:product, product and serial, when on USB
  std::vector<std::string> links;  // by-id, then by-path names of the same device
  bool may_open = true;
  std::string group;  // the group to join when this user may not open it; empty: none helps
  enum Held { kFree, kHeld, kUnknown } held = kUnknown;
  std::string holder;  // the program holding it, when seen
  std::string note;    // why it cannot be used, when neither of the above says it
};

struct PortList {
  std::vector<PortEntry> ports;
  std::vector<std::string> without_uart;  // built-in ports with nothing behind them
};

// Every tty sysfs shows with a device behind it, whatever its driver calls it
// (ttyS, ttyUSB, ttyACM, ttyAMA, ttyTHS, ttymxc, rfcomm ...); virtual
// consoles and pseudo-terminals have none, so they are listed only when named.
// `probe`: each device that passes is opened for a moment too.
PortList list_ports(const ListRoots& roots, bool probe = false);
void print_ports(const PortList& list, std::ostream& out);

}  // namespace launcher
