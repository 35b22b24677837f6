#include "launcher/port_check.h"

#include <dirent.h>
#include <linux/serial.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace launcher {
namespace {

using sim::PortCheck;
using sim::PortFault;

const char* kind_of(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISREG(mode)) return "a plain file";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  return "a character device that is not a tty";
}

PortCheck not_serial(const std::string& path, mode_t mode) {
  return {PortFault::kNotSerial, path + ": not a serial device (" + kind_of(mode) +
                                     ") - name one such as /dev/ttyUSB0; " + kListHint};
}

// Whether a tty driver claims the device number, by the kernel's list of
// them ("name node major minor[-last] kind" a line, no name with a space).
// A list that cannot be read claims everything: the panel's open will tell.
bool is_tty(dev_t dev, const std::string& proc) {
  std::ifstream drivers(proc + "/tty/drivers");
  if (!drivers) return true;
  for (std::string line; std::getline(drivers, line);) {
    std::string name, node, range;
    unsigned maj = 0, lo = 0, hi = 0;
    std::istringstream(line) >> name >> node >> maj >> range;
    if (std::sscanf(range.c_str(), "%u-%u", &lo, &hi) == 1) hi = lo;
    if (maj == major(dev) && minor(dev) >= lo && minor(dev) <= hi) return true;
  }
  return false;
}

std::string program(const std::string& proc, long pid) {
  const std::string name = first_line(proc + "/" + std::to_string(pid) + "/comm");
  return (name.empty() ? "" : name + ", ") + "pid " + std::to_string(pid);
}

// Which pseudo-terminal a master descriptor serves, from its fdinfo.
std::string tty_index(const std::string& fdinfo) {
  std::ifstream in(fdinfo);
  for (std::string key, value; in >> key >> value;) {
    if (key == "tty-index:") return value;
  }
  return "";
}

std::string link_text(const std::string& link) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : "";
}

// Neither source opens the device: a lock file names its program, and a
// descriptor's link in /proc names the device it is open on. A program of
// another user that locks nothing is not seen; the panel's open will be.
std::string holder(const std::string& path, const std::string& real, const ListRoots& roots) {
  // Programs lock under the name they were given, a by-id name included.
  for (const std::string& name : {base_name(path), base_name(real)}) {
    const std::string lock = roots.lock + "/LCK.." + name;
    std::ifstream in(lock);
    if (!in) continue;
    long pid = 0;  // ASCII, padded or not; unreadable: 0, and the lock holds
    in >> pid;
    // A lock whose program died without removing it holds nothing; one of
    // another user's program is still there (EPERM).
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) continue;
    return pid > 0 ? program(roots.proc, pid) : lock;
  }
  const std::string self = std::to_string(getpid());
  for (const std::string& pid : dir_names(roots.proc)) {
    if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string dir = roots.proc + "/" + pid;
    bool holds = false, far_end = false;
    for (const std::string& fd : dir_names(dir + "/fd")) {
      const std::string target = link_text(dir + "/fd/" + fd);
      holds = holds || target == real;
      // The program that made a pseudo-terminal (socat) keeps its line open
      // beside its own end, the master: it is the far end, not another user.
      far_end = far_end || (base_name(target) == "ptmx" &&
                            tty_index(dir + "/fdinfo/" + fd) == base_name(real));
    }
    if (holds && !far_end) return program(roots.proc, std::stol(pid));
  }
  return "";
}

}  // namespace

std::string real_path(const std::string& path) {
  char buf[PATH_MAX];
  const char* real = ::realpath(path.c_str(), buf);
  return real ? real : "";
}

std::string base_name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::vector<std::string> dir_names(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    }
    closedir(d);
  }
  return names;
}

std::string first_line(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string access_fix(const std::string& path) {
  const std::string g = sim::join_group(path);
  if (g.empty()) return "only its owner may open it - ask for a udev rule that gives it a group";
  return "join the " + g + " group (sudo usermod -aG " + g + " $USER), then log in again";
}

bool uart_missing(const std::string& name, const std::string& sys_tty) {
  // The kernel says so to anyone who asks, without opening the port.
  std::ifstream type(sys_tty + "/" + name + "/type");
  int kind = -1;
  return type >> kind && kind == PORT_UNKNOWN;
}

PortCheck check_port(const std::string& path, const ListRoots& roots, bool open, std::string* who) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return {PortFault::kMissing, path +
                                       ": no such device - check the name and that the adapter "
                                       "is plugged in; " +
                                       kListHint};
    }
    return {PortFault::kOther, path + ": " + std::strerror(errno)};
  }
  if (!S_ISCHR(st.st_mode) || !is_tty(st.st_rdev, roots.proc)) return not_serial(path, st.st_mode);
  const std::string real = real_path(path);
  if (uart_missing(base_name(real), roots.sys_tty)) {
    return {
        PortFault::kNoUart,
        path + ": a built-in port with no UART behind it - choose another device; " + kListHint};
  }
  if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
    return {PortFault::kNoAccess, path + ": Permission denied - " + access_fix(path)};
  }
  const std::string by = holder(path, real, roots);
  if (who) *who = by;
  if (!by.empty()) {
    return {PortFault::kInUse,
            path + ": in use by another program (" + by + ") - end that program first"};
  }
  if (!open) return {};
  PortCheck c = sim::probe_port(path);
  if (c.fault == PortFault::kInUse) {
    c.text += " - end that program first (fuser -v " + path + " names it)";
  } else if (c.fault == PortFault::kNotSerial) {
    c = not_serial(path, st.st_mode);
  } else if (c.fault != PortFault::kNone) {
    c.text += std::string(" - choose another device; ") + kListHint;
  }
  return c;
}

}  // namespace launcher
