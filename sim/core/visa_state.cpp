#include "core/visa_state.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "core/c_text.h"
#include "core/find_expr.h"
#include "core/rsrc_name.h"

namespace sim {
namespace {

std::string_view trimmed_command(const ViByte* buf, ViUInt32 count) {
  std::string_view cmd(reinterpret_cast<const char*>(buf), count);
  while (!cmd.empty() && (cmd.back() == '\n' || cmd.back() == '\r' || cmd.back() == ' ')) {
    cmd.remove_suffix(1);
  }
  return cmd;
}

void put16(void* value, ViUInt16 v) { std::memcpy(value, &v, sizeof v); }

// What every session of this library says about the library itself: the
// module's maker wrote it, version 1.0, after the VISA C interface 5.8
// (major, minor and sub-minor in 12, 12 and 8 bits).
constexpr ViUInt16 kLibraryMaker = 3021;
constexpr ViUInt32 kSpecVersion = 0x00500800;
constexpr ViUInt32 kImplVersion = 0x00100000;
constexpr const char* kLibraryMakerName = "TSX4410 SFP simulated VISA";

}  // namespace

ViObject VisaState::add(Object obj) {
  const ViObject id = next_id_++;
  objects_.emplace(id, std::move(obj));
  return id;
}

VisaState::Object* VisaState::lookup(ViObject obj, Kind kind) {
  auto it = objects_.find(obj);
  return it != objects_.end() && it->second.kind == kind ? &it->second : nullptr;
}

const VisaState::Object* VisaState::lookup(ViObject obj) const {
  auto it = objects_.find(obj);
  return it != objects_.end() ? &it->second : nullptr;
}

int VisaState::resource_of(ViObject obj) const {
  const Object* o = lookup(obj);
  return o ? o->resource : -1;
}

int VisaState::resource_named(const char* name) const {
  return name ? answering_resource(bench_, name) : -1;
}

ViStatus VisaState::open_default_rm(ViSession* rm) {
  if (rm == nullptr) return VI_ERROR_INV_PARAMETER;
  *rm = add(Object{});
  return VI_SUCCESS;
}

ViStatus VisaState::find_rsrc(ViSession rm, const char* expr, ViFindList* list, ViUInt32* count,
                              ViChar* desc) {
  if (list) *list = VI_NULL;
  if (count) *count = 0;
  if (!lookup(rm, Kind::rm)) return VI_ERROR_INV_OBJECT;
  const auto search = expr ? FindExpr::compile(expr) : std::nullopt;
  if (!search) return VI_ERROR_INV_EXPR;
  Object found;
  found.kind = Kind::find_list;
  found.rm = rm;
  for (const Resource& res : bench_.resources) {
    std::string name = listed_name(res.descriptor);
    if (search->matches(name)) found.found.push_back(std::move(name));
  }
  if (found.found.empty()) return VI_ERROR_RSRC_NFOUND;
  if (count) *count = static_cast<ViUInt32>(found.found.size());
  copy_text256(desc, found.found.front());
  found.next = 1;
  if (list) *list = add(std::move(found));
  return VI_SUCCESS;
}

ViStatus VisaState::find_next(ViFindList list, ViChar* desc) {
  Object* o = lookup(list, Kind::find_list);
  if (!o) return VI_ERROR_INV_OBJECT;
  if (o->next >= o->found.size()) return VI_ERROR_RSRC_NFOUND;
  copy_text256(desc, o->found[o->next++]);
  return VI_SUCCESS;
}

ViStatus VisaState::parse_rsrc(ViSession rm, const char* name, ViUInt16* intf_type,
                               ViUInt16* intf_num, ViChar* rsrc_class, ViChar* expanded,
                               ViChar* alias) {
  if (!lookup(rm, Kind::rm)) return VI_ERROR_INV_OBJECT;
  if (name == nullptr) return VI_ERROR_INV_RSRC_NAME;
  RsrcName parsed;
  if (auto p = parse_rsrc_name(name)) {
    parsed = *p;
  } else {
    // Names the parser does not know are fine when the bench lists them.
    const int idx = bench_.find(name);
    if (idx < 0) return VI_ERROR_INV_RSRC_NAME;
    parsed.intf_type = bench_.resources[static_cast<std::size_t>(idx)].intf_type;
    parsed.canonical = name;
  }
  if (intf_type) *intf_type = parsed.intf_type;
  if (intf_num) *intf_num = parsed.board;
  copy_text256(rsrc_class, "INSTR");
  copy_text256(expanded, parsed.canonical);
  copy_text256(alias, "");
  return VI_SUCCESS;
}

ViStatus VisaState::open(ViSession rm, const char* name, ViSession* vi) {
  if (vi) *vi = VI_NULL;
  if (!lookup(rm, Kind::rm)) return VI_ERROR_INV_OBJECT;
  if (vi == nullptr) return VI_ERROR_INV_PARAMETER;
  if (name == nullptr) return VI_ERROR_INV_RSRC_NAME;
  const int idx = answering_resource(bench_, name);
  const auto parsed = parse_rsrc_name(name);
  if (idx < 0) return parsed ? VI_ERROR_RSRC_NFOUND : VI_ERROR_INV_RSRC_NAME;
  const Resource& res = bench_.resources[static_cast<std::size_t>(idx)];
  if (res.open_status < 0) return res.open_status;
  Object session;
  session.kind = Kind::instr;
  session.rm = rm;
  session.resource = idx;
  session.name = parsed ? parsed->canonical : res.descriptor;
  if (parsed) session.secondary = parsed->secondary;
  *vi = add(std::move(session));
  return res.open_status;
}

ViStatus VisaState::close(ViObject obj) {
  if (obj == VI_NULL) return VI_WARN_NULL_OBJECT;
  auto it = objects_.find(obj);
  if (it == objects_.end()) return VI_ERROR_INV_OBJECT;
  if (it->second.kind == Kind::rm) {
    // Closing a resource manager session closes everything opened through it.
    for (auto child = objects_.begin(); child != objects_.end();) {
      child = child->second.kind != Kind::rm && child->second.rm == obj ? objects_.erase(child)
                                                                          : std::next(child);
    }
  }
  objects_.erase(obj);
  return VI_SUCCESS;
}

VisaState::AttrWidth VisaState::attribute_width(ViAttr attr) {
  switch (attr) {
    case VI_ATTR_TERMCHAR: return AttrWidth::u8;
    case VI_ATTR_TMO_VALUE:
    case VI_ATTR_RSRC_SPEC_VERSION:
    case VI_ATTR_RSRC_IMPL_VERSION: return AttrWidth::u32;
    case VI_ATTR_RSRC_NAME:
    case VI_ATTR_RSRC_MANF_NAME: return AttrWidth::text;
    default: return AttrWidth::u16;
  }
}

std::optional<ViUInt32> VisaState::number_attribute(const Object& o, ViAttr attr) const {
  if (o.kind == Kind::find_list) return std::nullopt;
  switch (attr) {
    case VI_ATTR_RSRC_MANF_ID: return kLibraryMaker;
    case VI_ATTR_RSRC_SPEC_VERSION: return kSpecVersion;
    case VI_ATTR_RSRC_IMPL_VERSION: return kImplVersion;
    default: break;
  }
  // Resource managers answer only for the library.
  if (o.kind != Kind::instr) return std::nullopt;
  const Resource& res = bench_.resources[static_cast<std::size_t>(o.resource)];
  const auto parsed = parse_rsrc_name(res.descriptor);
  const bool gpib = parsed && parsed->intf_type == VI_INTF_GPIB;
  switch (attr) {
    case VI_ATTR_INTF_TYPE: return res.intf_type;
    case VI_ATTR_INTF_NUM: return parsed ? parsed->board : 0;
    case VI_ATTR_MANF_ID: return res.manufacturer_id;
    case VI_ATTR_MODEL_CODE: return res.model_code;
    case VI_ATTR_SLOT: return res.slot;
    case VI_ATTR_VXI_LA: return res.logical_address;
    case VI_ATTR_TMO_VALUE: return o.timeout_ms;
    case VI_ATTR_TERMCHAR: return o.termchar;
    case VI_ATTR_TERMCHAR_EN: return o.termchar_en;
    case VI_ATTR_SEND_END_EN: return o.send_end_en;
    case VI_ATTR_SUPPRESS_END_EN: return o.suppress_end_en;
    // Only a GPIB instrument has a bus address.
    case VI_ATTR_GPIB_PRIMARY_ADDR:
      if (gpib) return parsed->address;
      return std::nullopt;
    case VI_ATTR_GPIB_SECONDARY_ADDR:
      if (gpib) return o.secondary.value_or(VI_NO_SEC_ADDR);
      return std::nullopt;
    default: return std::nullopt;
  }
}

std::optional<std::string> VisaState::text_attribute(const Object& o, ViAttr attr) const {
  if (attr == VI_ATTR_RSRC_MANF_NAME && o.kind != Kind::find_list) return std::string(kLibraryMakerName);
  if (attr == VI_ATTR_RSRC_NAME && o.kind == Kind::instr) return o.name;
  return std::nullopt;
}

ViStatus VisaState::get_attribute(ViObject obj, ViAttr attr, void* value) {
  const Object* o = lookup(obj);
  if (!o) return VI_ERROR_INV_OBJECT;
  if (value == nullptr) return VI_ERROR_INV_PARAMETER;
  const AttrWidth width = attribute_width(attr);
  if (width == AttrWidth::text) {
    const auto text = text_attribute(*o, attr);
    if (!text) return VI_ERROR_NSUP_ATTR;
    copy_text256(static_cast<char*>(value), *text);
    return VI_SUCCESS;
  }
  const auto number = number_attribute(*o, attr);
  if (!number) return VI_ERROR_NSUP_ATTR;
  // Exactly the attribute's own width: a caller may hand a variable of that size.
  if (width == AttrWidth::u8) {
    *static_cast<ViUInt8*>(value) = static_cast<ViUInt8>(*number);
  } else if (width == AttrWidth::u32) {
    std::memcpy(value, &*number, sizeof(ViUInt32));
  } else {
    put16(value, static_cast<ViUInt16>(*number));
  }
  return VI_SUCCESS;
}

ViStatus VisaState::set_attribute(ViObject obj, ViAttr attr, ViAttrState value) {
  if (!lookup(obj)) return VI_ERROR_INV_OBJECT;
  Object& o = objects_[obj];
  // ViAttrState is wider than any value here: a value that does not fit the
  // attribute's own type is a state it cannot take, never quietly cut down.
  auto store = [value](auto& field, ViAttrState most) {
    if (value > most) return VI_ERROR_NSUP_ATTR_STATE;
    field = static_cast<std::remove_reference_t<decltype(field)>>(value);
    return VI_SUCCESS;
  };
  if (o.kind == Kind::instr) {
    switch (attr) {
      case VI_ATTR_TMO_VALUE: return store(o.timeout_ms, VI_TMO_INFINITE);
      case VI_ATTR_TERMCHAR: return store(o.termchar, 0xFF);
      case VI_ATTR_TERMCHAR_EN: return store(o.termchar_en, VI_TRUE);
      case VI_ATTR_SEND_END_EN: return store(o.send_end_en, VI_TRUE);
      case VI_ATTR_SUPPRESS_END_EN: return store(o.suppress_end_en, VI_TRUE);
      default: break;
    }
  }
  // Every other attribute this session has can only be read.
  const bool has = attribute_width(attr) == AttrWidth::text ? text_attribute(o, attr).has_value()
                                                            : number_attribute(o, attr).has_value();
  return has ? VI_ERROR_ATTR_READONLY : VI_ERROR_NSUP_ATTR;
}

ViStatus VisaState::check_instr(ViSession vi) const {
  const Object* o = lookup(vi);
  if (!o) return VI_ERROR_INV_OBJECT;
  return o->kind == Kind::instr ? VI_SUCCESS : VI_ERROR_NSUP_OPER;
}

ViStatus VisaState::write(ViSession vi, const ViByte* buf, ViUInt32 count, ViUInt32* ret_count) {
  if (ret_count) *ret_count = 0;
  if (ViStatus st = check_instr(vi); st != VI_SUCCESS) return st;
  if (buf == nullptr && count != 0) return VI_ERROR_INV_PARAMETER;
  Object& o = objects_[vi];
  const Resource& res = bench_.resources[static_cast<std::size_t>(o.resource)];
  // A new command discards an unread answer, as a message-based device does.
  o.pending.clear();
  if (count != 0 && res.identity && iequals(trimmed_command(buf, count), "*IDN?")) {
    o.pending = *res.identity;
  }
  if (ret_count) *ret_count = count;
  return VI_SUCCESS;
}

ViStatus VisaState::read(ViSession vi, ViByte* buf, ViUInt32 count, ViUInt32* ret_count) {
  if (ret_count) *ret_count = 0;
  if (ViStatus st = check_instr(vi); st != VI_SUCCESS) return st;
  if (buf == nullptr && count != 0) return VI_ERROR_INV_PARAMETER;
  Object& o = objects_[vi];
  // Nothing will ever come, so there is no point in waiting out the timeout.
  if (o.pending.empty()) return VI_ERROR_TMO;
  std::size_t n = std::min<std::size_t>(count, o.pending.size());
  bool term_char = false;
  if (o.termchar_en) {
    const std::size_t at = o.pending.find(static_cast<char>(o.termchar));
    if (at < n) {
      n = at + 1;
      term_char = true;
    }
  }
  // The device sends END with the last byte of its answer. END ends the
  // read as a plain success, even when that byte is also the termination
  // character; with END suppressed, a read that neither meets the
  // termination character nor fills the buffer waits out its timeout.
  const bool end = !o.suppress_end_en && n == o.pending.size();
  const ViStatus status = end         ? VI_SUCCESS
                          : term_char ? VI_SUCCESS_TERM_CHAR
                          : n == count ? VI_SUCCESS_MAX_CNT
                                       : VI_ERROR_TMO;
  if (n != 0) std::memcpy(buf, o.pending.data(), n);
  o.pending.erase(0, n);
  if (ret_count) *ret_count = static_cast<ViUInt32>(n);
  return status;
}

ViStatus VisaState::read_stb(ViSession vi, ViUInt16* stb) {
  if (ViStatus st = check_instr(vi); st != VI_SUCCESS) return st;
  if (stb == nullptr) return VI_ERROR_INV_PARAMETER;
  *stb = bench_.resources[static_cast<std::size_t>(objects_[vi].resource)].status_byte;
  return VI_SUCCESS;
}

ViStatus VisaState::discard_input(ViSession vi) {
  if (ViStatus st = check_instr(vi); st != VI_SUCCESS) return st;
  objects_[vi].pending.clear();
  return VI_SUCCESS;
}

}  // namespace sim
