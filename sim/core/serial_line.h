// A module channel that stands for a host serial device (an adapter, a
// built-in port, a pseudo-terminal). It owns the descriptor, puts back the
// settings it found when it closes (and at process exit), and turns every
// system error into a driver status whose text names the device.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <deque>
#include <string>

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
  ViStatus waiting(ViUInt32* count);
  // True while the transmit buffer or the device still holds output.
  ViStatus output_queued(bool* queued);
  // Never waits. Takes all the bytes into the transmit buffer or none:
  // TSX4410_ERROR_PORT_OUTPUT_FULL when they do not fit.
  ViStatus write(const ViByte* bytes, ViUInt32 count, ViUInt32* written);
  ViStatus read(ViByte* buf, ViUInt32 count, ViUInt32* got);
  void discard();  // drops input and output not yet moved
  // Lets queued output drain for as long as it needs at the line's rate plus
  // half a second (never more than 2 s), drops the rest, puts the settings
  // found back and closes; nothing when not open.
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

  // Puts every line this process opened back as found; registered with
  // atexit. A forked child inherits the list and leaves it alone.
  static void restore_all();

 private:
  ViStatus fail(int err);  // an errno from an I/O call
  ViStatus disconnected();
  bool hung_up() const;
  void release();          // settings back, descriptor closed, at once
  ViStatus pump();         // output to the line, input off it, as far as each goes
  ViStatus pump_output();
  ViStatus take_input();
  void drain();            // waits, bounded, for queued output to leave

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
};

}  // namespace sim
