#pragma once
#include "platform/desktop.h"

namespace brisvane::win32 {

// user32's view of the desktop's windows.
class DesktopWindows final : public IDesktopWindows {
 public:
  void PrimaryMonitorSize(int& width, int& height) override;
  WindowHandle WindowFromPoint(int x, int y) override;
  std::uint32_t ProcessOf(WindowHandle window) override;
  WindowHandle ParentOf(WindowHandle window) override;
  WindowHandle ForegroundWindow() override;
  std::uint32_t ThreadOf(WindowHandle window) override;
  bool AttachThreadInput(std::uint32_t from_thread, std::uint32_t to_thread, bool attach) override;
  bool SetForegroundWindow(WindowHandle window) override;
  bool IsIconic(WindowHandle window) override;
  void ShowWindow(WindowHandle window, bool restore) override;
};

}  // namespace brisvane::win32
