#pragma once
// One form on screen: its window, built from the layout's plan, the view its logic talks to, and what the
// form does with the messages Windows sends it.
#include <windows.h>

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "platform/form.h"
#include "win32/form_controls.h"

namespace brisvane {

class Win32FormHost;

class Win32Form final : public IFormView {
 public:
  // `places` is the layout's plan (PlaceControls), one per control in the table's order.
  Win32Form(Win32FormHost& host, const FormLayout& layout, IFormEvents& events, std::vector<ControlPlace> places);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  // The window procedure of every form.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);

  // Builds the hidden window and its controls; throws when Windows refuses.
  void Create(const FormLayout& layout);
  // Hands the logic its view and runs its load.
  void RunLoad();
  // Destroys the window without telling the logic: host teardown and failed loads.
  void DestroySilently();

  IFormEvents& events() { return events_; }
  HWND window() const { return window_; }
  bool silent() const { return silent_; }

  std::string Text(int control) override;
  void SetText(int control, std::string_view text) override;
  bool Checked(int control) override;
  void SetChecked(int control, bool checked) override;
  void SetForeColor(int control, Color color) override;
  void SetControlWidth(int control, int twips) override;
  int OuterWidth() override;
  void SetOuterWidth(int twips) override;
  void OuterPixels(int& width, int& height) override;
  void MoveToPixels(int left, int top) override;
  int TextWidth(int control) override;
  std::uintptr_t NativeHandle() override { return reinterpret_cast<std::uintptr_t>(window_); }
  void MonitorSize(int& width, int& height) override;
  bool Visible() override { return window_ && IsWindowVisible(window_); }
  void Show() override;
  void Hide() override;
  void BringToFront() override;
  void StartTimer(int timer, unsigned milliseconds) override;
  void StopTimer(int timer) override;
  void Close() override;

 private:
  // What Windows made of one control; places_ holds where it goes, at the same index.
  struct ControlWindow {
    HWND window = nullptr;
    HICON picture = nullptr;  // icon controls own theirs
    bool colored = false;
    COLORREF color = 0;
  };

  std::size_t Find(int id) const;
  std::size_t Find(int id, ControlKind kind, const char* what) const;
  std::string Quoted() const;

  // Runs one of the logic's handlers from inside a window message; a failure waits for the message loop.
  template <typename F>
  void Fire(F&& handler);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  LRESULT Command(WPARAM w, LPARAM l);
  void FocusFirstTabStop();
  LRESULT ControlColor(UINT message, HDC dc, HWND child);

  // Fonts, icons, the stretch and control positions for the window's current DPI.
  void ApplyDpi();
  // The controls where the stretch puts them, and the client width it gives; twips.
  std::vector<ControlPlace> Plan() const;
  int PlannedClientWidth() const;
  ControlMeasure Measure(std::size_t index) const;
  // Measures every control and stretches the form as far as its text needs, never less than `least`.
  void Replan(FormStretch least);
  void Place(std::size_t index);
  void Place(std::size_t index, std::span<const ControlPlace> plan, const ControlMeasure& measure);
  // The outer size that gives the table's client area, stretched; fixed dialogs start centred on their
  // monitor.
  void SizeWindow(bool center);
  // Logic works in design twips: what it reads of the window's width and sets it to are unstretched.
  int ToDesign(int pixels) const;
  void ReleaseResources();

  Win32FormHost& host_;
  IFormEvents& events_;
  std::string caption_;
  int client_width_, client_height_;
  bool resizable_, tool_window_;
  int default_button_, cancel_button_;
  std::vector<ControlPlace> places_;  // the design's, with the widths the logic set
  std::vector<std::wstring> samples_;
  std::vector<ControlWindow> controls_;
  FormStretch stretch_;
  HWND window_ = nullptr;
  UINT dpi_ = 96;
  win32::FormFonts fonts_;
  HICON big_icon_ = nullptr;
  HICON small_icon_ = nullptr;
  bool load_done_ = false;
  bool resize_owed_ = false;
  bool shown_once_ = false;
  bool closing_ = false;
  bool silent_ = false;
};

}  // namespace brisvane
