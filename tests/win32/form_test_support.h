#pragma once
// Helpers for driving real windows in tests: a form logic that records its events, and small
// window queries.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/form.h"
#include "win32/form_host.h"

inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace brisvane::testing {

// Records every event as a line ("load", "click 3"); several forms may share one log, each line then
// begins with the form's name. The handlers run after the line is written.
class RecordingForm final : public IFormEvents {
 public:
  RecordingForm() = default;
  RecordingForm(std::string name, std::vector<std::string>* shared) : name_(std::move(name)), shared_(shared) {}

  void Attach(IFormView* v) override {
    view = v;
    Record(v ? "attach" : "detach");
  }
  void Form_Load() override {
    Record("load");
    if (on_load) on_load();
  }
  void OnClick(int control) override {
    Record("click " + std::to_string(control));
    if (on_click) on_click(control);
  }
  void OnTimer(int timer) override {
    Record("timer " + std::to_string(timer));
    if (on_timer) on_timer(timer);
  }
  void Form_Resize() override {
    Record("resize");
    if (on_resize) on_resize();
  }
  void Form_Unload() override {
    Record("unload");
    if (on_unload) on_unload();
  }

  int Count(const std::string& line) const { return static_cast<int>(std::count(log.begin(), log.end(), line)); }

  IFormView* view = nullptr;
  std::vector<std::string> log;
  std::function<void()> on_load, on_resize, on_unload;
  std::function<void(int)> on_click, on_timer;

 private:
  void Record(const std::string& line) {
    log.push_back(line);
    if (shared_) shared_->push_back(name_ + " " + line);
  }
  std::string name_;
  std::vector<std::string>* shared_ = nullptr;
};

inline HWND FormWindow(IFormView& view) { return reinterpret_cast<HWND>(view.NativeHandle()); }

inline HWND ControlWindow(IFormView& view, int id) { return GetDlgItem(FormWindow(view), kControlWindowIdBase + id); }

// A child's rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

inline std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

// The window class in lower case ("edit", "button").
inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  std::wstring lower(name);
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  return lower;
}

inline UINT DpiOf(HWND window) {
  using Fn = UINT(WINAPI*)(HWND);
  const auto get = reinterpret_cast<Fn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get) return get(window);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

inline void PostKey(HWND window, WPARAM key) { PostMessageW(window, WM_KEYDOWN, key, 1); }

// Calls `pump` until `done`, waiting for messages in between. The deadline (10 s) only keeps a broken
// build from hanging; nothing here measures time.
inline bool PumpUntil(const std::function<void()>& pump, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    pump();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Empties this thread's queue, WM_QUIT included, so that one test's leftovers never reach the next.
inline void DrainMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message != WM_QUIT) DispatchMessageW(&msg);
  }
}

inline int FormWindowsOfThisThread() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (std::wstring(name) == kFormWindowClass) ++*reinterpret_cast<int*>(found);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace brisvane::testing
