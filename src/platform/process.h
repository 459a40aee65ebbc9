#pragma once
// Starting other programs.
#include <string_view>

namespace brisvane {

class IProcessLauncher {
 public:
  virtual ~IProcessLauncher() = default;
  // Starts `command_line` (program and arguments, as Windows parses them) in a normal window with the
  // focus, without waiting for it. False when it could not be started.
  virtual bool Start(std::string_view command_line) = 0;
};

}  // namespace brisvane
