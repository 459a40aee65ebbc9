#pragma once
#include "platform/process.h"

namespace brisvane::win32 {

class ProcessLauncher final : public IProcessLauncher {
 public:
  bool Start(std::string_view command_line) override;
};

}  // namespace brisvane::win32
