#include "win32/form_host.h"

#include <commctrl.h>

#include <stdexcept>
#include <utility>

#include "win32/form_window.h"
#include "win32/text.h"

namespace brisvane {
namespace {

// Window ids have 16 bits, and the controls' start above the ids of the dialog manager's own buttons.
constexpr int kMaxControlId = 0xFFFF - kControlWindowIdBase;

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

Win32FormHost::Win32FormHost() = default;

Win32FormHost::~Win32FormHost() {
  for (const auto& form : forms_) form->DestroySilently();
}

IFormView& Win32FormHost::Load(const FormLayout& layout, IFormEvents& events) {
  if (const auto it = loaded_.find(&events); it != loaded_.end()) return *it->second;
  // The common controls and the window class on the first window only: a run that never shows one
  // (a torrent opened from Explorer goes straight to its lookup) never loads the controls' library.
  [[maybe_unused]] static const bool prepared = [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    FormClass();
    return true;
  }();
  forms_.push_back(std::make_unique<Win32Form>(*this, layout, events, PlaceControls(layout, kMaxControlId)));
  Win32Form& form = *forms_.back();
  try {
    form.Create(layout);
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
  if (loaded_.empty()) PostQuitMessage(0);
}

bool Win32FormHost::IsForm(HWND window) const {
  return GetClassLongPtrW(window, GCW_ATOM) == FormClass();
}

}  // namespace brisvane
