#pragma once
// Modal messages to the user.
#include <string_view>

namespace brisvane {

// A modal message box with an OK button and no icon.
class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  virtual void Show(std::string_view text, std::string_view caption) = 0;
};

}  // namespace brisvane
