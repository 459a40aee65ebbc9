#include "rating.h"

namespace brisvane::reputation {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<InfoHash> ParseInfoHash(std::string_view text) {
  InfoHash hash{};
  if (text.size() != hash.size() * 2) return std::nullopt;
  for (std::size_t i = 0; i < hash.size(); ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    hash[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return hash;
}

std::string ToHex(const InfoHash& hash) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(hash.size() * 2);
  for (std::uint8_t byte : hash) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0f];
  }
  return text;
}

}  // namespace brisvane::reputation
