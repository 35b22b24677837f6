// A module channel that stands for a host serial device (an adapter, a
// built-in port, a pseudo-terminal). It owns the descriptor, puts back the
// settings it found when it closes (and at process exit), and turns every
// system error into a driver status whose text names the device.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <deque>
#include <string>

#include "core/marked_stream.h"
#include "core/serial_kernel.h"
#include "core/termios_map.h"

namespace sim {

// Why a device cannot be a channel's line, for a caller to decide by; the
// text is for the user. kNoUart: a built-in port the kernel lists with no UART
// behind it (only its description in sysfs tells that apart from other I/O errors).
enum class PortFault { kNone, kMissing, kNotSerial, kNoUart, kNoAccess, kInUse, kOther };
struct PortCheck {
  PortFault fault = PortFault::kNone;
  std::string text;  // names the device and the fix; empty with kNone
};

// Whether this process could take the device as a channel's line: it exists,
// is a serial device, may be opened and nobody else holds it. It opens the
// device (raising DTR and RTS, which resets many microcontroller boards), but
// changes nothing on the line. The text is the one an open would give.
PortCheck probe_port(const std::string& path);

// The group whose members may open the device: its own group when that group
// may read and write it; "dialout" when the device or its group cannot be
// looked up; empty when no group helps (only its owner may open it).
std::string join_group(const std::string& path);

class SerialLine {
 public:
  // The module's buffers: what a write may queue while the line holds its
  // output back, and what is taken off the line and not yet read.
  static constexpr std::size_t kTransmitBuffer = 4096;
  static constexpr std::size_t kReceiveBuffer = 65536;

  explicit SerialLine(std::string path) : path_(std::move(path)) {}
  ~SerialLine() { close(); }
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;

  // Non-blocking, not as controlling terminal, for this process alone
  // (TIOCEXCL, and a lock that also holds against root), settings saved;
  // then the record is applied. Fails with TSX4410_ERROR_PORT_UNAVAILABLE.
  ViStatus open(const ConfigRecord& record, ConfigRecord* effective);
  // 0, TSX4410_WARN_NEAREST_SETTING (something applied in place of what was
  // asked, or the device kept other settings), or an error. A record the
  // line refuses leaves the settings in force before.
  ViStatus configure(const ConfigRecord& record, ConfigRecord* effective);
  // Every call below first moves queued output to the line and the line's
  // input into the receive buffer, so bytes move at every call the channel gets.
  // The count has one for each place where line errors were met.
  ViStatus waiting(ViUInt32* count);
  // True while the transmit buffer and the device together hold more than
  // one step of output: the whole characters the line sends in 40 ms at its
  // rate and framing (at least one).
  ViStatus output_queued(bool* queued);
  // Never waits. Takes all the bytes into the transmit buffer or none:
  // TSX4410_ERROR_PORT_OUTPUT_FULL when they do not fit, with a text of its
  // own for a write larger than the whole buffer.
  ViStatus write(const ViByte* bytes, ViUInt32 count, ViUInt32* written);
  // Good bytes up to the next line errors; a read that starts at them takes
  // them off and fails with TSX4410_ERROR_LINE, its text counting them.
  ViStatus read(ViByte* buf, ViUInt32 count, ViUInt32* got);
  // Takes what the device delivered as it came off it: good bytes into the
  // receive buffer (and back out in the echo modes), errors marked in it
  // into their place among them.
  void received(const char* raw, std::size_t size);
  void discard();  // drops input and output not yet moved
  // Returns at once. Queued output is left to drain on a thread of its own
  // for as long as it needs at the line's rate plus half a second (never
  // more than 2 s from now), so lines closed together drain side by side;
  // then the rest is dropped, the settings found are put back and the device
  // is closed. Opening the same device again ends the drain at once. Nothing
  // when not open.
  void close();

  bool is_open() const { return fd_ >= 0; }
  // Closed by its owner, as opposed to gone with a hang-up (whose received
  // bytes are still to be read).
  bool closed() const { return fd_ < 0 && !gone_; }
  const std::string& path() const { return path_; }
  // The text of the last failure or warning, naming the device.
  const std::string& message() const { return message_; }
  // The settings in effect after the last open or configure, for the trace.
  const std::string& applied() const { return applied_; }
  // How the line's errors are told apart when the device keeps no counts of
  // them, for the trace once per open; empty when it does.
  const std::string& guessing() const { return guessing_; }

  // Waits for drains still running (never past their deadline), then puts
  // every line this process opened back as found; registered with atexit.
  // A forked child inherits the lists and leaves them alone.
  static void restore_all();

 private:
  ViStatus fail(int err);  // an errno from an I/O call
  ViStatus disconnected();
  bool hung_up() const;
  void release();          // settings back, descriptor closed, at once, on this thread
  ViStatus pump();         // output to the line, input off it, as far as each goes
  ViStatus pump_output();
  ViStatus take_input();
  void start_input();      // empty, with the kernel's error counts as they stand
  void clear_input();
  void drain();            // hands queued output and the descriptor to a drainer; else release()

  std::string path_;
  int fd_ = -1;
  pid_t owner_ = 0;        // the process that opened it
  bool gone_ = false;
  termios found_{};
  KernelLineSettings found_kernel_{};
  ChannelMode mode_ = ChannelMode::kNormal;
  std::deque<ViByte> in_;  // received (or looped back), not yet read
  std::string out_;        // written, or owed by the echo modes, not yet taken by the line
  std::string message_;
  std::string applied_;
  struct Mark {
    std::uint64_t at;  // the errors come after this many good bytes ever received
    LineErrors errors;
  };
  std::deque<Mark> marks_;  // line errors among the bytes of in_
  std::uint64_t read_ = 0;  // bytes ever taken off in_ by reads
  MarkedStream stream_;
  bool marked_ = false;          // the device marks errors in its input (it kept PARMRK)
  bool parity_checked_ = false;  // it kept INPCK
  bool counts_ = false;          // it keeps counts of the errors (TIOCGICOUNT)
  LineErrors counted_;           // those counts when last taken
  std::string guessing_;
};

}  // namespace sim
