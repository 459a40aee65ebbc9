#pragma once
// Magnet links (magnet:?xt=urn:btih:...): the info-hash they name and the name they give, read the way a
// torrent client reads them. A link is untrusted input: whatever it holds, reading it never fails, and a
// link that could not be handed on safely is refused with a reason.
#include <cstddef>
#include <string>
#include <string_view>

namespace brisvane {

// Longer links are refused unread; real ones are a few hundred characters with their trackers.
inline constexpr std::size_t kMaxMagnetLinkBytes = 16 * 1024;

// True for text that starts with "magnet:" in any case: it is a link, not a file, whatever else it holds.
bool IsMagnetLink(std::string_view text);

struct MagnetLink {
  // The lookup key: 40 lower-case hex digits, from "xt=urn:btih:" (40 hex digits or 32 base32 letters, any
  // case) or, failing that, the first 20 bytes of the SHA-256 in "xt=urn:btmh:1220" + 64 hex digits.
  std::string hash;
  std::string v1_hash;      // from btih, or empty
  std::string v2_hash;      // the 64 hex digits of btmh, or empty
  std::string name;         // "dn", percent-decoded, as UTF-8 (bytes that are not are replaced); may be empty
  std::string refusal;      // why the link cannot be checked or handed on; empty when it can
};

// Reads `link`; text that is no magnet link is refused. A link holding a double quote, a control character or a blank
// outside percent-encoding is refused: inside the torrent program's quoted argument it could add
// arguments of its own. So is one that names no usable hash, or two different torrents.
MagnetLink ParseMagnetLink(std::string_view link);

// What the popup shows for a link: its name, or its hash when it has none.
std::string MagnetDisplayName(const MagnetLink& link);

}  // namespace brisvane
