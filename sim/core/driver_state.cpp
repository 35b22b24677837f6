#include "core/driver_state.h"

#include <algorithm>
#include <cstring>

#include "core/status_table.h"

namespace sim {

void DriverState::reset_channels(Session& session) {
  const ModuleConfig& module = bench_.resources[static_cast<std::size_t>(session.resource)].module;
  for (std::size_t i = 0; i < session.channels.size(); ++i) {
    Channel& ch = session.channels[i];
    const auto number = static_cast<ViInt32>(i + 1);
    ch.rx.clear();
    ch.record = default_record(number);
    if (!module.channels[i].port) continue;
    ch.record = serial_default_record(number);
    if (!ch.line) ch.line = std::make_unique<SerialLine>(*module.channels[i].port);
    if (ch.line->is_open()) {
      ch.line->discard();
      ch.line->configure(ch.record, &ch.record);
    }
  }
}

void DriverState::attach(ViSession vi, int resource) {
  Session& s = sessions_[vi];
  s = Session{};
  s.resource = resource;
  reset_channels(s);
}

ViStatus DriverState::noted(Session& s, const SerialLine& line, ViStatus status, bool applied) {
  note_.port = line.path();
  if (applied && line.is_open()) note_.applied = line.applied();
  if (status != VI_SUCCESS) {
    note_.text = line.message();
    s.line_texts[status] = line.message();
  }
  return status;
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
  note_ = LineNote{};
  *session = &it->second;
  *ch = &it->second.channels[static_cast<std::size_t>(channel - 1)];
  return VI_SUCCESS;
}

ViStatus DriverState::open_channel(ViSession vi, ViInt32 channel, bool open) {
  Session* s;
  Channel* ch;
  if (ViStatus st = locate(vi, channel, &s, &ch); st != VI_SUCCESS) return st;
  if (ch->line) {
    if (!open) {
      // The line goes back as found, so the next open starts from the
      // defaults rather than from flow-control words left by this one.
      ch->line->close();
      ch->record = serial_default_record(channel);
    } else if (!ch->line->is_open()) {
      const ViStatus st = noted(*s, *ch->line, ch->line->open(ch->record, &ch->record), true);
      if (st < 0) return st;
      ch->open = true;
      return st;
    }
    note_.port = ch->line->path();
  }
  ch->open = open;
  if (!open) ch->rx.clear();
  return VI_SUCCESS;
}

ViStatus DriverState::serial_property(Session& s, Channel& ch, ViInt32 property, ViInt32* word) {
  SerialLine& line = *ch.line;
  if (property == TSX4410_PROP_BYTES_WAITING) {
    ViUInt32 n = 0;
    const ViStatus st = line.waiting(&n);
    *word = static_cast<ViInt32>(std::min<ViUInt32>(n, 0x7FFFFFFF));
    return noted(s, line, st);
  }
  bool queued = false;
  const ViStatus st = line.output_queued(&queued);
  *word = queued ? TSX4410_STATUS_BUSY : 0;
  return noted(s, line, st);
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
  ViStatus st = VI_SUCCESS;
  if (ch->line && ch->open &&
      (property == TSX4410_PROP_BYTES_WAITING || property == TSX4410_PROP_CHANNEL_STATUS)) {
    st = serial_property(*s, *ch, property, &word);
    if (st < 0) return st;
  }
  switch (property) {
    case TSX4410_PROP_BYTES_WAITING:
      if (!ch->line) word = static_cast<ViInt32>(ch->rx.size());
      if (hooks.bytes_waiting) word = *hooks.bytes_waiting;
      break;
    case TSX4410_PROP_CHANNEL_STATUS:
      word |= hooks.busy ? TSX4410_STATUS_BUSY : 0;
      break;
    case TSX4410_PROP_CHANNEL_CONFIG:
      std::memcpy(value, ch->record.data(), sizeof ch->record);
      return VI_SUCCESS;
    default:
      return VI_ERROR_INV_PARAMETER;
  }
  std::memcpy(value, &word, sizeof word);
  return st;
}

ViStatus DriverState::set_property(ViSession vi, ViInt32 channel, ViInt32 property,
                                   const void* value) {
  Session* s;
  Channel* ch;
  if (ViStatus st = locate(vi, channel, &s, &ch); st != VI_SUCCESS) return st;
  if (value == nullptr) return VI_ERROR_INV_PARAMETER;
  switch (property) {
    case TSX4410_PROP_CHANNEL_CONFIG: {
      ConfigRecord asked;
      std::memcpy(asked.data(), value, sizeof asked);
      if (!ch->line) {
        ch->record = asked;
        return VI_SUCCESS;
      }
      if (!ch->line->is_open()) {
        // Kept for the open, which applies it; a record the line can never
        // take is refused now, in the line's own words.
        const ViStatus st = ch->line->configure(asked, nullptr);
        if (st == TSX4410_ERROR_PORT_SETTING) return noted(*s, *ch->line, st);
        ch->record = asked;
        return VI_SUCCESS;
      }
      return noted(*s, *ch->line, ch->line->configure(asked, &ch->record), true);
    }
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
  if (ch->line) {
    ViUInt32 n = 0;
    const ViStatus st = noted(*s, *ch->line, ch->line->write(bytes, count, &n));
    if (written) *written = n;
    return st;
  }
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
  // The bench's line faults act on what reads hand out; a read takes only
  // as many bytes as fit once their repeats are added.
  const LineFaults& faults = hooks.faults;
  const ViUInt32 room = count;
  if (faults.any()) count = static_cast<ViUInt32>(faults.take_for(hooks.faults_passed, count));
  if (ch->line) {
    const ViUInt32 asked = hooks.short_read ? std::min(count, *hooks.short_read) : count;
    ViUInt32 n = 0;
    const ViStatus st = noted(*s, *ch->line, ch->line->read(buf, asked, &n));
    if (faults.any()) n = static_cast<ViUInt32>(faults.apply(hooks.faults_passed, buf, n, buf, room));
    if (got) *got = n;
    return st;
  }
  std::size_t n = std::min<std::size_t>(count, ch->rx.size());
  if (hooks.short_read) n = std::min<std::size_t>(n, *hooks.short_read);
  std::copy_n(ch->rx.begin(), n, buf);
  ch->rx.erase(ch->rx.begin(), ch->rx.begin() + static_cast<std::ptrdiff_t>(n));
  if (faults.any()) n = faults.apply(hooks.faults_passed, buf, n, buf, room);
  if (got) *got = static_cast<ViUInt32>(n);
  return VI_SUCCESS;
}

std::string DriverState::error_text(ViSession vi, ViStatus status) const {
  if (auto it = sessions_.find(vi); it != sessions_.end()) {
    auto text = it->second.line_texts.find(status);
    if (text != it->second.line_texts.end()) return text->second;
  }
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
