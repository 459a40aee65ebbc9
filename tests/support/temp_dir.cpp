#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <fstream>

namespace brisvane::testing {

std::filesystem::path FromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

static std::string ToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  root_ = std::filesystem::temp_directory_path() /
          ("brisvane-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(root_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string TempDir::Path(std::string_view name) const { return ToUtf8(root_ / FromUtf8(name)); }

std::string TempDir::Root() const { return ToUtf8(root_); }

std::string TempDir::Write(std::string_view name, std::string_view bytes) const {
  const auto path = root_ / FromUtf8(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return ToUtf8(path);
}

}  // namespace brisvane::testing
