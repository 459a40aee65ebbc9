#pragma once
// UTF-8 inside the program, UTF-16 at the Windows API.
#include <string>
#include <string_view>

namespace brisvane::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// The system's text for a Win32 error code, without the trailing line break.
std::string ErrorText(unsigned long code);

}  // namespace brisvane::win32
