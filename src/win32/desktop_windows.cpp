#include "win32/desktop_windows.h"

#include <windows.h>

namespace brisvane::win32 {

void DesktopWindows::PrimaryMonitorSize(int& width, int& height) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info)) {
    width = info.rcMonitor.right - info.rcMonitor.left;
    height = info.rcMonitor.bottom - info.rcMonitor.top;
  } else {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
  }
}
namespace {

HWND Hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle Handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }

}  // namespace

WindowHandle DesktopWindows::WindowFromPoint(int x, int y) { return Handle(::WindowFromPoint(POINT{x, y})); }

std::uint32_t DesktopWindows::ProcessOf(WindowHandle window) {
  DWORD pid = 0;
  if (window == 0 || !::GetWindowThreadProcessId(Hwnd(window), &pid)) return 0;
  return pid;
}

WindowHandle DesktopWindows::ParentOf(WindowHandle window) {
  return window == 0 ? 0 : Handle(::GetParent(Hwnd(window)));
}

WindowHandle DesktopWindows::ForegroundWindow() { return Handle(::GetForegroundWindow()); }

std::uint32_t DesktopWindows::ThreadOf(WindowHandle window) {
  return window == 0 ? 0 : ::GetWindowThreadProcessId(Hwnd(window), nullptr);
}

bool DesktopWindows::AttachThreadInput(std::uint32_t from_thread, std::uint32_t to_thread, bool attach) {
  return ::AttachThreadInput(from_thread, to_thread, attach ? TRUE : FALSE) != 0;
}

bool DesktopWindows::SetForegroundWindow(WindowHandle window) { return ::SetForegroundWindow(Hwnd(window)) != 0; }

bool DesktopWindows::IsIconic(WindowHandle window) { return ::IsIconic(Hwnd(window)) != 0; }

void DesktopWindows::ShowWindow(WindowHandle window, bool restore) {
  ::ShowWindow(Hwnd(window), restore ? SW_RESTORE : SW_SHOW);
}

}  // namespace brisvane::win32
