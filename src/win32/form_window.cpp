#include "win32/form_window.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "win32/dpi.h"
#include "win32/form_host.h"
#include "win32/text.h"

namespace brisvane {

Win32Form::Win32Form(Win32FormHost& host, const FormLayout& layout, IFormEvents& events,
                     std::vector<ControlPlace> places)
    : host_(host),
      events_(events),
      caption_(layout.caption),
      client_width_(layout.client_width),
      client_height_(layout.client_height),
      resizable_(layout.resizable),
      tool_window_(layout.tool_window),
      default_button_(layout.default_button),
      cancel_button_(layout.cancel_button),
      places_(std::move(places)),
      controls_(places_.size()) {
  for (const ControlLayout& c : layout.controls) samples_.push_back(win32::Widen(c.sample));
}

Win32Form::~Win32Form() { ReleaseResources(); }

void Win32Form::Create(const FormLayout& layout) {
  // No WS_CLIPCHILDREN: the form paints the background that a frame leaves transparent.
  const DWORD style = resizable_ ? WS_OVERLAPPEDWINDOW : WS_CAPTION | WS_SYSMENU;
  const DWORD ex_style = tool_window_ ? WS_EX_TOOLWINDOW : resizable_ ? 0 : WS_EX_DLGMODALFRAME;
  if (!CreateWindowExW(ex_style, kFormWindowClass, win32::Widen(caption_).c_str(), style, CW_USEDEFAULT,
                       CW_USEDEFAULT, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this)) {
    throw std::runtime_error("Windows could not create the window of " + Quoted() + ": " +
                             win32::ErrorText(GetLastError()));
  }
  dpi_ = win32::WindowDpi(window_);

  std::vector<HWND> windows;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const ControlLayout& c = layout.controls[i];
    HWND child = win32::CreateControl(window_, c, kControlWindowIdBase + c.id, c.id == default_button_);
    if (!child) {
      throw std::runtime_error("Windows could not create control " + std::to_string(c.id) + " of " + Quoted() +
                               ": " + win32::ErrorText(GetLastError()));
    }
    controls_[i].window = child;
    windows.push_back(child);
  }
  win32::StackControls(windows, PlanZOrder(layout.controls));
  if (default_button_) SendMessageW(window_, DM_SETDEFID, kControlWindowIdBase + default_button_, 0);

  ApplyDpi();
  SizeWindow(/*center=*/!resizable_);
}

void Win32Form::RunLoad() {
  events_.Attach(this);
  events_.OnLoad();
  load_done_ = true;
  if (resize_owed_ && window_) {
    resize_owed_ = false;
    events_.OnResize();
  }
}

void Win32Form::DestroySilently() {
  if (!window_) return;
  silent_ = true;
  DestroyWindow(window_);
}

std::string Win32Form::Text(int control) {
  const std::size_t i = Find(control);
  return window_ ? win32::Narrow(win32::WindowText(controls_[i].window)) : std::string();
}

void Win32Form::SetText(int control, std::string_view text) {
  const std::size_t i = Find(control);
  if (!window_) return;
  SetWindowTextW(controls_[i].window, win32::Widen(text).c_str());
  const ControlPlace& place = places_[i];
  if (!FitsItsText(place.kind, place.multiline) && !ShowsWholeText(place)) return;
  const std::vector<ControlPlace> plan = Plan();
  const ControlMeasure measure = Measure(i);
  if (RoomForText(plan, i, PlannedClientWidth(), static_cast<int>(dpi_), measure).Fits()) {
    Place(i, plan, measure);
    return;
  }
  // Longer than the form was planned for: it grows (never shrinks) to show it.
  const FormStretch before = stretch_;
  Replan(stretch_);
  if (stretch_ != before) SizeWindow(/*center=*/false);
}

bool Win32Form::Checked(int control) {
  const std::size_t i = Find(control, ControlKind::CheckBox, "a check box");
  return window_ && SendMessageW(controls_[i].window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Form::SetChecked(int control, bool checked) {
  const std::size_t i = Find(control, ControlKind::CheckBox, "a check box");
  if (window_) SendMessageW(controls_[i].window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Form::SetForeColor(int control, Color color) {
  const std::size_t i = Find(control);
  ControlWindow& c = controls_[i];
  c.colored = true;
  c.color = win32::ToColorRef(color);
  if (!window_) return;
  if (places_[i].kind == ControlKind::CheckBox) win32::DropTheme(c.window);
  InvalidateRect(c.window, nullptr, TRUE);
}

void Win32Form::SetControlWidth(int control, int twips) {
  const std::size_t i = Find(control);
  places_[i].width = std::max(twips, 0);
  if (window_) Place(i);
}

int Win32Form::OuterWidth() {
  RECT r{};
  return window_ && GetWindowRect(window_, &r) ? ToDesign(r.right - r.left) : 0;
}

void Win32Form::SetOuterWidth(int twips) {
  if (!window_) return;
  RECT outer{}, client{};
  GetWindowRect(window_, &outer);
  GetClientRect(window_, &client);
  const int width = TwipsToPixels(Stretched(std::max(twips, 0), stretch_.x), static_cast<int>(dpi_));
  // The client area is the form's edge: labels may reach it, and a later re-plan keeps this width.
  client_width_ = ToDesign(width - (outer.right - outer.left) + client.right);
  SetWindowPos(window_, nullptr, 0, 0, width, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::OuterPixels(int& width, int& height) {
  RECT r{};
  if (!window_ || !GetWindowRect(window_, &r)) r = {};
  width = r.right - r.left;
  height = r.bottom - r.top;
}

void Win32Form::MoveToPixels(int left, int top) {
  if (window_) SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32Form::TextWidth(int control) {
  const std::size_t i = Find(control);
  if (!window_) return 0;
  return ToDesign(win32::MeasureControl(controls_[i].window, places_[i].kind, dpi_).text_width);
}

void Win32Form::MonitorSize(int& width, int& height) {
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

void Win32Form::Show() {
  if (!window_) return;
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  if (resize_owed_ && load_done_) {
    resize_owed_ = false;
    events_.OnResize();
  }
}

void Win32Form::Hide() {
  if (window_) ShowWindow(window_, SW_HIDE);
}

void Win32Form::BringToFront() {
  if (!window_) return;
  SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (IsWindowVisible(window_)) SetForegroundWindow(window_);
}

void Win32Form::StartTimer(int timer, unsigned milliseconds) {
  if (window_) SetTimer(window_, static_cast<UINT_PTR>(timer), milliseconds, nullptr);
}

void Win32Form::StopTimer(int timer) {
  if (window_) KillTimer(window_, static_cast<UINT_PTR>(timer));
}

void Win32Form::Close() {
  if (!window_ || closing_) return;
  closing_ = true;
  // The window goes even when the Unload handler throws: a closing form cannot refuse.
  struct Destroy {
    HWND window;
    ~Destroy() { DestroyWindow(window); }
  } destroy{window_};
  events_.OnUnload();
}

std::size_t Win32Form::Find(int id) const {
  for (std::size_t i = 0; i < places_.size(); ++i) {
    if (places_[i].id == id) return i;
  }
  throw std::invalid_argument(Quoted() + " has no control " + std::to_string(id));
}

std::size_t Win32Form::Find(int id, ControlKind kind, const char* what) const {
  const std::size_t i = Find(id);
  if (places_[i].kind != kind) {
    throw std::invalid_argument("control " + std::to_string(id) + " of " + Quoted() + " is not " + what);
  }
  return i;
}

std::string Win32Form::Quoted() const { return "form \"" + caption_ + "\""; }

void Win32Form::ApplyDpi() {
  const win32::FormFonts fonts = win32::CreateFormFonts(dpi_);
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const HFONT font = places_[i].kind == ControlKind::BoldLabel ? fonts.bold : fonts.normal;
    SendMessageW(controls_[i].window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  if (fonts_.normal) DeleteObject(fonts_.normal);
  if (fonts_.bold) DeleteObject(fonts_.bold);
  fonts_ = fonts;

  const int big = win32::MetricForDpi(SM_CXICON, dpi_);
  HICON big_icon = win32::ProgramIcon(big);
  HICON small_icon = win32::ProgramIcon(win32::MetricForDpi(SM_CXSMICON, dpi_));
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));
  if (big_icon_) DestroyIcon(big_icon_);
  if (small_icon_) DestroyIcon(small_icon_);
  big_icon_ = big_icon;
  small_icon_ = small_icon;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (places_[i].kind != ControlKind::Icon) continue;
    ControlWindow& c = controls_[i];
    HICON picture = win32::ProgramIcon(big);
    SendMessageW(c.window, STM_SETICON, reinterpret_cast<WPARAM>(picture), 0);
    if (c.picture) DestroyIcon(c.picture);
    c.picture = picture;
  }
  Replan({});
}

std::vector<ControlPlace> Win32Form::Plan() const { return Stretch(places_, stretch_); }

int Win32Form::PlannedClientWidth() const { return Stretched(client_width_, stretch_.x); }

ControlMeasure Win32Form::Measure(std::size_t index) const {
  const ControlPlace& place = places_[index];
  // Measuring takes a device context: only for the controls the plan fits or sizes by the system.
  const bool measured =
      place.kind == ControlKind::Icon || FitsItsText(place.kind, place.multiline) || ShowsWholeText(place);
  return measured ? win32::MeasureControl(controls_[index].window, place.kind, dpi_, samples_[index])
                  : ControlMeasure{};
}

void Win32Form::Replan(FormStretch least) {
  std::vector<ControlMeasure> measures;
  for (std::size_t i = 0; i < controls_.size(); ++i) measures.push_back(Measure(i));
  stretch_ = PlanStretch(places_, measures, client_width_, static_cast<int>(dpi_), least);
  const std::vector<ControlPlace> plan = Plan();
  for (std::size_t i = 0; i < controls_.size(); ++i) Place(i, plan, measures[i]);
}

void Win32Form::Place(std::size_t index) { Place(index, Plan(), Measure(index)); }

void Win32Form::Place(std::size_t index, std::span<const ControlPlace> plan, const ControlMeasure& measure) {
  HWND window = controls_[index].window;
  const PixelPlace at = PlaceAtDpi(plan, index, PlannedClientWidth(), static_cast<int>(dpi_), measure);
  win32::SetTextFlow(window, at.flow);
  SetWindowPos(window, nullptr, at.left, at.top, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32Form::ToDesign(int pixels) const {
  return static_cast<int>(std::lround(PixelsToTwips(pixels, static_cast<int>(dpi_)) / stretch_.x));
}

void Win32Form::SizeWindow(bool center) {
  const int dpi = static_cast<int>(dpi_);
  RECT r{0, 0, TwipsToPixels(PlannedClientWidth(), dpi), TwipsToPixels(Stretched(client_height_, stretch_.y), dpi)};
  win32::AdjustForDpi(r, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)),
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

void Win32Form::ReleaseResources() {
  for (ControlWindow& c : controls_) {
    if (c.picture) DestroyIcon(c.picture);
    c.picture = nullptr;
  }
  if (fonts_.normal) DeleteObject(fonts_.normal);
  if (fonts_.bold) DeleteObject(fonts_.bold);
  if (big_icon_) DestroyIcon(big_icon_);
  if (small_icon_) DestroyIcon(small_icon_);
  fonts_ = {};
  big_icon_ = small_icon_ = nullptr;
}

}  // namespace brisvane
