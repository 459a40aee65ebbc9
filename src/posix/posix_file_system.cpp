#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"

namespace brisvane {
namespace {

// Maps the whole file read-only from the page cache, its pages mapped at once: a large torrent is then
// scanned and hashed where it lies, without a copy and without a fault per page. A program that
// truncates the file while we read it makes the reads past the new end fault with SIGBUS; the tools
// catch that and say so.
FileBytes MapWhole(int fd, std::size_t size) {
  if (size == 0) return FileBytes(Bytes{});
  int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;
#endif
  void* p = ::mmap(nullptr, size, PROT_READ, flags, fd, 0);
  if (p == MAP_FAILED) return {};
  std::shared_ptr<const void> keeper(p, [size](const void* q) { ::munmap(const_cast<void*>(q), size); });
  return FileBytes(std::move(keeper), static_cast<const std::uint8_t*>(p), size);
}

// Reads what a mapping could not take (pipes, some special files), in one buffer.
bool ReadAllInto(int fd, Bytes& bytes) {
  std::uint8_t chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
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
    result.bytes = MapWhole(fd, size);
    if (size != 0 && result.bytes.empty()) {
      Bytes bytes;
      if (!ReadAllInto(fd, bytes) || bytes.size() > max_bytes) {
        result.status = FileRead::Status::Unreadable;
        result.error = std::strerror(errno ? errno : EIO);
        ::close(fd);
        return result;
      }
      result.bytes = FileBytes(std::move(bytes));
    }
    ::close(fd);
    result.status = FileRead::Status::Ok;
    return result;
  }

  bool CreateTextFile(const std::string& path) override {
    if (path.empty()) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    return ::close(fd) == 0;
  }

  bool AppendLine(const std::string& path, std::string_view text) override {
    if (path.empty()) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);  // no O_CREAT: it must exist
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return false;
    }
    std::string line(text);
    line += "\r\n";
    std::size_t put = 0;
    while (put < line.size()) {
      const ssize_t n = ::write(fd, line.data() + put, line.size() - put);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ::close(fd);
        return false;
      }
      put += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0;
  }
};

}  // namespace

std::unique_ptr<IFileSystem> MakeSystemFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace brisvane
