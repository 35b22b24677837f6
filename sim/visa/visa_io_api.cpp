// The exported VISA functions that talk to an open instrument session, and
// the status texts.
#include <mutex>

#include "core/c_text.h"
#include "core/status_table.h"
#include "visa/visa_process.h"
#include "visa_stub.h"

using sim::TraceLine;

namespace {

// Statuses that only the attribute and termination-character roads give.
const char* attribute_status_text(ViStatus status) {
  switch (status) {
    case VI_SUCCESS_TERM_CHAR: return "The specified termination character was read.";
    case VI_ERROR_NSUP_ATTR_STATE: return "The attribute cannot take the specified state.";
    default: return nullptr;
  }
}

}  // namespace

ViStatus viWrite(ViSession vi, const ViByte* buf, ViUInt32 count, ViUInt32* ret_count) {
  sim::Visa& v = sim::visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  if (ret_count) *ret_count = 0;
  ViStatus st = sim::run(v, "viWrite", v.state.resource_of(vi),
                         [&] { return v.state.write(vi, buf, count, ret_count); });
  TraceLine line("viWrite");
  line.num("vi", vi).num("count", count);
  if (buf) line.bytes("bytes", buf, count);
  if (ret_count) line.num("ret_count", *ret_count);
  return v.proc.finish(line, st);
}

ViStatus viRead(ViSession vi, ViByte* buf, ViUInt32 count, ViUInt32* ret_count) {
  sim::Visa& v = sim::visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViUInt32 got = 0;
  ViStatus st = sim::run(v, "viRead", v.state.resource_of(vi),
                         [&] { return v.state.read(vi, buf, count, &got); });
  if (ret_count) *ret_count = got;
  TraceLine line("viRead");
  line.num("vi", vi).num("count", count).bytes("bytes", buf, got).num("ret_count", got);
  return v.proc.finish(line, st);
}

ViStatus viReadSTB(ViSession vi, ViUInt16* status_byte) {
  sim::Visa& v = sim::visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = sim::run(v, "viReadSTB", v.state.resource_of(vi),
                         [&] { return v.state.read_stb(vi, status_byte); });
  TraceLine line("viReadSTB");
  line.num("vi", vi);
  if (st >= 0 && status_byte) line.num("stb", *status_byte);
  return v.proc.finish(line, st);
}

ViStatus viFlush(ViSession vi, ViUInt16 mask) {
  sim::Visa& v = sim::visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = sim::run(v, "viFlush", v.state.resource_of(vi), [&] {
    if (mask & (VI_READ_BUF | VI_READ_BUF_DISCARD)) return v.state.discard_input(vi);
    return v.state.check_instr(vi);
  });
  return v.proc.finish(TraceLine("viFlush").num("vi", vi).num("mask", mask), st);
}

ViStatus viClear(ViSession vi) {
  sim::Visa& v = sim::visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = sim::run(v, "viClear", v.state.resource_of(vi),
                         [&] { return v.state.discard_input(vi); });
  return v.proc.finish(TraceLine("viClear").num("vi", vi), st);
}

// No event is ever enabled here, so these only confirm there is nothing to do.
ViStatus viDisableEvent(ViSession vi, ViEventType event, ViEventMech mechanism) {
  sim::Visa& v = sim::visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = sim::run(v, "viDisableEvent", v.state.resource_of(vi), [&] {
    ViStatus check = v.state.check_instr(vi);
    return check == VI_SUCCESS ? VI_SUCCESS_EVENT_DIS : check;
  });
  TraceLine line("viDisableEvent");
  line.num("vi", vi).num("event", event).num("mechanism", mechanism);
  return v.proc.finish(line, st);
}

ViStatus viDiscardEvents(ViSession vi, ViEventType event, ViEventMech mechanism) {
  sim::Visa& v = sim::visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = sim::run(v, "viDiscardEvents", v.state.resource_of(vi), [&] {
    ViStatus check = v.state.check_instr(vi);
    return check == VI_SUCCESS ? VI_SUCCESS_QUEUE_EMPTY : check;
  });
  TraceLine line("viDiscardEvents");
  line.num("vi", vi).num("event", event).num("mechanism", mechanism);
  return v.proc.finish(line, st);
}

ViStatus viStatusDesc(ViObject obj, ViStatus status, ViChar desc[]) {
  sim::Visa& v = sim::visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = sim::run(v, "viStatusDesc", v.state.resource_of(obj), [&] {
    if (desc == nullptr) return VI_ERROR_INV_PARAMETER;
    const char* text = sim::status_text(status);
    if (!text) text = attribute_status_text(status);
    sim::copy_text256(desc, text ? text : "Unknown status code.");
    return text ? VI_SUCCESS : VI_WARN_UNKNOWN_STATUS;
  });
  TraceLine line("viStatusDesc");
  line.num("obj", obj).num("code", status);
  return v.proc.finish(line, st);
}
