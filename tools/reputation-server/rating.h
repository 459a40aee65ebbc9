#pragma once
// Info-hashes as the service reads and writes them; the six rating words are the program's own.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/rating.h"

namespace brisvane::reputation {

// A torrent's info-hash: the 20 bytes of a SHA-1 digest.
using InfoHash = std::array<std::uint8_t, 20>;

// Exactly 40 hexadecimal digits in either case, nothing around them.
std::optional<InfoHash> ParseInfoHash(std::string_view text);
// 40 lower-case hexadecimal digits, the form the client sends.
std::string ToHex(const InfoHash& hash);

// Rating's values are the codes kept in the database.
using brisvane::ParseRating;
using brisvane::Rating;
using brisvane::RatingFromCode;
using brisvane::RatingWord;

struct RatedHash {
  InfoHash hash;
  Rating rating;
};

}  // namespace brisvane::reputation
