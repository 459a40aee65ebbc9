#pragma once
// A modal question with the buttons Abort, Retry and Ignore, no icon.
#include <string_view>

namespace brisvane {

enum class PromptAnswer { None, Abort, Retry, Ignore };

class IPrompt {
 public:
  virtual ~IPrompt() = default;
  // Waits for the user's choice; closing the box counts as the answer the system gives for it.
  virtual PromptAnswer AbortRetryIgnore(std::string_view text, std::string_view title) = 0;
};

}  // namespace brisvane
