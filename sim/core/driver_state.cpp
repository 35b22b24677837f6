#include "core/driver_state.h"

#include <algorithm>
#include <cstring>

#include "core/status_table.h"

namespace sim {

ConfigRecord default_record(ViInt32 channel) {
  ConfigRecord r{};
  r[0] = channel;  // the channel the record belongs to
  r[1] = 0;        // mode: 0 loopback
  r[2] = 115200;   // line rate, bit/s
  r[3] = 8;        // data bits
  r[4] = 0;        // parity: 0 none
  r[5] = 1;        // stop bits
  r[6] = 65536;    // receive buffer, bytes
  r[7] = 65536;    // transmit buffer, bytes
  r[8] = 2000;     // timeout, ms
  return r;
}

void DriverState::reset_channels(Session& session) {
  for (std::size_t i = 0; i < session.channels.size(); ++i) {
    session.channels[i].rx.clear();
    session.channels[i].record = default_record(static_cast<ViInt32>(i + 1));
  }
}

void DriverState::attach(ViSession vi, int resource) {
  Session& s = sessions_[vi];
  s = Session{};
  s.resource = resource;
  reset_channels(s);
}

void DriverState::detach(ViSession vi) { sessions_.erase(vi); }

int DriverState::resource_of(ViSession vi) const {
  auto it = sessions_.find(vi);
  return it == sessions_.end() ? -1 : it->second.resource;
}

const ModuleConfig* DriverState::module(ViSession vi) const {
  const int idx = resource_of(vi);
  return idx < 0 ? nullptr : &bench_.resources[static_cast<std::size_t>(idx)].module;
}

ViStatus DriverState::reset(ViSession vi) {
  auto it = sessions_.find(vi);
  if (it == sessions_.end()) return VI_ERROR_INV_OBJECT;
  reset_channels(it->second);
  return VI_SUCCESS;
}

ViStatus DriverState::locate(ViSession vi, ViInt32 channel, Session** session, Channel** ch) {
  auto it = sessions_.find(vi);
  if (it == sessions_.end()) return VI_ERROR_INV_OBJECT;
  if (channel < 1 || channel > TSX4410_CHANNEL_COUNT) return VI_ERROR_INV_PARAMETER;
  *session = &it->second;
  *ch = &it->second.channels[static_cast<std::size_t>(channel - 1)];
  return VI_SUCCESS;
}

ViStatus DriverState::open_channel(ViSession vi, ViInt32 channel, bool open) {
  Session* s;
  Channel* ch;
  if (ViStatus st = locate(vi, channel, &s, &ch); st != VI_SUCCESS) return st;
  ch->open = open;
  if (!open) ch->rx.clear();
  return VI_SUCCESS;
}

ViStatus DriverState::get_property(ViSession vi, ViInt32 channel, ViInt32 property,
                                   void* value) {
  Session* s;
  Channel* ch;
  if (ViStatus st = locate(vi, channel, &s, &ch); st != VI_SUCCESS) return st;
  if (value == nullptr) return VI_ERROR_INV_PARAMETER;
  const ChannelHooks& hooks =
      bench_.resources[static_cast<std::size_t>(s->resource)].module.channels[static_cast<std::size_t>(channel - 1)];
  ViInt32 word = 0;
  switch (property) {
    case TSX4410_PROP_BYTES_WAITING:
      word = hooks.bytes_waiting ? *hooks.bytes_waiting : static_cast<ViInt32>(ch->rx.size());
      break;
    case TSX4410_PROP_CHANNEL_STATUS:
      word = hooks.busy ? TSX4410_STATUS_BUSY : 0;
      break;
    case TSX4410_PROP_CHANNEL_CONFIG:
      std::memcpy(value, ch->record.data(), sizeof ch->record);
      return VI_SUCCESS;
    default:
      return VI_ERROR_INV_PARAMETER;
  }
  std::memcpy(value, &word, sizeof word);
  return VI_SUCCESS;
}

ViStatus DriverState::set_property(ViSession vi, ViInt32 channel, ViInt32 property,
                                   const void* value) {
  Session* s;
  Channel* ch;
  if (ViStatus st = locate(vi, channel, &s, &ch); st != VI_SUCCESS) return st;
  if (value == nullptr) return VI_ERROR_INV_PARAMETER;
  switch (property) {
    case TSX4410_PROP_CHANNEL_CONFIG:
      std::memcpy(ch->record.data(), value, sizeof ch->record);
      return VI_SUCCESS;
    case TSX4410_PROP_BYTES_WAITING:
    case TSX4410_PROP_CHANNEL_STATUS:
      return TSX4410_ERROR_PROPERTY_READONLY;
    default:
      return VI_ERROR_INV_PARAMETER;
  }
}

ViStatus DriverState::write(ViSession vi, ViInt32 channel, const ViByte* bytes, ViUInt32 count,
                            ViUInt32* written) {
  if (written) *written = 0;
  Session* s;
  Channel* ch;
  if (ViStatus st = locate(vi, channel, &s, &ch); st != VI_SUCCESS) return st;
  if (!ch->open) return TSX4410_ERROR_CHANNEL_CLOSED;
  if (bytes == nullptr && count != 0) return VI_ERROR_INV_PARAMETER;
  ch->rx.insert(ch->rx.end(), bytes, bytes + count);
  if (written) *written = count;
  return VI_SUCCESS;
}

ViStatus DriverState::read(ViSession vi, ViInt32 channel, ViByte* buf, ViUInt32 count,
                           ViUInt32* got) {
  if (got) *got = 0;
  Session* s;
  Channel* ch;
  if (ViStatus st = locate(vi, channel, &s, &ch); st != VI_SUCCESS) return st;
  if (!ch->open) return TSX4410_ERROR_CHANNEL_CLOSED;
  if (buf == nullptr && count != 0) return VI_ERROR_INV_PARAMETER;
  const ChannelHooks& hooks =
      bench_.resources[static_cast<std::size_t>(s->resource)].module.channels[static_cast<std::size_t>(channel - 1)];
  std::size_t n = std::min<std::size_t>(count, ch->rx.size());
  if (hooks.short_read) n = std::min<std::size_t>(n, *hooks.short_read);
  std::copy_n(ch->rx.begin(), n, buf);
  ch->rx.erase(ch->rx.begin(), ch->rx.begin() + static_cast<std::ptrdiff_t>(n));
  if (got) *got = static_cast<ViUInt32>(n);
  return VI_SUCCESS;
}

std::string DriverState::error_text(ViSession vi, ViStatus status) const {
  if (const ModuleConfig* m = module(vi)) {
    auto it = m->error_messages.find(status);
    if (it != m->error_messages.end()) return it->second;
  } else {
    for (const Resource& res : bench_.resources) {
      auto it = res.module.error_messages.find(status);
      if (it != res.module.error_messages.end()) return it->second;
    }
  }
  if (const char* text = status_text(status)) return text;
  return "Unknown status code " + std::to_string(status) + ".";
}

}  // namespace sim
