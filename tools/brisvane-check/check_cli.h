#pragma once
// The command line of brisvane-check, apart from the process entry point so that tests can drive it.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace brisvane {

struct CliIo {
  std::function<void(std::string_view)> out;  // standard output, UTF-8
  std::function<void(std::string_view)> err;  // standard error, UTF-8
};

enum CliExit : int {
  kExitOk = 0,        // every file had a hash
  kExitNoHash = 1,    // at least one file had none
  kExitUsage = 64,    // the command line was wrong
};

// `args` are the arguments after the program name, UTF-8.
int RunCheckCli(const std::vector<std::string>& args, IFileSystem& fs, const CliIo& io);

}  // namespace brisvane
