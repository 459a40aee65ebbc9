#pragma once
#include "platform/process.h"

namespace brisvane::win32 {

class ProcessLauncher final : public IProcessLauncher {
 public:
  bool Start(std::string_view command_line, WindowShow show, std::string* error) override;
  bool IsThisProgram(std::string_view program_path) override;
};

}  // namespace brisvane::win32
