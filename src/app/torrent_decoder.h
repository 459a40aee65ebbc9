#pragma once
// Finds the bencoded info dictionary of a .torrent file and turns it into the info-hash.
//
// The scanner is not a general bencode decoder: it follows the encoding just far enough to find the
// exact bytes of the outermost dictionary's "info" value, tolerates stray bytes the way Brisvane always
// has, and refuses files that a client could read differently from us (a decoy "info" never counts, a
// second "info" key gives no hash). It runs without recursion, so nesting costs heap, not stack.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace brisvane {

// The texts of the program's message boxes, spelled as users have always seen them.
inline constexpr std::string_view kNotValidTorrentMessage = "The file does not appear to be a valid torrent";
inline constexpr std::string_view kUnexpectedErrorMessage = "unexpected error encoutered";

// Larger files are refused unread; real metainfo files are a few megabytes at most.
inline constexpr std::uint64_t kMaxTorrentFileBytes = std::uint64_t{1} << 30;

// Deeper nesting ends the scan without a span; real metainfo nests a handful of levels.
inline constexpr std::size_t kMaxNestingDepth = 1'000'000;

// How much input the scanner reads between two calls of ScanHooks::progress.
inline constexpr std::size_t kProgressInterval = 256 * 1024;

struct ScanHooks {
  // Called once for each kProgressInterval bytes scanned (a skipped byte string counts once, however
  // long), never per byte. A window pumps its messages here; a long scan stays responsive.
  std::function<void()> progress;
  // Each completed non-empty byte string, in file order, for the debug log. The view points into the
  // scanned bytes and lives only during the call. Empty strings are not offered.
  std::function<void(std::string_view)> on_string;
};

struct InfoSpan {
  std::size_t offset = 0;  // 0-based position of the 'd' that opens the info dictionary
  std::size_t length = 0;  // through its own closing 'e', both included
};

// What the info dictionary's own top level says of the torrent's kind.
struct InfoFacts {
  bool meta_version_2 = false;  // "meta version" is the integer 2: a v2 or hybrid torrent (BEP 52)
  bool v1_pieces = false;       // a "pieces" key: the torrent has v1 pieces (v1 or hybrid)
  std::string name;             // the "name" string, as stored; empty when there is none
};

struct TorrentScan {
  std::optional<InfoSpan> info;
  InfoFacts facts;
  std::string message;  // text for a message box, or empty when the user needn't be told anything
  std::string problem;  // one line for a command-line tool when there is no span, else empty
};

// Scans `bytes` once for the info dictionary. Never throws for any input.
TorrentScan ParseTorrent(std::span<const std::uint8_t> bytes, const ScanHooks& hooks = {});

struct TorrentHash {
  // The lookup key, 40 lower-case hex digits: the v1 hash where the torrent has v1 pieces, else the v2
  // hash cut to its first 20 bytes, as trackers and the DHT cut it. Empty when no hash could be made.
  std::string hash;
  std::string v1_hash;  // the SHA-1 of the info span, 40 digits; empty for a v2-only torrent
  std::string v2_hash;  // for v2 and hybrid torrents the SHA-256 of the same span, 64 digits; else empty
  std::string name;
  std::string message;  // text for a message box, or empty
  std::string problem;  // one line for a command-line tool when `hash` is empty, else empty
};

// Loads, scans and hashes the info span exactly as stored in the file: SHA-1 always, SHA-256 too for
// v2 and hybrid torrents.
TorrentHash GetTorrentHash(IFileSystem& fs, const std::string& path, const ScanHooks& hooks = {});

}  // namespace brisvane
