#include "check_cli.h"

#include <algorithm>

#include "app/magnet_link.h"
#include "app/rating.h"
#include "app/reputation_lookup.h"
#include "app/torrent_decoder.h"
#include "product.h"

namespace brisvane {
namespace {

constexpr std::string_view kUsage =
    "Usage: brisvane-check hash FILE|MAGNET...\n"
    "       brisvane-check info FILE|MAGNET...\n"
    "       brisvane-check check FILE|MAGNET... [--url URL] [--allow RATINGS]\n"
    "       brisvane-check --help | --version\n"
    "\n"
    "Each torrent is a .torrent file or a magnet link (magnet:?xt=urn:btih:...). Its lookup key is the\n"
    "v1 info-hash, or for a torrent without v1 pieces the v2 info-hash cut to 40 hex digits.\n"
    "\n"
    "Commands:\n"
    "  hash    print the lookup key of each torrent, like sha1sum:\n"
    "                 <40 hex digits>  <torrent>\n"
    "                 Exit status: 0 when every torrent had a hash, 1 when one or more had none.\n"
    "  info    print what each torrent is, one line a field, a blank line after each:\n"
    "                 torrent: <as given>\n"
    "                 name: <name>\n"
    "                 v1 info-hash: <40 hex digits>\n"
    "                 v2 info-hash: <64 hex digits>\n"
    "                 lookup key: <40 hex digits>\n"
    "                 (\"none\" where a torrent has no such field.) Exit status as for hash.\n"
    "  check   ask the reputation service about each torrent and decide as Brisvane does:\n"
    "                 <40 hex digits>  <rating>  Allowed|Blocked  <torrent>\n"
    "                 A torrent without a rating gets no line; why goes to standard error.\n"
    "                 Exit status: 0 when every file was allowed, 1 when one or more were blocked,\n"
    "                 2 when one or more got no rating (no info-hash, or the lookup failed).\n"
    "    --url URL        the service; the request is URL?hash=<info-hash>.\n"
    "                     Default: http://bitsnoop.com/api/fakeskan.php\n"
    "    --allow RATINGS  comma-separated, any case: VERIFIED, GOOD, NEUTRAL (NONE and NOTFOUND),\n"
    "                     BAD, FAKE; empty allows nothing. Default: VERIFIED,GOOD,NEUTRAL\n"
    "\n"
    "Exit status 64: the command line was wrong.\n";

// A message meant for a message box, folded onto one line for a terminal.
std::string OneLine(std::string text) {
  std::string folded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      folded += ": ";
      ++i;
    } else if (text[i] == '\r' || text[i] == '\n') {
      folded += ": ";
    } else {
      folded += text[i];
    }
  }
  return folded;
}

int UsageError(const CliIo& io, std::string_view what) {
  io.err("brisvane-check: ");
  io.err(what);
  io.err("\nTry 'brisvane-check --help'.\n");
  return kExitUsage;
}

// A file's hashes, or a magnet link's.
TorrentHash Identify(const std::string& torrent, IFileSystem& fs) {
  if (!IsMagnetLink(torrent)) return GetTorrentHash(fs, torrent);
  const MagnetLink link = ParseMagnetLink(torrent);
  TorrentHash hash;
  hash.hash = link.hash;
  hash.v1_hash = link.v1_hash;
  hash.v2_hash = link.v2_hash;
  hash.name = link.name;
  hash.message = link.refusal;
  return hash;
}

// Says on standard error why a torrent has no hash; false then.
bool HasHash(const TorrentHash& result, const std::string& torrent, const CliIo& io) {
  if (!result.hash.empty()) return true;
  std::string why = !result.message.empty() ? result.message : result.problem;
  if (why.empty()) why = "no info-hash";
  io.err("brisvane-check: " + torrent + ": " + OneLine(why) + "\n");
  return false;
}

int Hash(const std::vector<std::string>& torrents, IFileSystem& fs, const CliIo& io) {
  int status = kExitOk;
  for (const std::string& torrent : torrents) {
    const TorrentHash result = Identify(torrent, fs);
    if (HasHash(result, torrent, io)) {
      io.out(result.hash + "  " + torrent + "\n");
    } else {
      status = kExitNoHash;
    }
  }
  return status;
}

int Info(const std::vector<std::string>& torrents, IFileSystem& fs, const CliIo& io) {
  int status = kExitOk;
  const auto field = [](std::string_view value) { return value.empty() ? std::string("none") : std::string(value); };
  for (const std::string& torrent : torrents) {
    const TorrentHash result = Identify(torrent, fs);
    if (!HasHash(result, torrent, io)) {
      status = kExitNoHash;
      continue;
    }
    io.out("torrent: " + torrent + "\nname: " + field(result.name) + "\nv1 info-hash: " + field(result.v1_hash) +
           "\nv2 info-hash: " + field(result.v2_hash) + "\nlookup key: " + result.hash + "\n\n");
  }
  return status;
}

// Message boxes of the lookup, as lines on standard error naming the file.
class ErrorLines final : public IMessageBox {
 public:
  ErrorLines(const CliIo& io, const std::string& file) : io_(io), file_(file) {}
  void Show(std::string_view text, std::string_view /*caption*/) override {
    io_.err("brisvane-check: " + file_ + ": " + OneLine(std::string(text)) + "\n");
    shown = true;
  }
  bool shown = false;

 private:
  const CliIo& io_;
  const std::string& file_;
};

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
  return text;
}

// "VERIFIED,GOOD,NEUTRAL" into flags; false with `error` set for a name it does not know.
bool ParseAllow(const std::string& list, AllowFlags& flags, std::string& error) {
  flags = {false, false, false, false, false};
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    const std::string name = Upper(list.substr(start, comma - start));
    start = comma + 1;
    const std::optional<Rating> rating = ParseRating(name);
    if (name == "NEUTRAL") {
      flags.neutral = true;
    } else if (rating == Rating::kNone || rating == Rating::kNotFound) {
      error = "--allow: NONE and NOTFOUND share one switch; say NEUTRAL";
      return false;
    } else if (rating) {
      SetAllowed(flags, *rating, true);
    } else {
      error = "--allow: unknown rating '" + name + "' (VERIFIED, GOOD, NEUTRAL, BAD or FAKE)";
      return false;
    }
  }
  return true;
}

int Check(const std::vector<std::string>& files, const std::string& url, const AllowFlags& allow, IFileSystem& fs,
          IHttpClient& http, const CliIo& io) {
  bool failed = false;
  bool blocked = false;
  for (const std::string& file : files) {
    if (!IsMagnetLink(file) && !fs.FileExists(file)) {
      io.err("brisvane-check: " + file + ": no such file\n");
      failed = true;
      continue;
    }
    ErrorLines messages(io, file);
    const TorrentHash torrent = Identify(file, fs);
    if (!torrent.message.empty()) messages.Show(torrent.message, kProgramTitle);
    const std::string& hash = torrent.hash;
    const std::string rating = hash.empty() ? std::string() : LookUpRating(url, hash, http, messages);
    if (rating.empty()) {
      if (!messages.shown) io.err("brisvane-check: " + file + ": " + (hash.empty() ? "no info-hash" : "no rating") + "\n");
      failed = true;
      continue;
    }
    const bool allowed = IsAllowed(rating, allow);
    blocked = blocked || !allowed;
    io.out(hash + "  " + rating + "  " + (allowed ? "Allowed" : "Blocked") + "  " + file + "\n");
  }
  if (failed) return kExitCheckFailed;
  return blocked ? kExitBlocked : kExitOk;
}

}  // namespace

int RunCheckCli(const std::vector<std::string>& args, IFileSystem& fs, IHttpClient& http, const CliIo& io) {
  if (args.empty()) return UsageError(io, "missing command");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    io.out(kUsage);
    return kExitOk;
  }
  if (command == "--version") {
    io.out("brisvane-check " + std::string(kProgramVersion) + "\n");
    return kExitOk;
  }
  if (command == "hash" || command == "info") {
    std::vector<std::string> files;
    bool options_done = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (!options_done && args[i] == "--") {
        options_done = true;
      } else if (!options_done && args[i].size() > 1 && args[i][0] == '-') {
        return UsageError(io, "unknown option '" + args[i] + "'");
      } else {
        files.push_back(args[i]);
      }
    }
    if (files.empty()) return UsageError(io, command + ": no torrent given");
    return command == "hash" ? Hash(files, fs, io) : Info(files, fs, io);
  }
  if (command == "check") {
    std::vector<std::string> files;
    std::string url(kDefaultServiceUrl);
    AllowFlags allow;  // the program's own defaults
    bool options_done = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
      const std::string& arg = args[i];
      if (options_done || arg.size() < 2 || arg[0] != '-') {
        files.push_back(arg);
        continue;
      }
      if (arg == "--") {
        options_done = true;
        continue;
      }
      const auto equals = arg.find('=');
      const std::string name = arg.substr(0, equals);
      if (name != "--url" && name != "--allow") return UsageError(io, "unknown option '" + arg + "'");
      std::string value;
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return UsageError(io, name + " needs a value");
      }
      if (name == "--url") {
        if (value.empty()) return UsageError(io, "--url needs a value");
        url = value;
      } else {
        std::string error;
        if (!ParseAllow(value, allow, error)) return UsageError(io, error);
      }
    }
    if (files.empty()) return UsageError(io, "check: no torrent given");
    return Check(files, url, allow, fs, http, io);
  }
  return UsageError(io, "unknown command '" + command + "'");
}

}  // namespace brisvane
