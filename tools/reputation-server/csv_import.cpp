#include "csv_import.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string_view>
#include <unordered_map>

#include "text_escape.h"

namespace brisvane::reputation {
namespace {

// Real lines are under 60 characters; the cap keeps a file without line breaks from filling memory.
constexpr std::size_t kMaxLine = 1024;
constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string_view Field(std::string_view text) {
  text = Trim(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return text;
}

// A field as the message shows it: quoted, control and non-ASCII bytes escaped, long ones cut.
std::string Shown(std::string_view text) {
  constexpr std::size_t kMaxShown = 48;
  std::string shown = "\"";
  AppendEscaped(shown, text, kMaxShown);
  return shown + "\"";
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

CsvError::CsvError(std::size_t line, const std::string& problem)
    : std::runtime_error("line " + std::to_string(line) + ": " + problem), line_(line) {}

std::vector<RatedHash> ParseRatingsCsv(std::istream& in) {
  std::vector<RatedHash> ratings;
  std::unordered_map<InfoHash, std::size_t, InfoHashKey> first_line;
  bool seen_content = false;
  char buffer[kMaxLine + 2];
  for (std::size_t number = 1;; ++number) {
    in.getline(buffer, sizeof buffer);
    const auto length = static_cast<std::size_t>(in.gcount());
    if (in.bad()) throw std::runtime_error("read error: " + std::string(std::strerror(errno)));
    if (in.fail()) {
      if (in.eof() && length == 0) break;
      if (!in.eof()) throw CsvError(number, "longer than " + std::to_string(kMaxLine) + " characters");
    }
    // gcount counts the line break that getline took away.
    std::string_view line(buffer, length > 0 && !in.eof() ? length - 1 : length);
    if (number == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxLine) throw CsvError(number, "longer than " + std::to_string(kMaxLine) + " characters");

    if (Trim(line).empty()) {
      if (in.eof()) break;
      continue;
    }
    const auto comma = line.find(',');
    if (comma == std::string_view::npos || line.find(',', comma + 1) != std::string_view::npos) {
      const std::size_t fields = 1 + static_cast<std::size_t>(std::count(line.begin(), line.end(), ','));
      throw CsvError(number, "expected two fields \"hash,rating\", found " + std::to_string(fields));
    }
    const std::string_view hash_text = Field(line.substr(0, comma));
    const std::string_view rating_text = Field(line.substr(comma + 1));
    const bool header = !seen_content && EqualsIgnoringCase(hash_text, "hash") && EqualsIgnoringCase(rating_text, "rating");
    seen_content = true;
    if (!header) {
      const auto hash = ParseInfoHash(hash_text);
      if (!hash) throw CsvError(number, Shown(hash_text) + " is not an info-hash of 40 hexadecimal digits");
      const auto rating = ParseRating(rating_text);
      if (!rating) {
        throw CsvError(number, Shown(rating_text) + " is not a rating (VERIFIED, GOOD, NONE, NOTFOUND, BAD or FAKE)");
      }
      const auto [earlier, added] = first_line.emplace(*hash, number);
      if (!added) {
        throw CsvError(number, "hash " + ToHex(*hash) + " is already rated on line " + std::to_string(earlier->second));
      }
      ratings.push_back({*hash, *rating});
    }
    if (in.eof()) break;
  }
  return ratings;
}

std::size_t ImportRatingsCsv(RatingStore& store, const std::filesystem::path& file) {
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) throw std::runtime_error(file.string() + ": is a directory");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(file.string() + ": " + std::strerror(errno));
  std::vector<RatedHash> ratings;
  try {
    ratings = ParseRatingsCsv(in);
  } catch (const CsvError&) {
    throw;
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(file.string() + ": " + error.what());
  }
  store.Store(ratings);
  return ratings.size();
}

}  // namespace brisvane::reputation
