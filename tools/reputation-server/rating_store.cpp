#include "rating_store.h"

#include <algorithm>

namespace brisvane::reputation {

void RatingStore::Store(const InfoHash& hash, Rating rating) {
  const RatedHash entry{hash, rating};
  Store(std::span(&entry, 1));
}

Rating RatingStore::Find(const InfoHash& hash) const { return OpenReader()->Find(hash); }

bool IsPostgresUrl(const std::string& database) {
  return database.starts_with("postgresql://") || database.starts_with("postgres://");
}

std::unique_ptr<RatingStore> OpenRatingStore(const std::string& database) {
  return IsPostgresUrl(database) ? OpenPostgresStore(database) : OpenSqliteStore(database);
}

std::vector<RatedHash> LastRatingPerHash(std::span<const RatedHash> ratings) {
  std::vector<RatedHash> sorted(ratings.begin(), ratings.end());
  // Stable, so that of equal hashes the one given last stays last.
  std::stable_sort(sorted.begin(), sorted.end(), [](const RatedHash& a, const RatedHash& b) { return a.hash < b.hash; });
  std::vector<RatedHash> last;
  last.reserve(sorted.size());
  for (const RatedHash& entry : sorted) {
    if (!last.empty() && last.back().hash == entry.hash) {
      last.back() = entry;
    } else {
      last.push_back(entry);
    }
  }
  return last;
}

}  // namespace brisvane::reputation
