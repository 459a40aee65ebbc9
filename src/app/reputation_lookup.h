#pragma once
// Asks the reputation service how a torrent is rated: one GET of the service URL with "?hash=" and the
// info-hash, and a check that the reply can be a rating word.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "app/torrent_decoder.h"
#include "platform/app_host.h"
#include "platform/file_system.h"
#include "platform/http.h"

namespace brisvane {

// The message texts, spelled as users have always seen them.
inline constexpr std::string_view kErrorContactingUrl = "Error contacting URL: ";
inline constexpr std::string_view kNoDataReturned = "No data was returned back from API call.";
inline constexpr std::string_view kUnexpectedValue = "Unexpected value returned from API call:";
inline constexpr std::string_view kNotFoundError = "404 error!:";
inline constexpr std::string_view kNotFoundTitle = "<title>404 Not Found</title>";

// A reply longer than kMaxReplyBytes is shown cut to this many bytes and an ellipsis.
inline constexpr std::size_t kShownReplyBytes = 200;

// One character per byte, in order: the text holds exactly the body's bytes.
std::string SimpleBinaryToString(std::span<const std::uint8_t> Binary);

// What the lookup reads from and writes to the window around it.
struct LookupHooks {
  // The hash field (lblHash): the hash is written there and read back, and an empty read-back stops
  // the lookup, so a caller whose window went away during the scan can answer "".
  std::function<void(const std::string&)> write_hash;
  std::function<std::string()> read_hash;
  // The torrent path as the window holds it when a log line is written; unset: the path passed in.
  std::function<std::string()> torrent_path;
  // Writes one activity-log line (the caller adds the date and time). Unset, or a no-op while the log
  // switch is off: nothing is logged.
  std::function<void(std::string_view line)> log;
  // For the torrent scan: the window pumps its messages here.
  ScanHooks scan;
};

// Returns the rating word, unchanged, or "" when the lookup failed (after telling the user in a
// message box captioned kProgramTitle, where there is something to tell).
std::string CheckTorrentFile(std::string_view service_url, const std::string& torrent_path, IFileSystem& fs,
                             IHttpClient& http, IMessageBox& messages, const LookupHooks& hooks);

}  // namespace brisvane
