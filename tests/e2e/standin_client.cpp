// A stand-in torrent client: appends the command line it was started with, as UTF-8, to the file that
// BRISVANE_STANDIN_LOG names, and ends.
#include <windows.h>

#include <string>

#include "win32/text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t log[MAX_PATH * 4];
  const DWORD n = GetEnvironmentVariableW(L"BRISVANE_STANDIN_LOG", log, MAX_PATH * 4);
  if (n == 0 || n >= MAX_PATH * 4) return 2;
  const std::string line = brisvane::win32::Narrow(GetCommandLineW()) + "\n";
  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
