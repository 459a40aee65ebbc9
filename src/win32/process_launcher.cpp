#include "win32/process_launcher.h"

#include <windows.h>

#include <string>

#include "win32/text.h"

namespace brisvane::win32 {

bool ProcessLauncher::Start(std::string_view command_line) {
  std::wstring line = Widen(command_line);  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace brisvane::win32
