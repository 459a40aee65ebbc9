#include "check_cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "product.h"
#include "support/memory_file_system.h"

namespace brisvane {
namespace {

// SHA-1 of "de" and of "d1:ai1ee": python3 -c 'import hashlib;print(hashlib.sha1(b"de").hexdigest())'
const std::string kEmpty = "600ccd1b71569232d01d110bc63e906beab04d8c";
const std::string kOther = "f07b49d80353d8bc839cb1b2782f2eb8fc1ccdd2";

// Answers each request by the hash in its URL; refuses hashes it has no rating for.
struct RatingsByHash final : IHttpClient {
  HttpReply Get(std::string_view url) override {
    urls.emplace_back(url);
    HttpReply reply;
    const auto it = ratings.find(std::string(url.substr(url.rfind('=') + 1)));
    if (it == ratings.end()) return reply;
    reply.sent = true;
    reply.body.assign(it->second.begin(), it->second.end());
    return reply;
  }
  std::map<std::string, std::string> ratings;
  std::vector<std::string> urls;
};

struct Cli : ::testing::Test {
  Cli() {
    fs.Put("empty.torrent", "d4:infodee");
    fs.Put("other.torrent", "d4:infod1:ai1eee");
    fs.Put("text.torrent", "<html>");
    fs.Put("v2.torrent", "d4:infod12:meta versioni2e4:name1:xee");
    fs.Put("-odd.torrent", "d4:infodee");
  }
  int Run(std::vector<std::string> args) {
    out.clear();
    err.clear();
    return RunCheckCli(args, fs, http, CliIo{[&](std::string_view s) { out += s; }, [&](std::string_view s) { err += s; }});
  }
  testing::MemoryFileSystem fs;
  RatingsByHash http;
  std::string out, err;
};

TEST_F(Cli, HashAndInfoNameEachTorrentAndSayWhyOneHasNoHashOnOneLine) {
  EXPECT_EQ(Run({"hash", "text.torrent", "missing.torrent", "empty.torrent", "--", "-odd.torrent"}), kExitNoHash);
  EXPECT_EQ(out, kEmpty + "  empty.torrent\n" + kEmpty + "  -odd.torrent\n");  // the rest still hashed
  EXPECT_EQ(err.substr(0, err.find('\n')), "brisvane-check: text.torrent: The file does not appear to be a valid torrent");
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2);
  EXPECT_TRUE(http.urls.empty());

  const std::string link = "magnet:?xt=urn:btih:C12FE1C06BBA254A9DC9F519B335AA7C1367A88A";
  EXPECT_EQ(Run({"info", "v2.torrent", link}), kExitOk) << err;
  EXPECT_EQ(out, "torrent: v2.torrent\nname: x\nv1 info-hash: none\nv2 info-hash: "
                 "beeff9af8e18b7d378013ca077e0171060cc093218c6c7ecaf48d6df729313ea\n"
                 "lookup key: beeff9af8e18b7d378013ca077e0171060cc0932\n\ntorrent: " + link +
                 "\nname: none\nv1 info-hash: c12fe1c06bba254a9dc9f519b335aa7c1367a88a\nv2 info-hash: none\n"
                 "lookup key: c12fe1c06bba254a9dc9f519b335aa7c1367a88a\n\n");
  EXPECT_EQ(Run({"hash", "magnet:?dn=no-hash"}), kExitNoHash);
  EXPECT_NE(err.find("magnet:?dn=no-hash: The magnet link holds no BitTorrent info-hash"), std::string::npos);
}

TEST_F(Cli, CheckPrintsTheVerdictsAndItsStatusSaysTheWorst) {
  http.ratings = {{kEmpty, "FAKE"}, {kOther, "NONE"}};
  EXPECT_EQ(Run({"check", "other.torrent"}), kExitOk);
  EXPECT_EQ(out, kOther + "  NONE  Allowed  other.torrent\n");
  EXPECT_EQ(http.urls.back(), std::string(kDefaultServiceUrl) + "?hash=" + kOther);
  EXPECT_EQ(Run({"check", "--url", "http://127.0.0.1:9/r.php", "empty.torrent", "other.torrent"}), kExitBlocked);
  EXPECT_EQ(out, kEmpty + "  FAKE  Blocked  empty.torrent\n" + kOther + "  NONE  Allowed  other.torrent\n");
  EXPECT_EQ(http.urls.back(), "http://127.0.0.1:9/r.php?hash=" + kOther);

  // The allow list replaces the defaults: any case, NEUTRAL for NONE and NOTFOUND, empty allows nothing.
  EXPECT_EQ(Run({"check", "--allow=fake,Bad", "empty.torrent", "other.torrent"}), kExitBlocked);
  EXPECT_EQ(out, kEmpty + "  FAKE  Allowed  empty.torrent\n" + kOther + "  NONE  Blocked  other.torrent\n");
  EXPECT_EQ(Run({"check", "--allow", "NEUTRAL", "other.torrent"}), kExitOk);
  EXPECT_EQ(Run({"check", "--allow", "", "other.torrent"}), kExitBlocked);

  // Without a rating: said on one line each, the status says so, and the rest goes on.
  http.ratings = {{kOther, "VERIFIED"}, {kEmpty, "GOOD\r\n"}};
  EXPECT_EQ(Run({"check", "missing.torrent", "text.torrent", "empty.torrent", "other.torrent"}), kExitCheckFailed);
  EXPECT_EQ(out, kOther + "  VERIFIED  Allowed  other.torrent\n");
  EXPECT_EQ(err, "brisvane-check: missing.torrent: no such file\n"
                 "brisvane-check: text.torrent: The file does not appear to be a valid torrent\n"
                 "brisvane-check: empty.torrent: Unexpected value returned from API call:: GOOD: \n");
}

TEST_F(Cli, UsageErrorsAreClearAndHelpAndVersionAnswer) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{}, {"hash"}, {"frobnicate"}, {"hash", "-x", "a"}, {"check", "--url"},
                                             {"check", "--allow", "NONE", "a"}, {"check", "--allow", "GOOD,,BAD", "a"}}) {
    EXPECT_EQ(Run(args), kExitUsage);
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find("Try 'brisvane-check --help'."), std::string::npos);
  }
  EXPECT_EQ(Run({"--help"}), kExitOk);
  EXPECT_NE(out.find("check FILE|MAGNET... [--url URL] [--allow RATINGS]"), std::string::npos);
  Run({"--version"});
  EXPECT_EQ(out, "brisvane-check " + std::string(kProgramVersion) + "\n");
}

}  // namespace
}  // namespace brisvane
