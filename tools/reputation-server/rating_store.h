#pragma once
// The ratings database: a table of 20-byte hashes and rating codes, kept either in one SQLite file
// (the default, for one machine) or in PostgreSQL (for several servers on one set of ratings).
#include <chrono>
#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "rating.h"

namespace brisvane::reputation {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Hashes as keys of unordered containers: the bytes of a SHA-1 digest are already uniformly spread.
struct InfoHashKey {
  std::size_t operator()(const InfoHash& hash) const {
    std::size_t value = 0;
    std::memcpy(&value, hash.data(), sizeof value);
    return value;
  }
};

// A reader answers from the database as it was at most this long ago: a rating changed by an import
// reaches every server within this time. Asking the database afresh for every lookup would cost more
// than the rest of the request (SQLite's locks, PostgreSQL's round trip).
inline constexpr std::chrono::milliseconds kReaderFreshness{1000};

// One thread's way into the store: its own connection and prepared statements, so that a lookup
// takes no lock. Use it from one thread at a time.
class RatingReader {
 public:
  virtual ~RatingReader() = default;
  // kNotFound for a hash without a rating, as of at most kReaderFreshness ago. Throws StoreError.
  virtual Rating Find(const InfoHash& hash) = 0;
  // Throws StoreError when the store cannot be reached now or its table is gone.
  virtual void Ping() = 0;
  // Called now and then while the thread has time: lets go of what the reader holds past its age.
  virtual void Idle() {}
};

class RatingStore {
 public:
  virtual ~RatingStore() = default;

  // Opens a reader; throws StoreError.
  virtual std::unique_ptr<RatingReader> OpenReader() const = 0;

  // Adds the ratings, replacing earlier ones for the same hashes (a later one in `ratings` wins), in one
  // transaction: after an error, or when the process dies half-way, none of them is written. Throws
  // StoreError.
  virtual void Store(std::span<const RatedHash> ratings) = 0;
  void Store(const InfoHash& hash, Rating rating);

  virtual std::size_t Count() const = 0;
  // For lookups outside a server's threads; each call opens a reader.
  Rating Find(const InfoHash& hash) const;

  // What the database argument named, without a password.
  virtual std::string Name() const = 0;
  // Whether opening made a new empty database.
  virtual bool created() const = 0;
};

// "postgresql://..." or "postgres://..." (a libpq connection URI) opens PostgreSQL; anything else is the
// path of a SQLite file, made new and empty when no file is there. A database that is not a ratings
// database (another program's SQLite file or table) is refused untouched. Throws StoreError.
std::unique_ptr<RatingStore> OpenRatingStore(const std::string& database);

bool IsPostgresUrl(const std::string& database);

// The ratings in hash order, the last one given for a hash kept: writing in key order fills the index
// page after page instead of touching a random page per row.
std::vector<RatedHash> LastRatingPerHash(std::span<const RatedHash> ratings);

std::unique_ptr<RatingStore> OpenSqliteStore(const std::string& path);
std::unique_ptr<RatingStore> OpenPostgresStore(const std::string& url);

}  // namespace brisvane::reputation
