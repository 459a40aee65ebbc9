// The decoder against python3-libtorrent, the client library, on v1, v2 and hybrid torrents it made, with
// decoys. (scripts/check-examples.sh holds brisvane-check to the library's hashes of examples/; the fuzz
// target holds the decoder to a strict reader written apart from it.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/torrent_decoder.h"
#include "support/temp_dir.h"

namespace brisvane {
namespace {

#ifndef _WIN32
TEST(TorrentDecoderReference, V1V2AndHybridTorrentsHashAsLibtorrentDoes) {
  // The Debian package installs the module for the system's python, which may not be first on PATH.
  if (std::system("/usr/bin/python3 -c 'import libtorrent' 2>/dev/null")) GTEST_SKIP() << "no python3-libtorrent";
  testing::TempDir dir;
  const std::string command =
      "/usr/bin/python3 '" + std::string(BRISVANE_SOURCE_DIR) + "/tests/app/make_torrents.py' '" + dir.Root() + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  const auto fs = MakeSystemFileSystem();
  char path[4096], v1[80], v2[80];
  int torrents = 0;
  while (std::fscanf(pipe, "%4095s %79s %79s", path, v1, v2) == 3) {
    SCOPED_TRACE(path);
    ++torrents;
    const TorrentHash hash = GetTorrentHash(*fs, path);
    const std::string want_v1 = v1 == std::string("none") ? "" : v1, want_v2 = v2 == std::string("none") ? "" : v2;
    EXPECT_EQ(hash.v1_hash, want_v1);
    EXPECT_EQ(hash.v2_hash, want_v2);
    EXPECT_EQ(hash.hash, want_v1.empty() ? want_v2.substr(0, 40) : want_v1);
  }
  EXPECT_EQ(::pclose(pipe), 0) << command;
  EXPECT_EQ(torrents, 10);
}
#endif

}  // namespace
}  // namespace brisvane
