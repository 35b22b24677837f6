// Copies into the fixed 256-byte text buffers of the C interfaces.
#pragma once

#include <string_view>

namespace sim {

constexpr std::size_t kTextBufLen = 256;

// A text of 256 characters or more fills the buffer completely and gets no
// terminating zero: real libraries do that, and the application must cope.
void copy_text256(char* dst, std::string_view text);

// What such a buffer holds, stopping at its zero or at 256 bytes.
std::string_view view_text256(const char* src);

}  // namespace sim
