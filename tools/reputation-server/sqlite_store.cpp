// The ratings in one SQLite file: lookups through per-thread connections that map the file, writes in
// WAL mode so that readers never wait for a writer.
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <utility>

#include "rating_store.h"

namespace brisvane::reputation {
namespace {

// "BRSV" in the header's application id marks a file as ours.
constexpr std::int64_t kApplicationId = 0x42525356;
constexpr std::int64_t kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 10000;
// Readers map the file so that all their connections share the system's page cache.
constexpr std::int64_t kReaderMmapBytes = 1LL << 30;
// A reader keeps one read transaction for this long: starting one takes file locks and a stat, several
// system calls that would cost more than the lookup itself. Well inside kReaderFreshness.
constexpr auto kSnapshotAge = std::chrono::milliseconds(100);

constexpr char kSchema[] =
    "CREATE TABLE ratings ("
    "  hash BLOB PRIMARY KEY NOT NULL CHECK (typeof(hash) = 'blob' AND length(hash) = 20),"
    "  rating INTEGER NOT NULL CHECK (rating BETWEEN 0 AND 5)"
    ") WITHOUT ROWID";

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
  throw StoreError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

struct Statement {
  Statement(sqlite3* db, const char* sql, unsigned flags = 0) {
    if (sqlite3_prepare_v3(db, sql, -1, flags, &stmt, nullptr) != SQLITE_OK) Fail(db, "cannot prepare statement");
  }
  ~Statement() { sqlite3_finalize(stmt); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* stmt = nullptr;
};

void Execute(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    throw StoreError(text);
  }
}

std::int64_t QueryInteger(sqlite3* db, const char* sql) {
  Statement statement(db, sql);
  const int rc = sqlite3_step(statement.stmt);
  if (rc != SQLITE_ROW) Fail(db, sql);
  return sqlite3_column_int64(statement.stmt, 0);
}

sqlite3* Open(const std::string& path, int flags) {
  sqlite3* db = nullptr;
  // Connections are never shared between threads at the same moment, so SQLite's own locks are not needed.
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    throw StoreError("cannot open " + path + ": " + text);
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  return db;
}

// Rolls back unless committed, so that an error half-way leaves the file as it was.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) { Execute(db_, "BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (db_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit() {
    Execute(db_, "COMMIT");
    db_ = nullptr;
  }

 private:
  sqlite3* db_;
};

class SqliteReader final : public RatingReader {
 public:
  SqliteReader(const std::string& path) : path_(path), db_(Open(path, SQLITE_OPEN_READWRITE)) {
    try {
      Execute(db_, "PRAGMA query_only = 1");
      Execute(db_, ("PRAGMA mmap_size = " + std::to_string(kReaderMmapBytes)).c_str());
      lookup_ = std::make_unique<Statement>(db_, "SELECT rating FROM ratings WHERE hash = ?1", SQLITE_PREPARE_PERSISTENT);
      begin_ = std::make_unique<Statement>(db_, "BEGIN", SQLITE_PREPARE_PERSISTENT);
      end_ = std::make_unique<Statement>(db_, "ROLLBACK", SQLITE_PREPARE_PERSISTENT);
    } catch (...) {
      lookup_.reset();
      begin_.reset();
      end_.reset();
      sqlite3_close(db_);
      throw;
    }
  }
  ~SqliteReader() override {
    EndSnapshot();
    lookup_.reset();
    begin_.reset();
    end_.reset();
    sqlite3_close(db_);
  }
  SqliteReader(const SqliteReader&) = delete;
  SqliteReader& operator=(const SqliteReader&) = delete;

  Rating Find(const InfoHash& hash) override {
    Idle();
    if (!in_snapshot_) {
      Step(begin_->stmt);
      in_snapshot_ = true;
      snapshot_start_ = std::chrono::steady_clock::now();
    }
    sqlite3_stmt* stmt = lookup_->stmt;
    sqlite3_bind_blob(stmt, 1, hash.data(), static_cast<int>(hash.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(stmt);
    std::optional<Rating> rating = Rating::kNotFound;
    if (rc == SQLITE_ROW) rating = RatingFromCode(sqlite3_column_int64(stmt, 0));
    sqlite3_reset(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      const std::string message = std::string("cannot look up ") + ToHex(hash) + ": " + sqlite3_errmsg(db_);
      EndSnapshot();
      throw StoreError(message);
    }
    if (!rating) throw StoreError("bad rating code in " + path_ + " for " + ToHex(hash));
    return *rating;
  }

  void Ping() override {
    EndSnapshot();
    QueryInteger(db_, "SELECT count(*) FROM (SELECT 1 FROM ratings LIMIT 1)");
  }

  void Idle() override {
    if (in_snapshot_ && std::chrono::steady_clock::now() - snapshot_start_ > kSnapshotAge) EndSnapshot();
  }

  std::size_t Count() { return static_cast<std::size_t>(QueryInteger(db_, "SELECT count(*) FROM ratings")); }

 private:
  void Step(sqlite3_stmt* stmt) {
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) Fail(db_, "cannot read " + path_);
  }
  void EndSnapshot() {
    if (!in_snapshot_) return;
    in_snapshot_ = false;
    sqlite3_step(end_->stmt);
    sqlite3_reset(end_->stmt);
  }

  std::string path_;
  sqlite3* db_;
  std::unique_ptr<Statement> lookup_;
  std::unique_ptr<Statement> begin_;
  std::unique_ptr<Statement> end_;
  bool in_snapshot_ = false;
  std::chrono::steady_clock::time_point snapshot_start_;
};

class SqliteStore final : public RatingStore {
 public:
  explicit SqliteStore(std::string path) : path_(std::move(path)) {
    std::error_code ec;
    created_ = !std::filesystem::exists(path_, ec);
    writer_ = Open(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
      {
        // Checked and made under the write lock, so that two programs opening a new file agree on it.
        Transaction transaction(writer_);
        const std::int64_t application_id = QueryInteger(writer_, "PRAGMA application_id");
        if (application_id == 0 && QueryInteger(writer_, "SELECT count(*) FROM sqlite_schema") == 0) {
          Execute(writer_, kSchema);
          Execute(writer_, ("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
          Execute(writer_, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
        } else if (application_id != kApplicationId) {
          throw StoreError(path_ + " is not a ratings database");
        } else if (QueryInteger(writer_, "PRAGMA user_version") != kSchemaVersion) {
          throw StoreError(path_ + " was made by another version of reputation-server");
        }
        transaction.Commit();
      }
      // Readers then never wait for a writer, and an import can run while the server answers.
      Execute(writer_, "PRAGMA journal_mode = WAL");
      Execute(writer_, "PRAGMA synchronous = NORMAL");
    } catch (const StoreError& error) {
      sqlite3_close(writer_);
      const std::string what = error.what();
      if (what.rfind(path_, 0) == 0) throw;
      throw StoreError("cannot use " + path_ + ": " + what);
    }
  }
  ~SqliteStore() override { sqlite3_close(writer_); }

  std::unique_ptr<RatingReader> OpenReader() const override { return std::make_unique<SqliteReader>(path_); }

  void Store(std::span<const RatedHash> ratings) override {
    const std::vector<RatedHash> sorted = LastRatingPerHash(ratings);
    std::lock_guard lock(writer_mutex_);
    Transaction transaction(writer_);
    Statement insert(writer_,
                     "INSERT INTO ratings (hash, rating) VALUES (?1, ?2) "
                     "ON CONFLICT (hash) DO UPDATE SET rating = excluded.rating");
    for (const RatedHash& entry : sorted) {
      sqlite3_bind_blob(insert.stmt, 1, entry.hash.data(), static_cast<int>(entry.hash.size()), SQLITE_STATIC);
      sqlite3_bind_int(insert.stmt, 2, static_cast<int>(entry.rating));
      if (sqlite3_step(insert.stmt) != SQLITE_DONE) Fail(writer_, "cannot store the rating of " + ToHex(entry.hash));
      sqlite3_reset(insert.stmt);
    }
    transaction.Commit();
  }

  std::size_t Count() const override { return SqliteReader(path_).Count(); }
  std::string Name() const override { return path_; }
  bool created() const override { return created_; }

 private:
  std::string path_;
  bool created_ = false;
  std::mutex writer_mutex_;
  sqlite3* writer_ = nullptr;
};

}  // namespace

std::unique_ptr<RatingStore> OpenSqliteStore(const std::string& path) { return std::make_unique<SqliteStore>(path); }

}  // namespace brisvane::reputation
