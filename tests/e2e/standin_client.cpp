// A stand-in torrent client: appends the command line it was started with, as UTF-8, to the file that
// BRISVANE_STANDIN_LOG names, and ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "win32/text.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const wchar_t* log = _wgetenv(L"BRISVANE_STANDIN_LOG");
  FILE* file = log ? _wfopen(log, L"ab") : nullptr;
  if (!file) return 1;
  std::fputs((brisvane::win32::Narrow(GetCommandLineW()) + "\n").c_str(), file);
  return std::fclose(file);
}
