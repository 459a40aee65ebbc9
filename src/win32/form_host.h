#pragma once
// Real Win32 windows built from the portable form tables, with their events forwarded to the form logic.
#include <windows.h>

#include <exception>
#include <map>
#include <memory>
#include <vector>

#include "platform/form.h"

namespace brisvane {

// A control's window id is its id in the form table plus this, so that no control collides with IDOK
// and IDCANCEL, which the dialog manager sends for Enter and Esc. Drivers find controls with it.
inline constexpr int kControlWindowIdBase = 1000;
// The window class of every form.
inline constexpr wchar_t kFormWindowClass[] = L"BrisvaneForm";

class Win32Form;

class Win32FormHost final : public IFormHost {
 public:
  Win32FormHost();
  // Forms still open are destroyed without events: their logic may already be gone.
  ~Win32FormHost() override;
  Win32FormHost(const Win32FormHost&) = delete;
  Win32FormHost& operator=(const Win32FormHost&) = delete;

  // Throws std::invalid_argument for a table that cannot be built (duplicate or unknown ids) and
  // std::runtime_error when Windows refuses the window; nothing is left behind then.
  IFormView& Load(const FormLayout& layout, IFormEvents& events) override;
  void ProcessPendingMessages() override;

  // The message loop of the program: returns the exit code once the last form has closed. A failure
  // thrown by a form's logic inside a window message ends the loop and is rethrown from here (and from
  // ProcessPendingMessages), since it cannot travel through Windows' own frames.
  int Run();

 private:
  friend class Win32Form;

  void Dispatch(MSG& msg);
  void RethrowPending();
  void Failed(std::exception_ptr failure);
  void Destroyed(Win32Form& form);
  bool IsForm(HWND window) const;

  std::map<const IFormEvents*, Win32Form*> loaded_;
  // Closed forms stay allocated (a few hundred bytes each) so that a view kept past its Close is a
  // harmless no-op rather than a dangling reference.
  std::vector<std::unique_ptr<Win32Form>> forms_;
  std::exception_ptr pending_;
};

}  // namespace brisvane
