#include "notify/foreground.h"

namespace brisvane {

bool ForceForeground(IDesktopWindows& desktop, WindowHandle window) {
  const WindowHandle foreground = desktop.ForegroundWindow();
  if (foreground == window) return true;
  const std::uint32_t foreground_thread = desktop.ThreadOf(foreground);
  const std::uint32_t own_thread = desktop.ThreadOf(window);
  bool made_foreground;
  if (foreground_thread != own_thread) {
    // Windows lets a thread take the foreground only while it shares input with the thread that has it.
    desktop.AttachThreadInput(foreground_thread, own_thread, true);
    made_foreground = desktop.SetForegroundWindow(window);
    desktop.AttachThreadInput(foreground_thread, own_thread, false);
  } else {
    made_foreground = desktop.SetForegroundWindow(window);
  }
  desktop.ShowWindow(window, desktop.IsIconic(window));
  return made_foreground;
}

}  // namespace brisvane
