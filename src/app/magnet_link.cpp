#include "app/magnet_link.h"

#include <array>
#include <cstdint>
#include <optional>

namespace brisvane {
namespace {

constexpr std::string_view kBtih = "urn:btih:";
constexpr std::string_view kBtmh = "urn:btmh:1220";  // multihash: SHA-256, 32 bytes

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerAscii(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// `digits` hex digits in any case, as lower case; nothing for anything else.
std::optional<std::string> LowerHex(std::string_view text, std::size_t digits) {
  if (text.size() != digits) return std::nullopt;
  std::string hex(text);
  for (char& c : hex) {
    if (HexValue(c) < 0) return std::nullopt;
    c = LowerAscii(c);
  }
  return hex;
}

// 32 base32 letters (RFC 4648, any case) as the 40 hex digits of their 20 bytes.
std::optional<std::string> Base32AsHex(std::string_view text) {
  if (text.size() != 32) return std::nullopt;
  std::array<std::uint8_t, 20> bytes{};
  unsigned buffer = 0, bits = 0;
  std::size_t out = 0;
  for (const char raw : text) {
    const char c = LowerAscii(raw);
    int value = -1;
    if (c >= 'a' && c <= 'z') value = c - 'a';
    if (c >= '2' && c <= '7') value = c - '2' + 26;
    if (value < 0) return std::nullopt;
    buffer = (buffer << 5) | static_cast<unsigned>(value);
    bits += 5;
    if (bits >= 8) {
      bits -= 8;
      bytes[out++] = static_cast<std::uint8_t>(buffer >> bits);
      buffer &= (1u << bits) - 1;
    }
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const std::uint8_t b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

// Percent-escapes decoded and '+' as a blank; a '%' not followed by two hex digits stays as it is.
std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i] == '+' ? ' ' : text[i];
    }
  }
  return out;
}

// Valid UTF-8 as it is; each byte of anything else as U+FFFD, so that a name never breaks a window.
std::string ValidUtf8(std::string_view text) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    bool valid = length != 0 && i + length <= text.size() && !(b == 0xC0 || b == 0xC1 || b > 0xF4);
    for (std::size_t k = 1; valid && k < length; ++k) valid = (static_cast<unsigned char>(text[i + k]) >> 6) == 0x2;
    if (valid && length >= 3) {
      // No overlong forms, no surrogates, nothing past U+10FFFF.
      const auto b1 = static_cast<unsigned char>(text[i + 1]);
      valid = !(b == 0xE0 && b1 < 0xA0) && !(b == 0xED && b1 >= 0xA0) && !(b == 0xF0 && b1 < 0x90) &&
              !(b == 0xF4 && b1 >= 0x90);
    }
    if (valid && b != 0) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      out += kReplacement;
      ++i;
    }
  }
  return out;
}

// Characters that must not reach a command line unescaped.
bool Unsafe(char c) {
  const auto u = static_cast<unsigned char>(c);
  return c == '"' || c == ' ' || u < 0x20 || u == 0x7F;
}

MagnetLink Refused(std::string reason) {
  MagnetLink link;
  link.refusal = std::move(reason);
  return link;
}

}  // namespace

bool IsMagnetLink(std::string_view text) { return StartsWithIgnoringCase(text, "magnet:"); }

MagnetLink ParseMagnetLink(std::string_view link) {
  if (!IsMagnetLink(link)) return Refused("This is not a magnet link.");
  if (link.size() > kMaxMagnetLinkBytes) return Refused("The magnet link is too long to be a real one.");
  for (const char c : link) {
    if (Unsafe(c)) {
      return Refused("The magnet link holds a blank, a double quote or a control character that is not "
                     "percent-encoded, so it was not opened.");
    }
  }
  MagnetLink result;
  std::string_view query = link.substr(std::string_view("magnet:").size());
  if (!query.empty() && query.front() == '?') query.remove_prefix(1);
  bool dn_seen = false;
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string key = PercentDecoded(pair.substr(0, equals));
    const std::string value = PercentDecoded(pair.substr(equals + 1));
    if (key == "dn" && !dn_seen) {
      dn_seen = true;
      result.name = ValidUtf8(value);
      continue;
    }
    // "xt", or "xt.1", "xt.2"... for links that name several exact topics.
    if (key != "xt" && !(key.size() > 3 && key.compare(0, 3, "xt.") == 0)) continue;
    std::optional<std::string> v1, v2;
    if (StartsWithIgnoringCase(value, kBtih)) {
      const std::string_view digits = std::string_view(value).substr(kBtih.size());
      v1 = digits.size() == 32 ? Base32AsHex(digits) : LowerHex(digits, 40);
      if (!v1) return Refused("The magnet link's btih hash is neither 40 hex digits nor 32 base32 letters.");
    } else if (StartsWithIgnoringCase(value, kBtmh)) {
      v2 = LowerHex(std::string_view(value).substr(kBtmh.size()), 64);
      if (!v2) return Refused("The magnet link's btmh hash is not a SHA-256 of 64 hex digits.");
    }
    // Two different torrents in one link: which one the client would open is anybody's guess.
    if ((v1 && !result.v1_hash.empty() && *v1 != result.v1_hash) ||
        (v2 && !result.v2_hash.empty() && *v2 != result.v2_hash)) {
      return Refused("The magnet link names more than one torrent.");
    }
    if (v1) result.v1_hash = *v1;
    if (v2) result.v2_hash = *v2;
  }
  result.hash = !result.v1_hash.empty() ? result.v1_hash : result.v2_hash.substr(0, 40);
  if (result.hash.empty()) {
    return Refused("The magnet link holds no BitTorrent info-hash (xt=urn:btih: or xt=urn:btmh:), so it "
                   "cannot be checked.");
  }
  return result;
}

std::string MagnetDisplayName(const MagnetLink& link) { return link.name.empty() ? link.hash : link.name; }

}  // namespace brisvane
