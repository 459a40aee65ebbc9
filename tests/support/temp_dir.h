#pragma once
// A fresh folder under the system's temporary folder, removed with its contents at the end of a test.
#include <filesystem>
#include <string>
#include <string_view>

namespace brisvane::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // UTF-8 path of `name` inside the folder.
  std::string Path(std::string_view name) const;
  // Writes `bytes` to `name` and returns its UTF-8 path.
  std::string Write(std::string_view name, std::string_view bytes) const;
  std::string Root() const;

 private:
  std::filesystem::path root_;
};

std::filesystem::path FromUtf8(std::string_view utf8);

}  // namespace brisvane::testing
