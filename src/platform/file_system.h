#pragma once
// The file services the core needs. Paths are UTF-8 everywhere inside the program;
// the platform layer converts at its boundary.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brisvane {

using Bytes = std::vector<std::uint8_t>;

struct FileRead {
  enum class Status { Ok, NotFound, Unreadable, TooLarge };
  Status status = Status::NotFound;
  Bytes bytes;
  std::string error;  // the system's reason when not Ok, for messages
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // True only when a file (not a folder) exists at `path`.
  virtual bool FileExists(const std::string& path) = 0;
  // Reads the whole file in one piece. A file longer than `max_bytes` is refused unread.
  virtual FileRead ReadAll(const std::string& path, std::uint64_t max_bytes) = 0;
};

// The file system of the machine the program runs on.
std::unique_ptr<IFileSystem> MakeSystemFileSystem();

}  // namespace brisvane
