#include "launcher/port_list.h"

#include <algorithm>
#include <array>
#include <map>

namespace launcher {
namespace {

// ttyS2 before ttyS10: the stem as text, then the trailing number by value.
bool natural_less(const std::string& a, const std::string& b) {
  const std::size_t ia = a.find_last_not_of("0123456789") + 1;
  const std::size_t ib = b.find_last_not_of("0123456789") + 1;
  const int stems = a.compare(0, ia, b, 0, ib);
  if (stems != 0 || ia == a.size() || ib == b.size()) return stems != 0 ? stems < 0 : a < b;
  const std::string na = a.substr(ia), nb = b.substr(ib);
  return na.size() != nb.size() ? na.size() < nb.size() : na < nb;
}

// Vendor:product, product and serial of the USB device a tty hangs off: the
// nearest folder above the tty's device that has them (the interface and the
// usb-serial port in between have none). Empty off USB.
std::string usb_facts(std::string dir) {
  for (; !dir.empty(); dir.erase(dir.rfind('/'))) {
    const std::string vendor = first_line(dir + "/idVendor");
    if (vendor.empty()) continue;
    const std::string product = first_line(dir + "/product"), serial = first_line(dir + "/serial");
    return vendor + ":" + first_line(dir + "/idProduct") + (product.empty() ? "" : " " + product) +
           (serial.empty() ? "" : " (serial " + serial + ")");
  }
  return "";
}

// The driver behind a tty's device. Newer kernels put serial_core's own
// port and controller devices (bus serial-base, driver "port") in between:
// the driver that tells the user something sits above them.
std::string driver_of(std::string dir) {
  while (base_name(real_path(dir + "/subsystem")) == "serial-base") dir.erase(dir.rfind('/'));
  return base_name(real_path(dir + "/driver"));
}

void judge(PortEntry& e, const ListRoots& roots, bool probe) {
  using sim::PortFault;
  const sim::PortCheck c = check_port(e.device, roots, probe, &e.holder);
  e.may_open = c.fault != PortFault::kNoAccess;
  if (!e.may_open) e.group = sim::join_group(e.device);
  e.held = c.fault == PortFault::kInUse  ? PortEntry::kHeld
           : c.fault == PortFault::kNone ? PortEntry::kFree
                                         : PortEntry::kUnknown;
  if (e.may_open && e.held == PortEntry::kUnknown) e.note = c.text;
}

}  // namespace

PortList list_ports(const ListRoots& roots, bool probe) {
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
  std::vector<std::string> names = dir_names(roots.sys_tty);
  std::sort(names.begin(), names.end(), natural_less);
  for (const std::string& name : names) {
    const std::string device = real_path(roots.sys_tty + "/" + name + "/device");
    if (device.empty()) continue;  // a virtual console, ptmx: no hardware behind it
    if (uart_missing(name, roots.sys_tty)) {
      list.without_uart.push_back(name);
      continue;
    }
    const std::string path = roots.dev + "/" + name;
    PortEntry& e = add(real_path(path), path);
    e.driver = driver_of(device);
    e.usb = usb_facts(device);
  }
  for (const std::string& dir : {roots.by_id, roots.by_path}) {
    std::vector<std::string> links = dir_names(dir);
    std::sort(links.begin(), links.end());
    for (const std::string& link : links) {
      const std::string real = real_path(dir + "/" + link);
      if (!real.empty()) add(real, real).links.push_back(dir + "/" + link);
    }
  }
  for (const std::string& path : roots.named) {
    const std::string real = real_path(path);
    PortEntry& e = add(real, path);
    if (!real.empty() && real != e.device) e.target = real;
  }
  for (const std::string& key : order) {
    judge(found[key], roots, probe);
    list.ports.push_back(found[key]);
  }
  return list;
}

void print_ports(const PortList& list, std::ostream& out) {
  std::vector<std::array<std::string, 5>> rows;
  if (list.ports.empty()) {
    out << "No serial devices found. A USB adapter appears as /dev/ttyUSB0 or /dev/ttyACM0 "
           "once plugged in; to check a pseudo-terminal, name it: tsx4410sfp-sim --list "
           "/dev/pts/3\n";
  } else {
    rows.push_back({"DEVICE", "MAY OPEN", "IN USE", "DRIVER", "USB"});
  }
  for (const PortEntry& e : list.ports) {
    const std::string access = e.may_open        ? (e.note.empty() ? "yes" : "?")
                               : e.group.empty() ? "no: owner only"
                                                 : "no: join " + e.group;
    const std::string held = e.held == PortEntry::kFree ? "no"
                             : e.held == PortEntry::kUnknown
                                 ? "?"
                                 : "yes" + (e.holder.empty() ? "" : ": " + e.holder);
    rows.push_back({e.device, access, held, e.driver, e.usb});
  }
  std::array<std::size_t, 5> width{};
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < width.size(); ++i)
      width[i] = std::max(width[i], row.at(i).size() + 2);
  }
  bool join = false;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::string line;
    for (std::size_t i = 0; i < width.size(); ++i) {
      line += rows[r].at(i) + std::string(width[i] - rows[r][i].size(), ' ');
    }
    out << line.substr(0, line.find_last_not_of(' ') + 1) << "\n";
    if (r == 0) continue;
    const PortEntry& e = list.ports[r - 1];
    join = join || !e.may_open;
    for (const std::string& link : e.links) out << "    " << link << "\n";
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
