#include "core/c_text.h"

#include <cstring>

namespace sim {

void copy_text256(char* dst, std::string_view text) {
  if (dst == nullptr) return;
  if (text.size() >= kTextBufLen) {
    std::memcpy(dst, text.data(), kTextBufLen);
    return;
  }
  std::memcpy(dst, text.data(), text.size());
  dst[text.size()] = '\0';
}

std::string_view view_text256(const char* src) {
  if (src == nullptr) return {};
  return std::string_view(src, strnlen(src, kTextBufLen));
}

}  // namespace sim
