#pragma once
// An in-memory file system for tests: files are path -> bytes; a folder cannot be read, a path can be made
// unwritable.
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace brisvane::testing {

class MemoryFileSystem final : public IFileSystem {
 public:
  void Put(const std::string& path, std::string_view text) { files_[path] = Bytes(text.begin(), text.end()); }
  void MakeFolder(const std::string& path) { folders_.insert(path); }

  bool FileExists(const std::string& path) override { return files_.count(path) != 0; }

  FileRead ReadAll(const std::string& path, std::uint64_t max_bytes) override {
    using S = FileRead::Status;
    const auto it = files_.find(path);
    if (folders_.count(path)) return {S::Unreadable, {}, "Access is denied."};
    if (it == files_.end()) return {S::NotFound, {}, "The system cannot find the file specified."};
    if (it->second.size() > max_bytes) return {S::TooLarge, {}, "File too large"};
    return {S::Ok, FileBytes(it->second), ""};
  }

  bool CreateTextFile(const std::string& path) override {
    if (path.empty() || folders_.count(path) || unwritable_.count(path)) return false;
    files_[path].clear();
    return true;
  }

  bool AppendLine(const std::string& path, std::string_view text) override {
    const auto it = files_.find(path);
    if (it == files_.end() || unwritable_.count(path)) return false;
    const std::string line = std::string(text) + "\r\n";
    it->second.insert(it->second.end(), line.begin(), line.end());
    return true;
  }

  // Creating or appending to `path` fails, as for a locked file or a read-only folder.
  void MakeUnwritable(const std::string& path) { unwritable_.insert(path); }
  // The file's bytes as text; empty when it does not exist.
  std::string Contents(const std::string& path) const {
    const auto it = files_.find(path);
    return it == files_.end() ? std::string() : std::string(it->second.begin(), it->second.end());
  }

 private:
  std::map<std::string, Bytes> files_;
  std::set<std::string> folders_;
  std::set<std::string> unwritable_;
};

}  // namespace brisvane::testing
