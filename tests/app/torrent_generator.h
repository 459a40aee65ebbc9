#pragma once
// Seeded well-formed bencoded torrents with decoys: "info" as list elements, as values, as keys of
// nested dictionaries and inside the real info dictionary, and string contents that look like bencoding.
// Most have one real info dictionary; some have two "info" keys, a non-dictionary info, or none.
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace brisvane::testing {

class TorrentGenerator {
 public:
  explicit TorrentGenerator(std::uint32_t seed) : rng_(seed) {}

  std::string Torrent() {
    const int shape = Pick(100);
    std::string out = "d";
    const int before = Pick(5);
    const int after = Pick(5);
    for (int i = 0; i < before; ++i) out += Key() + Value(1);
    if (shape < 94) out += Str("info") + (shape >= 88 ? Value(1) : InfoDict(1));  // often not a dictionary
    for (int i = 0; i < after; ++i) out += Key() + Value(1);
    if (shape >= 80 && shape < 88) out += Str("info") + (Pick(2) ? InfoDict(1) : Value(1));  // a second key
    return out + "e";
  }

  // Random bytes that lean towards the bytes bencoding is made of.
  std::string Bytes(std::size_t max_length) {
    static constexpr std::string_view kLikely = "dlie:-0123456789";
    const std::size_t length = Pick(static_cast<int>(max_length) + 1);
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) {
      const int kind = Pick(10);
      if (kind < 4) {
        bytes.push_back(kLikely[Pick(static_cast<int>(kLikely.size()))]);
      } else if (kind == 4) {
        bytes += "4:info";
      } else {
        bytes.push_back(static_cast<char>(Pick(256)));
      }
    }
    return bytes;
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::string Str(std::string_view text) {
    const std::string zeros(Pick(8) == 0 ? Pick(3) + 1 : 0, '0');
    return zeros + std::to_string(text.size()) + ":" + std::string(text);
  }

  std::string Key() {
    static constexpr std::string_view kKeys[] = {"announce", "comment", "created by", "creation date",
                                                 "url-list", "a", "infos", "inf", "zzz", ""};
    if (Pick(4) == 0) return Str(Bytes(6));  // the rare accidental "info" is fine: the reference decides
    return Str(kKeys[Pick(static_cast<int>(std::size(kKeys)))]);
  }

  std::string Integer() {
    const long long value = std::uniform_int_distribution<long long>(-1'000'000'000'000, 1'000'000'000'000)(rng_);
    return "i" + std::to_string(Pick(3) == 0 ? value % 10 : value) + "e";
  }

  std::string Value(int depth) {
    const int kind = depth > 5 ? Pick(3) : Pick(9);
    switch (kind) {
      case 0: return Integer();
      case 1: return Str(Bytes(24));
      case 2: return Str("info");
      case 3: return "l" + Str("info") + InfoDict(depth + 1) + "e";  // a decoy in a list
      case 4: return "d" + Str("info") + InfoDict(depth + 1) + Key() + Value(depth + 1) + "e";  // a nested key
      case 5: {
        std::string list = "l";
        for (int n = Pick(4); n > 0; --n) list += Value(depth + 1);
        return list + "e";
      }
      default: {
        std::string dict = "d";
        for (int n = Pick(4); n > 0; --n) dict += Key() + Value(depth + 1);
        return dict + "e";
      }
    }
  }

  std::string InfoDict(int depth) {
    std::string info = "d";
    if (Pick(2)) info += Str("length") + Integer();
    if (Pick(2)) info += Str("name") + Str(Bytes(12));
    if (Pick(3) == 0) {  // a decoy inside
      info += Str("info") + (Pick(2) ? "d" + Str("name") + Str(Bytes(8)) + "e" : Value(depth + 1));
    }
    if (Pick(2)) info += Str("piece length") + Integer();
    for (int n = Pick(3); n > 0; --n) info += Key() + Value(depth + 1);
    if (Pick(2)) info += Str("pieces") + Str(Bytes(60));
    return info + "e";
  }

  std::mt19937 rng_;
};

}  // namespace brisvane::testing
