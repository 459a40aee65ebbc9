#pragma once
#include "platform/prompt.h"

namespace brisvane::win32 {

// MessageBoxW with Abort, Retry and Ignore and no icon, owned by this thread's active window.
class Prompt final : public IPrompt {
 public:
  PromptAnswer AbortRetryIgnore(std::string_view text, std::string_view title) override;
};

}  // namespace brisvane::win32
