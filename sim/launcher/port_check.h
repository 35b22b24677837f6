// Whether a device can carry a channel, said in one line that names the
// device and the fix, and decided without opening it: an open raises DTR and
// RTS, which resets many microcontroller boards, and the panel opens each
// device once anyway, when a test starts.
#pragma once

#include <string>
#include <vector>

#include "core/serial_line.h"

namespace launcher {

// Where the system describes its serial devices; a test points each at a
// folder of its own.
struct ListRoots {
  std::string dev = "/dev";
  std::string by_id = "/dev/serial/by-id";
  std::string by_path = "/dev/serial/by-path";
  std::string sys_tty = "/sys/class/tty";
  std::string lock = "/run/lock";  // LCK..<name> files of programs that lock the UUCP way
  std::string proc = "/proc";      // tty/drivers, and the open files of this user's processes
  std::vector<std::string> named;  // for --list: devices to list besides the scan
};

// What the device turns out to be for a channel. Without `open`, everything
// is learnt from sysfs, /proc and the lock files; what only an open tells
// (another program holding it with TIOCEXCL alone) the panel's own open
// reports. With `open`, a device that passes is then opened for a moment,
// for those who ask (--probe). `who` gets the program holding it, if one is seen.
sim::PortCheck check_port(const std::string& path, const ListRoots& roots, bool open = false,
                          std::string* who = nullptr);

// A built-in port the kernel lists with no UART behind it (an 8250 slot of
// type "unknown"): opening it fails with an I/O error, so it is no choice.
// `name` is the tty's name in sysfs (ttyS3).
bool uart_missing(const std::string& name, const std::string& sys_tty);

// The program holding the device ("minicom, pid 812"), from a live lock file
// or a descriptor of another process of this user; empty when none is seen.
std::string holder(const std::string& path, const ListRoots& roots);

// What to do when this user may not open the device.
std::string access_fix(const std::string& path);

// The path with every link resolved; empty when it cannot be.
std::string real_path(const std::string& path);
std::string base_name(const std::string& path);
// The names in a folder but for hidden ones; none when it cannot be read.
std::vector<std::string> dir_names(const std::string& dir);
// A file's first line; empty when it cannot be read.
std::string first_line(const std::string& file);

// The hint every failure ends with.
inline const char* const kListHint = "tsx4410sfp-sim --list shows the serial devices";

}  // namespace launcher
