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
#include "win32/dpi.h"
#include "win32/form_host.h"
#include "win32/text.h"

namespace brisvane::testing {

// Records every event as a line ("load", "click 3"); the hooks run after the line is written.
class RecordingForm final : public IFormEvents {
 public:
  void Attach(IFormView* v) override { Record((view = v) ? "attach" : "detach"); }
  void OnLoad() override { Record("load", on_load); }
  void OnClick(int control) override { Record("click " + std::to_string(control), on_click, control); }
  void OnTextChanged(int control) override { Record("text " + std::to_string(control)); }
  void OnTimer(int timer) override { Record("timer " + std::to_string(timer), on_timer, timer); }
  void OnResize() override { Record("resize"); }
  void OnUnload() override { Record("unload"); }

  IFormView* view = nullptr;
  std::vector<std::string> log;
  std::function<void(int)> on_load, on_click, on_timer;  // on_load's argument is 0

 private:
  void Record(const std::string& line, const std::function<void(int)>& hook = nullptr, int arg = 0) {
    log.push_back(line);
    if (hook) hook(arg);
  }
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

// Every visible control of `form` whose text does not show whole, measured as the control draws it: in
// its own font, wrapped where a static wraps, against its client area less what covers it (a label lies
// beneath the windowed control beside it) and less the box of a check box, the edges of a button or a
// frame, the margins of a field. One line each: control id, text, what it needs and what it has.
inline std::vector<std::string> CutTexts(HWND form) {
  const auto class_of = [](HWND c) {
    wchar_t name[16] = L"";
    GetClassNameW(c, name, 16);
    return std::wstring(name);
  };
  const auto style_of = [](HWND c) { return GetWindowLongW(c, GWL_STYLE); };
  const auto frame = [&](HWND c) { return class_of(c) == L"Button" && (style_of(c) & BS_TYPEMASK) == BS_GROUPBOX; };
  const UINT dpi = win32::WindowDpi(form);
  std::vector<std::string> cuts;
  for (HWND c = GetWindow(form, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    const std::wstring kind = class_of(c), text = WindowText(c);
    const LONG style = style_of(c), type = style & SS_TYPEMASK;
    // Its own WS_VISIBLE, as the form may be hidden. Typed text scrolls; a multi-line field's logic sizes
    // it itself.
    if (!(style & WS_VISIBLE) || text.empty() || (kind == L"Static" && type != SS_LEFT && type != SS_LEFTNOWORDWRAP) ||
        (kind == L"Edit" && (style & (ES_READONLY | ES_MULTILINE)) != ES_READONLY)) {
      continue;
    }
    RECT box{}, r{}, other{};
    GetClientRect(c, &box);
    GetWindowRect(c, &r);
    if (kind == L"Static") {  // up to the windowed control beside it
      for (HWND o = GetWindow(form, GW_CHILD); o; o = GetWindow(o, GW_HWNDNEXT)) {
        GetWindowRect(o, &other);
        if (class_of(o) != L"Static" && !frame(o) && (style_of(o) & WS_VISIBLE) && other.left > r.left &&
            other.top < r.bottom && r.top < other.bottom) {
          box.right = std::min(box.right, other.left - r.left);
        }
      }
    } else if (kind == L"Edit") {
      const DWORD margins = static_cast<DWORD>(SendMessageW(c, EM_GETMARGINS, 0, 0));
      box.right -= LOWORD(margins) + HIWORD(margins);
    } else if ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
      box.right -= win32::MetricForDpi(SM_CXMENUCHECK, dpi) + MulDiv(4, static_cast<int>(dpi), 96);
    } else {  // a button's or a frame's edges
      InflateRect(&box, -2 * win32::MetricForDpi(SM_CXEDGE, dpi), frame(c) ? 0 : -win32::MetricForDpi(SM_CYEDGE, dpi));
    }
    HDC dc = GetDC(c);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
    RECT need{0, 0, box.right - box.left, 0};
    DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | (kind == L"Edit" ? DT_NOPREFIX : 0) |
                                               (kind == L"Static" && type == SS_LEFT ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(c, dc);
    // A frame's caption sits on its top edge, over the border.
    const LONG height = frame(c) ? need.bottom : box.bottom - box.top;
    if (need.right > box.right - box.left || need.bottom > height) {
      cuts.push_back(std::to_string(GetDlgCtrlID(c) - kControlWindowIdBase) + " \"" + win32::Narrow(text) + "\" needs " +
                     std::to_string(need.right) + "x" + std::to_string(need.bottom) + ", has " +
                     std::to_string(box.right - box.left) + "x" + std::to_string(height));
    }
  }
  return cuts;
}

// Empties this thread's queue, WM_QUIT included, so that one test's leftovers never reach the next.
inline void DrainMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message != WM_QUIT) DispatchMessageW(&msg);
  }
}

}  // namespace brisvane::testing
