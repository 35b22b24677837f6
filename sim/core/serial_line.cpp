#include "core/serial_line.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

namespace sim {
namespace {

constexpr auto kDrainSlack = std::chrono::milliseconds(500);
constexpr auto kDrainLimit = std::chrono::milliseconds(2000);

constexpr auto kStep = std::chrono::milliseconds(40);
using Clock = std::chrono::steady_clock;

// Bits a character takes on the line: start, data, parity, stop.
unsigned bits_per_char(const termios& t) {
  static const unsigned kData[] = {5, 6, 7, 8};
  return 1 + kData[(t.c_cflag & CSIZE) / CS6] + ((t.c_cflag & PARENB) ? 1 : 0) + ((t.c_cflag & CSTOPB) ? 2 : 1);
}

// The line's pace as the device has it: bits per character and bit/s (the
// slowest rate when the device will not tell).
struct Pace {
  std::uint64_t bits, rate;
};
Pace pace(int fd) {
  termios t{};
  unsigned rate = 0;
  if (tcgetattr(fd, &t) != 0 || !kernel_rate(fd, &rate) || rate == 0) rate = 50;
  return {bits_per_char(t), rate};
}

// What the line still owes: `held` bytes not yet handed over, plus the device's queue.
std::size_t owed(int fd, std::size_t held) {
  int n = 0;
  return held + (ioctl(fd, TIOCOUTQ, &n) == 0 && n > 0 ? static_cast<std::size_t>(n) : 0);
}

// Nothing left goes out at the settings put back.
void put_back(int fd, const KernelLineSettings& found, int queues = TCIOFLUSH) {
  tcflush(fd, queues);
  restore_kernel_settings(fd, found);
  ioctl(fd, TIOCNXCL);
}

// A closed line whose output is still leaving: a drainer thread moves it
// until the device has sent it all or the deadline passes, then puts the
// device back and closes it. All is set before the drainer starts; then
// `out` is the drainer's alone, the two flags change only under the list's
// mutex, and the descriptor stays open until `releasing` is set.
struct Drain {
  std::string path, real;  // as named, and the device behind any links
  int fd = -1;
  std::string out;         // the line's bytes not yet taken by the device
  KernelLineSettings found;
  Clock::time_point deadline;
  pid_t owner = 0;
  bool ended = false;      // the device is wanted now: a reopen, or the exit
  bool releasing = false;  // the drainer is putting it back; no one else touches fd
};

struct OpenLines {
  std::mutex mutex;
  std::set<SerialLine*> lines;
  std::vector<std::shared_ptr<Drain>> drains;
  bool at_exit = false;
  bool at_fork = false;
};

// Never destroyed: the exit handler may run after static destructors began,
// and a drainer may still be finishing then.
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
  // A fork while a drainer holds the mutex would leave it locked for good in
  // the child, whose exit handler takes it.
  if (!o.at_fork) {
    o.at_fork = pthread_atfork([] { open_lines().mutex.lock(); }, [] { open_lines().mutex.unlock(); },
                               [] { open_lines().mutex.unlock(); }) == 0;
  }
  o.lines.insert(line);
}

std::string real_path(const std::string& path) {
  char buf[PATH_MAX];
  return realpath(path.c_str(), buf) ? std::string(buf) : path;
}

void run_drain(const std::shared_ptr<Drain>& d) {
  OpenLines& o = open_lines();
  bool sent = false;
  for (bool gone = false;;) {
    if (!d->out.empty()) {
      const ssize_t n = ::write(d->fd, d->out.data(), d->out.size());
      if (n > 0) d->out.erase(0, static_cast<std::size_t>(n));
      gone = n < 0 && errno != EAGAIN && errno != EINTR;  // nothing more leaves
    }
    sent = owed(d->fd, d->out.size()) == 0;
    {
      std::lock_guard<std::mutex> lock(o.mutex);
      if (gone || sent || d->ended || Clock::now() >= d->deadline) {
        d->releasing = true;
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // All sent: nothing is left to drop, and the far end may still be taking
  // it in (a pseudo-terminal's other end holds it until read).
  put_back(d->fd, d->found, sent ? TCIFLUSH : TCIOFLUSH);
  ::close(d->fd);  // also drops the lock
  std::lock_guard<std::mutex> lock(o.mutex);
  o.drains.erase(std::find(o.drains.begin(), o.drains.end(), d));
}

// A drain of the device at `path` (by its name or the device behind it) ends
// at once, its output dropped as at its deadline; waits only for the drainer
// to put the device back, which takes it no more than a step of its loop.
void end_drains(const std::string& path) {
  OpenLines& o = open_lines();
  const std::string real = real_path(path);
  for (bool left = true; left;) {
    left = false;
    {
      std::lock_guard<std::mutex> lock(o.mutex);
      for (const auto& d : o.drains) {
        if (d->owner != getpid() || (d->path != path && d->real != real)) continue;
        d->ended = left = true;
      }
    }
    if (left) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
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

// The kernel's counts of the errors the line met, where the device keeps
// them (a pseudo-terminal does not: ENOTTY).
bool take_counts(int fd, LineErrors* out) {
  serial_icounter_struct c{};
  if (ioctl(fd, TIOCGICOUNT, &c) != 0) return false;
  const auto u = [](int v) { return static_cast<std::uint32_t>(v); };
  *out = {u(c.parity), u(c.frame), static_cast<std::uint32_t>(u(c.overrun) + u(c.buf_overrun)), u(c.brk)};
  return true;
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
  const pid_t me = getpid();
  // Drains still running get their time, never past their deadline; a
  // forked child's copies of its parent's drains have no drainer here.
  for (bool running = true; running;) {
    running = false;
    {
      std::lock_guard<std::mutex> lock(o.mutex);
      for (const auto& d : o.drains) running = running || (d->owner == me && Clock::now() < d->deadline);
    }
    if (running) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::lock_guard<std::mutex> lock(o.mutex);
  for (const auto& d : o.drains) {
    // One being put back is its drainer's; any other is late and gets it here.
    if (d->owner != me || d->releasing) continue;
    d->ended = true;
    put_back(d->fd, d->found);
  }
  for (SerialLine* line : o.lines) {
    // A forked child shares the descriptor: the line is its parent's to put back.
    if (line->owner_ != me) continue;
    put_back(line->fd_, line->found_kernel_);
  }
}

ViStatus SerialLine::open(const ConfigRecord& record, ConfigRecord* effective) {
  // A reopen starts empty at once: what this line, or a drain of the same
  // device, still held is dropped as a drain's deadline would drop it.
  release();
  end_drains(path_);
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
  start_input();
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
    clear_input();
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
  marked_ = (now.c_iflag & PARMRK) != 0;
  parity_checked_ = (now.c_iflag & INPCK) != 0;
  std::string notes = plan.nearest;
  const tcflag_t kLine = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
  const tcflag_t kInput = IXON | IXOFF | INPCK | PARMRK;
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
  *count = static_cast<ViUInt32>(in_.size() + marks_.size());
  return *count == 0 ? st : VI_SUCCESS;
}

ViStatus SerialLine::output_queued(bool* queued) {
  *queued = false;
  if (closed()) return VI_SUCCESS;
  if (ViStatus st = pump(); st < 0) return st;
  int n = 0;
  if (mode_ != ChannelMode::kLocalLoop && ioctl(fd_, TIOCOUTQ, &n) != 0) return fail(errno);
  // Busy only past what the line sends in one step: a writer pacing itself by
  // this keeps the device fed instead of letting it run dry between steps.
  const Pace p = pace(fd_);
  const std::uint64_t step = std::max<std::uint64_t>(1, p.rate * kStep.count() / 1000 / p.bits);
  *queued = out_.size() + static_cast<std::size_t>(std::max(n, 0)) > step;
  return VI_SUCCESS;
}

ViStatus SerialLine::write(const ViByte* bytes, ViUInt32 count, ViUInt32* written) {
  *written = 0;
  if (closed()) return TSX4410_ERROR_CHANNEL_CLOSED;
  if (ViStatus st = pump(); st < 0) return st;
  const bool loop = mode_ == ChannelMode::kLocalLoop;
  const std::size_t held = loop ? in_.size() : out_.size();
  const std::size_t room = (loop ? kReceiveBuffer : kTransmitBuffer) - held;
  if (!loop && count > kTransmitBuffer) {
    message_ = path_ + ": a write of " + std::to_string(count) + " bytes is larger than the " +
               std::to_string(kTransmitBuffer) + "-byte transmit buffer";
    return TSX4410_ERROR_PORT_OUTPUT_FULL;
  }
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
  if (!marks_.empty() && marks_.front().at <= read_) {
    message_ = marks_.front().errors.text(path_);
    marks_.pop_front();
    return TSX4410_ERROR_LINE;
  }
  const std::size_t good = marks_.empty() ? in_.size() : static_cast<std::size_t>(marks_.front().at - read_);
  const std::size_t n = std::min<std::size_t>({count, good, in_.size()});
  std::copy_n(in_.begin(), n, buf);
  in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(n));
  read_ += n;
  *got = static_cast<ViUInt32>(n);
  return n > 0 || count == 0 ? VI_SUCCESS : st;
}

void SerialLine::discard() {
  clear_input();
  out_.clear();
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

void SerialLine::close() {
  if (fd_ >= 0) drain();
}

void SerialLine::release() {
  if (fd_ < 0) return;
  enlist(this, false);
  // A forked child shares the descriptor: the line is its parent's to put back.
  if (owner_ == getpid()) put_back(fd_, found_kernel_);
  ::close(fd_);  // also drops the lock
  fd_ = -1;
  out_.clear();
}

void SerialLine::drain() {
  const std::size_t pending = owed(fd_, out_.size());
  if (pending == 0 || owner_ != getpid()) return release();
  const Pace p = pace(fd_);
  const auto needs = std::chrono::milliseconds(pending * p.bits * 1000 / p.rate) + kDrainSlack;
  auto d = std::make_shared<Drain>();
  d->path = path_;
  d->real = real_path(path_);
  d->out = std::move(out_);
  d->found = found_kernel_;
  d->deadline = Clock::now() + std::min<Clock::duration>(needs, kDrainLimit);
  d->owner = owner_;
  d->fd = std::exchange(fd_, -1);
  out_.clear();
  OpenLines& o = open_lines();
  std::lock_guard<std::mutex> lock(o.mutex);
  o.lines.erase(this);
  o.drains.push_back(d);
  try {
    std::thread([d] { run_drain(d); }).detach();
  } catch (const std::system_error&) {  // no thread to be had: the line goes back at once
    o.drains.pop_back();
    put_back(d->fd, d->found);
    ::close(d->fd);
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
    // Marked input only shrinks as it is taken apart, so what is read fits.
    const std::size_t held = in_.size() + marks_.size();
    std::size_t room = keeps ? kReceiveBuffer - std::min(held, kReceiveBuffer) : sizeof buf;
    if (echoes) room = std::min(room, kTransmitBuffer - out_.size());
    if (room == 0) return VI_SUCCESS;
    const ssize_t n = ::read(fd_, buf, std::min(room, sizeof buf));
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return VI_SUCCESS;
    // With VMIN 1 a non-blocking read says 0 only at end of file.
    if (n == 0 && !hung_up()) return VI_SUCCESS;
    if (n > 0) {
      received(buf, static_cast<std::size_t>(n));
      continue;
    }
    const ViStatus st = n < 0 ? fail(errno) : disconnected();
    // An escape the device cut short by going away is still data.
    if (gone_) {
      stream_.flush([&](MarkedStream::Kind, const ViByte* bytes, std::size_t size) {
        if (keeps) in_.insert(in_.end(), bytes, bytes + size);
      });
    }
    return st;
  }
}

void SerialLine::received(const char* raw, std::size_t size) {
  const bool keeps = mode_ != ChannelMode::kRemoteLoop;
  const bool echoes = mode_ != ChannelMode::kNormal;
  const auto good = [&](const ViByte* bytes, std::size_t n) {
    if (keeps) in_.insert(in_.end(), bytes, bytes + n);
    if (echoes) out_.append(reinterpret_cast<const char*>(bytes), n);
  };
  const auto* bytes = reinterpret_cast<const ViByte*>(raw);
  if (!marked_) return good(bytes, size);
  // The counts are taken only when marks may have come, and spent only when
  // they did: overruns alone wait for the next errors to be told with them.
  LineErrors now = counted_;
  if (counts_ && (stream_.holding() || std::memchr(raw, 0xFF, size) != nullptr)) take_counts(fd_, &now);
  MarkSorter sorter(parity_checked_, counted_since(now, counted_));
  bool met = false;
  stream_.feed(bytes, size, [&](MarkedStream::Kind kind, const ViByte* run, std::size_t n) {
    if (kind == MarkedStream::Kind::kData) return good(run, n);
    met = true;
    if (!keeps) return;
    // Errors with no good byte between them are met by one read.
    const std::uint64_t at = read_ + in_.size();
    if (marks_.empty() || marks_.back().at != at) marks_.push_back({at, {}});
    sorter.sort(kind, marks_.back().errors);
  });
  if (met) counted_ = now;
}

void SerialLine::start_input() {
  clear_input();
  counts_ = take_counts(fd_, &counted_);
  guessing_ = counts_ ? std::string()
                      : path_ + ": no error counts from the device (TIOCGICOUNT): a marked byte counts as a "
                                "parity error when parity is checked, else framing";
}

void SerialLine::clear_input() {
  in_.clear();
  marks_.clear();
  stream_.reset();
}

}  // namespace sim
