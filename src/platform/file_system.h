#pragma once
// The file services the core needs. Paths are UTF-8 everywhere inside the program;
// the platform layer converts at its boundary.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brisvane {

using Bytes = std::vector<std::uint8_t>;

// The bytes of a whole file, read-only. The platform layer decides where they live (a plain buffer, or
// memory it prepared so that a large file costs one copy and no page-by-page faults); copies share them.
class FileBytes {
 public:
  FileBytes() = default;
  explicit FileBytes(Bytes bytes);
  // `keeper` owns the memory at `data` and frees it when the last copy goes.
  FileBytes(std::shared_ptr<const void> keeper, const std::uint8_t* data, std::size_t size)
      : keeper_(std::move(keeper)), data_(data), size_(size) {}

  std::span<const std::uint8_t> span() const { return {data_, size_}; }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const std::uint8_t* begin() const { return data_; }
  const std::uint8_t* end() const { return data_ + size_; }

 private:
  std::shared_ptr<const void> keeper_;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

inline FileBytes::FileBytes(Bytes bytes) {
  auto owned = std::make_shared<const Bytes>(std::move(bytes));
  data_ = owned->data();
  size_ = owned->size();
  keeper_ = std::move(owned);
}

struct FileRead {
  enum class Status { Ok, NotFound, Unreadable, TooLarge };
  Status status = Status::NotFound;
  FileBytes bytes;
  std::string error;  // the system's reason when not Ok, for messages
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // True only when a file (not a folder) exists at `path`.
  virtual bool FileExists(const std::string& path) = 0;
  // Reads the whole file in one piece. A file longer than `max_bytes` is refused unread.
  virtual FileRead ReadAll(const std::string& path, std::uint64_t max_bytes) = 0;

  // For the logs, which are opened and closed around every line. Neither throws; false means nothing
  // was written. The text goes out as it is (UTF-8), with no conversion of its line breaks.
  // Creates an empty file at `path`, emptying one that is there.
  virtual bool CreateTextFile(const std::string& /*path*/) { return false; }
  // Appends `text` and CR LF to the file at `path`, which must exist already.
  virtual bool AppendLine(const std::string& /*path*/, std::string_view /*text*/) { return false; }
};

// The file system of the machine the program runs on.
std::unique_ptr<IFileSystem> MakeSystemFileSystem();

}  // namespace brisvane
