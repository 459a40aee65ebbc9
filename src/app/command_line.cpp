#include "app/command_line.h"

namespace brisvane {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::string ArgumentText(std::string_view whole_command_line) {
  std::string_view rest = whole_command_line;
  std::size_t end = 0;
  if (!rest.empty() && rest.front() == '"') {
    const std::size_t close = rest.find('"', 1);
    end = close == std::string_view::npos ? rest.size() : close + 1;
  } else {
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
  }
  rest.remove_prefix(end);
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  return std::string(rest);
}

}  // namespace brisvane
