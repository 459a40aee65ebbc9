// Any text at all as a magnet link: reading it must not crash, and whatever it accepts must be safe to
// hand on inside the torrent program's quoted argument and must name a well-formed hash.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/magnet_link.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool LowerHex(std::string_view text) { return text.find_first_not_of("0123456789abcdef") == text.npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view link(reinterpret_cast<const char*>(data), size);
  const brisvane::MagnetLink parsed = brisvane::ParseMagnetLink(link);
  if (!parsed.refusal.empty()) {
    Check(parsed.hash.empty());
    return 0;
  }
  Check(parsed.hash.size() == 40 && LowerHex(parsed.hash));
  Check(parsed.v1_hash.empty() || parsed.v1_hash == parsed.hash);
  Check(parsed.v2_hash.empty() || (parsed.v2_hash.size() == 64 && LowerHex(parsed.v2_hash)));
  Check(size <= brisvane::kMaxMagnetLinkBytes);
  for (const char c : link) {
    const auto u = static_cast<unsigned char>(c);
    Check(c != '"' && c != ' ' && u >= 0x20 && u != 0x7F);
  }
  for (const char c : parsed.name) Check(c != '\0');
  return 0;
}
