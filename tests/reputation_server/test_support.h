#pragma once
// Helpers shared by the reputation-server tests: a scratch folder, file contents, hashes, a scratch
// database in either store.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "rating.h"
#include "rating_store.h"

namespace brisvane::reputation::support {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "reputation-server-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A distinct, valid hash for test number n.
inline InfoHash HashNumber(unsigned n) {
  InfoHash hash{};
  for (std::size_t i = 0; i < hash.size(); ++i) hash[i] = static_cast<std::uint8_t>((n >> (8 * (i % 4))) ^ (i * 37));
  return hash;
}

inline InfoHash Hash(const std::string& hex) {
  const auto hash = ParseInfoHash(hex);
  if (!hash) throw std::invalid_argument("bad test hash " + hex);
  return *hash;
}

// SHA-1 digests that python3's hashlib gives, for hashes that are real digests:
//   python3 -c 'import hashlib; print(hashlib.sha1(b"abc").hexdigest())'
inline constexpr char kSha1Abc[] = "a9993e364706816aba3e25717850c26c9cd0d89d";
inline constexpr char kSha1Empty[] = "da39a3ee5e6b4b0d3255bfef95601890afd80709";

// The URL of a PostgreSQL server for the contract tests (scripts/test.sh starts one); empty when none.
inline std::string TestPostgres() {
  const char* url = std::getenv("BRISVANE_TEST_PG");
  return url ? url : "";
}

// A database of its own for one test: a SQLite file in a scratch folder, or a PostgreSQL schema of its
// own (dropped at the end), named through the URL's search_path.
class ScratchStore {
 public:
  // For "postgresql" without a server, url() is empty: the test is to skip.
  explicit ScratchStore(const std::string& backend) : postgres_(backend == "postgresql") {
    if (!postgres_) {
      url_ = dir_ / "ratings.db";
      return;
    }
    const std::string base = TestPostgres();
    if (base.empty()) return;
    static std::atomic<int> counter{0};
    schema_ = "t" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    Execute(base, "CREATE SCHEMA " + schema_);
    url_ = base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema_;
  }
  ~ScratchStore() {
    if (!schema_.empty()) Execute(TestPostgres(), "DROP SCHEMA " + schema_ + " CASCADE");
  }
  ScratchStore(const ScratchStore&) = delete;
  ScratchStore& operator=(const ScratchStore&) = delete;

  const std::string& url() const { return url_; }
  bool postgres() const { return postgres_; }
  std::string operator/(const std::string& name) const { return dir_ / name; }

  // SQL through a connection of its own, as another program would run it.
  void Execute(const std::string& sql) const { Execute(url_, sql); }

  // Makes writing `hash` fail, as a full disk or a broken connection would, until AllowAll.
  void RefuseHash(const InfoHash& hash) const {
    Execute(postgres_ ? "ALTER TABLE ratings ADD CONSTRAINT refused CHECK (hash <> '\\x" + ToHex(hash) + "'::bytea)"
                      : "CREATE TRIGGER refused BEFORE INSERT ON ratings WHEN new.hash = x'" + ToHex(hash) +
                            "' BEGIN SELECT RAISE(ABORT, 'refused'); END");
  }
  void AllowAll() const {
    Execute(postgres_ ? "ALTER TABLE ratings DROP CONSTRAINT refused" : "DROP TRIGGER refused");
  }

 private:
  void Execute(const std::string& url, const std::string& sql) const {
    if (postgres_) {
      PGconn* conn = PQconnectdb(url.c_str());
      PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
      PGresult* result = PQexec(conn, sql.c_str());
      const ExecStatusType status = PQresultStatus(result);
      EXPECT_TRUE(status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) << sql << ": " << PQerrorMessage(conn);
      PQclear(result);
      PQfinish(conn);
      return;
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(url.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << sql << ": " << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
  }

  bool postgres_;
  TempDir dir_;
  std::string schema_;
  std::string url_;
};

}  // namespace brisvane::reputation::support
