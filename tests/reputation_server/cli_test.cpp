#include "cli.h"

#include <gtest/gtest.h>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <sstream>
#include <thread>

#include "rating_store.h"
#include "test_support.h"

extern char** environ;

namespace brisvane::reputation {
namespace {

using support::Hash;
using support::kSha1Abc;
using support::kSha1Empty;
using support::ReadFile;
using support::TempDir;
using support::WriteFile;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

CliRun RunCli(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  CliRun run;
  run.status = RunReputationCli(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

TEST(ReputationCli, HelpNamesEveryCommand) {
  const CliRun run = RunCli({"--help"});
  EXPECT_EQ(run.status, kExitOk);
  for (const char* text : {"serve [--db DATABASE] [--listen HOST:PORT] [--threads N]", "import [--db DATABASE] FILE.csv",
                           "rate [--db DATABASE] HASH RATING", "127.0.0.1:8080", "ratings.db", "postgresql://"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
  EXPECT_EQ(run.err, "");
}

TEST(ReputationCli, UsageErrorsSayWhatIsWrongAndTouchNothing) {
  TempDir dir;
  const std::string db = dir / "ratings.db";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "no command"},
      {{"frobnicate"}, "unknown command \"frobnicate\""},
      {{"import", "--db", db}, "expected one CSV file"},
      {{"import", "--db", db, "a.csv", "b.csv"}, "expected one CSV file"},
      {{"import", "--db", db, "--listen", "x:1", "a.csv"}, "unknown option --listen for import"},
      {{"rate", "--db", db, kSha1Abc}, "expected a hash and a rating"},
      {{"rate", "--db", db, std::string(kSha1Abc).substr(1), "GOOD"}, "is not an info-hash of 40 hexadecimal digits"},
      {{"rate", "--db", db, kSha1Abc, "good"}, "\"good\" is not a rating"},
      {{"rate", "--db"}, "--db needs a value"},
      {{"rate", "--db=", kSha1Abc, "GOOD"}, "--db needs a value"},
      {{"serve", "--db", db, "--threads", "0"}, "--threads wants a number from 1 to 1024"},
      {{"serve", "--db", db, "--threads", "8x"}, "--threads wants a number"},
      {{"serve", "--db", db, "--max-connections", "0"}, "--max-connections wants a number from 1 to 1000000"},
      {{"serve", "--db", db, "--access-log", "maybe"}, "--access-log wants on or off"},
      {{"serve", "--db", db, "--listen", "127.0.0.1"}, "--listen wants HOST:PORT"},
      {{"serve", "--db", db, "--listen=127.0.0.1:65536"}, "--listen wants HOST:PORT"},
      {{"serve", "--db", db, "extra"}, "expected no operands"},
  };
  for (const auto& [args, message] : cases) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.status, kExitUsage) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Try 'reputation-server --help'."), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(db));
}

TEST(ReputationCli, RateAndImportWriteTheDatabase) {
  TempDir dir;
  const std::string db = dir / "ratings.db";
  CliRun run = RunCli({"rate", "--db", db, "A9993E364706816ABA3E25717850C26C9CD0D89D", "VERIFIED"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, std::string(kSha1Abc) + " VERIFIED\n");

  const std::string csv = dir / "ratings.csv";
  WriteFile(csv, "hash,rating\n" + std::string(kSha1Empty) + ",BAD\n");
  run = RunCli({"import", "--db=" + db, csv});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "imported 1 rating from " + csv + " into " + db + "\n");

  const auto store = OpenRatingStore(db);
  EXPECT_EQ(store->Find(Hash(kSha1Abc)), Rating::kVerified);
  EXPECT_EQ(store->Find(Hash(kSha1Empty)), Rating::kBad);
}

TEST(ReputationCli, ABadImportFailsWithTheLineAndLeavesTheDatabaseAsItWas) {
  TempDir dir;
  const std::string db = dir / "ratings.db";
  ASSERT_EQ(RunCli({"rate", "--db", db, kSha1Abc, "GOOD"}).status, kExitOk);
  const std::string csv = dir / "ratings.csv";
  WriteFile(csv, std::string(kSha1Abc) + ",FAKE\n\n" + kSha1Empty + ",FAKE,\n");
  const CliRun run = RunCli({"import", "--db", db, csv});
  EXPECT_EQ(run.status, kExitFailed);
  EXPECT_EQ(run.err, "reputation-server: " + csv + ": line 3: expected two fields \"hash,rating\", found 3; "
                     "nothing was imported\n");
  EXPECT_EQ(run.out, "");
  const auto store = OpenRatingStore(db);
  EXPECT_EQ(store->Find(Hash(kSha1Abc)), Rating::kGood);
  EXPECT_EQ(store->Count(), 1u);

  const CliRun missing = RunCli({"import", "--db", db, dir / "nope.csv"});
  EXPECT_EQ(missing.status, kExitFailed);
  EXPECT_EQ(missing.err, "reputation-server: " + (dir / "nope.csv") + ": No such file or directory\n");
}

TEST(ReputationCli, ListenAddresses) {
  const auto v4 = ParseListenAddress("127.0.0.1:8080");
  ASSERT_TRUE(v4);
  EXPECT_EQ(v4->host, "127.0.0.1");
  EXPECT_EQ(v4->port, 8080);
  const auto v6 = ParseListenAddress("[::1]:0");
  ASSERT_TRUE(v6);
  EXPECT_EQ(v6->host, "::1");
  EXPECT_EQ(v6->port, 0);
  EXPECT_EQ(ParseListenAddress("localhost:65535")->port, 65535);
  for (const char* text : {"", "8080", ":8080", "127.0.0.1:", "127.0.0.1:-1", "127.0.0.1:65536", "127.0.0.1:80x",
                           "127.0.0.1:+80", "::1:8080", "[::1]8080", "[::1]:", "[]:80", "127.0.0.1:000080"}) {
    EXPECT_FALSE(ParseListenAddress(text)) << text;
  }
}

// The real program, started as a separate process.
class ServerProcess {
 public:
  explicit ServerProcess(const std::vector<std::string>& args) {
    int out_pipe[2];
    int err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, out_pipe[0]);
    posix_spawn_file_actions_addclose(&actions, err_pipe[0]);
    std::vector<std::string> all = {REPUTATION_SERVER_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out_pipe[1]);
    close(err_pipe[1]);
    out_ = out_pipe[0];
    err_ = err_pipe[0];
    if (rc != 0) throw std::runtime_error("cannot start " + all[0]);
  }
  ~ServerProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(out_);
    close(err_);
  }

  // The first line on standard output; empty if none came within the bound.
  std::string ReadLine() {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    char c = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd fd{out_, POLLIN, 0};
      if (poll(&fd, 1, 100) <= 0) continue;
      if (read(out_, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    }
    return {};
  }

  void Signal(int signal_number) { kill(pid_, signal_number); }

  // The wait status, or -1 if the process did not end within the bound (it is then killed).
  int Wait() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return status;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  // Everything the program wrote to standard error; call after Wait.
  std::string Errors() {
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(err_, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
    return text;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
};

int PortOf(const std::string& listening_line) {
  static const std::regex kLine(R"(listening on http://127\.0\.0\.1:(\d+)/api/fakeskan\.php)");
  std::smatch match;
  if (!std::regex_match(listening_line, match, kLine)) return -1;
  return std::stoi(match[1]);
}

class ServeCommand : public ::testing::TestWithParam<int> {};

TEST_P(ServeCommand, AnswersOnAFreePortAndEndsCleanlyOnTheSignal) {
  const int signal_number = GetParam();
  TempDir dir;
  const std::string db = dir / "ratings.db";
  ASSERT_EQ(RunCli({"rate", "--db", db, kSha1Abc, "GOOD"}).status, kExitOk);

  ServerProcess server({"serve", "--db", db, "--listen", "127.0.0.1:0", "--threads", "4"});
  const std::string line = server.ReadLine();
  const int port = PortOf(line);
  ASSERT_GT(port, 0) << "listening line: " << line;

  // Left open and idle after its answer: stopping closes it rather than waiting for it.
  namespace asio = boost::asio;
  namespace http = boost::beast::http;
  asio::io_context context;
  asio::ip::tcp::socket client(context);
  client.connect({asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
  const std::string target = std::string("/api/fakeskan.php?hash=") + kSha1Abc;
  asio::write(client, asio::buffer("GET " + target + " HTTP/1.1\r\nHost: t\r\n\r\n"));
  boost::beast::flat_buffer buffer;
  http::response<http::string_body> response;
  http::read(client, buffer, response);
  EXPECT_EQ(response.body(), "GOOD");
  // The access log, one line a request, on standard output after the listening line.
  const std::string logged = server.ReadLine();
  EXPECT_NE(logged.find(" 127.0.0.1 \"GET " + target + " HTTP/1.1\" 200 GOOD "), std::string::npos) << logged;

  server.Signal(signal_number);
  const int status = server.Wait();
  ASSERT_NE(status, -1) << "the server did not stop";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(server.Errors(), std::string("reputation-server: stopped on ") +
                                 (signal_number == SIGINT ? "SIGINT" : "SIGTERM") + "\n");
}

INSTANTIATE_TEST_SUITE_P(Signals, ServeCommand, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return info.param == SIGINT ? "Sigint" : "Sigterm"; });

TEST(ServeFailures, APortInUseOrAForeignFileEndsWithAClearError) {
  TempDir dir;
  const std::string db = dir / "ratings.db";
  ServerProcess first({"serve", "--db", db, "--listen", "127.0.0.1:0"});
  const int port = PortOf(first.ReadLine());
  ASSERT_GT(port, 0);

  ServerProcess second({"serve", "--db", db, "--listen", "127.0.0.1:" + std::to_string(port)});
  int status = second.Wait();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kExitFailed);
  EXPECT_EQ(second.Errors(), "reputation-server: cannot listen on 127.0.0.1 port " + std::to_string(port) + "\n");

  const std::string notes = dir / "notes.txt";
  WriteFile(notes, std::string(200, 'n'));
  ServerProcess third({"serve", "--db", notes, "--listen", "127.0.0.1:0"});
  status = third.Wait();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kExitFailed);
  EXPECT_EQ(third.Errors(), "reputation-server: cannot use " + notes + ": file is not a database\n");
  EXPECT_EQ(ReadFile(notes), std::string(200, 'n'));

  first.Signal(SIGTERM);
  status = first.Wait();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(first.Errors().find("did not exist: serving a new empty database"), std::string::npos);
}

}  // namespace
}  // namespace brisvane::reputation
