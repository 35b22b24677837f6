// The driver stand-in's channel functions: properties, open/close and the
// data path (simulated line or serial device).
#include <mutex>

#include "driver/driver_process.h"
#include "tsx4410_stub.h"

using sim::Driver;
using sim::TraceLine;

namespace {

void trace_property(TraceLine& line, ViInt32 property, const void* value) {
  if (value == nullptr) return;
  if (property == TSX4410_PROP_CHANNEL_CONFIG) {
    line.record("record", static_cast<const ViInt32*>(value), TSX4410_CONFIG_WORDS);
  } else if (property == TSX4410_PROP_BYTES_WAITING || property == TSX4410_PROP_CHANNEL_STATUS) {
    line.num("value", *static_cast<const ViInt32*>(value));
  }
}

// A channel bridged to a serial device names it, and says what the call put
// on the line; either kind of channel says what went wrong.
TraceLine& with_line(TraceLine& line, const sim::DriverState::LineNote& note) {
  if (!note.port.empty()) line.str("port", note.port);
  if (!note.applied.empty()) line.str("termios", note.applied);
  if (!note.text.empty()) line.str("text", note.text);
  if (!note.remark.empty()) line.str("note", note.remark);
  return line;
}

}  // namespace

ViStatus tsx4410_getProperty(ViSession vi, ViInt32 channel, ViInt32 property, void* value) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_getProperty", vi, channel,
                         [&] { return d.state.get_property(vi, channel, property, value); });
  TraceLine line("tsx4410_getProperty");
  line.num("vi", vi).num("channel", channel).num("property", property);
  if (sim::wrote(d, st)) trace_property(line, property, value);
  return d.proc.finish(with_line(line, d.state.line_note()), st);
}

ViStatus tsx4410_setProperty(ViSession vi, ViInt32 channel, ViInt32 property, void* value) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_setProperty", vi, channel,
                         [&] { return d.state.set_property(vi, channel, property, value); });
  TraceLine line("tsx4410_setProperty");
  line.num("vi", vi).num("channel", channel).num("property", property);
  trace_property(line, property, value);
  return d.proc.finish(with_line(line, d.state.line_note()), st);
}

ViStatus tsx4410_openChannel(ViSession vi, ViInt32 channel) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_openChannel", vi, channel,
                         [&] { return d.state.open_channel(vi, channel, true); });
  TraceLine line("tsx4410_openChannel");
  line.num("vi", vi).num("channel", channel);
  return d.proc.finish(with_line(line, d.state.line_note()), st);
}

ViStatus tsx4410_closeChannel(ViSession vi, ViInt32 channel) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_closeChannel", vi, channel,
                         [&] { return d.state.open_channel(vi, channel, false); });
  TraceLine line("tsx4410_closeChannel");
  line.num("vi", vi).num("channel", channel);
  return d.proc.finish(with_line(line, d.state.line_note()), st);
}

#ifndef SIM_OMIT_TSX4410_WRITE
ViStatus tsx4410_write(ViSession vi, ViInt32 channel, const ViByte* bytes, ViUInt32 count,
                       ViUInt32* written) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViUInt32 done = 0;
  ViStatus st = sim::run(d, "tsx4410_write", vi, channel,
                         [&] { return d.state.write(vi, channel, bytes, count, &done); });
  if (written) *written = done;
  TraceLine line("tsx4410_write");
  line.num("vi", vi).num("channel", channel).num("count", count);
  if (bytes) line.bytes("bytes", bytes, count);
  line.num("written", done);
  return d.proc.finish(with_line(line, d.state.line_note()), st);
}
#endif

ViStatus tsx4410_read(ViSession vi, ViInt32 channel, ViByte* buf, ViUInt32 count, ViUInt32* read,
                      ViInt16* scratch) {
  (void)scratch;  // the application passes one; nothing is reported through it
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViUInt32 got = 0;
  ViStatus st = sim::run(d, "tsx4410_read", vi, channel,
                         [&] { return d.state.read(vi, channel, buf, count, &got); });
  if (read) *read = got;
  TraceLine line("tsx4410_read");
  line.num("vi", vi).num("channel", channel).num("count", count);
  line.bytes("bytes", buf, got).num("read", got);
  return d.proc.finish(with_line(line, d.state.line_note()), st);
}

// The asynchronous forms do their work at once and hand out a job number.
ViStatus tsx4410_readAsync(ViSession vi, ViInt32 channel, ViByte* buf, ViUInt32 count,
                           ViUInt32* job_id) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViUInt32 got = 0;
  ViStatus st = sim::run(d, "tsx4410_readAsync", vi, channel,
                         [&] { return d.state.read(vi, channel, buf, count, &got); });
  if (sim::wrote(d, st) && job_id) *job_id = d.next_job++;
  TraceLine line("tsx4410_readAsync");
  line.num("vi", vi).num("channel", channel).num("count", count).bytes("bytes", buf, got);
  if (sim::wrote(d, st) && job_id) line.num("job", *job_id);
  return d.proc.finish(with_line(line, d.state.line_note()), st);
}

ViStatus tsx4410_writeAsync(ViSession vi, ViInt32 channel, const ViByte* bytes, ViUInt32 count,
                            ViUInt32* job_id) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_writeAsync", vi, channel,
                         [&] { return d.state.write(vi, channel, bytes, count, nullptr); });
  if (sim::wrote(d, st) && job_id) *job_id = d.next_job++;
  TraceLine line("tsx4410_writeAsync");
  line.num("vi", vi).num("channel", channel).num("count", count);
  if (bytes) line.bytes("bytes", bytes, count);
  if (sim::wrote(d, st) && job_id) line.num("job", *job_id);
  return d.proc.finish(with_line(line, d.state.line_note()), st);
}
