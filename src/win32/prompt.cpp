#include "win32/prompt.h"

#include <windows.h>

#include "win32/text.h"

namespace brisvane::win32 {

PromptAnswer Prompt::AbortRetryIgnore(std::string_view text, std::string_view title) {
  HWND owner = GetActiveWindow();
  if (owner && !IsWindowVisible(owner)) owner = nullptr;
  switch (MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), MB_ABORTRETRYIGNORE | MB_SETFOREGROUND)) {
    case IDABORT: return PromptAnswer::Abort;
    case IDRETRY: return PromptAnswer::Retry;
    case IDIGNORE: return PromptAnswer::Ignore;
    default: return PromptAnswer::None;  // the box could not be shown
  }
}

}  // namespace brisvane::win32
