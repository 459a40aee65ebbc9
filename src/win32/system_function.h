#pragma once
// Functions of newer Windows versions, looked up at run time so that the program still starts on 7.
#include <windows.h>

namespace brisvane::win32 {

// `name` from `module` as a function pointer of type F, or nullptr where this Windows lacks it.
template <typename F>
F SystemFunction(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  if (!handle) handle = LoadLibraryW(module);
  if (!handle) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
}

}  // namespace brisvane::win32
