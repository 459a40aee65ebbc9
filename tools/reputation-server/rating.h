#pragma once
// Info-hashes and the six rating words, as the service speaks them.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisvane::reputation {

// A torrent's info-hash: the 20 bytes of a SHA-1 digest.
using InfoHash = std::array<std::uint8_t, 20>;

// Exactly 40 hexadecimal digits in either case, nothing around them.
std::optional<InfoHash> ParseInfoHash(std::string_view text);
// 40 lower-case hexadecimal digits, the form the client sends.
std::string ToHex(const InfoHash& hash);

// The values are the codes kept in the database: never renumber them.
enum class Rating : std::uint8_t { kVerified = 0, kGood = 1, kNone = 2, kNotFound = 3, kBad = 4, kFake = 5 };

// "VERIFIED", "GOOD", "NONE", "NOTFOUND", "BAD" or "FAKE".
std::string_view RatingWord(Rating rating);
// The whole word, case-sensitive, as the client compares it.
std::optional<Rating> ParseRating(std::string_view word);
std::optional<Rating> RatingFromCode(std::int64_t code);

struct RatedHash {
  InfoHash hash;
  Rating rating;
};

}  // namespace brisvane::reputation
