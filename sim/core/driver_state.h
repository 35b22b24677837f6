// What the driver stand-in keeps per session: four loopback channels, each
// with its open flag, the bytes written and not yet read, and its
// configuration record. The bench's channel hooks bend what reads report.
#pragma once

#include <array>
#include <deque>
#include <map>
#include <string>

#include "core/bench.h"
#include "tsx4410_stub.h"

namespace sim {

using ConfigRecord = std::array<ViInt32, TSX4410_CONFIG_WORDS>;

// The record a channel has after init or reset (see README.md).
ConfigRecord default_record(ViInt32 channel);

class DriverState {
 public:
  explicit DriverState(const Bench& bench) : bench_(bench) {}

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
  std::string error_text(ViSession vi, ViStatus status) const;

 private:
  struct Channel {
    bool open = false;
    std::deque<ViByte> rx;
    ConfigRecord record{};
  };
  struct Session {
    int resource = -1;
    std::array<Channel, TSX4410_CHANNEL_COUNT> channels;
  };

  // Session and channel checked together, in the order the checks are made.
  ViStatus locate(ViSession vi, ViInt32 channel, Session** session, Channel** ch);
  static void reset_channels(Session& session);

  const Bench& bench_;
  std::map<ViSession, Session> sessions_;
};

}  // namespace sim
