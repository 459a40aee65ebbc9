#include "win32/system_services.h"

#include <windows.h>

#include <cwchar>
#include <stdexcept>

#include "win32/text.h"

namespace brisvane {

void Win32MessageBox::Show(std::string_view text, std::string_view caption) {
  HWND owner = GetActiveWindow();
  if (owner && !IsWindowVisible(owner)) owner = nullptr;
  MessageBoxW(owner, win32::Widen(text).c_str(), win32::Widen(caption).c_str(), MB_OK | MB_SETFOREGROUND);
}

std::string Win32System::CommandLine() { return win32::Narrow(GetCommandLineW()); }

std::string Win32System::ExecutablePath() {
  // Paths may be longer than MAX_PATH; grow until the name fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) throw std::runtime_error("Cannot find the program's own file: " + win32::ErrorText(GetLastError()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return win32::Narrow(path);
}

std::string Win32System::ExpandEnvironment(std::string_view text) {
  if (text.empty()) return {};
  const std::wstring source = win32::Widen(text);
  std::wstring expanded(source.size() + 256, L'\0');
  for (;;) {
    const DWORD n = ExpandEnvironmentStringsW(source.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
    if (n == 0) {
      throw std::runtime_error("Cannot expand \"" + std::string(text) + "\": " + win32::ErrorText(GetLastError()));
    }
    if (n <= expanded.size()) {
      // Windows stops at 32767 characters yet reports the full length: refuse rather than cut.
      if (std::wcslen(expanded.c_str()) != n - 1) {
        throw std::runtime_error("Cannot expand \"" + std::string(text.substr(0, 64)) +
                                 "\": the result is longer than Windows allows (32767 characters)");
      }
      expanded.resize(n - 1);  // n counts the terminating NUL
      return win32::Narrow(expanded);
    }
    expanded.resize(n);
  }
}

}  // namespace brisvane
