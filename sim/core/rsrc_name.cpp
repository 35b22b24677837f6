#include "core/rsrc_name.h"

#include <cctype>
#include <vector>

#include "core/bench.h"

namespace sim {
namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool istarts_with(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

std::optional<unsigned> number(std::string_view s, unsigned max) {
  if (s.empty() || s.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > max) return std::nullopt;
  return value;
}

std::vector<std::string_view> split(std::string_view s) {
  std::vector<std::string_view> parts;
  for (;;) {
    std::size_t pos = s.find("::");
    parts.push_back(s.substr(0, pos));
    if (pos == std::string_view::npos) return parts;
    s.remove_prefix(pos + 2);
  }
}

std::string compose(std::string_view prefix, const RsrcName& n) {
  std::string text =
      std::string(prefix) + std::to_string(n.board) + "::" + std::to_string(n.address) + "::";
  if (n.secondary) text += std::to_string(*n.secondary) + "::";
  return text + "INSTR";
}

}  // namespace

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<RsrcName> parse_rsrc_name(std::string_view name) {
  std::vector<std::string_view> parts = split(name);
  if (parts.size() > 1 && iequals(parts.back(), "INSTR")) parts.pop_back();

  RsrcName out;
  std::string_view head = parts.front();
  std::string_view prefix;
  // GPIB-VXI first: it also starts with "GPIB".
  if (istarts_with(head, "GPIB-VXI")) {
    out.intf_type = VI_INTF_GPIB_VXI;
    prefix = "GPIB-VXI";
  } else if (istarts_with(head, "GPIB")) {
    out.intf_type = VI_INTF_GPIB;
    prefix = "GPIB";
  } else if (istarts_with(head, "VXI")) {
    out.intf_type = VI_INTF_VXI;
    prefix = "VXI";
  } else {
    return std::nullopt;
  }
  head.remove_prefix(prefix.size());
  if (!head.empty()) {
    auto board = number(head, 65535);
    if (!board) return std::nullopt;
    out.board = static_cast<ViUInt16>(*board);
  }

  const bool gpib = out.intf_type == VI_INTF_GPIB;
  if (parts.size() < 2 || parts.size() > (gpib ? 3u : 2u)) return std::nullopt;
  auto address = number(parts[1], gpib ? 30 : 255);
  if (!address) return std::nullopt;
  out.address = *address;
  if (parts.size() == 3) {
    auto secondary = number(parts[2], 30);
    if (!secondary) return std::nullopt;
    out.secondary = *secondary;
  }

  out.canonical = compose(prefix, out);
  return out;
}

std::string listed_name(std::string_view name) {
  auto parsed = parse_rsrc_name(name);
  return parsed ? parsed->canonical : std::string(name);
}

int answering_resource(const Bench& bench, std::string_view name) {
  const int declared = bench.find(std::string(name));
  if (declared >= 0) return declared;
  auto parsed = parse_rsrc_name(name);
  if (!parsed || !parsed->secondary) return -1;
  parsed->secondary.reset();  // only GPIB names have one
  return bench.find(compose("GPIB", *parsed));
}

}  // namespace sim
