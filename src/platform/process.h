#pragma once
// Starting other programs.
#include <string>
#include <string_view>

namespace brisvane {

enum class WindowShow { Normal, Minimized };  // activated either way

class IProcessLauncher {
 public:
  virtual ~IProcessLauncher() = default;
  // Starts `command_line` (program and arguments, found as Windows finds a program on a command line)
  // without waiting for it. False when it could not be started; `error` then says why, if given.
  virtual bool Start(std::string_view command_line, WindowShow show = WindowShow::Normal,
                     std::string* error = nullptr) = 0;
  // True when the program that a command line starting with `program_path` would run is this very
  // program (the same file, however the path is written).
  virtual bool IsThisProgram(std::string_view program_path) = 0;
};

}  // namespace brisvane
