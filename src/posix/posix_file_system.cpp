#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"

namespace brisvane {
namespace {

// Memory for a whole file, taken from the kernel with its pages already in place: a large read then
// costs one copy, not a zero-fill plus a fault per page.
struct Buffer {
  std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

Buffer Allocate(std::size_t size) {
  if (size == 0) return {};
  int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;
#endif
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, flags, -1, 0);
  if (p == MAP_FAILED) return {};
  return {static_cast<std::uint8_t*>(p), size};
}

// Frees the buffer when the last FileBytes that shares it goes.
std::shared_ptr<const void> Keeper(Buffer buffer) {
  if (!buffer.data) return nullptr;
  return std::shared_ptr<const void>(buffer.data, [size = buffer.size](const void* p) {
    ::munmap(const_cast<void*>(p), size);
  });
}

class PosixFileSystem final : public IFileSystem {
 public:
  bool FileExists(const std::string& path) override {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  FileRead ReadAll(const std::string& path, std::uint64_t max_bytes) override {
    FileRead result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      result.status = errno == ENOENT || errno == ENOTDIR ? FileRead::Status::NotFound
                                                          : FileRead::Status::Unreadable;
      result.error = std::strerror(errno);
      return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      result.status = FileRead::Status::Unreadable;
      result.error = S_ISDIR(st.st_mode) ? "Is a directory" : std::strerror(errno);
      ::close(fd);
      return result;
    }
    if (static_cast<std::uint64_t>(st.st_size) > max_bytes) {
      result.status = FileRead::Status::TooLarge;
      result.error = "File too large";
      ::close(fd);
      return result;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    Buffer buffer = Allocate(size);
    if (size != 0 && !buffer.data) {
      result.status = FileRead::Status::Unreadable;
      result.error = std::strerror(ENOMEM);
      ::close(fd);
      return result;
    }
    std::shared_ptr<const void> keeper = Keeper(buffer);  // frees it on every way out
    std::size_t got = 0;
    while (got < size) {
      const ssize_t n = ::read(fd, buffer.data + got, size - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result.status = FileRead::Status::Unreadable;
        result.error = std::strerror(errno);
        ::close(fd);
        return result;
      }
      if (n == 0) break;  // the file shrank while we read it
      got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    result.bytes = FileBytes(std::move(keeper), buffer.data, got);
    result.status = FileRead::Status::Ok;
    return result;
  }
};

}  // namespace

std::unique_ptr<IFileSystem> MakeSystemFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace brisvane
