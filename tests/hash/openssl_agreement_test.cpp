// The engine against openssl on reproducible random messages. Natively openssl runs beside the test; under
// Wine there is none, so the same messages are checked against digests openssl gave natively, kept in
// openssl_digests.inc (regenerate: BRISVANE_RECORD_OPENSSL_DIGESTS=tests/hash/openssl_digests.inc
// brisvane_tests --gtest_filter='OpensslAgreement.*').
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "hash/random_bytes.h"
#include "hash/sha_algorithm.h"
#include "support/temp_dir.h"

namespace brisvane {
namespace {

using testing::RandomBytes;

struct RecordedDigests {
  std::size_t length;
  const char* sha1;
  const char* sha224;
  const char* sha256;
};

constexpr RecordedDigests kRecorded[] = {
#include "hash/openssl_digests.inc"
};

std::vector<std::size_t> MessageLengths() {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 300; ++n) lengths.push_back(n);
  lengths.insert(lengths.end(), {1000, 4096 + 17, 65536 + 3, (std::size_t{1} << 20) + 5, 5'000'000});
  return lengths;
}

std::vector<std::uint8_t> MessageOfLength(std::size_t length) { return RandomBytes(length, 0xB415'0000 + length); }

TEST(OpensslAgreement, RecordedOpensslDigestsMatch) {
  const auto lengths = MessageLengths();
  ASSERT_EQ(std::size(kRecorded), lengths.size()) << "openssl_digests.inc is out of date";
  SHAAlgorithm engine;
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    const RecordedDigests& recorded = kRecorded[i];
    ASSERT_EQ(recorded.length, lengths[i]);
    const auto message = MessageOfLength(recorded.length);
    EXPECT_EQ(engine.SHA1(message), recorded.sha1) << recorded.length;
    EXPECT_EQ(engine.SHA224(message), recorded.sha224) << recorded.length;
    EXPECT_EQ(engine.SHA256(message), recorded.sha256) << recorded.length;
  }
}

#if defined(_WIN32)
TEST(OpensslAgreement, RandomMessagesMatchOpensslDgst) {
  GTEST_SKIP() << "no openssl here; RecordedOpensslDigestsMatch checks the same messages";
}
#else
// `openssl dgst -ALGORITHM -r FILE...` once for all files; digests keyed by file path.
std::map<std::string, std::string> OpensslDigests(const std::string& algorithm, const std::vector<std::string>& files) {
  std::string command = "openssl dgst -" + algorithm + " -r";
  for (const auto& file : files) command += " '" + file + "'";
  std::map<std::string, std::string> digests;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return digests;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const auto space = text.find(" *");
    if (space != std::string::npos) digests[text.substr(space + 2)] = text.substr(0, space);
  }
  pclose(pipe);
  return digests;
}

bool OpensslAvailable() { return std::system("openssl version >/dev/null 2>&1") == 0; }

TEST(OpensslAgreement, RandomMessagesMatchOpensslDgst) {
  if (!OpensslAvailable()) GTEST_SKIP() << "openssl is not installed";
  testing::TempDir dir;
  std::vector<std::string> files;
  for (std::size_t length : MessageLengths()) {
    const auto message = MessageOfLength(length);
    files.push_back(dir.Write("m" + std::to_string(length) + ".bin",
                              std::string_view(reinterpret_cast<const char*>(message.data()), message.size())));
  }
  const auto sha1 = OpensslDigests("sha1", files);
  const auto sha224 = OpensslDigests("sha224", files);
  const auto sha256 = OpensslDigests("sha256", files);
  ASSERT_EQ(sha1.size(), files.size());
  ASSERT_EQ(sha224.size(), files.size());
  ASSERT_EQ(sha256.size(), files.size());

  SHAAlgorithm engine;
  const auto lengths = MessageLengths();
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    const auto message = MessageOfLength(lengths[i]);
    EXPECT_EQ(engine.SHA1(message), sha1.at(files[i])) << lengths[i];
    EXPECT_EQ(engine.SHA224(message), sha224.at(files[i])) << lengths[i];
    EXPECT_EQ(engine.SHA256(message), sha256.at(files[i])) << lengths[i];
  }

  if (const char* record = std::getenv("BRISVANE_RECORD_OPENSSL_DIGESTS")) {
    std::ofstream out(record, std::ios::binary);
    out << "// length, then the SHA-1, SHA-224 and SHA-256 digests openssl gave for MessageOfLength(length).\n";
    for (std::size_t i = 0; i < lengths.size(); ++i)
      out << "{" << lengths[i] << ", \"" << sha1.at(files[i]) << "\", \"" << sha224.at(files[i]) << "\", \""
          << sha256.at(files[i]) << "\"},\n";
    ASSERT_TRUE(out.good()) << record;
  }
}
#endif

}  // namespace
}  // namespace brisvane
