#pragma once
// The running process's own facts, and the system's version.
#include <string>
#include <string_view>

#include "platform/windows_version.h"

namespace brisvane {

class ISystem {
 public:
  virtual ~ISystem() = default;
  // The whole command line the process was started with, its own name first.
  virtual std::string CommandLine() = 0;
  // Full path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // Expands %NAME% references from the environment.
  virtual std::string ExpandEnvironment(std::string_view text) = 0;
  // The system's version record, asked afresh on each call.
  virtual OsVersionInfo WindowsVersion() = 0;
};

// The folder of an executable path, without a trailing separator.
std::string FolderOf(std::string_view path);

}  // namespace brisvane
