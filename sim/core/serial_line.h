// A module channel that stands for a host serial device (an adapter, a
// built-in port, a pseudo-terminal). It owns the descriptor, puts back the
// settings it found when it closes (and at process exit), and turns every
// system error into a driver status whose text names the device.
#pragma once

#include <termios.h>

#include <deque>
#include <string>

#include "core/serial_kernel.h"
#include "core/termios_map.h"

namespace sim {

// Whether this process could take the device as a channel's line: it exists,
// is a serial device, may be opened and nobody else holds it. Nothing on the
// line is changed. Empty when it can; otherwise the same text an open would
// give, naming the device and the fix.
std::string probe_port(const std::string& path);

class SerialLine {
 public:
  explicit SerialLine(std::string path) : path_(std::move(path)) {}
  ~SerialLine() { close(); }
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;

  // Non-blocking, not as controlling terminal, for this process alone
  // (TIOCEXCL, and a lock that also holds against root), settings saved;
  // then the record is applied. Fails with TSX4410_ERROR_PORT_UNAVAILABLE.
  ViStatus open(const ConfigRecord& record, ConfigRecord* effective);
  // 0, TSX4410_WARN_NEAREST_SETTING (something applied in place of what was
  // asked, or the device kept other settings), or an error.
  ViStatus configure(const ConfigRecord& record, ConfigRecord* effective);
  ViStatus waiting(ViUInt32* count);
  ViStatus output_queued(bool* queued);
  // Never wait: a write reports what the line took, a read what was there.
  ViStatus write(const ViByte* bytes, ViUInt32 count, ViUInt32* written);
  ViStatus read(ViByte* buf, ViUInt32 count, ViUInt32* got);
  void discard();  // drops input and output not yet moved
  // Puts the settings found back and closes; nothing when not open.
  void close();

  bool is_open() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  // The text of the last failure or warning, naming the device.
  const std::string& message() const { return message_; }
  // The settings in effect after the last open or configure, for the trace.
  const std::string& applied() const { return applied_; }

  // Puts every open line's settings back; registered with atexit.
  static void restore_all();

 private:
  ViStatus fail(int err);  // an errno from an I/O call
  ViStatus disconnected();
  bool hung_up() const;
  ViStatus move_echo();    // sends what the echo modes still owe the line
  ViStatus loop_remote();  // REMOTE-LOOP: everything received goes back out

  std::string path_;
  int fd_ = -1;
  bool gone_ = false;
  termios found_{};
  KernelLineSettings found_kernel_{};
  ChannelMode mode_ = ChannelMode::kNormal;
  std::deque<ViByte> local_;  // LOCAL-LOOP: written, not yet read back
  std::string echo_;          // echo modes: received, not yet taken by the line
  std::string message_;
  std::string applied_;
};

}  // namespace sim
