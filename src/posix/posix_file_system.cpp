#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"

namespace brisvane {
namespace {

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
    result.bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < result.bytes.size()) {
      const ssize_t n = ::read(fd, result.bytes.data() + got, result.bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result.status = FileRead::Status::Unreadable;
        result.error = std::strerror(errno);
        result.bytes.clear();
        ::close(fd);
        return result;
      }
      if (n == 0) break;  // the file shrank while we read it
      got += static_cast<std::size_t>(n);
    }
    result.bytes.resize(got);
    ::close(fd);
    result.status = FileRead::Status::Ok;
    return result;
  }
};

}  // namespace

std::unique_ptr<IFileSystem> MakeSystemFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace brisvane
