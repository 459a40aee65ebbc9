// The ratings in PostgreSQL, so that several servers answer from one set of ratings. Each reader holds
// one connection with the lookup prepared on it, and keeps what it read for kReaderFreshness: a
// round trip costs several times the rest of a request, and popular torrents are asked for again and
// again. A connection that broke is opened again on a later lookup, so the server answers ERROR while
// the database is away and ratings again once it is back.
#include <libpq-fe.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>

#include "rating_store.h"

namespace brisvane::reputation {
namespace {

// The table's comment marks it as ours; the number changes when its layout does.
constexpr char kTableMark[] = "reputation-server ratings, layout 1";
// Taken while the table is checked or made, so that two programs starting at once agree on it.
constexpr char kSchemaLock[] = "SELECT pg_advisory_xact_lock(1112691542)";
constexpr char kFindStatement[] = "find_rating";
// A reader whose connection broke tries again no sooner than this: while the database is down every
// lookup fails at once instead of each one waiting for a connection attempt.
constexpr auto kReconnectPause = std::chrono::milliseconds(200);

std::string Trimmed(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

struct ResultDeleter {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

struct ConnectionDeleter {
  void operator()(PGconn* conn) const { PQfinish(conn); }
};
using Connection = std::unique_ptr<PGconn, ConnectionDeleter>;

// The URL with its password, if any, left out, for messages.
std::string WithoutPassword(const std::string& url) {
  const auto scheme_end = url.find("://");
  if (scheme_end == std::string::npos) return url;
  const auto authority = scheme_end + 3;
  const auto at = url.find('@', authority);
  const auto slash = url.find('/', authority);
  if (at == std::string::npos || (slash != std::string::npos && slash < at)) return url;
  const auto colon = url.find(':', authority);
  if (colon == std::string::npos || colon > at) return url;
  return url.substr(0, colon) + url.substr(at);
}

Connection Connect(const std::string& url) {
  // Ours come first: whatever the URL says itself wins.
  const char* keywords[] = {"connect_timeout", "application_name", "dbname", nullptr};
  const char* values[] = {"3", "reputation-server", url.c_str(), nullptr};
  Connection conn(PQconnectdbParams(keywords, values, 1));
  if (!conn) throw StoreError("cannot connect to " + WithoutPassword(url) + ": out of memory");
  if (PQstatus(conn.get()) != CONNECTION_OK) {
    throw StoreError("cannot connect to " + WithoutPassword(url) + ": " + Trimmed(PQerrorMessage(conn.get())));
  }
  return conn;
}

// Runs `sql` and returns its result; throws StoreError unless its status is `expected`.
Result Run(PGconn* conn, const char* sql, ExecStatusType expected = PGRES_COMMAND_OK) {
  Result result(PQexec(conn, sql));
  if (PQresultStatus(result.get()) != expected) throw StoreError(Trimmed(PQerrorMessage(conn)));
  return result;
}

class PostgresReader final : public RatingReader {
 public:
  // Never throws: a database that is away now is tried again on the first lookup.
  explicit PostgresReader(std::string url) : url_(std::move(url)) {
    try {
      Reconnect();
    } catch (const StoreError&) {
      next_attempt_ = {};
    }
  }

  Rating Find(const InfoHash& hash) override {
    const auto now = std::chrono::steady_clock::now();
    if (const auto known = recent_.find(hash); known != recent_.end() && now - known->second.read < kReaderFreshness) {
      return known->second.rating;
    }
    PGconn* conn = Usable();
    const char* params[] = {reinterpret_cast<const char*>(hash.data())};
    const int lengths[] = {static_cast<int>(hash.size())};
    const int formats[] = {1};
    Result result(PQexecPrepared(conn, kFindStatement, 1, params, lengths, formats, 0));
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) Fail("cannot look up " + ToHex(hash));
    std::optional<Rating> rating = Rating::kNotFound;
    if (PQntuples(result.get()) > 0) rating = RatingFromCode(std::atoi(PQgetvalue(result.get(), 0, 0)));
    if (!rating) throw StoreError("bad rating code in " + WithoutPassword(url_) + " for " + ToHex(hash));
    // Emptied when full rather than aged entry by entry: simple, and refilled within a second.
    if (recent_.size() >= kMaxRecent) recent_.clear();
    recent_[hash] = {*rating, now};
    return *rating;
  }

  void Ping() override {
    PGconn* conn = Usable();
    Result result(PQexec(conn, "SELECT 1 FROM ratings LIMIT 1"));
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) Fail("cannot reach the ratings");
  }

 private:
  PGconn* Usable() {
    if (!conn_) {
      if (std::chrono::steady_clock::now() < next_attempt_) throw StoreError(last_error_);
      Reconnect();
    }
    return conn_.get();
  }

  void Reconnect() {
    try {
      conn_ = Connect(url_);
      Result prepared(PQprepare(conn_.get(), kFindStatement, "SELECT rating FROM ratings WHERE hash = $1", 1, nullptr));
      if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
        throw StoreError("cannot prepare the lookup: " + Trimmed(PQerrorMessage(conn_.get())));
      }
    } catch (const StoreError& error) {
      conn_.reset();
      last_error_ = error.what();
      next_attempt_ = std::chrono::steady_clock::now() + kReconnectPause;
      throw;
    }
  }

  [[noreturn]] void Fail(const std::string& what) {
    const std::string message = what + ": " + Trimmed(PQerrorMessage(conn_.get()));
    // A statement that failed on a live connection (a dropped table) keeps it; a broken one is replaced.
    if (PQstatus(conn_.get()) != CONNECTION_OK) {
      conn_.reset();
      last_error_ = message;
      next_attempt_ = {};
    }
    throw StoreError(message);
  }

  struct Recent {
    Rating rating;
    std::chrono::steady_clock::time_point read;
  };
  static constexpr std::size_t kMaxRecent = 100000;

  std::string url_;
  Connection conn_;
  std::unordered_map<InfoHash, Recent, InfoHashKey> recent_;
  std::string last_error_;
  std::chrono::steady_clock::time_point next_attempt_{};
};

class PostgresStore final : public RatingStore {
 public:
  explicit PostgresStore(std::string url) : url_(std::move(url)) {
    try {
      Connection conn = Connect(url_);
      Run(conn.get(), "BEGIN");
      Run(conn.get(), kSchemaLock, PGRES_TUPLES_OK);
      Result found = Run(conn.get(),
                         "SELECT obj_description(c.oid, 'pg_class') FROM pg_class c "
                         "WHERE c.oid = to_regclass('ratings')",
                         PGRES_TUPLES_OK);
      if (PQntuples(found.get()) == 0) {
        Run(conn.get(),
            "CREATE TABLE ratings ("
            "  hash bytea PRIMARY KEY CHECK (octet_length(hash) = 20),"
            "  rating smallint NOT NULL CHECK (rating BETWEEN 0 AND 5))");
        Run(conn.get(), (std::string("COMMENT ON TABLE ratings IS '") + kTableMark + "'").c_str());
        created_ = true;
      } else if (std::strcmp(PQgetvalue(found.get(), 0, 0), kTableMark) != 0) {
        throw StoreError("its table \"ratings\" is not a ratings table of reputation-server");
      }
      Run(conn.get(), "COMMIT");
    } catch (const StoreError& error) {
      const std::string what = error.what();
      if (what.starts_with("cannot connect")) throw;
      throw StoreError("cannot use " + Name() + ": " + what);
    }
  }

  std::unique_ptr<RatingReader> OpenReader() const override { return std::make_unique<PostgresReader>(url_); }

  void Store(std::span<const RatedHash> ratings) override {
    // Copied into a scratch table and merged with one statement: one round trip for the rows instead
    // of one per row. A connection that dies before COMMIT leaves the table as it was.
    const std::vector<RatedHash> last = LastRatingPerHash(ratings);
    Connection conn = Connect(url_);
    try {
      Run(conn.get(), "BEGIN");
      Run(conn.get(), "CREATE TEMPORARY TABLE incoming (hash bytea, rating smallint) ON COMMIT DROP");
      Run(conn.get(), "COPY incoming FROM STDIN", PGRES_COPY_IN);
      std::string chunk;
      const auto send = [&] {
        if (PQputCopyData(conn.get(), chunk.data(), static_cast<int>(chunk.size())) != 1) {
          throw StoreError(Trimmed(PQerrorMessage(conn.get())));
        }
        chunk.clear();
      };
      for (const RatedHash& entry : last) {
        // COPY's text format reads a backslash as an escape, so bytea's \x prefix is written doubled.
        chunk += "\\\\x" + ToHex(entry.hash) + '\t' + static_cast<char>('0' + static_cast<int>(entry.rating)) + '\n';
        if (chunk.size() >= 64 * 1024) send();
      }
      if (!chunk.empty()) send();
      if (PQputCopyEnd(conn.get(), nullptr) != 1) throw StoreError(Trimmed(PQerrorMessage(conn.get())));
      Result copied(PQgetResult(conn.get()));
      if (PQresultStatus(copied.get()) != PGRES_COMMAND_OK) throw StoreError(Trimmed(PQerrorMessage(conn.get())));
      while (Result rest{PQgetResult(conn.get())}) {
      }
      Run(conn.get(),
          "INSERT INTO ratings (hash, rating) SELECT hash, rating FROM incoming "
          "ON CONFLICT (hash) DO UPDATE SET rating = excluded.rating");
      Run(conn.get(), "COMMIT");
    } catch (const StoreError& error) {
      throw StoreError("cannot store the ratings in " + Name() + ": " + error.what());
    }
  }

  std::size_t Count() const override {
    Connection conn = Connect(url_);
    Result result = Run(conn.get(), "SELECT count(*) FROM ratings", PGRES_TUPLES_OK);
    return static_cast<std::size_t>(std::stoull(PQgetvalue(result.get(), 0, 0)));
  }

  std::string Name() const override { return WithoutPassword(url_); }
  bool created() const override { return created_; }

 private:
  std::string url_;
  bool created_ = false;
};

}  // namespace

std::unique_ptr<RatingStore> OpenPostgresStore(const std::string& url) { return std::make_unique<PostgresStore>(url); }

}  // namespace brisvane::reputation
