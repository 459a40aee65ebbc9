#pragma once
// Helpers for driving real windows in tests: a form logic that records its events, and small window
// queries.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/form.h"
#include "win32/form_host.h"

namespace brisvane::testing {

// Records every event as a line ("load", "click 3"), after `name` when it has one; several forms may
// share one log. The hooks run after the line is written.
class RecordingForm final : public IFormEvents {
 public:
  explicit RecordingForm(std::vector<std::string>* log, std::string name = "") : log_(*log), name_(std::move(name)) {}

  void Attach(IFormView* v) override {
    view = v;
    Record(v ? "attach" : "detach");
  }
  void OnLoad() override {
    Record("load");
    if (on_load) on_load();
  }
  void OnClick(int control) override {
    Record("click " + std::to_string(control));
    if (on_click) on_click(control);
  }
  void OnTextChanged(int control) override { Record("text " + std::to_string(control)); }
  void OnTimer(int timer) override {
    Record("timer " + std::to_string(timer));
    if (on_timer) on_timer(timer);
  }
  void OnResize() override { Record("resize"); }
  void OnUnload() override {
    Record("unload");
    if (on_unload) on_unload();
  }

  int Count(const std::string& line) const {
    return static_cast<int>(std::count(log_.begin(), log_.end(), Line(line)));
  }

  IFormView* view = nullptr;
  std::function<void()> on_load, on_unload;
  std::function<void(int)> on_click, on_timer;

 private:
  std::string Line(const std::string& line) const { return name_.empty() ? line : name_ + " " + line; }
  void Record(const std::string& line) { log_.push_back(Line(line)); }
  std::vector<std::string>& log_;
  std::string name_;
};

inline HWND FormWindow(IFormView& view) { return reinterpret_cast<HWND>(view.NativeHandle()); }
inline HWND ControlWindow(IFormView& view, int id) { return GetDlgItem(FormWindow(view), kControlWindowIdBase + id); }

inline std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

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

}  // namespace brisvane::testing
