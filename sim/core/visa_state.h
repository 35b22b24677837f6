// What the VISA stand-in keeps between calls: resource manager sessions,
// instrument sessions and find lists, each under a session number of its own.
// Statuses follow the VISA operations; fault injection and tracing are the
// caller's business.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/bench.h"

namespace sim {

class VisaState {
 public:
  explicit VisaState(const Bench& bench) : bench_(bench) {}

  ViStatus open_default_rm(ViSession* rm);
  ViStatus find_rsrc(ViSession rm, const char* expr, ViFindList* list, ViUInt32* count,
                     ViChar* desc);
  ViStatus find_next(ViFindList list, ViChar* desc);
  ViStatus parse_rsrc(ViSession rm, const char* name, ViUInt16* intf_type, ViUInt16* intf_num,
                      ViChar* rsrc_class, ViChar* expanded, ViChar* alias);
  ViStatus open(ViSession rm, const char* name, ViSession* vi);
  ViStatus close(ViObject obj);
  ViStatus get_attribute(ViObject obj, ViAttr attr, void* value);
  ViStatus set_attribute(ViObject obj, ViAttr attr, ViAttrState value);
  ViStatus write(ViSession vi, const ViByte* buf, ViUInt32 count, ViUInt32* ret_count);
  ViStatus read(ViSession vi, ViByte* buf, ViUInt32 count, ViUInt32* ret_count);
  ViStatus read_stb(ViSession vi, ViUInt16* stb);
  ViStatus discard_input(ViSession vi);  // viClear, and viFlush of the read buffer
  ViStatus check_instr(ViSession vi) const;

  // The C type of an attribute's value, which fixes how many bytes
  // viGetAttribute writes: ViUInt8, ViUInt16 (also ViInt16 and ViBoolean),
  // ViUInt32, or a 256-byte text. Attributes not known here count as 16 bits.
  enum class AttrWidth { u8, u16, u32, text };
  static AttrWidth attribute_width(ViAttr attr);

  // Bench index of the resource an object or name is about, -1 for none.
  int resource_of(ViObject obj) const;
  int resource_named(const char* name) const;

 private:
  enum class Kind { rm, instr, find_list };
  struct Object {
    Kind kind = Kind::rm;
    ViSession rm = VI_NULL;
    int resource = -1;
    // An instrument session's own address: the resource may answer to
    // several names (any secondary address), the session has the one it opened.
    std::string name;
    std::optional<unsigned> secondary;
    std::string pending;  // response waiting to be read
    ViUInt32 timeout_ms = 2000;
    ViUInt8 termchar = '\n';
    ViBoolean termchar_en = VI_FALSE;
    ViBoolean send_end_en = VI_TRUE;
    ViBoolean suppress_end_en = VI_FALSE;
    std::vector<std::string> found;
    std::size_t next = 0;
  };

  // An instrument session's attribute as a number or a text; nullopt when
  // this session does not have it.
  std::optional<ViUInt32> number_attribute(const Object& o, ViAttr attr) const;
  std::optional<std::string> text_attribute(const Object& o, ViAttr attr) const;

  ViObject add(Object obj);
  Object* lookup(ViObject obj, Kind kind);
  const Object* lookup(ViObject obj) const;

  const Bench& bench_;
  std::map<ViObject, Object> objects_;
  // Numbers start well above small integers so a stray 1 is never a session.
  ViObject next_id_ = 0x1001;
};

}  // namespace sim
