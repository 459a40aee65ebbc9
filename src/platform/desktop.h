#pragma once
// The window manager's view of other programs' windows: what lies at a screen point, which process and
// thread own a window, and the calls that bring a window to the front.
#include <cstdint>

namespace brisvane {

// An opaque window handle (an HWND on Windows); 0 is none.
using WindowHandle = std::uintptr_t;

class IDesktopWindows {
 public:
  virtual ~IDesktopWindows() = default;
  // Size in pixels of the whole primary monitor, where a window without a place of its own opens.
  virtual void PrimaryMonitorSize(int& width, int& height) = 0;
  // The window (top-level or child) at pixel (x, y) of the screen, 0 when none.
  virtual WindowHandle WindowFromPoint(int x, int y) = 0;
  // The id of the process that made `window`, 0 when unknown or gone.
  virtual std::uint32_t ProcessOf(WindowHandle window) = 0;
  virtual WindowHandle ParentOf(WindowHandle window) = 0;

  virtual WindowHandle ForegroundWindow() = 0;
  // The id of the thread that made `window`, 0 when unknown or gone.
  virtual std::uint32_t ThreadOf(WindowHandle window) = 0;
  // Joins (or, with attach false, separates) the input state of two threads.
  virtual bool AttachThreadInput(std::uint32_t from_thread, std::uint32_t to_thread, bool attach) = 0;
  virtual bool SetForegroundWindow(WindowHandle window) = 0;
  virtual bool IsIconic(WindowHandle window) = 0;
  // Shows the window restored from minimised (`restore`) or in its current state.
  virtual void ShowWindow(WindowHandle window, bool restore) = 0;
};

}  // namespace brisvane
