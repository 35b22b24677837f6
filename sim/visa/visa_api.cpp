// The exported VISA functions of the stand-in libvisa.so: each one checks the
// bench's fault rules, does the work on the simulated state and traces itself.
#include <cstring>
#include <mutex>

#include "core/c_text.h"
#include "visa/visa_process.h"
#include "visa_stub.h"

using sim::TraceLine;

using sim::Visa;
using sim::run;
using sim::visa;

ViStatus viOpenDefaultRM(ViSession* rm) {
  Visa& v = visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = run(v, "viOpenDefaultRM", -1, [&] { return v.state.open_default_rm(rm); });
  TraceLine line("viOpenDefaultRM");
  if (st >= 0 && rm) line.num("rm", *rm);
  return v.proc.finish(line, st);
}

ViStatus viFindRsrc(ViSession rm, const ViChar* expr, ViFindList* list, ViUInt32* count,
                    ViChar desc[]) {
  Visa& v = visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = run(v, "viFindRsrc", -1,
                    [&] { return v.state.find_rsrc(rm, expr, list, count, desc); });
  TraceLine line("viFindRsrc");
  line.num("rm", rm).str("expr", expr);
  if (st >= 0) {
    if (count) line.num("count", *count);
    if (desc) line.str("desc", sim::view_text256(desc));
  }
  return v.proc.finish(line, st);
}

#ifndef SIM_OMIT_VIFINDNEXT
ViStatus viFindNext(ViFindList list, ViChar desc[]) {
  Visa& v = visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = run(v, "viFindNext", -1, [&] { return v.state.find_next(list, desc); });
  TraceLine line("viFindNext");
  line.num("list", list);
  if (st >= 0 && desc) line.str("desc", sim::view_text256(desc));
  return v.proc.finish(line, st);
}
#endif

ViStatus viParseRsrc(ViSession rm, const ViChar* name, ViUInt16* intf_type, ViUInt16* intf_num) {
  Visa& v = visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = run(v, "viParseRsrc", v.state.resource_named(name), [&] {
    return v.state.parse_rsrc(rm, name, intf_type, intf_num, nullptr, nullptr, nullptr);
  });
  TraceLine line("viParseRsrc");
  line.num("rm", rm).str("name", name);
  if (st >= 0 && intf_type) line.num("intf_type", *intf_type);
  if (st >= 0 && intf_num) line.num("intf_num", *intf_num);
  return v.proc.finish(line, st);
}

ViStatus viParseRsrcEx(ViSession rm, const ViChar* name, ViUInt16* intf_type, ViUInt16* intf_num,
                       ViChar rsrc_class[], ViChar expanded_name[], ViChar alias_if_exists[]) {
  Visa& v = visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = run(v, "viParseRsrcEx", v.state.resource_named(name), [&] {
    return v.state.parse_rsrc(rm, name, intf_type, intf_num, rsrc_class, expanded_name,
                              alias_if_exists);
  });
  TraceLine line("viParseRsrcEx");
  line.num("rm", rm).str("name", name);
  if (st >= 0 && intf_type) line.num("intf_type", *intf_type);
  if (st >= 0 && intf_num) line.num("intf_num", *intf_num);
  return v.proc.finish(line, st);
}

ViStatus viOpen(ViSession rm, const ViChar* name, ViAccessMode mode, ViUInt32 timeout,
                ViSession* vi) {
  Visa& v = visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  if (vi) *vi = VI_NULL;
  ViStatus st = run(v, "viOpen", v.state.resource_named(name),
                    [&] { return v.state.open(rm, name, vi); });
  TraceLine line("viOpen");
  line.num("rm", rm).str("name", name).num("mode", mode).num("timeout", timeout);
  if (vi) line.num("vi", *vi);
  return v.proc.finish(line, st);
}

ViStatus viClose(ViObject obj) {
  Visa& v = visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = run(v, "viClose", v.state.resource_of(obj), [&] { return v.state.close(obj); });
  return v.proc.finish(TraceLine("viClose").num("obj", obj), st);
}

ViStatus viGetAttribute(ViObject obj, ViAttr attr, void* value) {
  Visa& v = visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = run(v, "viGetAttribute", v.state.resource_of(obj),
                    [&] { return v.state.get_attribute(obj, attr, value); });
  TraceLine line("viGetAttribute");
  line.num("obj", obj).num("attr", attr);
  using Width = sim::VisaState::AttrWidth;
  if (st >= 0) {
    switch (sim::VisaState::attribute_width(attr)) {
      case Width::text: line.str("value", sim::view_text256(static_cast<const char*>(value))); break;
      case Width::u8: line.num("value", *static_cast<const ViUInt8*>(value)); break;
      case Width::u32: {
        ViUInt32 word;
        std::memcpy(&word, value, sizeof word);
        line.num("value", word);
        break;
      }
      case Width::u16: {
        ViUInt16 half;
        std::memcpy(&half, value, sizeof half);
        line.num("value", half);
        break;
      }
    }
  }
  return v.proc.finish(line, st);
}

ViStatus viSetAttribute(ViObject obj, ViAttr attr, ViAttrState value) {
  Visa& v = visa();
  std::lock_guard<std::mutex> lock(v.proc.mutex());
  ViStatus st = run(v, "viSetAttribute", v.state.resource_of(obj),
                    [&] { return v.state.set_attribute(obj, attr, value); });
  TraceLine line("viSetAttribute");
  line.num("obj", obj).num("attr", attr).num("value", static_cast<long long>(value));
  return v.proc.finish(line, st);
}
