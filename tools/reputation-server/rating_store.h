#pragma once
// The ratings database: one SQLite file, one table of 20-byte hashes and rating codes.
#include <cstddef>
#include <memory>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "rating.h"

struct sqlite3;

namespace brisvane::reputation {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RatingStore {
 public:
  // Opens the database at `path`, making a new empty one when no file is there. A file that is not
  // a ratings database (another program's SQLite file, or no SQLite file at all) is refused untouched.
  // Throws StoreError.
  explicit RatingStore(std::string path);
  ~RatingStore();
  RatingStore(const RatingStore&) = delete;
  RatingStore& operator=(const RatingStore&) = delete;

  // kNotFound for a hash without a rating. Safe from many threads at once: each concurrent caller
  // reads through its own connection, so lookups never wait for one another or for a writer.
  Rating Find(const InfoHash& hash) const;

  // Adds the ratings, replacing earlier ones for the same hashes, in one transaction: after an error
  // none of them is written. Throws StoreError.
  void Store(std::span<const RatedHash> ratings);
  void Store(const InfoHash& hash, Rating rating);

  std::size_t Count() const;
  const std::string& path() const { return path_; }
  // Whether the constructor made the file.
  bool created() const { return created_; }

 private:
  struct Reader;

  std::unique_ptr<Reader> TakeReader() const;
  void ReturnReader(std::unique_ptr<Reader> reader) const;

  std::string path_;
  bool created_ = false;
  std::mutex writer_mutex_;
  sqlite3* writer_ = nullptr;
  mutable std::mutex readers_mutex_;
  mutable std::vector<std::unique_ptr<Reader>> idle_readers_;
};

}  // namespace brisvane::reputation
