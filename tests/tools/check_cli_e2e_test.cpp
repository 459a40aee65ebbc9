// brisvane-check check against the reference reputation service, both real programs on 127.0.0.1.
#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

#if defined(BRISVANE_REPUTATION_SERVER_EXE) && !defined(_WIN32)
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#endif

namespace brisvane {
namespace {

#if defined(BRISVANE_REPUTATION_SERVER_EXE) && !defined(_WIN32)

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// `reputation-server serve` on a port the system picks, stopped with SIGTERM at the end.
class ReputationServer {
 public:
  explicit ReputationServer(const std::string& db) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      freopen("/dev/null", "w", stderr);  // its start and stop notes are not this test's output
      close(out[0]);
      close(out[1]);
      execl(BRISVANE_REPUTATION_SERVER_EXE, "reputation-server", "serve", "--db", db.c_str(), "--listen",
            "127.0.0.1:0", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    // "listening on http://127.0.0.1:PORT/api/fakeskan.php"; the wait guards against a server that never
    // starts, it measures nothing.
    std::string line;
    char c;
    pollfd ready{out[0], POLLIN, 0};
    while (poll(&ready, 1, 20000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    const auto at = line.find("http://");
    if (at != std::string::npos) url_ = line.substr(at);
  }
  ~ReputationServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& url() const { return url_; }

 private:
  pid_t pid_ = -1;
  std::string url_;
};

struct ShellRun {
  int status = -1;
  std::string out;
};

ShellRun Shell(const std::string& command) {
  ShellRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(CheckCliEndToEnd, RatingsFromTheReferenceServiceDecideTheExitStatus) {
  testing::TempDir dir;
  const std::string db = dir.Path("ratings.db");
  const std::string examples = std::string(BRISVANE_SOURCE_DIR) + "/examples/";
  // The example's info-hash as a client library computes it (examples/SHA1SUMS).
  const std::string rated = "8c450b7de44b7a6df98919a4a009b323567b110f";
  ASSERT_EQ(Shell(Quote(BRISVANE_REPUTATION_SERVER_EXE) + " rate --db " + Quote(db) + " " + rated + " VERIFIED").status, 0);

  ReputationServer server(db);
  ASSERT_FALSE(server.url().empty()) << "reputation-server did not say where it listens";
  const std::string check = Quote(BRISVANE_CHECK_EXE) + " check --url " + Quote(server.url()) + " ";

  ShellRun run = Shell(check + Quote(examples + "single-file.torrent") + " 2>&1");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, rated + "  VERIFIED  Allowed  " + examples + "single-file.torrent\n");

  // Unrated: NOTFOUND, neutral, allowed by default and blocked when only VERIFIED may pass.
  const std::string album = examples + "\xE3\x82\xA2\xE3\x83\xAB\xE3\x83\x90\xE3\x83\xA0-\xD0\xB0\xD0\xBB\xD1\x8C\xD0\xB1\xD0\xBE\xD0\xBC.torrent";
  run = Shell(check + Quote(album) + " 2>&1");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "94a0b109ad0eb41f0c75b42c33bfdf4a05c866ae  NOTFOUND  Allowed  " + album + "\n");
  run = Shell(check + "--allow VERIFIED " + Quote(album) + " " + Quote(examples + "single-file.torrent") + " 2>/dev/null");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("  NOTFOUND  Blocked  "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  VERIFIED  Allowed  "), std::string::npos) << run.out;

  // A wrong path on the same server: its 404 page is not a rating.
  const std::string wrong = Quote(BRISVANE_CHECK_EXE) + " check --url " +
                            Quote(server.url().substr(0, server.url().rfind('/')) + "/nothing-here") + " ";
  run = Shell(wrong + Quote(examples + "single-file.torrent") + " 2>&1");
  EXPECT_EQ(run.status, 2) << run.out;
}

#else

TEST(CheckCliEndToEnd, RatingsFromTheReferenceServiceDecideTheExitStatus) {
  GTEST_SKIP() << "the reference reputation service is built natively only";
}

#endif

}  // namespace
}  // namespace brisvane
