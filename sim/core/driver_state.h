// What the driver stand-in keeps per session: four channels, each with its
// open flag and configuration record, and behind it either the simulated line
// (its own loop, or a cable to another channel; see wire.h) or a host serial
// line the bench names. The bench's channel hooks bend what reads report on
// either.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>

#include "core/bench.h"
#include "core/serial_line.h"
#include "core/termios_map.h"
#include "core/wire.h"
#include "tsx4410_stub.h"

namespace sim {

class DriverState {
 public:
  explicit DriverState(const Bench& bench, MicrosClock clock = steady_micros)
      : bench_(bench), clock_(std::move(clock)) {}

  void attach(ViSession vi, int resource);
  void detach(ViSession vi);
  bool known(ViSession vi) const { return sessions_.count(vi) != 0; }
  int resource_of(ViSession vi) const;  // -1 when unknown
  const ModuleConfig* module(ViSession vi) const;

  ViStatus reset(ViSession vi);
  ViStatus open_channel(ViSession vi, ViInt32 channel, bool open);
  ViStatus get_property(ViSession vi, ViInt32 channel, ViInt32 property, void* value);
  ViStatus set_property(ViSession vi, ViInt32 channel, ViInt32 property, const void* value);
  ViStatus write(ViSession vi, ViInt32 channel, const ViByte* bytes, ViUInt32 count,
                 ViUInt32* written);
  ViStatus read(ViSession vi, ViInt32 channel, ViByte* buf, ViUInt32 count, ViUInt32* got);

  // The text for a status: the session's module texts first; without a
  // session (an init that failed), the first module of the bench that has one.
  // A serial channel's text for that status comes first.
  std::string error_text(ViSession vi, ViStatus status) const;

  // What the last channel call did on a serial line, for the trace; only the
  // text, when it failed, for a channel on the simulated line.
  struct LineNote {
    std::string port;     // the device
    std::string applied;  // the settings put on the line, when the call set them
    std::string text;     // the failure or warning, naming the device or channel
    std::string remark;   // how the line tells its errors apart, when it has to guess (at open)
  };
  const LineNote& line_note() const { return note_; }
  void clear_line_note() { note_ = LineNote{}; }

 private:
  struct Channel {
    bool open = false;
    Transmitter tx;  // the simulated line, when there is no port
    Receiver rx;
    ConfigRecord record{};
    std::unique_ptr<SerialLine> line;  // set when the bench names a port
  };
  struct Session {
    int resource = -1;
    std::array<Channel, TSX4410_CHANNEL_COUNT> channels;
    std::map<ViStatus, std::string> line_texts;  // latest serial text per status
  };

  // Session and channel checked together, in the order the checks are made.
  ViStatus locate(ViSession vi, ViInt32 channel, Session** session, Channel** ch);
  void reset_channels(Session& session);
  // Notes a serial line's outcome for the trace and for error_text.
  ViStatus noted(Session& s, const SerialLine& line, ViStatus status, bool applied = false);
  ViStatus serial_property(Session& s, Channel& ch, ViInt32 property, ViInt32* word);
  const ChannelHooks& hooks(const Session& s, std::size_t index) const;
  // Brings every simulated channel of the session up to `now`.
  void advance(Session& s, std::int64_t now);
  // A simulated channel's failure, with its text for error_text and the trace.
  ViStatus wire_failed(Session& s, ViStatus status, std::string text);

  const Bench& bench_;
  MicrosClock clock_;
  std::int64_t now_ = 0;  // the clock when the current call began
  std::map<ViSession, Session> sessions_;
  LineNote note_;
};

}  // namespace sim
