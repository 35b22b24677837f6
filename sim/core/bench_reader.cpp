#include "core/bench_reader.h"

#include <array>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

#include "core/entry_points.h"
#include "core/rsrc_name.h"
#include "core/status_table.h"

namespace sim {
namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string& where, const std::string& what) {
  throw BenchError(where + ": " + what);
}

void only_keys(const json& obj, const std::string& where,
               std::initializer_list<const char*> allowed) {
  if (!obj.is_object()) fail(where, "expected an object");
  for (const auto& item : obj.items()) {
    bool known = false;
    for (const char* key : allowed) known = known || item.key() == key;
    if (!known) fail(where, "unknown key \"" + item.key() + "\"");
  }
}

long long integer(const json& v, const std::string& where, long long min, long long max) {
  if (!v.is_number_integer()) fail(where, "expected an integer");
  const bool too_big =
      v.is_number_unsigned() && v.get<unsigned long long>() > static_cast<unsigned long long>(max);
  const long long value = too_big ? max : v.get<long long>();
  if (too_big || value < min || value > max) {
    fail(where, "expected an integer from " + std::to_string(min) + " to " + std::to_string(max));
  }
  return value;
}

std::optional<ViUInt16> optional_u16(const json& obj, const char* key, const std::string& where) {
  if (!obj.contains(key) || obj[key].is_null()) return std::nullopt;
  return static_cast<ViUInt16>(integer(obj[key], where + "." + key, 0, 65535));
}

std::string text(const json& v, const std::string& where) {
  if (!v.is_string()) fail(where, "expected a string");
  return v.get<std::string>();
}

// A status is a number (signed, or the unsigned hex value as a decimal), a
// hex string "0xBFFF0015", or a name such as "VI_ERROR_TMO".
ViStatus status_from_text(const std::string& s, const std::string& where) {
  if (auto named = status_from_name(s)) return *named;
  try {
    std::size_t used = 0;
    long long value = std::stoll(s, &used, 0);
    if (used == s.size() && value >= std::numeric_limits<ViStatus>::min() &&
        value <= std::numeric_limits<ViUInt32>::max()) {
      return static_cast<ViStatus>(static_cast<ViUInt32>(value));
    }
  } catch (const std::exception&) {
  }
  fail(where, "\"" + s + "\" is not a status");
}

ViStatus status(const json& v, const std::string& where) {
  if (v.is_string()) return status_from_text(v.get<std::string>(), where);
  long long value = integer(v, where, std::numeric_limits<ViStatus>::min(),
                            std::numeric_limits<ViUInt32>::max());
  return static_cast<ViStatus>(static_cast<ViUInt32>(value));
}

ViUInt16 intf_type(const json& v, const std::string& where) {
  if (v.is_string()) {
    const std::string s = v.get<std::string>();
    if (iequals(s, "GPIB")) return VI_INTF_GPIB;
    if (iequals(s, "VXI")) return VI_INTF_VXI;
    if (iequals(s, "GPIB-VXI")) return VI_INTF_GPIB_VXI;
    fail(where, "unknown interface \"" + s + "\"");
  }
  return static_cast<ViUInt16>(integer(v, where, 0, 65535));
}

// "wire" (the default) or "instant".
bool instant_pace(const json& v, const std::string& where) {
  const std::string pace = text(v, where);
  if (pace != "wire" && pace != "instant") fail(where, "expected \"wire\" or \"instant\"");
  return pace == "instant";
}

// A cable joins two channels of the simulated line, both ways. It may be
// written at either end or at both; anything else would leave a receiver
// with two transmitters, or a transmitter on a device.
void join_cables(const std::array<std::optional<ViInt32>, 4>& declared, const std::string& where,
                 ModuleConfig& module) {
  for (std::size_t i = 0; i < declared.size(); ++i) {
    if (!declared[i]) continue;
    const ViInt32 self = static_cast<ViInt32>(i + 1), to = *declared[i];
    const std::string at = where + "." + std::to_string(self) + ".cable";
    if (to == self) {
      fail(at, "a channel cannot be cabled to itself (without a cable it loops back)");
    }
    ChannelHooks& far = module.channels[static_cast<std::size_t>(to - 1)];
    if (far.port) {
      fail(at, "channel " + std::to_string(to) + " is on the device \"" + *far.port + "\"");
    }
    for (const auto& [end, other] : {std::pair{self, to}, {to, self}}) {
      const auto& has = module.channels[static_cast<std::size_t>(end - 1)].cable;
      if (has && *has != other) {
        fail(at, "channel " + std::to_string(end) + " already has a cable to channel " +
                     std::to_string(*has));
      }
    }
    module.channels[i].cable = to;
    far.cable = self;
  }
}

void read_channels(const json& obj, const std::string& where, ModuleConfig& module) {
  if (!obj.is_object()) fail(where, "expected an object");
  std::array<std::optional<ViInt32>, 4> cables;
  for (const auto& item : obj.items()) {
    const std::string at = where + "." + item.key();
    if (item.key().size() != 1 || item.key()[0] < '1' || item.key()[0] > '4') {
      fail(at, "channels are \"1\" to \"4\"");
    }
    const json& ch = item.value();
    only_keys(ch, at, {"busy", "bytes_waiting", "short_read", "port", "drop_one_in", "corrupt_one_in",
                       "repeat_one_in", "cable", "pace", "parity_error_one_in",
                       "framing_error_one_in", "overrun_one_in", "break_every_ms"});
    const auto index = static_cast<std::size_t>(item.key()[0] - '1');
    ChannelHooks& hooks = module.channels[index];
    if (ch.contains("busy")) {
      if (!ch["busy"].is_boolean()) fail(at + ".busy", "expected true or false");
      hooks.busy = ch["busy"].get<bool>();
    }
    if (ch.contains("bytes_waiting")) {
      hooks.bytes_waiting = static_cast<ViInt32>(integer(
          ch["bytes_waiting"], at + ".bytes_waiting", std::numeric_limits<ViInt32>::min(),
          std::numeric_limits<ViInt32>::max()));
    }
    if (ch.contains("port")) {
      hooks.port = text(ch["port"], at + ".port");
      if (hooks.port->empty()) fail(at + ".port", "expected a device path");
    }
    for (auto [key, field] : {std::pair{"drop_one_in", &LineFaults::drop_one_in},
                              {"corrupt_one_in", &LineFaults::corrupt_one_in},
                              {"repeat_one_in", &LineFaults::repeat_one_in}}) {
      if (ch.contains(key)) {
        hooks.faults.*field = static_cast<ViUInt32>(
            integer(ch[key], at + "." + key, 0, std::numeric_limits<ViInt32>::max()));
      }
    }
    if (ch.contains("short_read")) {
      hooks.short_read = static_cast<ViUInt32>(
          integer(ch["short_read"], at + ".short_read", 0, std::numeric_limits<ViInt32>::max()));
    }
    // The keys of the simulated line mean nothing on a device, whose line is real.
    for (auto [key, field] : {std::pair{"parity_error_one_in", &WireFaults::parity_error_one_in},
                              {"framing_error_one_in", &WireFaults::framing_error_one_in},
                              {"overrun_one_in", &WireFaults::overrun_one_in},
                              {"break_every_ms", &WireFaults::break_every_ms},
                              {"cable", nullptr}, {"pace", nullptr}}) {
      if (!ch.contains(key)) continue;
      if (hooks.port) {
        fail(at + "." + key, "channel " + item.key() + " is on the device \"" + *hooks.port + "\"");
      }
      if (field) {
        hooks.wire_faults.*field = static_cast<ViUInt32>(
            integer(ch[key], at + "." + key, 0, std::numeric_limits<ViInt32>::max()));
      }
    }
    if (ch.contains("cable")) {
      cables[index] = static_cast<ViInt32>(integer(ch["cable"], at + ".cable", 1, 4));
    }
    if (ch.contains("pace")) hooks.instant = instant_pace(ch["pace"], at + ".pace");
  }
  join_cables(cables, where, module);
}

ModuleConfig read_module(const json& m, const std::string& where) {
  only_keys(m, where, {"init_status", "self_test", "error_query", "error_messages", "firmware",
                       "channels", "pace"});
  ModuleConfig module;
  // The module's pace is its channels' own unless they name one.
  const bool instant = m.contains("pace") && instant_pace(m["pace"], where + ".pace");
  for (ChannelHooks& hooks : module.channels) hooks.instant = instant;
  if (m.contains("init_status")) module.init_status = status(m["init_status"], where + ".init_status");
  if (m.contains("self_test")) {
    const json& st = m["self_test"];
    only_keys(st, where + ".self_test", {"code", "message"});
    if (st.contains("code")) {
      module.self_test_code =
          static_cast<ViInt16>(integer(st["code"], where + ".self_test.code", -32768, 32767));
    }
    if (st.contains("message")) {
      module.self_test_message = text(st["message"], where + ".self_test.message");
    }
  }
  if (m.contains("error_query")) {
    const json& eq = m["error_query"];
    only_keys(eq, where + ".error_query", {"code", "message"});
    if (eq.contains("code")) {
      module.error_query_code = static_cast<ViInt32>(
          integer(eq["code"], where + ".error_query.code", std::numeric_limits<ViInt32>::min(),
                  std::numeric_limits<ViInt32>::max()));
    }
    if (eq.contains("message")) {
      module.error_query_message = text(eq["message"], where + ".error_query.message");
    }
  }
  if (m.contains("error_messages")) {
    const json& em = m["error_messages"];
    if (!em.is_object()) fail(where + ".error_messages", "expected an object");
    for (const auto& item : em.items()) {
      const std::string at = where + ".error_messages." + item.key();
      module.error_messages[status_from_text(item.key(), at)] = text(item.value(), at);
    }
  }
  if (m.contains("firmware")) module.firmware_revision = text(m["firmware"], where + ".firmware");
  if (m.contains("channels")) read_channels(m["channels"], where + ".channels", module);
  return module;
}

FaultRule read_fault(const json& f, const std::string& where, int resource) {
  only_keys(f, where, {"function", "channel", "from_call", "count", "status"});
  FaultRule rule;
  rule.resource = resource;
  if (!f.contains("function")) fail(where, "missing \"function\"");
  rule.function = text(f["function"], where + ".function");
  if (!is_entry_point(rule.function)) fail(where + ".function", "no entry point \"" + rule.function + "\"");
  if (f.contains("channel")) rule.channel = static_cast<ViInt32>(integer(f["channel"], where + ".channel", 1, 4));
  if (f.contains("from_call")) {
    rule.from_call = static_cast<unsigned>(integer(f["from_call"], where + ".from_call", 1, 1000000000));
  }
  if (f.contains("count")) rule.count = static_cast<unsigned>(integer(f["count"], where + ".count", 1, 1000000000));
  if (!f.contains("status")) fail(where, "missing \"status\"");
  rule.status = status(f["status"], where + ".status");
  return rule;
}

void read_faults(const json& list, const std::string& where, int resource, Bench& bench) {
  if (!list.is_array()) fail(where, "expected an array");
  for (std::size_t i = 0; i < list.size(); ++i) {
    bench.faults.push_back(read_fault(list[i], where + "[" + std::to_string(i) + "]", resource));
  }
}

Resource read_resource(const json& r, const std::string& where) {
  only_keys(r, where,
            {"descriptor", "interface", "manufacturer_id", "model_code", "slot", "logical_address",
             "identity", "status_byte", "open_status", "module", "faults"});
  Resource res;
  if (!r.contains("descriptor")) fail(where, "missing \"descriptor\"");
  res.descriptor = text(r["descriptor"], where + ".descriptor");
  if (res.descriptor.empty()) fail(where + ".descriptor", "empty");
  auto parsed = parse_rsrc_name(res.descriptor);
  if (r.contains("interface")) {
    res.intf_type = intf_type(r["interface"], where + ".interface");
  } else if (parsed) {
    res.intf_type = parsed->intf_type;
  } else {
    fail(where, "\"interface\" is needed when the descriptor is not a GPIB or VXI name");
  }
  res.manufacturer_id = optional_u16(r, "manufacturer_id", where);
  res.model_code = optional_u16(r, "model_code", where);
  res.slot = optional_u16(r, "slot", where);
  res.logical_address = optional_u16(r, "logical_address", where);
  if (r.contains("identity") && !r["identity"].is_null()) {
    res.identity = text(r["identity"], where + ".identity");
  }
  if (r.contains("status_byte")) {
    res.status_byte = static_cast<ViUInt16>(integer(r["status_byte"], where + ".status_byte", 0, 255));
  }
  if (r.contains("open_status")) res.open_status = status(r["open_status"], where + ".open_status");
  if (r.contains("module")) res.module = read_module(r["module"], where + ".module");
  return res;
}

}  // namespace

Bench parse_bench(const std::string& json_text) {
  json doc;
  try {
    doc = json::parse(json_text);
  } catch (const json::exception& e) {
    throw BenchError(e.what());
  }
  only_keys(doc, "bench", {"resources", "faults"});
  Bench bench;
  if (doc.contains("resources")) {
    const json& list = doc["resources"];
    if (!list.is_array()) fail("resources", "expected an array");
    for (std::size_t i = 0; i < list.size(); ++i) {
      const std::string where = "resources[" + std::to_string(i) + "]";
      Resource res = read_resource(list[i], where);
      if (bench.find(res.descriptor) >= 0) fail(where, "\"" + res.descriptor + "\" is listed twice");
      bench.resources.push_back(std::move(res));
      if (list[i].contains("faults")) {
        read_faults(list[i]["faults"], where + ".faults", static_cast<int>(i), bench);
      }
    }
  }
  if (doc.contains("faults")) read_faults(doc["faults"], "faults", -1, bench);
  return bench;
}

Bench load_bench(const char* path, std::FILE* err, const char* who) {
  if (path == nullptr || *path == '\0') return default_bench();
  try {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw BenchError("cannot open the file");
    std::ostringstream content;
    content << in.rdbuf();
    return parse_bench(content.str());
  } catch (const BenchError& e) {
    std::string reason = e.what();
    for (char& c : reason) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    if (err != nullptr) {
      std::fprintf(err, "%s: bench file \"%s\" not used: %s\n", who, path, reason.c_str());
      std::fflush(err);
    }
    return Bench{};
  }
}

}  // namespace sim
