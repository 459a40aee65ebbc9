#pragma once
// The seam between a window's logic and its on-screen form. The logic describes a form as a layout (a
// table of controls at their design positions in twips) and handles its events; the platform layer builds
// the real window from the layout (at the window's DPI, and wider or taller where the system font needs
// the room) and forwards the user's actions. Control ids are small integers that each window defines in
// its own enum.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/color.h"
#include "platform/form_layout.h"

namespace brisvane {

// What a window's logic may ask of its form.
class IFormView {
 public:
  virtual ~IFormView() = default;
  virtual std::string Text(int control) = 0;
  virtual void SetText(int control, std::string_view text) = 0;
  virtual bool Checked(int control) = 0;
  virtual void SetChecked(int control, bool checked) = 0;
  virtual void SetForeColor(int control, Color color) = 0;
  virtual void SetControlWidth(int control, int twips) = 0;
  virtual int OuterWidth() = 0;  // twips, the whole window with its border
  virtual bool Visible() = 0;
  virtual void Show() = 0;  // make visible
  virtual void Hide() = 0;
  virtual void BringToFront() = 0;
  virtual void StartTimer(int timer, unsigned milliseconds) = 0;
  virtual void StopTimer(int timer) = 0;
  // The form's OnUnload runs, then the window is destroyed. Safe to call more than once.
  virtual void Close() = 0;

  // For windows that widen themselves to fit a name: twips of the design, like the rest (a form that the
  // host stretched for its font reports and takes widths as if it were not).
  virtual void SetOuterWidth(int /*twips*/) {}
  // Width in twips of the control's text on one line in the control's font: what a label that sizes
  // itself to its caption would take.
  virtual int TextWidth(int /*control*/) { return 0; }
  // For a window that places itself on the screen (the popup over the task bar): screen pixels, as
  // the desktop gives the monitor's size, whatever the window's DPI. MoveToPixels takes the top-left corner.
  // The defaults do nothing, so views that need none of this need not implement them.
  virtual void OuterPixels(int& width, int& height) { width = height = 0; }
  virtual void MoveToPixels(int /*left*/, int /*top*/) {}
  // The window system's handle of the form (an HWND on Windows), 0 once closed.
  virtual std::uintptr_t NativeHandle() { return 0; }
};

// The events a form forwards to its logic. All run on the one user-interface thread.
class IFormEvents {
 public:
  virtual ~IFormEvents() = default;
  // The host hands the logic its view before OnLoad, and takes it back (nullptr) once the window is
  // destroyed, after OnUnload.
  virtual void Attach(IFormView* view) = 0;
  virtual void OnLoad() {}
  virtual void OnClick(int /*control*/) {}   // buttons, and check boxes after they toggled
  virtual void OnTextChanged(int /*control*/) {}  // an edit field's text changed, by the user or not
  virtual void OnTimer(int /*timer*/) {}
  virtual void OnResize() {}
  virtual void OnUnload() {}  // the window is closing and cannot refuse
};

// Makes and keeps the on-screen forms. The program ends when its last form has closed.
class IFormHost {
 public:
  virtual ~IFormHost() = default;
  // Creates the window of `layout`, hidden, calls `events.Attach(&view)`, then runs `events.OnLoad()`
  // before returning. The view lives until the form is closed; Load on a form that is already loaded
  // returns the existing view.
  virtual IFormView& Load(const FormLayout& layout, IFormEvents& events) = 0;
  // Lets the window system handle pending messages (paint, clicks, timers) during a long operation.
  virtual void ProcessPendingMessages() = 0;
};

}  // namespace brisvane
