#include <windows.h>

#include <algorithm>

#include "platform/file_system.h"
#include "win32/text.h"

namespace brisvane {
namespace {

class Win32FileSystem final : public IFileSystem {
 public:
  bool FileExists(const std::string& path) override {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(win32::Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  FileRead ReadAll(const std::string& path, std::uint64_t max_bytes) override {
    FileRead result;
    HANDLE file = CreateFileW(win32::Widen(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      result.status = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? FileRead::Status::NotFound
                                                                                   : FileRead::Status::Unreadable;
      result.error = win32::ErrorText(code);
      return result;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
      result.status = FileRead::Status::Unreadable;
      result.error = win32::ErrorText(GetLastError());
      CloseHandle(file);
      return result;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > max_bytes) {
      result.status = FileRead::Status::TooLarge;
      result.error = "File too large";
      CloseHandle(file);
      return result;
    }
    Bytes bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t got = 0;
    while (got < bytes.size()) {
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1u << 30));
      DWORD n = 0;
      if (!ReadFile(file, bytes.data() + got, want, &n, nullptr)) {
        result.status = FileRead::Status::Unreadable;
        result.error = win32::ErrorText(GetLastError());
        CloseHandle(file);
        return result;
      }
      if (n == 0) break;  // the file shrank while we read it
      got += n;
    }
    bytes.resize(got);
    CloseHandle(file);
    result.bytes = FileBytes(std::move(bytes));
    result.status = FileRead::Status::Ok;
    return result;
  }

  bool CreateTextFile(const std::string& path) override {
    if (path.empty()) return false;
    HANDLE file = CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    return CloseHandle(file) != 0;
  }

  bool AppendLine(const std::string& path, std::string_view text) override {
    if (path.empty()) return false;
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end, as with a file opened
    // for appending, even when another program appends too.
    HANDLE file = CreateFileW(win32::Widen(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string line(text);
    line += "\r\n";
    bool ok = true;
    std::size_t put = 0;
    while (ok && put < line.size()) {
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(line.size() - put, 1u << 30));
      DWORD n = 0;
      ok = WriteFile(file, line.data() + put, want, &n, nullptr) && n != 0;
      put += n;
    }
    return CloseHandle(file) != 0 && ok;
  }
};

}  // namespace

std::unique_ptr<IFileSystem> MakeSystemFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace brisvane
