#pragma once
// Helpers of the reputation-server tests: scratch folders and databases, hashes, a raw HTTP client and
// the program as a process of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <filesystem>
#include <fstream>
#include <thread>

#include "rating_store.h"
#include "support/temp_dir.h"

namespace brisvane::reputation::support {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using namespace std::chrono_literals;
using Response = http::response<http::string_body>;

inline constexpr char kSha1Abc[] = "a9993e364706816aba3e25717850c26c9cd0d89d";  // SHA-1 of "abc"

// A distinct hash for each n.
inline InfoHash HashNumber(unsigned n) {
  InfoHash hash{};
  for (std::size_t i = 0; i < hash.size(); ++i) hash[i] = static_cast<std::uint8_t>((n >> (8 * (i % 4))) ^ (i * 37));
  return hash;
}
inline std::string HexNumber(unsigned n) { return ToHex(HashNumber(n)); }

inline std::string ReadFile(const std::string& path) {
  return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}

// Whether `done` comes true within `bound`, asked every 10 ms.
inline bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds bound = 30s) {
  for (const auto end = std::chrono::steady_clock::now() + bound; !done(); std::this_thread::sleep_for(10ms)) {
    if (std::chrono::steady_clock::now() > end) return false;
  }
  return true;
}

using brisvane::testing::TempDir;

// A database of one test's own: a SQLite file, or a schema of its own on the PostgreSQL server that the
// test command started (BRISVANE_TEST_PG; without it the url is empty).
class ScratchStore {
 public:
  explicit ScratchStore(const std::string& backend) : postgres(backend == "postgresql") {
    static int counter = 0;
    const char* server = std::getenv("BRISVANE_TEST_PG");
    if (!postgres) url = dir.Path("ratings.db");
    if (!postgres || !server || !*server) return;
    schema_ = "t" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    url = server + std::string(std::strchr(server, '?') ? "&" : "?") + "options=-csearch_path%3D" + schema_;
    Sql("CREATE SCHEMA " + schema_);
  }
  ~ScratchStore() {
    if (!schema_.empty()) Sql("DROP SCHEMA " + schema_ + " CASCADE");
  }
  std::unique_ptr<RatingStore> Open() const { return OpenRatingStore(url); }
  // The command of the database's own shell: SQL from another program.
  std::string Shell() const { return postgres ? "psql -XqtA -v ON_ERROR_STOP=1 '" + url + "'" : "sqlite3 -bail " + url; }
  // What the shell prints for `sql`; a failure fails the test unless it `may_fail`.
  std::string Sql(const std::string& sql, bool may_fail = false) const {
    FILE* shell = popen((Shell() + " 2>&1 <<'SQL_END'\n" + sql + ";\nSQL_END\n").c_str(), "r");
    std::string out(4096, '\0');
    out.resize(fread(out.data(), 1, out.size(), shell));
    EXPECT_TRUE(pclose(shell) == 0 || may_fail) << sql << ": " << out;
    return out;
  }
  // A bytea or blob literal.
  std::string Literal(const InfoHash& hash) const { return (postgres ? "'\\x" : "x'") + ToHex(hash) + "'"; }

  const bool postgres;
  TempDir dir;
  std::string url;

 private:
  std::string schema_;
};

inline std::string Get(const std::string& target, const std::string& headers = "") {
  return "GET " + target + " HTTP/1.1\r\nHost: test\r\n" + headers + "\r\n";
}

// One client connection with a bound on every wait, so that a server that does not answer fails the test.
class Client {
 public:
  explicit Client(int port) : socket_(context_) {
    socket_.connect({asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
    const timeval bound{10, 0};
    for (const int option : {SO_RCVTIMEO, SO_SNDTIMEO}) setsockopt(socket_.native_handle(), SOL_SOCKET, option, &bound, sizeof bound);
  }
  void Send(const std::string& bytes) { asio::write(socket_, asio::buffer(bytes)); }
  // The next reply; nullopt when the connection ended instead. A reply to HEAD has no body to wait for.
  std::optional<Response> Read(bool head = false) {
    http::response_parser<http::string_body> parser;
    parser.skip(head);
    boost::beast::error_code ec;
    http::read(socket_, buffer_, parser, ec);
    return ec ? std::nullopt : std::optional(parser.release());
  }
  // The reply to a GET of `target`; an empty one when none came.
  Response Ask(const std::string& target) {
    Send(Get(target));
    return Read().value_or(Response());
  }
  // Whether the server has closed the connection with nothing more sent.
  bool Closed() {
    char byte;
    boost::beast::error_code ec;
    if (buffer_.size() == 0) socket_.read_some(asio::buffer(&byte, 1), ec);
    return ec == asio::error::eof || ec == asio::error::connection_reset;
  }
  asio::ip::tcp::socket& socket() { return socket_; }

 private:
  asio::io_context context_;
  asio::ip::tcp::socket socket_;
  boost::beast::flat_buffer buffer_;
};

// The reputation-server program with these arguments, its output (standard and error) kept in a file;
// killed at the end.
class Process {
 public:
  explicit Process(const std::vector<std::string>& args) {
    std::string command = "exec " REPUTATION_SERVER_EXE;
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " >" + output_ + " 2>&1";
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ);
  }
  ~Process() {
    Signal(SIGKILL);
    Wait();
  }
  std::string Output() const { return ReadFile(output_); }
  void Signal(int number) const {
    if (pid_ > 0) kill(pid_, number);
  }
  // The exit code, -1 for an end by a signal, -2 when it has not ended within `bound`.
  int Wait(std::chrono::milliseconds bound = 30s) {
    int status = 0;
    if (pid_ <= 0 || !Eventually([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, bound)) return -2;
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  TempDir dir_;
  const std::string output_ = dir_.Path("output");
  pid_t pid_ = 0;
};

}  // namespace brisvane::reputation::support
