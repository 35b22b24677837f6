#include "core/driver_state.h"

#include <algorithm>
#include <cstring>

#include "core/status_table.h"

namespace sim {

const ChannelHooks& DriverState::hooks(const Session& s, std::size_t index) const {
  return bench_.resources[static_cast<std::size_t>(s.resource)].module.channels[index];
}

void DriverState::reset_channels(Session& session) {
  for (std::size_t i = 0; i < session.channels.size(); ++i) {
    Channel& ch = session.channels[i];
    const ChannelHooks& h = hooks(session, i);
    const auto number = static_cast<ViInt32>(i + 1);
    ch.record = default_record(number);
    ch.tx.clear();
    ch.tx.set_instant(h.instant);
    ch.tx.reframe(start_frame(ch.record), now_);
    ch.rx.clear();
    ch.rx.check_parity(false);
    if (!h.port) continue;
    ch.record = serial_default_record(number);
    if (!ch.line) ch.line = std::make_unique<SerialLine>(*h.port);
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

ViStatus DriverState::wire_failed(Session& s, ViStatus status, std::string text) {
  note_.text = text;
  s.line_texts[status] = std::move(text);
  return status;
}

void DriverState::advance(Session& s, std::int64_t now) {
  std::size_t i = 0;
  for (Channel& ch : s.channels) {
    const ChannelHooks& h = hooks(s, i++);
    if (h.port) continue;
    Receiver& rx = ch.rx;
    // Each receiver hears one transmitter: its own, or the far end's of its cable.
    Transmitter& tx = h.cable ? s.channels[static_cast<std::size_t>(*h.cable - 1)].tx : ch.tx;
    tx.send_until(now, [&](ViByte byte, std::int64_t at) {
      rx.arrive(byte, at, h.wire_faults, h.wire_arrived);
    });
    rx.breaks_until(now);
  }
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
  now_ = clock_();
  advance(it->second, now_);  // what ended before the reset did arrive, and met its faults
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
  now_ = clock_();
  advance(it->second, now_);
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
      note_.remark = ch->line->guessing();
      ch->open = true;
      return st;
    }
    note_.port = ch->line->path();
  } else if (!open) {
    ch->tx.clear();
    ch->rx.close();
  } else if (!ch->open) {
    ch->rx.open(now_, hooks(*s, static_cast<std::size_t>(channel - 1)).wire_faults);
  }
  ch->open = open;
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
  const ChannelHooks& h = hooks(*s, static_cast<std::size_t>(channel - 1));
  ViInt32 word = 0;
  ViStatus st = VI_SUCCESS;
  if (ch->line && ch->open &&
      (property == TSX4410_PROP_BYTES_WAITING || property == TSX4410_PROP_CHANNEL_STATUS)) {
    st = serial_property(*s, *ch, property, &word);
    if (st < 0) return st;
  }
  switch (property) {
    case TSX4410_PROP_BYTES_WAITING:
      if (!ch->line) {
        word = static_cast<ViInt32>(std::min<std::size_t>(ch->rx.waiting(), 0x7FFFFFFF));
      }
      if (h.bytes_waiting) word = *h.bytes_waiting;
      break;
    case TSX4410_PROP_CHANNEL_STATUS:
      if (!ch->line && ch->tx.busy()) word |= TSX4410_STATUS_BUSY;
      word |= h.busy ? TSX4410_STATUS_BUSY : 0;
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
        // Any record is kept, as set; one that frames no byte leaves the
        // line at the pace it had.
        ch->record = asked;
        if (const auto frame = record_frame(asked)) ch->tx.reframe(*frame, now_);
        ch->rx.check_parity(checks_parity(asked));
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
  if (!ch->tx.take(bytes, count, now_)) {
    return wire_failed(*s, TSX4410_ERROR_PORT_OUTPUT_FULL, ch->tx.full_text(channel, count));
  }
  advance(*s, now_);  // at instant pace they are there already
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
  const ChannelHooks& hooks = this->hooks(*s, static_cast<std::size_t>(channel - 1));
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
  // Errors on the line stop a read: the good bytes before them come first,
  // the errors with the next read, which fails.
  std::size_t n = 0;
  LineErrors met;
  const std::size_t asked = hooks.short_read ? std::min(count, *hooks.short_read) : count;
  if (ch->rx.read(buf, asked, &n, &met)) {
    return wire_failed(*s, TSX4410_ERROR_LINE, met.text(channel));
  }
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
