#pragma once
// Text from outside (a CSV field, a client's request target) shown on one line of a message or a log:
// control bytes, quotes, backslashes and non-ASCII as \xNN, cut after `max_bytes` bytes with "..." after it.
#include <cstddef>
#include <string>
#include <string_view>

namespace brisvane::reputation {

inline void AppendEscaped(std::string& out, std::string_view text, std::size_t max_bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < text.size() && i < max_bytes; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte >= 0x7f || byte == '"' || byte == '\\') {
      out += "\\x";
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0x0f];
    } else {
      out += static_cast<char>(byte);
    }
  }
  if (text.size() > max_bytes) out += "...";
}

}  // namespace brisvane::reputation
