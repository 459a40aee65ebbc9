#pragma once
// The message box and the process's own facts (command line, folder, environment) on Windows.
#include <string>
#include <string_view>

#include "platform/message_box.h"
#include "platform/system.h"

namespace brisvane {

// MessageBoxW with OK only and no icon, owned by this thread's active window when there is one, so that
// it stays in front of the form that asked.
class Win32MessageBox final : public IMessageBox {
 public:
  void Show(std::string_view text, std::string_view caption) override;
};

class Win32System final : public ISystem {
 public:
  std::string CommandLine() override;
  std::string ExpandEnvironment(std::string_view text) override;
  std::string ExecutablePath() override;
  OsVersionInfo WindowsVersion() override { return QuerySystemVersion(); }
};

}  // namespace brisvane
