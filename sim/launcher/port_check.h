// Whether a device can carry a channel, said in one line that names the
// device and the fix, and the facts about a device that --list shows.
#pragma once

#include <string>

namespace launcher {

// Where the kernel describes its ttys; a test points it at a folder of its own.
inline const char* const kSysTtyDir = "/sys/class/tty";

// Empty when the panel could take the device as a channel's line; else one
// line naming the device and what to do about it.
std::string check_port(const std::string& path, const std::string& sys_tty = kSysTtyDir);

// A built-in port the kernel lists with no UART behind it (an 8250 slot of
// type "unknown"): opening it fails with an I/O error, so it is no choice.
bool uart_missing(const std::string& path, const std::string& sys_tty = kSysTtyDir);

// The group to join for access to the device: the one that owns it, when
// that group may read and write it (else empty); "dialout" when the device or
// its group cannot be looked up.
std::string owner_group(const std::string& path);
// What to do when this user may not open the device.
std::string access_fix(const std::string& path);

// What an open of the device reports when another program holds it.
std::string in_use_text(const std::string& path);

// The hint every failure ends with.
inline const char* const kListHint = "tsx4410sfp-sim --list shows the serial devices";

}  // namespace launcher
