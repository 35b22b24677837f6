#include "launcher/port_check.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "core/serial_line.h"

namespace launcher {
namespace {

std::string real_name(const std::string& path) {
  char buf[PATH_MAX];
  const char* real = ::realpath(path.c_str(), buf);
  const std::string full = real ? real : path;
  return full.substr(full.rfind('/') + 1);
}

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

const char* kind_of(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISREG(mode)) return "a plain file";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  return "a character device that is not a tty";
}

std::string not_serial(const std::string& path, const char* kind) {
  return path + ": not a serial device (" + kind + ") - name one such as /dev/ttyUSB0; " +
         kListHint;
}

}  // namespace

std::string in_use_text(const std::string& path) { return path + ": in use by another program"; }

std::string owner_group(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return "dialout";
  // Joining helps only where the group may read and write.
  if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) return "";
  const group* g = getgrgid(st.st_gid);
  return g ? g->gr_name : "dialout";
}

std::string access_fix(const std::string& path) {
  const std::string g = owner_group(path);
  if (g.empty()) return "only its owner may open it - ask for a udev rule that gives it a group";
  return "join the " + g + " group (sudo usermod -aG " + g + " $USER), then log in again";
}

bool uart_missing(const std::string& path, const std::string& sys_tty) {
  std::string name = path.substr(path.rfind('/') + 1);
  if (name.compare(0, 4, "ttyS") != 0) name = real_name(path);
  if (name.compare(0, 4, "ttyS") != 0) return false;
  // The kernel says so to anyone who asks, without opening the port.
  std::ifstream type(sys_tty + "/" + name + "/type");
  int kind = -1;
  if (type >> kind) return kind == PORT_UNKNOWN;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EIO;
  serial_struct info{};
  const bool missing = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
  ::close(fd);
  return missing;
}

std::string check_port(const std::string& path, const std::string& sys_tty) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return path + ": no such device - check the name and that the adapter is plugged in; " +
             kListHint;
    }
    return path + ": " + std::strerror(errno);
  }
  if (!S_ISCHR(st.st_mode)) return not_serial(path, kind_of(st.st_mode));
  if (uart_missing(path, sys_tty)) {
    return path + ": a built-in port with no UART behind it - choose another device; " + kListHint;
  }
  if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
    return path + ": Permission denied - " + access_fix(path);
  }
  const std::string why = sim::probe_port(path);
  if (why.empty()) return why;
  if (why == in_use_text(path)) {
    return why + " - end that program first (fuser -v " + path + " names it)";
  }
  if (ends_with(why, ": not a serial device")) return not_serial(path, kind_of(st.st_mode));
  return why + " - choose another device; " + kListHint;
}

}  // namespace launcher
