#include "core/serial_line.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace sim {
namespace {

// What a loop holds before further bytes are refused (local loop) or
// dropped (echo the line cannot take, e.g. held back by flow control).
constexpr std::size_t kLoopCapacity = 65536;

struct OpenLines {
  std::mutex mutex;
  std::set<SerialLine*> lines;
  bool at_exit = false;
};

// Never destroyed: the exit handler may run after static destructors began.
OpenLines& open_lines() {
  static OpenLines* lines = new OpenLines;
  return *lines;
}

void enlist(SerialLine* line, bool add) {
  OpenLines& o = open_lines();
  std::lock_guard<std::mutex> lock(o.mutex);
  if (!add) {
    o.lines.erase(line);
    return;
  }
  if (!o.at_exit) o.at_exit = std::atexit(&SerialLine::restore_all) == 0;
  o.lines.insert(line);
}

std::string open_failure(const std::string& path, int err) {
  std::string text = path + ": ";
  if (err == EBUSY || err == EWOULDBLOCK) return text + "in use by another program";
  if (err == ENOTTY) return text + "not a serial device";
  text += std::strerror(err);
  if (err == EACCES || err == EPERM) {
    struct stat st;
    const group* g = ::stat(path.c_str(), &st) == 0 ? getgrgid(st.st_gid) : nullptr;
    text += std::string(" - is the user in the ") + (g ? g->gr_name : "dialout") + " group?";
  }
  return text;
}

// Opens the device for a line: non-blocking, not as controlling terminal,
// a serial device, and ours alone. The lock comes first: a second user must
// be turned away before TIOCEXCL would shut out the program that really
// holds the line. Returns the descriptor, or -1 with *err set.
int open_exclusive(const std::string& path, int* err) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  *err = fd < 0 ? errno : 0;
  if (!*err && !isatty(fd)) *err = ENOTTY;
  if (!*err && flock(fd, LOCK_EX | LOCK_NB) != 0) *err = errno;
  if (*err && fd >= 0) ::close(fd);
  return *err ? -1 : fd;
}

}  // namespace

std::string probe_port(const std::string& path) {
  int err = 0;
  const int fd = open_exclusive(path, &err);
  if (fd < 0) return open_failure(path, err);
  // Another program may hold the line with TIOCEXCL alone (no lock): then
  // only root gets this far, and root is told so rather than sharing it.
  int excl = 0;
  if (ioctl(fd, TIOCGEXCL, &excl) == 0 && excl) err = EBUSY;
  ::close(fd);
  return err ? open_failure(path, err) : std::string();
}

void SerialLine::restore_all() {
  OpenLines& o = open_lines();
  std::lock_guard<std::mutex> lock(o.mutex);
  for (SerialLine* line : o.lines) {
    restore_kernel_settings(line->fd_, line->found_kernel_);
    ioctl(line->fd_, TIOCNXCL);
  }
}

ViStatus SerialLine::open(const ConfigRecord& record, ConfigRecord* effective) {
  close();
  gone_ = false;
  local_.clear();
  echo_.clear();
  int err = 0;
  const int fd = open_exclusive(path_, &err);
  if (!err && (tcgetattr(fd, &found_) != 0 || !save_kernel_settings(fd, &found_kernel_))) err = errno;
  if (!err && ioctl(fd, TIOCEXCL) != 0) err = errno;
  if (err) {
    if (fd >= 0) ::close(fd);
    message_ = open_failure(path_, err);
    return TSX4410_ERROR_PORT_UNAVAILABLE;
  }
  fd_ = fd;
  enlist(this, true);
  const ViStatus st = configure(record, effective);
  if (st < 0) close();
  return st;
}

ViStatus SerialLine::configure(const ConfigRecord& record, ConfigRecord* effective) {
  if (gone_) return disconnected();
  const LinePlan plan = plan_line(found_, record);
  if (!plan.refused.empty()) {
    message_ = path_ + ": cannot apply " + plan.refused;
    return TSX4410_ERROR_PORT_SETTING;
  }
  if (fd_ < 0) return TSX4410_ERROR_CHANNEL_CLOSED;
  if (tcsetattr(fd_, TCSANOW, &plan.tio) != 0) return fail(errno);
  if (!plan.standard_rate && !set_kernel_rate(fd_, plan.rate)) {
    const int err = errno;
    if (err != EINVAL) return fail(err);
    message_ = path_ + ": cannot apply rate " + std::to_string(plan.rate) + " bit/s";
    return TSX4410_ERROR_PORT_SETTING;
  }
  if (plan.mode != mode_) {
    local_.clear();
    echo_.clear();
  }
  mode_ = plan.mode;
  if (effective) *effective = plan.effective;

  // Read back what the device kept: some refuse a setting without an error
  // (a pseudo-terminal always keeps 8 data bits and no parity).
  termios now{};
  unsigned rate = 0;
  if (tcgetattr(fd_, &now) != 0 || !kernel_rate(fd_, &rate)) return fail(errno);
  applied_ = describe_line(now, rate);
  std::string notes = plan.nearest;
  const tcflag_t kLine = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
  if ((now.c_cflag & kLine) != (plan.tio.c_cflag & kLine) || rate != plan.rate) {
    notes += (notes.empty() ? "" : "; ") + std::string("the device kept ") + applied_;
  }
  if (notes.empty()) return VI_SUCCESS;
  message_ = path_ + ": " + notes;
  return TSX4410_WARN_NEAREST_SETTING;
}

ViStatus SerialLine::waiting(ViUInt32* count) {
  *count = 0;
  if (gone_) return disconnected();
  if (fd_ < 0) return VI_SUCCESS;
  if (hung_up()) return disconnected();
  if (mode_ == ChannelMode::kRemoteLoop) return loop_remote();
  if (mode_ == ChannelMode::kLocalLoop) {
    // The receiver listens to the transmitter only; the line's input is lost,
    // as on a module in local loop, so the far end is never held up.
    if (tcflush(fd_, TCIFLUSH) != 0) return fail(errno);
    *count = static_cast<ViUInt32>(local_.size());
    return VI_SUCCESS;
  }
  if (ViStatus st = move_echo(); st < 0) return st;
  int n = 0;
  if (ioctl(fd_, FIONREAD, &n) != 0) return fail(errno);
  *count = static_cast<ViUInt32>(std::max(n, 0));
  return VI_SUCCESS;
}

ViStatus SerialLine::output_queued(bool* queued) {
  *queued = false;
  if (gone_) return disconnected();
  if (fd_ < 0) return VI_SUCCESS;
  if (hung_up()) return disconnected();
  if (ViStatus st = move_echo(); st < 0) return st;
  int n = 0;
  if (mode_ != ChannelMode::kLocalLoop && ioctl(fd_, TIOCOUTQ, &n) != 0) return fail(errno);
  *queued = n > 0 || !echo_.empty();
  return VI_SUCCESS;
}

ViStatus SerialLine::write(const ViByte* bytes, ViUInt32 count, ViUInt32* written) {
  *written = 0;
  if (gone_) return disconnected();
  if (fd_ < 0) return TSX4410_ERROR_CHANNEL_CLOSED;
  if (mode_ == ChannelMode::kLocalLoop) {
    const std::size_t n = std::min<std::size_t>(count, kLoopCapacity - local_.size());
    local_.insert(local_.end(), bytes, bytes + n);
    *written = static_cast<ViUInt32>(n);
    return VI_SUCCESS;
  }
  if (ViStatus st = move_echo(); st < 0) return st;
  if (count == 0) return VI_SUCCESS;
  const ssize_t n = ::write(fd_, bytes, count);
  if (n < 0) return errno == EAGAIN || errno == EINTR ? VI_SUCCESS : fail(errno);
  *written = static_cast<ViUInt32>(n);
  return VI_SUCCESS;
}

ViStatus SerialLine::read(ViByte* buf, ViUInt32 count, ViUInt32* got) {
  *got = 0;
  if (gone_) return disconnected();
  if (fd_ < 0) return TSX4410_ERROR_CHANNEL_CLOSED;
  if (mode_ == ChannelMode::kRemoteLoop) return loop_remote();
  if (mode_ == ChannelMode::kLocalLoop) {
    const std::size_t n = std::min<std::size_t>(count, local_.size());
    std::copy_n(local_.begin(), n, buf);
    local_.erase(local_.begin(), local_.begin() + static_cast<std::ptrdiff_t>(n));
    *got = static_cast<ViUInt32>(n);
    return VI_SUCCESS;
  }
  if (count == 0) return VI_SUCCESS;
  const ssize_t n = ::read(fd_, buf, count);
  if (n < 0) return errno == EAGAIN || errno == EINTR ? VI_SUCCESS : fail(errno);
  // With VMIN 1 a non-blocking read says 0 only at end of file.
  if (n == 0) return hung_up() ? disconnected() : VI_SUCCESS;
  *got = static_cast<ViUInt32>(n);
  if (mode_ == ChannelMode::kAutoEcho) {
    echo_.append(reinterpret_cast<const char*>(buf),
                 std::min<std::size_t>(static_cast<std::size_t>(n), kLoopCapacity - echo_.size()));
    return move_echo();
  }
  return VI_SUCCESS;
}

void SerialLine::discard() {
  local_.clear();
  echo_.clear();
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

void SerialLine::close() {
  if (fd_ < 0) return;
  enlist(this, false);
  restore_kernel_settings(fd_, found_kernel_);
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);  // also drops the lock
  fd_ = -1;
}

ViStatus SerialLine::fail(int err) {
  if (err == EIO || err == ENXIO || err == ENODEV || err == EPIPE) return disconnected();
  message_ = path_ + ": " + std::strerror(err);
  return TSX4410_ERROR_PORT_IO;
}

ViStatus SerialLine::disconnected() {
  // The descriptor goes at once, so nothing is ever sent after a hang-up and
  // later calls fail here without a system call.
  close();
  gone_ = true;
  message_ = path_ + ": disconnected (the device went away or its other end was closed)";
  return TSX4410_ERROR_PORT_DISCONNECTED;
}

bool SerialLine::hung_up() const {
  pollfd p{fd_, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

ViStatus SerialLine::move_echo() {
  if (echo_.empty()) return VI_SUCCESS;
  const ssize_t n = ::write(fd_, echo_.data(), echo_.size());
  if (n < 0) return errno == EAGAIN || errno == EINTR ? VI_SUCCESS : fail(errno);
  echo_.erase(0, static_cast<std::size_t>(n));
  return VI_SUCCESS;
}

ViStatus SerialLine::loop_remote() {
  char buf[4096];
  for (;;) {
    if (ViStatus st = move_echo(); st < 0 || !echo_.empty()) return st;
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n < 0) return errno == EAGAIN || errno == EINTR ? VI_SUCCESS : fail(errno);
    if (n == 0) return hung_up() ? disconnected() : VI_SUCCESS;
    echo_.append(buf, static_cast<std::size_t>(n));
  }
}

}  // namespace sim
