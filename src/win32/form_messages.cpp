// What a form does with the messages Windows sends it: the controls' notifications, timers, sizing,
// closing, activation, the colours its controls paint in, and a change of DPI.
#include "win32/form_window.h"

#include "win32/form_host.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace brisvane {

LRESULT CALLBACK Win32Form::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
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

template <typename F>
void Win32Form::Fire(F&& handler) {
  try {
    handler();
  } catch (...) {
    host_.Failed(std::current_exception());
  }
}

LRESULT Win32Form::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      return Command(w, l);
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
      for (ControlWindow& c : controls_) c.window = nullptr;
      ReleaseResources();
      host_.Destroyed(*this);
      return result;
    }
    default:
      break;
  }
  return DefDlgProcW(window_, message, w, l);
}

LRESULT Win32Form::Command(WPARAM w, LPARAM l) {
  const int id = LOWORD(w);
  if (id == IDCANCEL) {  // Esc
    if (cancel_button_ && IsWindowEnabled(controls_[Find(cancel_button_)].window)) {
      Fire([&] { events_.OnClick(cancel_button_); });
    }
    return 0;
  }
  if (id <= kControlWindowIdBase) return 0;
  const int control = id - kControlWindowIdBase;
  switch (HIWORD(w)) {
    // A display-only field that is no tab stop can still get the focus when the form is activated; it
    // should not then show its text selected as if to be typed over.
    case EN_SETFOCUS:
      for (std::size_t i = 0; i < places_.size(); ++i) {
        if (places_[i].id == control && places_[i].kind == ControlKind::HashField &&
            !(GetWindowLongW(controls_[i].window, GWL_STYLE) & WS_TABSTOP)) {
          PostMessageW(reinterpret_cast<HWND>(l), EM_SETSEL, static_cast<WPARAM>(-1), 0);
          break;
        }
      }
      return 0;
    case EN_CHANGE:
      Fire([&] { events_.OnTextChanged(control); });
      return 0;
    case BN_CLICKED:
      for (const ControlPlace& c : places_) {
        if (c.id == control && (c.kind == ControlKind::Button || c.kind == ControlKind::CheckBox)) {
          Fire([&] { events_.OnClick(control); });
          break;
        }
      }
      return 0;
    default:
      return 0;
  }
}

// When a form is activated with nothing of it focused (its first activation), its first tab stop gets the
// focus, as in a dialog.
void Win32Form::FocusFirstTabStop() {
  HWND focus = GetFocus();
  if (focus && IsChild(window_, focus)) return;
  if (HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) {
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
  }
}

LRESULT Win32Form::ControlColor(UINT message, HDC dc, HWND child) {
  const ControlWindow* c = nullptr;
  ControlKind kind = ControlKind::Label;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].window == child) {
      c = &controls_[i];
      kind = places_[i].kind;
      break;
    }
  }
  if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX) {
    const LRESULT brush =
        DefDlgProcW(window_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
    if (c && c->colored) SetTextColor(dc, c->color);
    return brush;
  }
  // Labels, check boxes, frames, buttons and read-only fields: on the form's button-face background.
  const bool field = c && (kind == ControlKind::HashField || kind == ControlKind::Edit);
  SetTextColor(dc, c && c->colored ? c->color : GetSysColor(field ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace brisvane
