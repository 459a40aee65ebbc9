#include "app/reputation_lookup.h"

#include "app/version.h"

namespace brisvane {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // "…" in UTF-8

}  // namespace

std::string SimpleBinaryToString(std::span<const std::uint8_t> Binary) {
  return std::string(Binary.begin(), Binary.end());
}

std::string CheckTorrentFile(std::string_view service_url, const std::string& torrent_path, IFileSystem& fs,
                             IHttpClient& http, IMessageBox& messages, const LookupHooks& hooks) {
  const std::string prefix = std::string(service_url) + "?hash=";
  if (!fs.FileExists(torrent_path)) return {};

  const TorrentHash torrent = GetTorrentHash(fs, torrent_path, hooks.scan);
  if (!torrent.message.empty()) messages.Show(torrent.message, kProgramTitle);
  const std::string& hash = torrent.hash;
  if (hooks.write_hash) hooks.write_hash(hash);
  if ((hooks.read_hash ? hooks.read_hash() : hash).empty()) return {};

  const std::string url = prefix + hash;
  const HttpReply reply = http.Get(url);
  if (!reply.sent) {
    messages.Show(std::string(kErrorContactingUrl) + url, kProgramTitle);
    return {};
  }

  const std::string text = SimpleBinaryToString(reply.body);
  const auto log = [&](std::string_view outcome) {
    if (!hooks.log) return;
    const std::string path = hooks.torrent_path ? hooks.torrent_path() : torrent_path;
    hooks.log(path + ", " + hash + ", " + std::string(outcome));
  };

  if (text.empty()) {
    messages.Show(kNoDataReturned, kProgramTitle);
    log("ERROR");
    return {};
  }
  // A reply past the cap cannot be a rating word; only its beginning is worth showing.
  if (reply.truncated || text.find_first_of("\r\n") != std::string::npos) {
    std::string shown = std::string(kUnexpectedValue) + std::string(kCrLf);
    if (reply.truncated) {
      shown += text.substr(0, kShownReplyBytes);
      shown += kEllipsis;
    } else {
      shown += text;
    }
    messages.Show(shown, kProgramTitle);
    log("ERROR");
    return {};
  }
  if (text.find(kNotFoundTitle) != std::string::npos) {
    messages.Show(std::string(kNotFoundError) + std::string(kCrLf) + text, kProgramTitle);
    return {};
  }
  log(text);
  return text;
}

}  // namespace brisvane
