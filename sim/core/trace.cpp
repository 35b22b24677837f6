#include "core/trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sim {

std::string c_escape(const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char c = p[i];
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      default:
        if (c >= 0x20 && c < 0x7f) {
          out += static_cast<char>(c);
        } else {
          char oct[5];
          std::snprintf(oct, sizeof oct, "\\%03o", c);
          out += oct;
        }
    }
  }
  return out;
}

TraceLine::TraceLine(std::string_view function) : text_(function) {}

TraceLine& TraceLine::num(std::string_view key, long long value) {
  text_.append(" ").append(key).append("=").append(std::to_string(value));
  return *this;
}

TraceLine& TraceLine::str(std::string_view key, const char* text) {
  if (text == nullptr) {
    text_.append(" ").append(key).append("=null");
    return *this;
  }
  return str(key, std::string_view(text));
}

TraceLine& TraceLine::str(std::string_view key, std::string_view text) {
  return bytes(key, text.data(), text.size());
}

TraceLine& TraceLine::bytes(std::string_view key, const void* data, std::size_t size) {
  text_.append(" ").append(key).append("=\"").append(c_escape(data, size)).append("\"");
  return *this;
}

TraceLine& TraceLine::record(std::string_view key, const ViInt32* words, std::size_t count) {
  text_.append(" ").append(key).append("=[");
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) text_ += ',';
    text_ += std::to_string(words[i]);
  }
  text_ += ']';
  return *this;
}

std::string TraceLine::finish(ViStatus status) const {
  return text_ + " -> " + std::to_string(status) + "\n";
}

TraceSink::TraceSink(const char* path) {
  if (path == nullptr || *path == '\0') return;
  fd_ = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    std::fprintf(stderr, "sim: cannot open trace file \"%s\": %s\n", path, std::strerror(errno));
  }
}

TraceSink::~TraceSink() {
  if (fd_ >= 0) ::close(fd_);
}

void TraceSink::write(const std::string& line) {
  if (fd_ < 0) return;
  // A short write to a regular file means a full disk; the trace is a
  // diagnostic aid, so losing the tail there is acceptable.
  ssize_t rc;
  do {
    rc = ::write(fd_, line.data(), line.size());
  } while (rc < 0 && errno == EINTR);
}

const std::string* TraceRecord::get(std::string_view key) const {
  for (const auto& field : fields) {
    if (field.first == key) return &field.second;
  }
  return nullptr;
}

namespace {

// Reads a quoted value starting after the opening quote; false on bad escapes.
bool unquote(std::string_view s, std::size_t& pos, std::string& out) {
  while (pos < s.size()) {
    char c = s[pos++];
    if (c == '"') return true;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (pos >= s.size()) return false;
    char e = s[pos++];
    switch (e) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      default: {
        if (e < '0' || e > '7') return false;
        int value = e - '0';
        for (int k = 0; k < 2; ++k) {
          if (pos >= s.size() || s[pos] < '0' || s[pos] > '7') return false;
          value = value * 8 + (s[pos++] - '0');
        }
        out += static_cast<char>(value);
      }
    }
  }
  return false;
}

}  // namespace

std::optional<TraceRecord> parse_trace_line(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  TraceRecord rec;
  std::size_t pos = line.find(' ');
  if (pos == std::string_view::npos || pos == 0) return std::nullopt;
  rec.function = std::string(line.substr(0, pos));
  while (pos < line.size() && line[pos] == ' ') {
    ++pos;
    if (line.compare(pos, 3, "-> ") == 0) {
      std::string status(line.substr(pos + 3));
      try {
        std::size_t used = 0;
        long long value = std::stoll(status, &used);
        if (used != status.size()) return std::nullopt;
        rec.status = static_cast<ViStatus>(value);
      } catch (const std::exception&) {
        return std::nullopt;
      }
      return rec;
    }
    std::size_t eq = line.find('=', pos);
    if (eq == std::string_view::npos) return std::nullopt;
    std::string key(line.substr(pos, eq - pos));
    pos = eq + 1;
    std::string value;
    if (pos < line.size() && line[pos] == '"') {
      ++pos;
      if (!unquote(line, pos, value)) return std::nullopt;
    } else {
      std::size_t end = line.find(line[pos] == '[' ? ']' : ' ', pos);
      if (end == std::string_view::npos) return std::nullopt;
      if (line[pos] == '[') ++end;
      value = std::string(line.substr(pos, end - pos));
      pos = end;
    }
    rec.fields.emplace_back(std::move(key), std::move(value));
  }
  return std::nullopt;
}

}  // namespace sim
