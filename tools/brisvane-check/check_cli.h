#pragma once
// The command line of brisvane-check, apart from the process entry point so that tests can drive it.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/http.h"

namespace brisvane {

struct CliIo {
  std::function<void(std::string_view)> out;  // standard output, UTF-8
  std::function<void(std::string_view)> err;  // standard error, UTF-8
};

enum CliExit : int {
  kExitOk = 0,           // hash: every file had a hash; check: every file was allowed
  kExitNoHash = 1,       // hash: at least one file had none
  kExitBlocked = 1,      // check: at least one file was blocked, none failed
  kExitCheckFailed = 2,  // check: at least one file got no rating (no hash, or the lookup failed)
  kExitUsage = 64,       // the command line was wrong
};

// `args` are the arguments after the program name, UTF-8. `http` serves the lookups of "check".
int RunCheckCli(const std::vector<std::string>& args, IFileSystem& fs, IHttpClient& http, const CliIo& io);

}  // namespace brisvane
