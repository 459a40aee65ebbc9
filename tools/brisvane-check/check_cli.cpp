#include "check_cli.h"

#include "app/torrent_decoder.h"
#include "app/version.h"

namespace brisvane {
namespace {

constexpr std::string_view kUsage =
    "Usage: brisvane-check hash FILE...\n"
    "       brisvane-check --help | --version\n"
    "\n"
    "Commands:\n"
    "  hash FILE...   print the info-hash of each torrent file, like sha1sum:\n"
    "                 <40 hex digits>  <file>\n"
    "\n"
    "Exit status: 0 when every file had a hash, 1 when one or more had none, 64 on a usage error.\n";

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

int Hash(const std::vector<std::string>& files, IFileSystem& fs, const CliIo& io) {
  int status = kExitOk;
  for (const std::string& file : files) {
    const TorrentHash result = GetTorrentHash(fs, file);
    if (!result.hash.empty()) {
      io.out(result.hash + "  " + file + "\n");
      continue;
    }
    status = kExitNoHash;
    std::string why = !result.message.empty() ? result.message : result.problem;
    if (why.empty()) why = "no info-hash";
    io.err("brisvane-check: " + file + ": " + OneLine(why) + "\n");
  }
  return status;
}

}  // namespace

int RunCheckCli(const std::vector<std::string>& args, IFileSystem& fs, const CliIo& io) {
  if (args.empty()) return UsageError(io, "missing command");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    io.out(kUsage);
    return kExitOk;
  }
  if (command == "--version") {
    io.out(std::string("brisvane-check ") + kProgramVersion + "\n");
    return kExitOk;
  }
  if (command == "hash") {
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
    if (files.empty()) return UsageError(io, "hash: no torrent file given");
    return Hash(files, fs, io);
  }
  return UsageError(io, "unknown command '" + command + "'");
}

}  // namespace brisvane
