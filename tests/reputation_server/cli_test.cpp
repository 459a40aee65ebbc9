// The command line: rate, import and serve as a user types them, and what a mistake gets.
#include "cli.h"

#include <regex>
#include <sstream>

#include "test_support.h"

namespace brisvane::reputation {
namespace {

using namespace support;

struct CliRun {
  int status;
  std::string out, err;
};

CliRun RunCli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunReputationCli(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(ReputationCli, HelpNamesEveryCommand) {
  const CliRun run = RunCli({"--help"});
  EXPECT_EQ(run.status, kExitOk);
  for (const char* command : {"\n  serve [", "\n  import [", "\n  rate ["}) EXPECT_NE(run.out.find(command), std::string::npos);
}

TEST(ReputationCli, RateAndImportAddAndReplaceRatings) {
  TempDir dir;
  const std::string db = dir / "ratings.db", csv = dir / "ratings.csv";
  CliRun run = RunCli({"rate", "--db", db, "A9993E364706816ABA3E25717850C26C9CD0D89D", "VERIFIED"});
  EXPECT_EQ(run.out, std::string(kSha1Abc) + " VERIFIED\n");
  EXPECT_EQ(RunCli({"rate", "--db=" + db, HexNumber(1), "NONE"}).status, kExitOk);
  WriteFile(csv, "hash,rating\n" + std::string(kSha1Abc) + ",FAKE\n" + HexNumber(2) + ",BAD\n");
  run = RunCli({"import", csv, "--db", db});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "imported 2 ratings from " + csv + " into " + db + "\n");
  const auto store = OpenRatingStore(db);
  EXPECT_EQ(store->Find(*ParseInfoHash(kSha1Abc)), Rating::kFake);
  EXPECT_EQ(store->Find(HashNumber(1)), Rating::kNone);  // not in the file, so kept
  EXPECT_EQ(store->Find(HashNumber(2)), Rating::kBad);
  EXPECT_EQ(store->Count(), 3u);
}

TEST(ReputationCli, MistakesSayWhatIsWrongAndChangeNoDatabase) {
  TempDir dir;
  const std::string fresh = dir / "fresh.db", rated = dir / "rated.db", csv = dir / "bad.csv", notes = dir / "notes.txt";
  ASSERT_EQ(RunCli({"rate", "--db", rated, kSha1Abc, "GOOD"}).status, kExitOk);
  // Its first lines are good and would replace the rating; line 4 spoils the file.
  WriteFile(csv, "hash,rating\n" + std::string(kSha1Abc) + ",FAKE\n\n" + HexNumber(1) + ",BAD,\n");
  WriteFile(notes, std::string(200, 'n'));
  std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
      {{}, kExitUsage, "no command"},
      {{"frobnicate"}, kExitUsage, "unknown command \"frobnicate\""},
      {{"import", "--db", fresh}, kExitUsage, "expected one CSV file"},
      {{"import", "--db", fresh, "a.csv", "b.csv"}, kExitUsage, "expected one CSV file"},
      {{"import", "--db", fresh, "--listen", "x:1", "a.csv"}, kExitUsage, "unknown option --listen for import"},
      {{"rate", "--db", fresh, kSha1Abc}, kExitUsage, "expected a hash and a rating"},
      {{"rate", "--db", fresh, HexNumber(1).substr(1), "GOOD"}, kExitUsage, "is not an info-hash of 40 hexadecimal digits"},
      {{"rate", "--db", fresh, kSha1Abc, "good"}, kExitUsage, "\"good\" is not a rating"},
      {{"rate", "--db"}, kExitUsage, "--db needs a value"},
      {{"rate", "--db=", kSha1Abc, "GOOD"}, kExitUsage, "--db needs a value"},
      {{"serve", "--db", fresh, "--threads", "8x"}, kExitUsage, "--threads wants a number from 1 to 1024"},
      {{"serve", "--db", fresh, "--max-connections", "0"}, kExitUsage, "--max-connections wants a number from 1 to 1000000"},
      {{"serve", "--db", fresh, "--access-log", "maybe"}, kExitUsage, "--access-log wants on or off"},
      {{"serve", "--db", fresh, "extra"}, kExitUsage, "expected no operands"},
      {{"import", "--db", rated, csv}, kExitFailed,
       csv + ": line 4: expected two fields \"hash,rating\", found 3; nothing was imported\n"},
      {{"import", "--db", rated, dir / "nope.csv"}, kExitFailed, dir / "nope.csv" + ": No such file or directory\n"},
      {{"import", "--db", rated, dir / ""}, kExitFailed, ": is a directory\n"},
      {{"rate", "--db", notes, kSha1Abc, "GOOD"}, kExitFailed, "cannot use " + notes + ": file is not a database\n"},
  };
  for (const char* address : {"8080", ":8080", "127.0.0.1:", "127.0.0.1:-1", "127.0.0.1:65536", "127.0.0.1:80x",
                              "127.0.0.1:+80", "::1:8080", "[::1]8080", "[::1]:", "[]:80", "127.0.0.1:000080"}) {
    cases.push_back({{"serve", "--db", fresh, "--listen", address}, kExitUsage, "--listen wants HOST:PORT"});
  }
  for (const auto& [args, status, message] : cases) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.status, status) << message;
    EXPECT_NE(run.err.find("reputation-server: "), std::string::npos);
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.ends_with("\nTry 'reputation-server --help'.\n"), status == kExitUsage) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(fresh));
  EXPECT_EQ(ReadFile(notes), std::string(200, 'n'));
  const auto store = OpenRatingStore(rated);
  EXPECT_EQ(store->Find(*ParseInfoHash(kSha1Abc)), Rating::kGood);
  EXPECT_EQ(store->Count(), 1u);
  const auto v6 = ParseListenAddress("[::1]:65535");
  EXPECT_TRUE(v6 && v6->host == "::1" && v6->port == 65535);
}

int PortOf(const std::string& out) {
  static const std::regex kListening(R"(^listening on http://127\.0\.0\.1:(\d+)/api/fakeskan\.php\n)");
  std::smatch match;
  return std::regex_search(out, match, kListening) ? std::stoi(match[1]) : 0;
}

// The program itself: on a new database, then on the same one again; each time a second server is
// refused the busy port and the first one ends cleanly on the signal.
TEST(ServeCommand, AnswersOnAFreePortLogsEachRequestAndStopsCleanlyOnEitherSignal) {
  TempDir dir;
  for (const int signal_number : {SIGTERM, SIGINT}) {
    Process server({"serve", "--db", dir / "ratings.db", "--listen", "127.0.0.1:0", "--threads", "2"});
    int port = 0;
    ASSERT_TRUE(Eventually([&] { return (port = PortOf(server.Out())) > 0; })) << server.Err();
    // Left open and idle after its answer: stopping closes it rather than waiting for it.
    Client client(port);
    const std::string target = "/api/fakeskan.php?hash=" + std::string(kSha1Abc);
    client.Send(Get(target));
    EXPECT_EQ(client.Read()->body(), "NOTFOUND");
    const std::string logged = " 127.0.0.1 \"GET " + target + " HTTP/1.1\" 200 NOTFOUND ";
    EXPECT_TRUE(Eventually([&] { return server.Out().find(logged) != std::string::npos; })) << server.Out();

    Process busy({"serve", "--db", dir / "ratings.db", "--listen", "127.0.0.1:" + std::to_string(port)});
    EXPECT_EQ(busy.Wait(), kExitFailed);
    EXPECT_EQ(busy.Err(), "reputation-server: cannot listen on 127.0.0.1 port " + std::to_string(port) + "\n");

    server.Signal(signal_number);
    EXPECT_EQ(server.Wait(), kExitOk);
    const std::string err = server.Err();
    EXPECT_EQ(err.find("did not exist: serving a new empty database") != std::string::npos, signal_number == SIGTERM);
    EXPECT_TRUE(err.ends_with(signal_number == SIGINT ? "stopped on SIGINT\n" : "stopped on SIGTERM\n")) << err;
  }
}

}  // namespace
}  // namespace brisvane::reputation
