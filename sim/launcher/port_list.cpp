#include "launcher/port_list.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>

namespace launcher {
namespace {

// ttyS3, ttyUSB0, ttyACM1, ttyAMA0: a known stem and a number, nothing else.
bool serial_name(const std::string& name) {
  for (const char* stem : {"ttyS", "ttyUSB", "ttyACM", "ttyAMA"}) {
    const std::string s = stem;
    if (name.size() > s.size() && name.compare(0, s.size(), s) == 0 &&
        name.find_first_not_of("0123456789", s.size()) == std::string::npos) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> entries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    }
    closedir(d);
  }
  return names;
}

std::string resolved(const std::string& path) {
  char buf[PATH_MAX];
  const char* real = ::realpath(path.c_str(), buf);
  return real ? real : "";
}

// ttyS2 before ttyS10: the stem as text, then the trailing number by value.
bool natural_less(const std::string& a, const std::string& b) {
  const std::size_t ia = a.find_last_not_of("0123456789") + 1;
  const std::size_t ib = b.find_last_not_of("0123456789") + 1;
  const int stems = a.compare(0, ia, b, 0, ib);
  if (stems != 0 || ia == a.size() || ib == b.size()) return stems != 0 ? stems < 0 : a < b;
  const std::string na = a.substr(ia), nb = b.substr(ib);
  return na.size() != nb.size() ? na.size() < nb.size() : na < nb;
}

void judge(PortEntry& e, const std::string& sys_tty) {
  if (::access(e.device.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
    e.may_open = false;
    e.group = owner_group(e.device);
    return;
  }
  const std::string why = check_port(e.device, sys_tty);
  if (why.empty()) {
    e.held = PortEntry::kFree;
  } else if (why.compare(0, in_use_text(e.device).size(), in_use_text(e.device)) == 0) {
    e.held = PortEntry::kHeld;
  } else {
    e.note = why;
  }
}

}  // namespace

PortList list_ports(const ListRoots& roots) {
  PortList list;
  std::map<std::string, PortEntry> found;  // by the device each name resolves to
  std::vector<std::string> order;
  auto add = [&](const std::string& real, const std::string& device) -> PortEntry& {
    auto [it, fresh] = found.try_emplace(real.empty() ? device : real);
    if (fresh) {
      it->second.device = device;
      order.push_back(it->first);
    }
    return it->second;
  };
  std::vector<std::string> names = entries(roots.dev);
  std::sort(names.begin(), names.end(), natural_less);
  for (const std::string& name : names) {
    const std::string path = roots.dev + "/" + name;
    if (!serial_name(name)) continue;
    if (uart_missing(path, roots.sys_tty)) {
      list.without_uart.push_back(name);
    } else {
      add(resolved(path), path);
    }
  }
  std::vector<std::string> links = entries(roots.by_id);
  std::sort(links.begin(), links.end());
  for (const std::string& link : links) {
    const std::string path = roots.by_id + "/" + link;
    const std::string real = resolved(path);
    if (!real.empty()) add(real, real).by_id.push_back(path);
  }
  for (const std::string& path : roots.named) {
    const std::string real = resolved(path);
    PortEntry& e = add(real, path);
    if (!real.empty() && real != e.device) e.target = real;
  }
  for (const std::string& key : order) {
    judge(found[key], roots.sys_tty);
    list.ports.push_back(found[key]);
  }
  return list;
}

void print_ports(const PortList& list, std::ostream& out) {
  if (list.ports.empty()) {
    out << "No serial devices found. A USB adapter appears as /dev/ttyUSB0 or /dev/ttyACM0 "
           "once plugged in; to check a pseudo-terminal, name it: tsx4410sfp-sim --list "
           "/dev/pts/3\n";
  }
  std::size_t width = 6;
  for (const PortEntry& e : list.ports) width = std::max(width, e.device.size());
  auto pad = [](const std::string& s, std::size_t w) {
    return s + std::string(w > s.size() ? w - s.size() : 0, ' ');
  };
  if (!list.ports.empty()) {
    out << pad("DEVICE", width) << "  " << pad("MAY OPEN", 19) << "  " << pad("HELD", 4)
        << "  BY-ID NAME\n";
  }
  bool join = false;
  for (const PortEntry& e : list.ports) {
    const char* held[] = {"no", "yes", "?"};
    join = join || !e.may_open;
    const std::string access = e.may_open        ? (e.note.empty() ? "yes" : "?")
                               : e.group.empty() ? "no: owner only"
                                                 : "no: join " + e.group;
    std::string line = pad(e.device, width) + "  " + pad(access, 19) + "  " + pad(held[e.held], 4);
    for (std::size_t i = 0; i < e.by_id.size(); ++i) {
      line += (i ? "\n" + std::string(width + 29, ' ') : std::string("  ")) + e.by_id[i];
    }
    out << line.substr(0, line.find_last_not_of(' ') + 1) << "\n";
    if (!e.target.empty()) out << "    is " << e.target << "\n";
    if (!e.note.empty()) out << "    " << e.note << "\n";
  }
  if (join) {
    out << "To join a group: sudo usermod -aG <group> $USER, then log in again. A device only\n"
           "its owner may open needs a udev rule that gives it a group.\n";
  }
  const auto& dead = list.without_uart;
  if (!dead.empty()) {
    out << "Not listed: " << dead.size() << " built-in port" << (dead.size() > 1 ? "s" : "")
        << " with no UART behind " << (dead.size() > 1 ? "them" : "it") << " (" << dead.front()
        << (dead.size() > 1 ? ".." + dead.back() : "") << ").\n";
  }
  for (const PortEntry& e : list.ports) {
    if (e.held != PortEntry::kFree) continue;
    out << "Put a channel on a free one: tsx4410sfp-sim 1=" << e.device << "\n";
    break;
  }
}

}  // namespace launcher
