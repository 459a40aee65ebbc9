// brisvane-check: the command-line companion of Brisvane.
#include <cstdio>
#include <string>
#include <vector>

#include "check_cli.h"

#ifdef _WIN32
#include <windows.h>

#include "win32/text.h"

namespace {

// UTF-8 to a console as wide text; to a file or pipe as UTF-8 bytes.
void Write(DWORD which, std::string_view text) {
  HANDLE handle = GetStdHandle(which);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = brisvane::win32::Widen(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(brisvane::win32::Narrow(argv[i]));
  const brisvane::CliIo io{[](std::string_view s) { Write(STD_OUTPUT_HANDLE, s); },
                           [](std::string_view s) { Write(STD_ERROR_HANDLE, s); }};
  auto fs = brisvane::MakeSystemFileSystem();
  auto http = brisvane::MakeSystemHttpClient();
  return brisvane::RunCheckCli(args, *fs, *http, io);
}

#else

#include <csignal>
#include <unistd.h>

namespace {

// Files are read through a mapping: one cut short by another program while we read it faults here.
void FileChangedWhileRead(int) {
  static const char kText[] = "brisvane-check: a file was changed by another program while it was being read\n";
  const ssize_t ignored = ::write(STDERR_FILENO, kText, sizeof kText - 1);
  (void)ignored;
  _exit(1);  // as for any file without a hash
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGBUS, FileChangedWhileRead);
  std::vector<std::string> args(argv + 1, argv + argc);
  const brisvane::CliIo io{[](std::string_view s) { std::fwrite(s.data(), 1, s.size(), stdout); },
                           [](std::string_view s) { std::fwrite(s.data(), 1, s.size(), stderr); }};
  auto fs = brisvane::MakeSystemFileSystem();
  auto http = brisvane::MakeSystemHttpClient();
  return brisvane::RunCheckCli(args, *fs, *http, io);
}

#endif
