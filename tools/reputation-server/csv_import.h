#pragma once
// Ratings from a CSV file of "hash,rating" lines, written all at once or not at all.
#include <cstddef>
#include <filesystem>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

#include "rating.h"
#include "rating_store.h"

namespace brisvane::reputation {

// A line that is not "hash,rating"; what() is "line N: ...".
class CsvError : public std::runtime_error {
 public:
  CsvError(std::size_t line, const std::string& problem);
  std::size_t line() const { return line_; }

 private:
  std::size_t line_;
};

// One rating per line, "hash,rating": 40 hex digits in either case, then one of the six words exactly.
// An optional first line "hash,rating" is a header. Blank lines, CR LF endings, a UTF-8 byte order
// mark, blanks around a field and double quotes around a whole field are allowed. A hash may appear
// only once in a file: two ratings for one torrent are a mistake in the file, not a choice to guess.
// Throws CsvError for the first bad line.
std::vector<RatedHash> ParseRatingsCsv(std::istream& in);

// Parses the whole file first, then stores it in one transaction; returns the number of ratings.
// Throws CsvError (nothing stored), StoreError, or std::runtime_error when the file cannot be read.
std::size_t ImportRatingsCsv(RatingStore& store, const std::filesystem::path& file);

}  // namespace brisvane::reputation
