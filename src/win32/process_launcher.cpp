#include "win32/process_launcher.h"

#include <windows.h>

#include <iterator>
#include <string>
#include <vector>

#include "win32/text.h"

namespace brisvane::win32 {

bool ProcessLauncher::Start(std::string_view command_line, WindowShow show, std::string* error) {
  std::wstring line = Widen(command_line);  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show == WindowShow::Minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    if (error) *error = ErrorText(GetLastError());
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace brisvane::win32

namespace brisvane::win32 {
namespace {

// The file a program name leads to as CreateProcess finds it: the folders it searches, ".exe" assumed.
std::wstring Resolve(const std::wstring& name) {
  wchar_t found[MAX_PATH * 4];
  const DWORD n = SearchPathW(nullptr, name.c_str(), L".exe", static_cast<DWORD>(std::size(found)), found, nullptr);
  if (n == 0 || n >= std::size(found)) return {};
  return found;
}

// Volume and file index: two paths name the same file exactly when these agree.
bool SameFile(const std::wstring& a, const std::wstring& b) {
  auto identity = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION x{}, y{};
  if (!identity(a, x) || !identity(b, y)) return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
  return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

}  // namespace

bool ProcessLauncher::IsThisProgram(std::string_view program_path) {
  wchar_t own[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, own, static_cast<DWORD>(std::size(own)));
  if (n == 0 || n >= std::size(own)) return false;
  const std::wstring self(own, n);

  // What CreateProcess would run for a command line that begins with this text: a quoted name, or an
  // unquoted one tried at each blank in turn, the first that names a file winning.
  const std::wstring text = Widen(program_path);
  std::vector<std::wstring> candidates;
  if (!text.empty() && text[0] == L'"') {
    const auto close = text.find(L'"', 1);
    candidates.push_back(text.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
  } else {
    for (std::size_t at = text.find(L' '); at != std::wstring::npos; at = text.find(L' ', at + 1)) {
      candidates.push_back(text.substr(0, at));
    }
    candidates.push_back(text);
  }
  for (const std::wstring& candidate : candidates) {
    if (candidate.empty()) continue;
    const std::wstring found = Resolve(candidate);
    if (!found.empty()) return SameFile(found, self);
  }
  return false;
}

}  // namespace brisvane::win32
