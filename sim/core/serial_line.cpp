#include "core/serial_line.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace sim {
namespace {

constexpr auto kDrainSlack = std::chrono::milliseconds(500);
constexpr auto kDrainLimit = std::chrono::milliseconds(2000);

// Bits a character takes on the line: start, data, parity, stop.
unsigned bits_per_char(const termios& t) {
  static const unsigned kData[] = {5, 6, 7, 8};
  return 1 + kData[(t.c_cflag & CSIZE) / CS6] + ((t.c_cflag & PARENB) ? 1 : 0) + ((t.c_cflag & CSTOPB) ? 2 : 1);
}

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

PortCheck open_failure(const std::string& path, int err) {
  const std::string text = path + ": ";
  if (err == EBUSY || err == EWOULDBLOCK) {
    return {PortFault::kInUse, text + "in use by another program"};
  }
  if (err == ENOTTY) return {PortFault::kNotSerial, text + "not a serial device"};
  if (err == EACCES || err == EPERM) {
    const std::string g = join_group(path);
    return {PortFault::kNoAccess, text + std::strerror(err) +
                                      (g.empty() ? " - only its owner may open it"
                                                 : " - is the user in the " + g + " group?")};
  }
  const bool gone = err == ENOENT || err == ENOTDIR;
  return {gone ? PortFault::kMissing : PortFault::kOther, text + std::strerror(err)};
}

// Opens the device for a line: non-blocking, not as controlling terminal,
// a serial device, and ours alone. A serial device is one that answers the
// kernel's own settings call (TCGETS2), which every open needs to save and
// put back the line; /dev/null or a file never does. The lock comes first:
// a second user must be turned away before TIOCEXCL would shut out the
// program that really holds the line. Returns the descriptor with the
// settings found in *kernel, or -1 with *err set.
int open_exclusive(const std::string& path, KernelLineSettings* kernel, int* err) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  *err = fd < 0 ? errno : 0;
  if (!*err && !save_kernel_settings(fd, kernel)) *err = errno;
  if (!*err && flock(fd, LOCK_EX | LOCK_NB) != 0) *err = errno;
  if (*err && fd >= 0) ::close(fd);
  return *err ? -1 : fd;
}

}  // namespace

PortCheck probe_port(const std::string& path) {
  int err = 0;
  KernelLineSettings kernel;
  const int fd = open_exclusive(path, &kernel, &err);
  if (fd < 0) return open_failure(path, err);
  // Another program may hold the line with TIOCEXCL alone (no lock): then
  // only root gets this far, and root is told so rather than sharing it.
  int excl = 0;
  if (ioctl(fd, TIOCGEXCL, &excl) == 0 && excl) err = EBUSY;
  ::close(fd);
  return err ? open_failure(path, err) : PortCheck{};
}

std::string join_group(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return "dialout";
  // Joining helps only where the group may read and write.
  if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) return "";
  const group* g = getgrgid(st.st_gid);
  return g ? g->gr_name : "dialout";
}

void SerialLine::restore_all() {
  OpenLines& o = open_lines();
  std::lock_guard<std::mutex> lock(o.mutex);
  for (SerialLine* line : o.lines) {
    // A forked child shares the descriptor: the line is its parent's to put back.
    if (line->owner_ != getpid()) continue;
    tcflush(line->fd_, TCIOFLUSH);
    restore_kernel_settings(line->fd_, line->found_kernel_);
    ioctl(line->fd_, TIOCNXCL);
  }
}

ViStatus SerialLine::open(const ConfigRecord& record, ConfigRecord* effective) {
  close();
  gone_ = false;
  in_.clear();
  out_.clear();
  int err = 0;
  const int fd = open_exclusive(path_, &found_kernel_, &err);
  if (!err && tcgetattr(fd, &found_) != 0) err = errno;
  if (!err && ioctl(fd, TIOCEXCL) != 0) err = errno;
  if (err) {
    if (fd >= 0) ::close(fd);
    message_ = open_failure(path_, err).text;
    return TSX4410_ERROR_PORT_UNAVAILABLE;
  }
  fd_ = fd;
  owner_ = getpid();
  enlist(this, true);
  // A channel opens empty and free to send, as a module's does. The device
  // may hold what a far end sent while no one had it open, and its XOFF: a
  // pseudo-terminal keeps both for as long as its other end stays open.
  // TCOON alone undoes only a TCOOFF, so the pair restarts output however
  // it was stopped.
  tcflush(fd_, TCIOFLUSH);
  tcflow(fd_, TCOOFF);
  tcflow(fd_, TCOON);
  const ViStatus st = configure(record, effective);
  if (st < 0) release();
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
  // Framing and rate go on in two steps; a rate the device refuses must not
  // leave the new framing behind, so everything in force before is kept.
  KernelLineSettings before;
  if (!save_kernel_settings(fd_, &before)) return fail(errno);
  int err = tcsetattr(fd_, TCSANOW, &plan.tio) != 0 ? errno : 0;
  if (!err && !plan.standard_rate && !set_kernel_rate(fd_, plan.rate)) err = errno;
  if (err) {
    restore_kernel_settings(fd_, before);
    if (err != EINVAL || plan.standard_rate) return fail(err);
    message_ = path_ + ": cannot apply rate " + std::to_string(plan.rate) + " bit/s";
    return TSX4410_ERROR_PORT_SETTING;
  }
  if (plan.mode != mode_) {
    in_.clear();
    out_.clear();
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
  const tcflag_t kInput = IXON | IXOFF | INPCK;
  if ((now.c_cflag & kLine) != (plan.tio.c_cflag & kLine) ||
      (now.c_iflag & kInput) != (plan.tio.c_iflag & kInput) || rate != plan.rate) {
    notes += (notes.empty() ? "" : "; ") + std::string("the device kept ") + applied_;
  }
  if (notes.empty()) return VI_SUCCESS;
  message_ = path_ + ": " + notes;
  return TSX4410_WARN_NEAREST_SETTING;
}

ViStatus SerialLine::waiting(ViUInt32* count) {
  *count = 0;
  if (closed()) return VI_SUCCESS;
  const ViStatus st = pump();
  // What arrived before a hang-up is delivered before the hang-up is told.
  *count = static_cast<ViUInt32>(in_.size());
  return in_.empty() ? st : VI_SUCCESS;
}

ViStatus SerialLine::output_queued(bool* queued) {
  *queued = false;
  if (closed()) return VI_SUCCESS;
  if (ViStatus st = pump(); st < 0) return st;
  int n = 0;
  if (mode_ != ChannelMode::kLocalLoop && ioctl(fd_, TIOCOUTQ, &n) != 0) return fail(errno);
  *queued = n > 0 || !out_.empty();
  return VI_SUCCESS;
}

ViStatus SerialLine::write(const ViByte* bytes, ViUInt32 count, ViUInt32* written) {
  *written = 0;
  if (closed()) return TSX4410_ERROR_CHANNEL_CLOSED;
  if (ViStatus st = pump(); st < 0) return st;
  const bool loop = mode_ == ChannelMode::kLocalLoop;
  const std::size_t held = loop ? in_.size() : out_.size();
  const std::size_t room = (loop ? kReceiveBuffer : kTransmitBuffer) - held;
  if (count > room) {
    message_ = path_ + ": transmit buffer full (" + std::to_string(held) +
               " bytes held back by flow control or a far end that does not read); " +
               std::to_string(count) + " bytes not taken";
    return TSX4410_ERROR_PORT_OUTPUT_FULL;
  }
  if (loop) {
    in_.insert(in_.end(), bytes, bytes + count);
  } else {
    out_.append(reinterpret_cast<const char*>(bytes), count);
  }
  *written = count;
  return loop ? VI_SUCCESS : pump_output();
}

ViStatus SerialLine::read(ViByte* buf, ViUInt32 count, ViUInt32* got) {
  *got = 0;
  if (closed()) return TSX4410_ERROR_CHANNEL_CLOSED;
  const ViStatus st = pump();
  const std::size_t n = std::min<std::size_t>(count, in_.size());
  std::copy_n(in_.begin(), n, buf);
  in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(n));
  *got = static_cast<ViUInt32>(n);
  return n > 0 || count == 0 ? VI_SUCCESS : st;
}

void SerialLine::discard() {
  in_.clear();
  out_.clear();
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

void SerialLine::close() {
  if (fd_ < 0) return;
  drain();
  release();
}

void SerialLine::release() {
  if (fd_ < 0) return;
  enlist(this, false);
  tcflush(fd_, TCIOFLUSH);  // nothing left goes out at the settings put back
  restore_kernel_settings(fd_, found_kernel_);
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);  // also drops the lock
  fd_ = -1;
  out_.clear();
}

void SerialLine::drain() {
  using Clock = std::chrono::steady_clock;
  const auto queued = [this] {
    int n = 0;
    return out_.size() + (ioctl(fd_, TIOCOUTQ, &n) == 0 && n > 0 ? static_cast<std::size_t>(n) : 0);
  };
  std::size_t pending = queued();
  if (pending == 0) return;
  termios t{};
  unsigned rate = 0;
  if (tcgetattr(fd_, &t) != 0 || !kernel_rate(fd_, &rate) || rate == 0) rate = 50;
  const auto needs = std::chrono::milliseconds(pending * bits_per_char(t) * 1000 / rate) + kDrainSlack;
  const auto deadline = Clock::now() + std::min<Clock::duration>(needs, kDrainLimit);
  while (pending > 0 && Clock::now() < deadline) {
    if (pump_output() < 0 || fd_ < 0) return;
    pending = queued();
    if (pending > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

ViStatus SerialLine::fail(int err) {
  if (err == EIO || err == ENXIO || err == ENODEV || err == EPIPE) return disconnected();
  message_ = path_ + ": " + std::strerror(err);
  return TSX4410_ERROR_PORT_IO;
}

ViStatus SerialLine::disconnected() {
  // The descriptor goes at once, so nothing is ever sent after a hang-up and
  // later calls fail here without a system call; what was received stays
  // to be read.
  release();
  gone_ = true;
  message_ = path_ + ": disconnected (the device went away or its other end was closed)";
  return TSX4410_ERROR_PORT_DISCONNECTED;
}

bool SerialLine::hung_up() const {
  pollfd p{fd_, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

ViStatus SerialLine::pump() {
  if (gone_) return disconnected();
  if (fd_ < 0) return VI_SUCCESS;
  if (ViStatus st = pump_output(); st < 0) return st;
  if (ViStatus st = take_input(); st < 0) return st;
  return pump_output();  // what the echo modes owe the line
}

ViStatus SerialLine::pump_output() {
  if (out_.empty() || fd_ < 0) return VI_SUCCESS;
  const ssize_t n = ::write(fd_, out_.data(), out_.size());
  if (n < 0) return errno == EAGAIN || errno == EINTR ? VI_SUCCESS : fail(errno);
  out_.erase(0, static_cast<std::size_t>(n));
  return VI_SUCCESS;
}

ViStatus SerialLine::take_input() {
  if (mode_ == ChannelMode::kLocalLoop) {
    // The receiver listens to the transmitter only; the line's input is lost,
    // as on a module in local loop, so the far end is never held up.
    return tcflush(fd_, TCIFLUSH) == 0 ? VI_SUCCESS : fail(errno);
  }
  const bool keeps = mode_ != ChannelMode::kRemoteLoop;
  const bool echoes = mode_ != ChannelMode::kNormal;
  char buf[4096];
  for (;;) {
    // Read only what the buffers can hold; the rest waits in the device.
    std::size_t room = keeps ? kReceiveBuffer - in_.size() : sizeof buf;
    if (echoes) room = std::min(room, kTransmitBuffer - out_.size());
    if (room == 0) return VI_SUCCESS;
    const ssize_t n = ::read(fd_, buf, std::min(room, sizeof buf));
    if (n < 0) return errno == EAGAIN || errno == EINTR ? VI_SUCCESS : fail(errno);
    // With VMIN 1 a non-blocking read says 0 only at end of file.
    if (n == 0) return hung_up() ? disconnected() : VI_SUCCESS;
    if (keeps) in_.insert(in_.end(), buf, buf + n);
    if (echoes) out_.append(buf, static_cast<std::size_t>(n));
  }
}

}  // namespace sim
