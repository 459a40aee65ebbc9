#include "check_cli.h"

#include <gtest/gtest.h>

#include <map>

#include "product.h"
#include "support/fakes.h"
#include "support/memory_file_system.h"

namespace brisvane {
namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

CliRun RunCli(std::vector<std::string> args, IFileSystem& fs, IHttpClient& http) {
  CliRun run;
  const CliIo io{[&](std::string_view s) { run.out += s; }, [&](std::string_view s) { run.err += s; }};
  run.status = RunCheckCli(args, fs, http, io);
  return run;
}

CliRun RunCli(std::vector<std::string> args, IFileSystem& fs) {
  testing::FakeHttpClient http;
  http.Fail();
  CliRun run = RunCli(std::move(args), fs, http);
  EXPECT_TRUE(http.urls.empty()) << "the hash command went on the network";
  return run;
}

// SHA-1 of "de", the smallest info dictionary: python3 -c 'import hashlib;print(hashlib.sha1(b"de").hexdigest())'
constexpr char kEmptyInfoHash[] = "600ccd1b71569232d01d110bc63e906beab04d8c";

TEST(CheckCli, HashPrintsOneLinePerFileLikeSha1sum) {
  testing::MemoryFileSystem fs;
  fs.Put("a.torrent", "d4:infodee");
  fs.Put("b c.torrent", "d8:announce3:url4:infode4:porti1ee");
  const CliRun run = RunCli({"hash", "a.torrent", "b c.torrent"}, fs);
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, std::string(kEmptyInfoHash) + "  a.torrent\n" + kEmptyInfoHash + "  b c.torrent\n");
  EXPECT_EQ(run.err, "");
}

TEST(CheckCli, FileWithoutHashGoesToStderrAndFailsTheRun) {
  testing::MemoryFileSystem fs;
  fs.Put("good.torrent", "d4:infodee");
  fs.Put("text.torrent", "<html>");
  const CliRun run = RunCli({"hash", "text.torrent", "missing.torrent", "good.torrent"}, fs);
  EXPECT_EQ(run.status, kExitNoHash);
  // The good file is still hashed after the bad ones.
  EXPECT_EQ(run.out, std::string(kEmptyInfoHash) + "  good.torrent\n");
  EXPECT_NE(run.err.find("text.torrent: The file does not appear to be a valid torrent\n"), std::string::npos);
  EXPECT_NE(run.err.find("missing.torrent: "), std::string::npos);
  // Every report is one line: multi-line message-box texts are folded.
  std::size_t lines = 0;
  for (char c : run.err) lines += c == '\n';
  EXPECT_EQ(lines, 2u);
  EXPECT_EQ(run.err.find('\r'), std::string::npos);
}

TEST(CheckCli, InfoShowsBothHashesAndTheLookupKeyOfFilesAndLinks) {
  testing::MemoryFileSystem fs;
  fs.Put("v2.torrent", "d4:infod12:meta versioni2e4:name1:xee");
  const std::string link = "magnet:?xt=urn:btih:C12FE1C06BBA254A9DC9F519B335AA7C1367A88A";
  const CliRun run = RunCli({"info", "v2.torrent", link}, fs);
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "torrent: v2.torrent\nname: x\nv1 info-hash: none\nv2 info-hash: beeff9af8e18b7d378013ca077e0171060cc093218c6c7ecaf48d6df729313ea\nlookup key: beeff9af8e18b7d378013ca077e0171060cc0932\n\n"
                     "torrent: " + link + "\nname: none\nv1 info-hash: c12fe1c06bba254a9dc9f519b335aa7c1367a88a\n"
                     "v2 info-hash: none\nlookup key: c12fe1c06bba254a9dc9f519b335aa7c1367a88a\n\n");
  const CliRun refused = RunCli({"hash", "magnet:?dn=no-hash"}, fs);
  EXPECT_EQ(refused.status, kExitNoHash);
  EXPECT_NE(refused.err.find("magnet:?dn=no-hash: The magnet link holds no BitTorrent info-hash"), std::string::npos);
}

TEST(CheckCli, UsageErrorsAreClearAndDistinct) {
  testing::MemoryFileSystem fs;
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"hash"}, {"frobnicate"}, {"hash", "-x", "a"}}) {
    const CliRun run = RunCli(args, fs);
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Try 'brisvane-check --help'."), std::string::npos);
  }
  // After "--" a name that starts with a dash is a file.
  fs.Put("-odd.torrent", "d4:infodee");
  EXPECT_EQ(RunCli({"hash", "--", "-odd.torrent"}, fs).status, kExitOk);
}

TEST(CheckCli, HelpAndVersion) {
  testing::MemoryFileSystem fs;
  const CliRun help = RunCli({"--help"}, fs);
  EXPECT_EQ(help.status, kExitOk);
  EXPECT_NE(help.out.find("brisvane-check hash FILE|MAGNET..."), std::string::npos);
  const CliRun version = RunCli({"--version"}, fs);
  EXPECT_EQ(version.out, "brisvane-check " + std::string(kProgramVersion) + "\n");
}

// --- check: the lookup and the verdict, as the program makes them ---------------------------------

// Answers each request by the hash in its URL.
class RatingsByHash final : public IHttpClient {
 public:
  HttpReply Get(std::string_view url) override {
    urls.emplace_back(url);
    HttpReply reply;
    const auto at = url.rfind("hash=");
    const auto it = at == std::string_view::npos ? ratings.end() : ratings.find(std::string(url.substr(at + 5)));
    if (it == ratings.end()) {
      reply.error = "refused";
      return reply;
    }
    reply.sent = true;
    reply.body.assign(it->second.begin(), it->second.end());
    return reply;
  }
  std::map<std::string, std::string> ratings;
  std::vector<std::string> urls;
};

// python3 -c 'import hashlib;print(hashlib.sha1(b"d1:ai1ee").hexdigest())'
constexpr char kOtherHash[] = "f07b49d80353d8bc839cb1b2782f2eb8fc1ccdd2";

class CheckCommand : public ::testing::Test {
 protected:
  CheckCommand() {
    fs.Put("empty-info.torrent", "d4:infodee");
    fs.Put("other.torrent", "d4:infod1:ai1eee");
  }
  testing::MemoryFileSystem fs;
  RatingsByHash http;
};

TEST_F(CheckCommand, OneLinePerFileWithRatingAndVerdict) {
  http.ratings = {{kEmptyInfoHash, "GOOD"}, {kOtherHash, "NOTFOUND"}};
  const CliRun run = RunCli({"check", "empty-info.torrent", "other.torrent"}, fs, http);
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, std::string(kEmptyInfoHash) + "  GOOD  Allowed  empty-info.torrent\n" + kOtherHash +
                         "  NOTFOUND  Allowed  other.torrent\n");
  EXPECT_EQ(run.err, "");
  // The program's own default service.
  EXPECT_EQ(http.urls[0], std::string("http://bitsnoop.com/api/fakeskan.php?hash=") + kEmptyInfoHash);
}

TEST_F(CheckCommand, ABlockedFileSetsStatusOne) {
  http.ratings = {{kEmptyInfoHash, "FAKE"}, {kOtherHash, "good"}};
  CliRun run = RunCli({"check", "--url", "http://127.0.0.1:9/r.php", "empty-info.torrent"}, fs, http);
  EXPECT_EQ(run.status, kExitBlocked);
  EXPECT_EQ(run.out, std::string(kEmptyInfoHash) + "  FAKE  Blocked  empty-info.torrent\n");
  EXPECT_EQ(http.urls.back(), std::string("http://127.0.0.1:9/r.php?hash=") + kEmptyInfoHash);
  // A word in another case is passed on by the lookup and matches no flag.
  run = RunCli({"check", "other.torrent"}, fs, http);
  EXPECT_EQ(run.status, kExitBlocked);
  EXPECT_EQ(run.out, std::string(kOtherHash) + "  good  Blocked  other.torrent\n");
}

TEST_F(CheckCommand, AllowListReplacesTheDefaults) {
  http.ratings = {{kEmptyInfoHash, "FAKE"}, {kOtherHash, "NONE"}};
  CliRun run = RunCli({"check", "--allow=fake,Bad", "empty-info.torrent", "other.torrent"}, fs, http);
  EXPECT_EQ(run.status, kExitBlocked);
  EXPECT_NE(run.out.find("  FAKE  Allowed  "), std::string::npos);
  EXPECT_NE(run.out.find("  NONE  Blocked  "), std::string::npos);

  run = RunCli({"check", "--allow", "NEUTRAL", "other.torrent"}, fs, http);
  EXPECT_EQ(run.status, kExitOk);
  // An empty list allows nothing.
  run = RunCli({"check", "--allow", "", "other.torrent"}, fs, http);
  EXPECT_EQ(run.status, kExitBlocked);

  for (const char* bad : {"NONE", "VERIFIED,MEH", ",", "GOOD,,BAD"}) {
    run = RunCli({"check", "--allow", bad, "other.torrent"}, fs, http);
    EXPECT_EQ(run.status, kExitUsage) << bad;
    EXPECT_NE(run.err.find("--allow"), std::string::npos) << bad;
  }
}

TEST_F(CheckCommand, FilesWithoutARatingAreReportedAndTheRestGoesOn) {
  fs.Put("text.torrent", "<html>");
  http.ratings = {{kOtherHash, "VERIFIED"}};  // every other hash: the request is refused
  const CliRun run =
      RunCli({"check", "missing.torrent", "text.torrent", "empty-info.torrent", "other.torrent"}, fs, http);
  EXPECT_EQ(run.status, kExitCheckFailed);
  EXPECT_EQ(run.out, std::string(kOtherHash) + "  VERIFIED  Allowed  other.torrent\n");
  EXPECT_NE(run.err.find("missing.torrent: no such file\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("text.torrent: The file does not appear to be a valid torrent\n"), std::string::npos);
  EXPECT_NE(run.err.find("empty-info.torrent: Error contacting URL: http://bitsnoop.com/api/fakeskan.php?hash=" +
                         std::string(kEmptyInfoHash) + "\n"),
            std::string::npos)
      << run.err;
}

TEST_F(CheckCommand, TheLookupsMessagesComeOutOnOneLine) {
  http.ratings = {{kEmptyInfoHash, "GOOD\r\n"}};
  const CliRun run = RunCli({"check", "empty-info.torrent"}, fs, http);
  EXPECT_EQ(run.status, kExitCheckFailed);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "brisvane-check: empty-info.torrent: Unexpected value returned from API call:: GOOD: \n");
}

TEST_F(CheckCommand, UsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"check"}, {"check", "--url"}, {"check", "--url=", "a"}, {"check", "--colour", "a"}, {"check", "--allow"}}) {
    const CliRun run = RunCli(args, fs, http);
    EXPECT_EQ(run.status, kExitUsage) << args.back();
    EXPECT_NE(run.err.find("Try 'brisvane-check --help'."), std::string::npos);
  }
  EXPECT_TRUE(http.urls.empty());
  const CliRun help = RunCli({"--help"}, fs, http);
  EXPECT_NE(help.out.find("check FILE|MAGNET... [--url URL] [--allow RATINGS]"), std::string::npos);
}

}  // namespace
}  // namespace brisvane
