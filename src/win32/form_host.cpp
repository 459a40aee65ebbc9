#include "win32/form_host.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

#include "win32/text.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace brisvane {
namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kProgramIconId = 1;

// Functions of newer Windows versions, looked up at run time so that the program still starts on 7.
template <typename F>
F SystemFunction(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  if (!handle) handle = LoadLibraryW(module);
  if (!handle) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
}

UINT SystemDpi() {
  using Fn = UINT(WINAPI*)();
  static const Fn get = SystemFunction<Fn>(L"user32.dll", "GetDpiForSystem");
  if (get) return get();
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND window) {
  using Fn = UINT(WINAPI*)(HWND);
  static const Fn get = SystemFunction<Fn>(L"user32.dll", "GetDpiForWindow");
  if (get) {
    if (const UINT dpi = get(window)) return dpi;
  }
  return SystemDpi();
}

int Pixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); }
int Twips(int pixels, UINT dpi) { return MulDiv(pixels, kTwipsPerInch, static_cast<int>(dpi)); }

int MetricForDpi(int index, UINT dpi) {
  using Fn = int(WINAPI*)(int, UINT);
  static const Fn get = SystemFunction<Fn>(L"user32.dll", "GetSystemMetricsForDpi");
  if (get) return get(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

void AdjustForDpi(RECT& rect, DWORD style, DWORD ex_style, UINT dpi) {
  using Fn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const Fn adjust = SystemFunction<Fn>(L"user32.dll", "AdjustWindowRectExForDpi");
  if (!adjust || !adjust(&rect, style, FALSE, ex_style, dpi)) AdjustWindowRectEx(&rect, style, FALSE, ex_style);
}

// The font Windows uses for message boxes, at the window's DPI.
LOGFONTW MessageFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  using Fn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const Fn for_dpi = SystemFunction<Fn>(L"user32.dll", "SystemParametersInfoForDpi");
  if (for_dpi && for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) return metrics.lfMessageFont;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return font;
  }
  LOGFONTW font{};
  font.lfHeight = -MulDiv(8, static_cast<int>(dpi), 72);
  font.lfWeight = FW_NORMAL;
  wcscpy_s(font.lfFaceName, L"MS Shell Dlg 2");
  return font;
}

// The program's icon (resource 1) at the given size, or Windows' generic one in a module without it.
// The caller owns the result.
HICON ProgramIcon(int size) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  // comctl32 6 picks the best image and scales it down smoothly; older ones lack the function.
  using Fn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
  static const Fn scale_down = SystemFunction<Fn>(L"comctl32.dll", "LoadIconWithScaleDown");
  HICON icon = nullptr;
  if (scale_down && SUCCEEDED(scale_down(instance, MAKEINTRESOURCEW(kProgramIconId), size, size, &icon)) && icon) {
    return icon;
  }
  icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON, size, size, 0));
  return icon ? icon : CopyIcon(LoadIconW(nullptr, IDI_APPLICATION));
}

// Themed check boxes draw their text in the theme's colour; a coloured one has to go without the theme.
void DropTheme(HWND window) {
  using Fn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  static const Fn set_theme = SystemFunction<Fn>(L"uxtheme.dll", "SetWindowTheme");
  if (set_theme) set_theme(window, L"", L"");
}

COLORREF ToColorRef(Color color) {
  // Visual Basic's system colours (0x800000nn) are accepted too: they name GetSysColor's index nn.
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFFu));
  return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

// Drawn straight on the form in the original design, so beneath every windowed control.
bool Windowless(ControlKind kind) {
  return kind == ControlKind::Label || kind == ControlKind::BoldLabel || kind == ControlKind::EtchedLine;
}

bool Focusable(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
    case ControlKind::Edit:
    case ControlKind::HashField:
    case ControlKind::CheckBox:
      return true;
    default:
      return false;
  }
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

// One control as the form keeps it: its place in twips within the form's client area (a frame's
// offset already added) and the colour the logic gave it.
struct Control {
  int id = 0;
  ControlKind kind = ControlKind::Label;
  int left = 0, top = 0, width = 0, height = 0;
  int frame = 0;           // the innermost enclosing frame
  bool multiline = false;
  HWND window = nullptr;
  HICON picture = nullptr;  // Icon controls own theirs
  bool colored = false;
  COLORREF color = 0;
};

std::string Quoted(std::string_view caption) { return "form \"" + std::string(caption) + "\""; }

// Checks a table before anything is created and resolves the frames' offsets.
std::vector<Control> PlanControls(const FormLayout& spec) {
  const std::string form = Quoted(spec.caption);
  if (spec.client_width < 0 || spec.client_height < 0) throw std::invalid_argument(form + ": negative client size");
  std::map<int, const ControlLayout*> by_id;
  for (const ControlLayout& c : spec.controls) {
    if (c.id < 1 || c.id > 0xFFFF - kControlWindowIdBase) {
      throw std::invalid_argument(form + ": control id " + std::to_string(c.id) + " is outside 1 to " +
                                  std::to_string(0xFFFF - kControlWindowIdBase));
    }
    if (!by_id.emplace(c.id, &c).second) {
      throw std::invalid_argument(form + ": control id " + std::to_string(c.id) + " is used twice");
    }
    if (c.width < 0 || c.height < 0) {
      throw std::invalid_argument(form + ": control " + std::to_string(c.id) + " has a negative size");
    }
  }
  const auto check_button = [&](int id, const char* role) {
    if (id == 0) return;
    const auto it = by_id.find(id);
    if (it == by_id.end() || it->second->kind != ControlKind::Button) {
      throw std::invalid_argument(form + ": the " + role + " button " + std::to_string(id) +
                                  " is not a button of this form");
    }
  };
  check_button(spec.default_button, "default");
  check_button(spec.cancel_button, "cancel");

  std::vector<Control> plan;
  plan.reserve(spec.controls.size());
  for (const ControlLayout& c : spec.controls) {
    Control control;
    control.id = c.id;
    control.kind = c.kind;
    control.left = c.left;
    control.top = c.top;
    control.width = c.width;
    control.height = c.height;
    control.frame = c.frame;
    control.multiline = c.multiline;
    std::size_t depth = 0;
    for (int frame = c.frame; frame != 0;) {
      const auto it = by_id.find(frame);
      if (it == by_id.end() || it->second->kind != ControlKind::Frame) {
        throw std::invalid_argument(form + ": control " + std::to_string(c.id) + " is placed in " +
                                    std::to_string(frame) + ", which is not a frame of this form");
      }
      if (++depth > spec.controls.size()) {
        throw std::invalid_argument(form + ": the frames around control " + std::to_string(c.id) +
                                    " enclose one another");
      }
      control.left += it->second->left;
      control.top += it->second->top;
      frame = it->second->frame;
    }
    plan.push_back(control);
  }
  return plan;
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD ex_style;
};

ControlClass ClassOf(const ControlLayout& c) {
  switch (c.kind) {
    case ControlKind::Button:
      return {WC_BUTTONW, BS_PUSHBUTTON, 0};
    case ControlKind::Label:
    case ControlKind::BoldLabel:
      // Labels lie beneath the windowed controls, as in the original design, and never paint over them.
      return {WC_STATICW, SS_LEFT | WS_CLIPSIBLINGS, 0};
    case ControlKind::Edit:
      return {WC_EDITW, DWORD(c.multiline ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL), WS_EX_CLIENTEDGE};
    case ControlKind::HashField:
      return {WC_EDITW, DWORD(ES_READONLY | (c.multiline ? ES_MULTILINE : ES_AUTOHSCROLL)), 0};
    case ControlKind::CheckBox:
      return {WC_BUTTONW, BS_AUTOCHECKBOX, 0};
    case ControlKind::Frame:
      // At the bottom of the z-order and clipped by its siblings, so it never paints over its contents.
      return {WC_BUTTONW, BS_GROUPBOX | WS_CLIPSIBLINGS, 0};
    case ControlKind::Icon:
      return {WC_STATICW, SS_ICON, 0};
    case ControlKind::EtchedLine:
      return {WC_STATICW, SS_ETCHEDHORZ | WS_CLIPSIBLINGS, 0};
  }
  return {WC_STATICW, SS_LEFT, 0};
}

ATOM FormClass();

}  // namespace

class Win32Form final : public IFormView {
 public:
  Win32Form(Win32FormHost& host, const FormLayout& spec, IFormEvents& events, std::vector<Control> controls)
      : host_(host),
        events_(events),
        caption_(spec.caption),
        client_width_(spec.client_width),
        client_height_(spec.client_height),
        resizable_(spec.resizable),
        tool_window_(spec.tool_window),
        default_button_(spec.default_button),
        cancel_button_(spec.cancel_button),
        controls_(std::move(controls)) {}

  ~Win32Form() override { ReleaseResources(); }
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
      form = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
      form->window_ = window;
    }
    // The form class is a private dialog class: whatever the form leaves goes to the dialog manager,
    // which keeps Tab, the default button and the focus as in any dialog.
    if (!form) return DefDlgProcW(window, message, w, l);
    return form->Handle(message, w, l);
  }

  // Builds the hidden window and its controls; throws when Windows refuses.
  void Create(const FormLayout& spec) {
    // No WS_CLIPCHILDREN: the form paints the background that a frame leaves transparent.
    const DWORD style = resizable_ ? WS_OVERLAPPEDWINDOW : WS_CAPTION | WS_SYSMENU;
    const DWORD ex_style = tool_window_ ? WS_EX_TOOLWINDOW : resizable_ ? 0 : WS_EX_DLGMODALFRAME;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!CreateWindowExW(ex_style, kFormWindowClass, win32::Widen(caption_).c_str(), style, CW_USEDEFAULT,
                         CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, this)) {
      throw std::runtime_error("Windows could not create the window of " + Quoted(caption_) + ": " +
                               win32::ErrorText(GetLastError()));
    }
    dpi_ = WindowDpi(window_);

    // In the table's order first, so that windows without a tab stop keep their place.
    std::vector<std::pair<int, HWND>> tab_stops;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      const ControlLayout& c = spec.controls[i];
      const ControlClass cls = ClassOf(c);
      DWORD style_bits = WS_CHILD | cls.style | (c.visible ? WS_VISIBLE : 0);
      const bool tab_stop = c.tab_index >= 0 && Focusable(c.kind);
      if (tab_stop) style_bits |= WS_TABSTOP;
      if (c.kind == ControlKind::Button && c.id == default_button_) style_bits |= BS_DEFPUSHBUTTON;
      const std::wstring text = c.kind == ControlKind::Icon ? std::wstring() : win32::Widen(c.caption);
      HWND child = CreateWindowExW(cls.ex_style, cls.name, text.c_str(), style_bits, 0, 0, 0, 0, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlWindowIdBase + c.id)),
                                   instance, nullptr);
      if (!child) {
        throw std::runtime_error("Windows could not create control " + std::to_string(c.id) + " of " +
                                 Quoted(caption_) + ": " + win32::ErrorText(GetLastError()));
      }
      controls_[i].window = child;
      if (c.kind == ControlKind::CheckBox && c.checked) SendMessageW(child, BM_SETCHECK, BST_CHECKED, 0);
      if (tab_stop) tab_stops.emplace_back(c.tab_index, child);
    }
    // Then the tab stops chained in the z-order by tab index, which is the order the dialog manager's Tab
    // follows; beneath them the labels, and the frames at the very bottom.
    std::stable_sort(tab_stops.begin(), tab_stops.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tab_stops.size(); ++i) {
      SetWindowPos(tab_stops[i].second, tab_stops[i - 1].second, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    // Among the labels a later one lies over an earlier one, as controls added later do in the design.
    for (const bool frames : {false, true}) {
      for (auto c = controls_.rbegin(); c != controls_.rend(); ++c) {
        if (frames ? c->kind == ControlKind::Frame : Windowless(c->kind)) {
          SetWindowPos(c->window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
      }
    }
    if (default_button_) SendMessageW(window_, DM_SETDEFID, kControlWindowIdBase + default_button_, 0);

    ApplyDpi();
    SizeWindow(/*center=*/!resizable_);
  }

  void RunLoad() {
    events_.Attach(this);
    events_.OnLoad();
    load_done_ = true;
    if (resize_owed_ && window_) {
      resize_owed_ = false;
      events_.OnResize();
    }
  }

  // Destroys the window without telling the logic: host teardown and failed loads.
  void DestroySilently() {
    if (!window_) return;
    silent_ = true;
    DestroyWindow(window_);
  }

  IFormEvents& events() { return events_; }
  HWND window() const { return window_; }
  bool silent() const { return silent_; }

  // --- IFormView ---
  std::string Text(int control) override {
    const Control& c = Find(control);
    return window_ ? win32::Narrow(WindowText(c.window)) : std::string();
  }

  void SetText(int control, std::string_view text) override {
    const Control& c = Find(control);
    if (!window_) return;
    SetWindowTextW(c.window, win32::Widen(text).c_str());
    if (Fits(c)) Place(c);
  }

  bool Checked(int control) override {
    const Control& c = Find(control, ControlKind::CheckBox, "a check box");
    return window_ && SendMessageW(c.window, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  void SetChecked(int control, bool checked) override {
    const Control& c = Find(control, ControlKind::CheckBox, "a check box");
    if (window_) SendMessageW(c.window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  void SetForeColor(int control, Color color) override {
    Control& c = Find(control);
    c.colored = true;
    c.color = ToColorRef(color);
    if (!window_) return;
    if (c.kind == ControlKind::CheckBox) DropTheme(c.window);
    InvalidateRect(c.window, nullptr, TRUE);
  }

  void SetControlWidth(int control, int twips) override {
    Control& c = Find(control);
    c.width = std::max(twips, 0);
    if (window_) Place(c);
  }

  int OuterWidth() override {
    RECT r{};
    return window_ && GetWindowRect(window_, &r) ? Twips(r.right - r.left, dpi_) : 0;
  }

  int OuterHeight() override {
    RECT r{};
    return window_ && GetWindowRect(window_, &r) ? Twips(r.bottom - r.top, dpi_) : 0;
  }

  void SetOuterWidth(int twips) override {
    if (!window_) return;
    RECT r{};
    GetWindowRect(window_, &r);
    SetWindowPos(window_, nullptr, 0, 0, Pixels(std::max(twips, 0), dpi_), r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void MoveTo(int left, int top) override {
    if (window_) {
      SetWindowPos(window_, nullptr, Pixels(left, dpi_), Pixels(top, dpi_), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  int TextWidth(int control) override {
    const Control& c = Find(control);
    return window_ ? Twips(TextPixels(c), dpi_) : 0;
  }

  std::uintptr_t NativeHandle() override { return reinterpret_cast<std::uintptr_t>(window_); }

  void MonitorSize(int& width, int& height) override {
    HMONITOR monitor = window_ ? MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST)
                               : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) {
      width = GetSystemMetrics(SM_CXSCREEN);
      height = GetSystemMetrics(SM_CYSCREEN);
      return;
    }
    width = info.rcMonitor.right - info.rcMonitor.left;
    height = info.rcMonitor.bottom - info.rcMonitor.top;
  }

  bool Visible() override { return window_ && IsWindowVisible(window_); }

  void Show() override {
    if (!window_) return;
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    if (resize_owed_ && load_done_) {
      resize_owed_ = false;
      events_.OnResize();
    }
  }

  void Hide() override {
    if (window_) ShowWindow(window_, SW_HIDE);
  }

  void BringToFront() override {
    if (!window_) return;
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (IsWindowVisible(window_)) SetForegroundWindow(window_);
  }

  void StartTimer(int timer, unsigned milliseconds) override {
    if (window_) SetTimer(window_, static_cast<UINT_PTR>(timer), milliseconds, nullptr);
  }

  void StopTimer(int timer) override {
    if (window_) KillTimer(window_, static_cast<UINT_PTR>(timer));
  }

  void Close() override {
    if (!window_ || closing_) return;
    closing_ = true;
    // The window goes even when the Unload handler throws: a closing form cannot refuse.
    struct Destroy {
      HWND window;
      ~Destroy() { DestroyWindow(window); }
    } destroy{window_};
    events_.OnUnload();
  }

 private:
  Control& Find(int id) {
    for (Control& c : controls_) {
      if (c.id == id) return c;
    }
    throw std::invalid_argument(Quoted(caption_) + " has no control " + std::to_string(id));
  }

  Control& Find(int id, ControlKind kind, const char* what) {
    Control& c = Find(id);
    if (c.kind != kind) {
      throw std::invalid_argument("control " + std::to_string(id) + " of " + Quoted(caption_) + " is not " + what);
    }
    return c;
  }

  const Control* FindByWindow(HWND window) const {
    for (const Control& c : controls_) {
      if (c.window == window) return &c;
    }
    return nullptr;
  }

  // Runs one of the logic's handlers from inside a window message; a failure waits for the message loop.
  template <typename F>
  void Fire(F&& handler) {
    try {
      handler();
    } catch (...) {
      host_.Failed(std::current_exception());
    }
  }

  LRESULT Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
      case WM_COMMAND: {
        const int id = LOWORD(w);
        if (id == IDCANCEL) {  // Esc
          if (cancel_button_ && IsWindowEnabled(Find(cancel_button_).window)) {
            Fire([&] { events_.OnClick(cancel_button_); });
          }
          return 0;
        }
        // A display-only field that is no tab stop can still get the focus when the form is activated;
        // it should not then show its text selected as if to be typed over.
        if (HIWORD(w) == EN_SETFOCUS && id > kControlWindowIdBase) {
          for (const Control& c : controls_) {
            if (c.id == id - kControlWindowIdBase && c.kind == ControlKind::HashField &&
                !(GetWindowLongW(c.window, GWL_STYLE) & WS_TABSTOP)) {
              PostMessageW(reinterpret_cast<HWND>(l), EM_SETSEL, static_cast<WPARAM>(-1), 0);
              break;
            }
          }
          return 0;
        }
        if (HIWORD(w) == EN_CHANGE && id > kControlWindowIdBase) {
          const int changed = id - kControlWindowIdBase;
          Fire([&] { events_.OnTextChanged(changed); });
          return 0;
        }
        if (HIWORD(w) == BN_CLICKED && id > kControlWindowIdBase) {
          for (const Control& c : controls_) {
            if (c.id == id - kControlWindowIdBase &&
                (c.kind == ControlKind::Button || c.kind == ControlKind::CheckBox)) {
              const int clicked = c.id;
              Fire([&] { events_.OnClick(clicked); });
              break;
            }
          }
        }
        return 0;
      }
      case WM_TIMER:
        Fire([&] { events_.OnTimer(static_cast<int>(w)); });
        return 0;
      // A form hears of its size when it is first shown and whenever it changes after its load. Windows
      // sends WM_SIZE at the first show of a window; where it does not, Show reports it.
      case WM_SIZE:
        if (load_done_) {
          resize_owed_ = false;
          Fire([&] { events_.OnResize(); });
        }
        break;
      case WM_SHOWWINDOW:
        if (w && !shown_once_) {
          shown_once_ = true;
          resize_owed_ = true;
        }
        break;
      case WM_CLOSE:
        Fire([&] { Close(); });
        return 0;
      case WM_ACTIVATE: {
        const LRESULT result = DefDlgProcW(window_, message, w, l);
        if (LOWORD(w) != WA_INACTIVE) FocusFirstTabStop();
        return result;
      }
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
        return ControlColor(message, reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
      case WM_DPICHANGED: {
        dpi_ = HIWORD(w);
        ApplyDpi();
        const RECT& r = *reinterpret_cast<const RECT*>(l);
        SetWindowPos(window_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
      }
      case WM_NCDESTROY: {
        const LRESULT result = DefDlgProcW(window_, message, w, l);
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
        for (Control& c : controls_) c.window = nullptr;
        ReleaseResources();
        host_.Destroyed(*this);
        return result;
      }
      default:
        break;
    }
    return DefDlgProcW(window_, message, w, l);
  }

  // When a form is activated with nothing of it focused (its first activation), its first tab stop gets
  // the focus, as in a dialog.
  void FocusFirstTabStop() {
    HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) return;
    if (HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) {
      SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
  }

  LRESULT ControlColor(UINT message, HDC dc, HWND child) {
    const Control* c = FindByWindow(child);
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX) {
      const LRESULT brush = DefDlgProcW(window_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
      if (c && c->colored) SetTextColor(dc, c->color);
      return brush;
    }
    // Labels, check boxes, frames, buttons and read-only fields: on the form's button-face background.
    const bool field = c && (c->kind == ControlKind::HashField || c->kind == ControlKind::Edit);
    SetTextColor(dc, c && c->colored ? c->color : GetSysColor(field ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }

  // Fonts, icons and control positions for the window's current DPI.
  void ApplyDpi() {
    LOGFONTW font = MessageFont(dpi_);
    HFONT normal = CreateFontIndirectW(&font);
    font.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectW(&font);
    for (const Control& c : controls_) {
      SendMessageW(c.window, WM_SETFONT, reinterpret_cast<WPARAM>(c.kind == ControlKind::BoldLabel ? bold : normal),
                   FALSE);
    }
    if (font_) DeleteObject(font_);
    if (bold_font_) DeleteObject(bold_font_);
    font_ = normal;
    bold_font_ = bold;

    const int big = MetricForDpi(SM_CXICON, dpi_);
    HICON big_icon = ProgramIcon(big);
    HICON small_icon = ProgramIcon(MetricForDpi(SM_CXSMICON, dpi_));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));
    if (big_icon_) DestroyIcon(big_icon_);
    if (small_icon_) DestroyIcon(small_icon_);
    big_icon_ = big_icon;
    small_icon_ = small_icon;
    for (Control& c : controls_) {
      if (c.kind != ControlKind::Icon) continue;
      HICON picture = ProgramIcon(big);
      SendMessageW(c.window, STM_SETICON, reinterpret_cast<WPARAM>(picture), 0);
      if (c.picture) DestroyIcon(c.picture);
      c.picture = picture;
    }
    for (const Control& c : controls_) Place(c);
  }

  void Place(const Control& c) {
    int width = Pixels(c.width, dpi_);
    int height = Pixels(c.height, dpi_);
    if (c.kind == ControlKind::EtchedLine) height = std::max(height, 2);  // grey over white needs two rows
    if (c.kind == ControlKind::Icon) width = height = MetricForDpi(SM_CXICON, dpi_);
    if (Fits(c)) width = FittedWidth(c, width, height);
    SetWindowPos(c.window, nullptr, Pixels(c.left, dpi_), Pixels(c.top, dpi_), width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // One-line labels and check boxes adapt to the system font, which is wider than the one the design
  // was drawn with.
  static bool Fits(const Control& c) {
    return c.kind == ControlKind::CheckBox ||
           (!c.multiline && (c.kind == ControlKind::Label || c.kind == ControlKind::BoldLabel));
  }

  // A caption that needs more room than the design gave it grows the control to the right, up to the
  // next visible control beside it or the edge of its frame or form. A label that still falls short
  // wraps when it is tall enough for two lines and is cut at its edge otherwise.
  int FittedWidth(const Control& c, int width, int height) {
    SIZE line{};
    int need = TextPixels(c, &line);
    if (c.kind == ControlKind::CheckBox) need += MetricForDpi(SM_CXMENUCHECK, dpi_) + MulDiv(8, dpi_, 96);
    const int room = Pixels(RightLimit(c) - c.left, dpi_);
    if (need > width) width = std::max(width, std::min(need, room));
    if (c.kind != ControlKind::CheckBox) {
      // Of a label only the part before the control beside it shows (labels lie beneath).
      const int shown = std::min(width, room);
      const bool wrap = need > shown && line.cy > 0 && height >= 2 * line.cy;
      if (wrap) width = shown;
      const LONG_PTR style = GetWindowLongPtrW(c.window, GWL_STYLE);
      const LONG_PTR type = wrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
      if ((style & SS_TYPEMASK) != type) SetWindowLongPtrW(c.window, GWL_STYLE, (style & ~SS_TYPEMASK) | type);
    }
    return width;
  }

  // Twips: where the next visible control beside `c` begins, or the inner edge of its frame or form.
  int RightLimit(const Control& c) const {
    int limit = client_width_;
    for (const Control& other : controls_) {
      if (other.id == c.frame) limit = std::min(limit, other.left + other.width - 60);  // inside the border
      const bool beside = other.left > c.left && other.top < c.top + c.height && c.top < other.top + other.height;
      if (beside && other.id != c.id && other.window && (GetWindowLongPtrW(other.window, GWL_STYLE) & WS_VISIBLE)) {
        limit = std::min(limit, other.left);
      }
    }
    return limit;
  }

  // Pixels the control's text takes on one line in its font; `line` gets the size of one line.
  int TextPixels(const Control& c, SIZE* line = nullptr) const {
    const std::wstring text = WindowText(c.window);
    HDC dc = GetDC(c.window);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(c.window, WM_GETFONT, 0, 0)));
    RECT r{};
    // Static controls show "&" as an access key; the others show it as it is.
    const bool prefix = c.kind == ControlKind::Label || c.kind == ControlKind::BoldLabel;
    if (!text.empty()) {
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_CALCRECT | DT_SINGLELINE | (prefix ? 0 : DT_NOPREFIX));
    }
    if (line) {
      TEXTMETRICW metrics{};
      GetTextMetricsW(dc, &metrics);
      line->cx = r.right - r.left;
      line->cy = metrics.tmHeight;
    }
    SelectObject(dc, old);
    ReleaseDC(c.window, dc);
    return r.right - r.left;
  }

  // The outer size that gives the table's client area; fixed dialogs start centred on their monitor.
  void SizeWindow(bool center) {
    RECT r{0, 0, Pixels(client_width_, dpi_), Pixels(client_height_, dpi_)};
    AdjustForDpi(r, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)),
                 static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)), dpi_);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    int x = 0, y = 0;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (center && GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &info)) {
      const RECT& work = info.rcWork;
      x = work.left + std::max(0L, (work.right - work.left - width) / 2);
      y = work.top + std::max(0L, (work.bottom - work.top - height) / 2);
    } else {
      flags |= SWP_NOMOVE;
    }
    SetWindowPos(window_, nullptr, x, y, width, height, flags);
  }

  void ReleaseResources() {
    for (Control& c : controls_) {
      if (c.picture) DestroyIcon(c.picture);
      c.picture = nullptr;
    }
    if (font_) DeleteObject(font_);
    if (bold_font_) DeleteObject(bold_font_);
    if (big_icon_) DestroyIcon(big_icon_);
    if (small_icon_) DestroyIcon(small_icon_);
    font_ = bold_font_ = nullptr;
    big_icon_ = small_icon_ = nullptr;
  }

  Win32FormHost& host_;
  IFormEvents& events_;
  std::string caption_;
  int client_width_, client_height_;
  bool resizable_, tool_window_;
  int default_button_, cancel_button_;
  std::vector<Control> controls_;
  HWND window_ = nullptr;
  UINT dpi_ = 96;
  HFONT font_ = nullptr;
  HFONT bold_font_ = nullptr;
  HICON big_icon_ = nullptr;
  HICON small_icon_ = nullptr;
  bool load_done_ = false;
  bool resize_owed_ = false;
  bool shown_once_ = false;
  bool closing_ = false;
  bool silent_ = false;
};

namespace {

ATOM FormClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Form::Procedure;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kFormWindowClass;
    const ATOM registered = RegisterClassExW(&wc);
    if (!registered) {
      throw std::runtime_error("Windows could not register the form window class: " +
                               win32::ErrorText(GetLastError()));
    }
    return registered;
  }();
  return atom;
}

}  // namespace

Win32FormHost::Win32FormHost() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);
  FormClass();
}

Win32FormHost::~Win32FormHost() {
  tearing_down_ = true;
  for (const auto& form : forms_) form->DestroySilently();
}

IFormView& Win32FormHost::Load(const FormLayout& spec, IFormEvents& events) {
  if (const auto it = loaded_.find(&events); it != loaded_.end()) return *it->second;
  forms_.push_back(std::make_unique<Win32Form>(*this, spec, events, PlanControls(spec)));
  Win32Form& form = *forms_.back();
  try {
    form.Create(spec);
  } catch (...) {
    form.DestroySilently();
    throw;
  }
  loaded_[&events] = &form;
  try {
    form.RunLoad();
  } catch (...) {
    if (form.window()) {
      form.DestroySilently();
      try {
        events.Attach(nullptr);
      } catch (...) {
      }
    }
    throw;
  }
  return form;
}

void Win32FormHost::ProcessPendingMessages() {
  RethrowPending();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Not ours to take: the outer loop has to see it too.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    Dispatch(msg);
    RethrowPending();
  }
}

int Win32FormHost::Run() {
  RethrowPending();
  MSG msg;
  if (loaded_.empty()) {
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(msg.wParam) : 0;
  }
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) throw std::runtime_error("The message loop failed: " + win32::ErrorText(GetLastError()));
    Dispatch(msg);
    RethrowPending();
  }
}

void Win32FormHost::Dispatch(MSG& msg) {
  // Tab, Enter, Esc and access keys of the active form go through the dialog manager.
  HWND active = GetActiveWindow();
  if (active && IsForm(active) && IsDialogMessageW(active, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Win32FormHost::RethrowPending() {
  if (!pending_) return;
  std::exception_ptr failure = std::exchange(pending_, nullptr);
  std::rethrow_exception(failure);
}

void Win32FormHost::Failed(std::exception_ptr failure) {
  if (!pending_) pending_ = std::move(failure);  // the first failure is the one worth reporting
}

void Win32FormHost::Destroyed(Win32Form& form) {
  const auto it = loaded_.find(&form.events());
  if (it != loaded_.end() && it->second == &form) loaded_.erase(it);
  if (form.silent()) return;
  try {
    form.events().Attach(nullptr);
  } catch (...) {
    Failed(std::current_exception());
  }
  if (loaded_.empty() && !tearing_down_) PostQuitMessage(0);
}

bool Win32FormHost::IsForm(HWND window) const {
  return GetClassLongPtrW(window, GCW_ATOM) == FormClass();
}

}  // namespace brisvane
