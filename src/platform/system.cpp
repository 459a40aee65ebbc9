#include "platform/system.h"

namespace brisvane {

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return std::string(path.substr(0, slash == std::string_view::npos ? 0 : slash));
}

}  // namespace brisvane
