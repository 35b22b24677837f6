// The call trace: one line per call, `<function> <key>=<value> ... -> <status>`.
// Application tests read it to see what the panel asked of the instrument.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "visa_stub.h"

namespace sim {

// C escapes; any byte outside printable ASCII as three octal digits, which,
// unlike \x, cannot swallow a following digit.
std::string c_escape(const void* data, std::size_t size);

class TraceLine {
 public:
  explicit TraceLine(std::string_view function);
  TraceLine& num(std::string_view key, long long value);
  TraceLine& str(std::string_view key, const char* text);  // null prints as null
  TraceLine& str(std::string_view key, std::string_view text);
  TraceLine& bytes(std::string_view key, const void* data, std::size_t size);
  TraceLine& record(std::string_view key, const ViInt32* words, std::size_t count);
  std::string finish(ViStatus status) const;  // ends with a line feed

 private:
  std::string text_;
};

// Appends lines to the file SFP_SIM_TRACE names. One write() per line on an
// O_APPEND descriptor keeps the two libraries' lines whole in a shared file.
class TraceSink {
 public:
  explicit TraceSink(const char* path);  // null or empty: trace nothing
  ~TraceSink();
  TraceSink(const TraceSink&) = delete;
  TraceSink& operator=(const TraceSink&) = delete;
  void write(const std::string& line);

 private:
  int fd_ = -1;
};

struct TraceRecord {
  std::string function;
  std::vector<std::pair<std::string, std::string>> fields;  // strings unescaped
  ViStatus status = 0;

  const std::string* get(std::string_view key) const;
};

std::optional<TraceRecord> parse_trace_line(std::string_view line);

}  // namespace sim
