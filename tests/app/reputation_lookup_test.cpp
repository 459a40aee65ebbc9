#include "app/reputation_lookup.h"

#include <gtest/gtest.h>

#include "app/version.h"
#include "support/fake_desktop.h"
#include "support/fake_http.h"
#include "support/memory_file_system.h"

namespace brisvane {
namespace {

// SHA-1 of "de": python3 -c 'import hashlib;print(hashlib.sha1(b"de").hexdigest())'
constexpr char kHash[] = "600ccd1b71569232d01d110bc63e906beab04d8c";
constexpr char kService[] = "http://127.0.0.1:8080/api/fakeskan.php";
constexpr char kTorrent[] = "C:\\dl\\a.torrent";

class ReputationLookup : public ::testing::Test {
 protected:
  ReputationLookup() {
    fs.Put(kTorrent, "d8:announce3:url4:infodee");
    hooks.write_hash = [this](const std::string& hash) {
      hash_field = hash;
      ++hash_writes;
    };
    hooks.read_hash = [this] { return hash_field; };
    hooks.log = [this](std::string_view line) { log.emplace_back(line); };
  }

  std::string Check(std::string_view url = kService, const std::string& path = kTorrent) {
    return CheckTorrentFile(url, path, fs, http, messages, hooks);
  }
  // The one message shown, checked for the program's caption.
  std::string OnlyMessage() {
    if (messages.shown.size() != 1) {
      ADD_FAILURE() << messages.shown.size() << " messages";
      return {};
    }
    EXPECT_EQ(messages.shown[0].caption, kProgramTitle);
    return messages.shown[0].text;
  }
  std::string ErrorLine() const { return std::string(kTorrent) + ", " + kHash + ", ERROR"; }

  testing::MemoryFileSystem fs;
  testing::FakeHttpClient http;
  testing::FakeMessageBox messages;
  LookupHooks hooks;
  std::string hash_field = "(old)";
  int hash_writes = 0;
  std::vector<std::string> log;
};

TEST_F(ReputationLookup, ARatingWordComesBackAndIsLogged) {
  http.Answer("GOOD");
  EXPECT_EQ(Check(), "GOOD");
  EXPECT_EQ(http.urls, std::vector<std::string>{std::string(kService) + "?hash=" + kHash});
  EXPECT_EQ(hash_field, kHash);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(log, std::vector<std::string>{std::string(kTorrent) + ", " + kHash + ", GOOD"});
}

TEST_F(ReputationLookup, TheUrlIsTheSettingAsTypedPlusTheQuery) {
  http.Answer("NONE");
  Check("http://svc/api/fakeskan.php?key=abc");
  Check(" http://svc/x y ");
  EXPECT_EQ(http.urls[0], std::string("http://svc/api/fakeskan.php?key=abc?hash=") + kHash);
  EXPECT_EQ(http.urls[1], std::string(" http://svc/x y ?hash=") + kHash);
}

TEST_F(ReputationLookup, RepliesAreTakenUnchangedWhateverTheWordOrStatus) {
  for (const char* word : {"good", "Invalid hash", " VERIFIED", "BAD\t"}) {
    http.Answer(word);
    EXPECT_EQ(Check(), word);
  }
  http.Answer("VERIFIED", 500);
  EXPECT_EQ(Check(), "VERIFIED");
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(log.size(), 5u);
  EXPECT_EQ(log[1], std::string(kTorrent) + ", " + kHash + ", Invalid hash");
}

TEST_F(ReputationLookup, MissingFileStopsSilentlyBeforeTheHashField) {
  EXPECT_EQ(Check(kService, "C:\\dl\\gone.torrent"), "");
  EXPECT_EQ(hash_writes, 0);
  EXPECT_TRUE(http.urls.empty());
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_TRUE(log.empty());
}

TEST_F(ReputationLookup, NoHashMeansNoRequest) {
  fs.Put(kTorrent, "<html>not a torrent</html>");
  EXPECT_EQ(Check(), "");
  // The decoder's own message, and the empty hash in the field.
  EXPECT_EQ(OnlyMessage(), kNotValidTorrentMessage);
  EXPECT_EQ(hash_field, "");
  EXPECT_TRUE(http.urls.empty());
  EXPECT_TRUE(log.empty());
}

TEST_F(ReputationLookup, AnEmptyHashFieldAfterWritingStopsTheLookup) {
  // As when the window went away while the scan let messages through.
  hooks.read_hash = [] { return std::string(); };
  http.Answer("GOOD");
  EXPECT_EQ(Check(), "");
  EXPECT_EQ(hash_writes, 1);
  EXPECT_TRUE(http.urls.empty());
}

TEST_F(ReputationLookup, FailedSendNamesTheUrlAndLogsNothing) {
  http.Fail();
  EXPECT_EQ(Check(), "");
  EXPECT_EQ(OnlyMessage(), std::string("Error contacting URL: ") + kService + "?hash=" + kHash);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(hash_field, kHash);
}

TEST_F(ReputationLookup, EmptyReplyIsNoData) {
  http.Answer("");
  EXPECT_EQ(Check(), "");
  EXPECT_EQ(OnlyMessage(), "No data was returned back from API call.");
  EXPECT_EQ(log, std::vector<std::string>{ErrorLine()});
}

TEST_F(ReputationLookup, ALineBreakAnywhereIsAnUnexpectedValue) {
  for (const char* reply : {"GOOD\r\n", "GOOD\n", "\rGOOD", "GO\nOD", "\n"}) {
    messages.shown.clear();
    http.Answer(reply);
    EXPECT_EQ(Check(), "") << reply;
    EXPECT_EQ(OnlyMessage(), std::string("Unexpected value returned from API call:\r\n") + reply);
  }
  EXPECT_EQ(log, std::vector<std::string>(5, ErrorLine()));
}

TEST_F(ReputationLookup, NotFoundPageOnOneLineIsA404AndOnSeveralIsUnexpected) {
  const std::string one_line = "<html><head><title>404 Not Found</title></head><body>nope</body></html>";
  http.Answer(one_line, 404);
  EXPECT_EQ(Check(), "");
  EXPECT_EQ(OnlyMessage(), "404 error!:\r\n" + one_line);
  EXPECT_TRUE(log.empty());

  messages.shown.clear();
  const std::string lines = "<html>\r\n<head><title>404 Not Found</title></head>\r\n</html>\r\n";
  http.Answer(lines, 404);
  EXPECT_EQ(Check(), "");
  EXPECT_EQ(OnlyMessage(), "Unexpected value returned from API call:\r\n" + lines);
  EXPECT_EQ(log, std::vector<std::string>{ErrorLine()});

  // The title is matched exactly: another case is an ordinary reply.
  messages.shown.clear();
  http.Answer("<title>404 not found</title>");
  EXPECT_EQ(Check(), "<title>404 not found</title>");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ReputationLookup, AnOverlongReplyIsUnexpectedAndShownCut) {
  // The client kept kMaxReplyBytes of a longer body, all on one line, with the 404 title inside.
  std::string kept = "<title>404 Not Found</title>" + std::string(kMaxReplyBytes, 'x');
  kept.resize(kMaxReplyBytes);
  http.Answer(kept);
  http.reply.truncated = true;
  EXPECT_EQ(Check(), "");
  EXPECT_EQ(OnlyMessage(), "Unexpected value returned from API call:\r\n" + kept.substr(0, kShownReplyBytes) +
                               "\xE2\x80\xA6");
  EXPECT_EQ(log, std::vector<std::string>{ErrorLine()});
}

TEST_F(ReputationLookup, LogLinesTakeTheTorrentPathAsTheWindowHoldsItThen) {
  hooks.torrent_path = [] { return std::string("C:\\edited.torrent"); };
  http.Answer("FAKE");
  Check();
  EXPECT_EQ(log, std::vector<std::string>{std::string("C:\\edited.torrent, ") + kHash + ", FAKE"});
  // Without a log writer nothing is logged, and the lookup is the same.
  hooks.log = nullptr;
  EXPECT_EQ(Check(), "FAKE");
}

TEST(SimpleBinaryToString, OneCharacterPerByteInOrder) {
  Bytes every_byte;
  for (int b = 0; b < 256; ++b) every_byte.push_back(static_cast<std::uint8_t>(b));
  const std::string text = SimpleBinaryToString(every_byte);
  ASSERT_EQ(text.size(), 256u);
  for (int b = 0; b < 256; ++b) EXPECT_EQ(static_cast<std::uint8_t>(text[b]), b);
  EXPECT_EQ(SimpleBinaryToString({}), "");
}

TEST_F(ReputationLookup, ReplyBytesOutsideAsciiSurviveIntoTheResult) {
  const std::string reply("GO\0OD\xE9\xFF", 7);
  http.Answer(reply);
  EXPECT_EQ(Check(), reply);
}

}  // namespace
}  // namespace brisvane
