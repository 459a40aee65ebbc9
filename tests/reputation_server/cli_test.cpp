// The command line: rate, import (and the CSV files it reads) and serve as a user types them, and what
// a mistake gets.
#include "cli.h"

#include <regex>
#include <sstream>

#include "csv_import.h"
#include "test_support.h"

namespace brisvane::reputation {
namespace {

using namespace support;

const std::string kAbc = kSha1Abc;
const std::string kOther = HexNumber(1);

struct CliRun {
  int status;
  std::string out, err;
};

CliRun RunCli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunReputationCli(args, out, err);
  return {status, out.str(), err.str()};
}

// Mistakes are said and change no database; then a good import adds and replaces ratings.
TEST(ReputationCli, RateAndImportOrSayWhatIsWrongAndChangeNoDatabase) {
  TempDir dir;
  const std::string fresh = dir.Path("fresh.db"), rated = dir.Path("rated.db");
  EXPECT_EQ(RunCli({"rate", "--db", rated, "A9993E364706816ABA3E25717850C26C9CD0D89D", "GOOD"}).out, kAbc + " GOOD\n");
  EXPECT_EQ(RunCli({"rate", "--db=" + rated, kOther, "NONE"}).status, kExitOk);
  // Its first lines are good and would replace the rating; line 4 spoils the file.
  const std::string csv = dir.Write("bad.csv", "hash,rating\n" + kAbc + ",FAKE\n\n" + kOther + ",BAD,\n");
  const std::string notes = dir.Write("notes.txt", std::string(200, 'n'));
  std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
      {{}, kExitUsage, "no command"},
      {{"frobnicate"}, kExitUsage, "unknown command \"frobnicate\""},
      {{"import", "--db", fresh}, kExitUsage, "expected one CSV file"},
      {{"import", "--db", fresh, "--listen", "x:1", "a.csv"}, kExitUsage, "unknown option --listen for import"},
      {{"rate", "--db", fresh, kSha1Abc}, kExitUsage, "expected a hash and a rating"},
      {{"rate", "--db", fresh, kOther.substr(1), "GOOD"}, kExitUsage, "is not an info-hash of 40 hexadecimal digits"},
      {{"rate", "--db", fresh, kSha1Abc, "good"}, kExitUsage, "\"good\" is not a rating"},
      {{"rate", "--db"}, kExitUsage, "--db needs a value"},
      {{"rate", "--db=", kSha1Abc, "GOOD"}, kExitUsage, "--db needs a value"},
      {{"serve", "--db", fresh, "--threads", "8x"}, kExitUsage, "--threads wants a number from 1 to 1024"},
      {{"serve", "--db", fresh, "--access-log", "maybe"}, kExitUsage, "--access-log wants on or off"},
      {{"serve", "--db", fresh, "extra"}, kExitUsage, "expected no operands"},
      {{"import", "--db", rated, csv}, kExitFailed,
       csv + ": line 4: expected two fields \"hash,rating\", found 3; nothing was imported\n"},
      {{"import", "--db", rated, dir.Path("nope.csv")}, kExitFailed, dir.Path("nope.csv") + ": No such file or directory\n"},
      {{"import", "--db", rated, dir.Path("")}, kExitFailed, ": is a directory\n"},
      {{"rate", "--db", notes, kSha1Abc, "GOOD"}, kExitFailed, "cannot use " + notes + ": file is not a database\n"},
  };
  for (const char* address : {"8080", ":8080", "127.0.0.1:", "127.0.0.1:-1", "127.0.0.1:65536", "127.0.0.1:80x",
                              "127.0.0.1:+80", "::1:8080", "[::1]8080", "[::1]:", "[]:80", "127.0.0.1:000080"}) {
    cases.push_back({{"serve", "--db", fresh, "--listen", address}, kExitUsage, "--listen wants HOST:PORT"});
  }
  for (const auto& [args, status, message] : cases) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.status, status) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.ends_with("\nTry 'reputation-server --help'.\n"), status == kExitUsage) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_EQ(ReadFile(notes), std::string(200, 'n'));
  EXPECT_EQ(OpenRatingStore(rated)->Find(*ParseInfoHash(kSha1Abc)), Rating::kGood);
  const auto v6 = ParseListenAddress("[::1]:65535");
  EXPECT_TRUE(v6 && v6->host == "::1" && v6->port == 65535);

  dir.Write("bad.csv", "hash,rating\n" + kAbc + ",FAKE\n");
  EXPECT_EQ(RunCli({"import", csv, "--db", rated}).out, "imported 1 rating from " + csv + " into " + rated + "\n");
  const auto store = OpenRatingStore(rated);
  EXPECT_EQ(store->Find(*ParseInfoHash(kAbc)), Rating::kFake);
  EXPECT_EQ(store->Find(HashNumber(1)), Rating::kNone);  // not in the file, so kept
}

// The ratings a CSV file holds, a "hash RATING" line each.
std::string Parsed(const std::string& text) {
  std::istringstream in(text);
  std::string ratings;
  for (const RatedHash& entry : ParseRatingsCsv(in)) ratings += ToHex(entry.hash) + " " + RatingWord(entry.rating).data() + "\n";
  return ratings;
}

TEST(RatingsCsv, ReadsTheUsualVariantsOfOneFile) {
  for (const std::string& file : {
           "hash,rating\n" + kAbc + ",GOOD\n" + kOther + ",FAKE\n",
           kAbc + ",GOOD\n" + kOther + ",FAKE",                                            // no final line break
           "\xEF\xBB\xBFHash,Rating\r\n" + kAbc + ",GOOD\r\n\r\n" + kOther + ",FAKE\r\n",  // spreadsheet export
           "\n  \n" + kAbc + " , GOOD\t\n\t\n\"" + kOther + "\",\"FAKE\"\n\n",             // blanks and quotes
       }) {
    EXPECT_EQ(Parsed(file), kAbc + " GOOD\n" + kOther + " FAKE\n") << file;
  }
  for (const char* empty : {"", "hash,rating\n", "\n\n\r\n"}) EXPECT_EQ(Parsed(empty), "") << empty;
}

// Files and how their message begins: the first bad line by its number (blank lines and the header
// count), and what is wrong with it.
TEST(RatingsCsv, TheFirstBadLineIsNamedWithWhatIsWrong) {
  const std::string good = kAbc + ",GOOD\n";
  const std::string no_hash = "\" is not an info-hash of 40 hexadecimal digits";
  const std::pair<std::string, std::string> cases[] = {
      {"hash,rating\n" + good + "\n" + kOther + ",good\n" + kOther + ",BAD\n",
       "line 4: \"good\" is not a rating (VERIFIED, GOOD, NONE, NOTFOUND, BAD or FAKE)"},
      {good + kAbc.substr(1) + ",BAD\n", "line 2: \"" + kAbc.substr(1) + no_hash},
      {good + "hash,rating\n", "line 2: \"hash" + no_hash},  // a header is one only at the top
      {std::string("ab\0\xff,GOOD", 9), "line 1: \"ab\\x00\\xff" + no_hash},  // shown escaped, and cut below
      {good + kOther + "\n", "line 2: expected two fields \"hash,rating\", found 1"},
      // A hash rated twice, also when spelt in upper case (read as the same hash) or given the same word again.
      {"\n" + good + "\nA9993E364706816ABA3E25717850C26C9CD0D89D,GOOD\n", "line 4: hash " + kAbc + " is already rated on line 2"},
      // Refused without reading them whole; 1024 characters and a CR are still a line of 1024.
      {good + std::string(5000, 'x') + "\n", "line 2: longer than 1024 characters"},
      {std::string(1025, ' '), "line 1: longer than 1024 characters"},
      {kAbc + "," + std::string(1024 - 41, 'G') + "\r\n", "line 1: \"" + std::string(48, 'G') + "...\" is not a rating"},
  };
  for (const auto& [file, message] : cases) {
    EXPECT_THAT([&] { Parsed(file); }, ::testing::ThrowsMessage<CsvError>(::testing::StartsWith(message))) << file;
  }
}

int PortOf(const std::string& out) {
  static const std::regex kListening(R"(listening on http://127\.0\.0\.1:(\d+)/api/fakeskan\.php\n)");
  std::smatch match;
  return std::regex_search(out, match, kListening) ? std::stoi(match[1]) : 0;
}

// The program itself: on a new database, then on the same one again; each time a second server is
// refused the busy port and the first one ends cleanly on the signal.
TEST(ServeCommand, AnswersOnAFreePortLogsEachRequestAndStopsCleanlyOnEitherSignal) {
  TempDir dir;
  for (const int signal_number : {SIGTERM, SIGINT}) {
    Process server({"serve", "--db", dir.Path("ratings.db"), "--listen", "127.0.0.1:0", "--threads", "2"});
    int port = 0;
    ASSERT_TRUE(Eventually([&] { return (port = PortOf(server.Output())) > 0; })) << server.Output();
    // Left open and idle after its answer: stopping closes it rather than waiting for it.
    Client client(port);
    const std::string target = "/api/fakeskan.php?hash=" + std::string(kSha1Abc);
    EXPECT_EQ(client.Ask(target).body(), "NOTFOUND");
    const std::string logged = " 127.0.0.1 \"GET " + target + " HTTP/1.1\" 200 NOTFOUND ";
    EXPECT_TRUE(Eventually([&] { return server.Output().find(logged) != std::string::npos; })) << server.Output();

    Process busy({"serve", "--db", dir.Path("ratings.db"), "--listen", "127.0.0.1:" + std::to_string(port)});
    EXPECT_EQ(busy.Wait(), kExitFailed);
    EXPECT_EQ(busy.Output(), "reputation-server: cannot listen on 127.0.0.1 port " + std::to_string(port) + "\n");

    server.Signal(signal_number);
    EXPECT_EQ(server.Wait(), kExitOk);
    const std::string output = server.Output();
    EXPECT_EQ(output.find("did not exist: serving a new empty database") != std::string::npos, signal_number == SIGTERM);
    EXPECT_TRUE(output.ends_with(signal_number == SIGINT ? "stopped on SIGINT\n" : "stopped on SIGTERM\n")) << output;
  }
}

}  // namespace
}  // namespace brisvane::reputation
