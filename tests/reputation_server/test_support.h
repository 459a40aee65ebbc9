#pragma once
// Helpers shared by the reputation-server tests: a scratch folder, file contents, hashes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "rating.h"

namespace brisvane::reputation::support {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "reputation-server-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A distinct, valid hash for test number n.
inline InfoHash HashNumber(unsigned n) {
  InfoHash hash{};
  for (std::size_t i = 0; i < hash.size(); ++i) hash[i] = static_cast<std::uint8_t>((n >> (8 * (i % 4))) ^ (i * 37));
  return hash;
}

inline InfoHash Hash(const std::string& hex) {
  const auto hash = ParseInfoHash(hex);
  if (!hash) throw std::invalid_argument("bad test hash " + hex);
  return *hash;
}

// SHA-1 digests that python3's hashlib gives, for hashes that are real digests:
//   python3 -c 'import hashlib; print(hashlib.sha1(b"abc").hexdigest())'
inline constexpr char kSha1Abc[] = "a9993e364706816aba3e25717850c26c9cd0d89d";
inline constexpr char kSha1Empty[] = "da39a3ee5e6b4b0d3255bfef95601890afd80709";

}  // namespace brisvane::reputation::support
